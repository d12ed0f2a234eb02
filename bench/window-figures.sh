#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The whole-program figures under Xvfb with openbox, the window shown as on a desktop.
# Usage: bench/window-figures.sh BUILD_DIR [SCENARIO...]; see bench/figures.cpp for the scenarios.
set -euo pipefail
build=$(readlink -f "$1")
shift
scenarios=${*:-outbound-100k round-trips silent-homes box-35s many-hosts}
here=$(cd "$(dirname "$0")" && pwd)
export QT_QPA_PLATFORM=xcb FIGURES="$build/bench/bench_figures" HOSTS="$here/loopback-hosts.py" SCENARIOS="$scenarios"
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    openbox >/dev/null 2>&1 &
    sleep 1
    for scenario in $SCENARIOS; do
        if [ "$scenario" != many-hosts ]; then "$FIGURES" "$scenario"; continue; fi
        # The hosts have files of their own to spare; the program gets the usual 1,024, soft and hard.
        (ulimit -n "$(ulimit -Hn)" && exec python3 "$HOSTS") &
        for _ in $(seq 120); do (exec 3<>/dev/tcp/127.20.6.167/80) 2>/dev/null && break; sleep 0.5; done
        (ulimit -n 1024 && "$FIGURES" many-hosts)
        kill %2
    done'
