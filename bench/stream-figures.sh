#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The command line over long lists with a lookup answered at once on loopback (the filing lookup against
# nginx, 32 at a time): peak resident memory at each size, rows per second, and how long after nginx
# answered a domain its row reached standard output (median and 99th percentile, joined by domain).
# Usage: bench/stream-figures.sh BUILD_DIR [NAMES...]   (default 100000 1000000)
set -euo pipefail
program=$(readlink -f "$1/seo-quillmark")
shift
here=$(cd "$(dirname "$0")" && pwd)
. "$here/nginx.sh"
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
port=$(( 20000 + RANDOM % 20000 ))
start_nginx "$work" "127.0.0.1:$port" "location / { default_type text/html; root $here/../tests/data;
    try_files /icp-filed.gb2312.html =404; }" "log_format answered '\$msec \$arg_Domain'; access_log $work/access.log answered;"
export QUILLMARK_HOST_ICP="127.0.0.1:$port"
[ $# -gt 0 ] || set -- 100000 1000000
for count in "$@"; do
    export XDG_DATA_HOME="$work/data-$count" XDG_CONFIG_HOME="$work/config"
    : >"$work/access.log"
    seq "$count" | sed 's/^/d/; s/$/.test/' >"$work/domains.txt"
    start=$(date +%s%N)
    /usr/bin/time -f "%M" -o "$work/rss" "$program" --batch "$work/domains.txt" --lookups icp --format jsonl \
        --pace icp=32 2>/dev/null | python3 -c '
import sys, time
out = open(sys.argv[1], "w")
for line in sys.stdin:
    out.write("%.4f %s\n" % (time.time(), line[11:line.index("\"", 11)]))
' "$work/arrived"
    ms=$(( ($(date +%s%N) - start) / 1000000 ))
    python3 - "$work/access.log" "$work/arrived" "$count" "$ms" "$(cat "$work/rss")" <<'PY'
import sys
answered = {}
for line in open(sys.argv[1]):
    at, name = line.split()
    answered[name] = float(at)
delays = sorted(float(at) - answered[name] for at, name in (l.split() for l in open(sys.argv[2])) if name in answered)
count, ms, rss = int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
print(f"{count} names: {ms / 1000:.1f} s, {count * 1000 / ms:.0f} rows/s, peak resident {rss / 1024:.0f} MiB, "
      f"{len(delays)} rows out; answer to standard output: median {delays[len(delays) // 2] * 1000:.0f} ms, "
      f"99th percentile {delays[int(len(delays) * 0.99)] * 1000:.0f} ms")
PY
done
