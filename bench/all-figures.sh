#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every figure the README gives, one after another, each script's output under a heading: for comparing two
# builds on one machine (run it for each, then diff the logs). Takes about an hour.
# Usage: bench/all-figures.sh BUILD_DIR [LOG]
set -uo pipefail
build=$(readlink -f "$1")
log=${2:-/dev/stdout}
here=$(cd "$(dirname "$0")" && pwd)
run() {
    echo "== $*"
    local start=$SECONDS
    "$@" 2>&1
    echo "-- $((SECONDS - start)) s"
}
{
    run env QT_QPA_PLATFORM=offscreen "$build/bench/bench_quillmark"
    run "$build/bench/bench_whois_corpus" "$here/../tests/data/whois-corpus" 100000
    run "$build/bench/bench_workbook" 100000
    run "$here/window-figures.sh" "$build"
    run "$here/cli-figures.sh" "$build"
    run "$here/stream-figures.sh" "$build" 100000 1000000
    run "$here/shard-figures.sh" "$build" 100000
    run "$here/registration-figures.sh" "$build" 1000 5000
    run "$here/whois-memory.sh" "$build"
    run "$here/site-facts-figures.sh" "$build" 1000
    run "$here/kill-figures.sh" "$build"
    run "$here/memory-figures.sh" "$build"
    run "$here/dns-figures.sh" "$build"
    run "$here/workbook-figures.sh" "$build"
    run "$here/long-line-figures.sh" "$build" 50
    run "$here/output-figures.sh" "$build"
    run "$here/failure-figures.sh" "$build"
    run "$here/charset-figures.sh" "$build"
    run "$here/watch-figures.sh" "$build" 1000000
    run "$here/upgrade-figures.sh" "$build" 1000000
} >"$log"
