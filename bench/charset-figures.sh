#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# How many home-page titles come out right from pages that do not say their charset: 264 pages in eleven
# charsets (bench/charset-pages.py; a quarter of them a title alone, another quarter a title and two
# lines), served by a local server with a bare "Content-Type: text/html", read through --lookups
# home-title. Given a second program (an older build), both are measured on the same pages.
# Usage: bench/charset-figures.sh BUILD_DIR [OTHER_PROGRAM]
set -euo pipefail
here=$(dirname "$(readlink -f "$0")")
programs=("$(readlink -f "$1/seo-quillmark")")
[ $# -ge 2 ] && programs+=("$(readlink -f "$2")")
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"

python3 "$here/charset-pages.py" "$work/pages"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
(cd "$work/pages" && exec python3 -m http.server "$port" --bind 127.0.0.1 >/dev/null 2>&1) &
for _ in $(seq 50); do curl -s -o /dev/null "http://127.0.0.1:$port/titles.tsv" && break; sleep 0.1; done
cut -f1 "$work/pages/titles.tsv" | sed "s|^|127.0.0.1:$port/|" >"$work/names.txt"

for program in "${programs[@]}"; do
    "$program" --batch "$work/names.txt" --lookups home-title --format jsonl --output "$work/out.jsonl" 2>/dev/null || true
    echo "== $program"
    python3 - "$work/pages/titles.tsv" "$work/out.jsonl" <<'PY'
import collections, json, sys
expected = [line.rstrip("\n").split("\t") for line in open(sys.argv[1], encoding="utf-8")]
got = [json.loads(line)["home-title"] for line in open(sys.argv[2], encoding="utf-8")]
by_charset, by_size = collections.defaultdict(lambda: [0, 0]), collections.defaultdict(lambda: [0, 0])
for (path, charset, size, title), cell in zip(expected, got):
    for tally in (by_charset[charset], by_size[size]):
        tally[0] += cell == title
        tally[1] += 1
print("  ".join(f"{name} {right}/{count}" for name, (right, count) in by_charset.items()))
print("  ".join(f"{name} {right}/{count}" for name, (right, count) in by_size.items()))
print(f"all {sum(right for right, _ in by_charset.values())}/{len(expected)}")
PY
done
