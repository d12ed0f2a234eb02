#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The DNS lookup against a resolver that takes every query and never answers: how long 100 names take to
# the end, and how long the program takes to exit after Ctrl-C in the middle.
# Usage: bench/dns-figures.sh BUILD_DIR [NAMES]
set -euo pipefail
program=$(readlink -f "$1/seo-quillmark")
count=${2:-100}
work=$(mktemp -d)
port=$(( 20000 + RANDOM % 20000 ))
# A UDP socket that is bound and never read.
python3 -c "import socket,time; s=socket.socket(socket.AF_INET,socket.SOCK_DGRAM); s.bind(('127.0.0.1',$port)); time.sleep(3600)" &
silent=$!
trap 'kill $silent 2>/dev/null; rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" QUILLMARK_DNS_SERVER="127.0.0.1:$port"
seq "$count" | sed 's/^/n/; s/$/.test/' >"$work/domains.txt"
sleep 0.5
start=$(date +%s%N)
"$program" --batch "$work/domains.txt" --lookups dns --format jsonl >"$work/out" 2>/dev/null || true
echo "$count names to the end: $(( ($(date +%s%N) - start) / 1000000 )) ms; $(grep -c '请求超时' "$work/out") cells timed out"
for delay in 1 5 15; do
    "$program" --batch "$work/domains.txt" --lookups dns >/dev/null 2>&1 &
    pid=$!
    sleep "$delay"
    start=$(date +%s%N)
    kill -INT "$pid"
    status=0
    wait "$pid" || status=$?
    echo "Ctrl-C after $delay s: exit $status after $(( ($(date +%s%N) - start) / 1000000 )) ms"
done
