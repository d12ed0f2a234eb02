#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The command line on 20,000 domains against local services (nginx answering every request at once):
# wall time, peak memory and the database's size. Usage: bench/cli-figures.sh BUILD_DIR [DOMAINS]
set -euo pipefail
program=$(readlink -f "$1/seo-quillmark")
count=${2:-20000}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/nginx.sh"
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
port=$(( 20000 + RANDOM % 20000 ))
start_nginx "$work" "127.0.0.1:$port" \
    "location / { default_type text/html; alias $here/../tests/data/markers-all.gb2312.html; }"
seq "$count" | sed "s|^|127.0.0.1:$port/d|" >"$work/domains.txt"
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
for service in REGISTRAR ICP BAIDU ALEXA YAHOO; do export "QUILLMARK_HOST_$service=127.0.0.1:$port"; done
/usr/bin/time -f "%e s wall, %U s user, %S s sys, %M KB peak resident" "$program" --batch "$work/domains.txt" --lookups all \
    --format jsonl --output "$work/out.jsonl" 2>"$work/stderr" || true
grep -v "^Command exited" "$work/stderr" | tail -2
echo "$(wc -l <"$work/out.jsonl") result lines; database $(du -k "$work/data/seo-quillmark/results.db" | cut -f1) KB"
