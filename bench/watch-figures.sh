#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What watching costs. The command line over N names (the filing lookup against nginx on loopback, 32 at
# once), run a second time over the same store: plainly, then with --changes, one name in ten answering
# differently the second time; time and peak resident memory of each. Given a second build (one from before
# watching), its second plain run too, for what reading the last answers costs the writer. Then, under Xvfb,
# 即将到期 over a store of N domains and 只看变化 over a grid of 100,000 and N rows (bench_watch).
# Usage: bench/watch-figures.sh BUILD_DIR [NAMES] [BUILD_DIR_BEFORE]   (default 1000000)
set -euo pipefail
build=$(readlink -f "$1")
count=${2:-1000000}
before=${3:+$(readlink -f "$3")}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/nginx.sh"
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
port=$(( 20000 + RANDOM % 20000 ))
# The first run's answers: every name filed. The second's: names ending in 0 no longer are.
start_nginx "$work" "127.0.0.1:$port" "location / { default_type text/html; root $here/../tests/data;
    try_files /icp-filed.gb2312.html =404; }"
mkdir -p "$work/second"
start_nginx "$work/second" "127.0.0.1:$((port + 1))" "location / { default_type text/html; root $here/../tests/data;
    try_files /\$page =404; }" "access_log off; map \$arg_Domain \$page { ~0\.test\$ icp-none.gb2312.html;
    default icp-filed.gb2312.html; }"
seq "$count" | sed 's/^/d/; s/$/.test/' >"$work/domains.txt"
export XDG_CONFIG_HOME="$work/config"

# run PROGRAM DATA_DIR PORT LABEL [OPTIONS...]: one run; prints its time, peak memory and lines out.
run() {
    local program=$1 data=$2 at=$3 label=$4
    shift 4
    local start=$(date +%s%N)
    XDG_DATA_HOME="$data" QUILLMARK_HOST_ICP="127.0.0.1:$at" /usr/bin/time -f "%M" -o "$work/rss" \
        "$program" --batch "$work/domains.txt" --lookups icp --pace icp=32 --format jsonl "$@" 2>/dev/null \
        | wc -l >"$work/lines"
    local ms=$(( ($(date +%s%N) - start) / 1000000 ))
    [ -z "$label" ] || echo "$label: $(( ms / 1000 )).$(( ms % 1000 / 100 )) s, peak resident" \
        "$(( $(cat "$work/rss") / 1024 )) MiB, $(cat "$work/lines") lines out"
}

run "$build/seo-quillmark" "$work/data" "$port" ""
cp -a "$work/data" "$work/data-changes"
run "$build/seo-quillmark" "$work/data" "$((port + 1))" "$count names again, plain"
run "$build/seo-quillmark" "$work/data-changes" "$((port + 1))" "$count names again, --changes" --changes
if [ -n "$before" ]; then
    run "$before/seo-quillmark" "$work/data-before" "$port" ""
    run "$before/seo-quillmark" "$work/data-before" "$((port + 1))" "$count names again, plain, build before watching"
fi

xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    openbox >/dev/null 2>&1 &
    sleep 1
    "$0/bench/bench_watch" expiring "$1"
    "$0/bench/bench_watch" only-changes 100000
    "$0/bench/bench_watch" only-changes "$1"' "$build" "$count" 2>&1 | grep -v "^QStandardPaths"
