#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Peak memory while every home page of a batch sends 100 MB as fast as loopback carries it: the pages are
# cut at the 16 MB cap, and each reply's read buffer is bounded, so the peak is the program's base plus at
# most the cap per page in flight. Usage: bench/memory-figures.sh BUILD_DIR [PAGES_AT_ONCE...]
set -euo pipefail
. "$(dirname "$0")/nginx.sh"
program=$(readlink -f "$1/seo-quillmark")
shift
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
port=$(( 20000 + RANDOM % 20000 ))
head -c 100M /dev/zero | tr '\0' 'a' >"$work/big.html"
start_nginx "$work" "$port" "location / { default_type text/html; root $work; try_files /big.html =404; }"
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME/seo-quillmark"
# A base line: the same program, one page that answers at once.
echo "127.0.0.1:1" >"$work/none.txt"
/usr/bin/time -f "base (one refused page): %M KB peak resident" "$program" --batch "$work/none.txt" \
    --lookups home-title >/dev/null 2>"$work/base" || true
tail -1 "$work/base"
[ $# -gt 0 ] || set -- 32 64
for pages in "$@"; do
    printf '[home]\nconcurrency=%s\n' "$pages" >"$XDG_CONFIG_HOME/seo-quillmark/seo-quillmark.conf"
    for n in $(seq "$pages"); do echo "127.0.$(( n / 250 )).$(( n % 250 + 2 )):$port"; done >"$work/domains.txt"
    /usr/bin/time -f "$pages pages of 100 MB at once: %e s, %M KB peak resident" "$program" \
        --batch "$work/domains.txt" --lookups home-title --format jsonl >"$work/out" 2>"$work/stderr" || true
    tail -3 "$work/stderr"
    echo "  $(grep -c '页面过大' "$work/out") of $pages pages cut at the cap"
done
