#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# One line far longer than any domain in --batch, by name and down a pipe, between two names: time, peak
# resident memory, and what the output shows for it; in UTF-8, or in UTF-16 with its byte-order mark (Windows
# Notepad's "Unicode").
# Usage: bench/long-line-figures.sh BUILD_DIR [MEGABYTES] [utf-8|utf-16]   (default 50, utf-8)
set -euo pipefail
program=$(readlink -f "$1/seo-quillmark")
size=${2:-50}
encoding=${3:-utf-8}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$here/instant-lookup.sh"
instant_lookup "$work"
python3 -c "import sys; sys.stdout.buffer.write(('example.com\n' + 'a' * ($size << 20) + '\ngoogle.com\n')
    .encode('$encoding'))" >"$work/names.txt"
for how in file pipe; do
    if [ "$how" = file ]; then batch="$work/names.txt"; input=/dev/null; else batch=-; input="$work/names.txt"; fi
    /usr/bin/time -q -f "%e s, peak resident %M KiB" -o "$work/time" \
        "$program" --batch "$batch" --lookups tranco --format jsonl <"$input" >"$work/out" 2>/dev/null || true
    echo "$size MB line ($encoding), $how: $(cat "$work/time"); output $(wc -c <"$work/out") bytes, $(wc -l <"$work/out") rows"
done
sed -n 2p "$work/out"
