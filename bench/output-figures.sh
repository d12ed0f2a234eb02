#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# --output onto what is not a regular file: a character device (/dev/null as root, and as an ordinary user
# through runuser -u nobody), a FIFO with a reader, a symbolic link to a file and to a FIFO, a block device
# (refused); then what each is and holds afterwards.
# Usage: bench/output-figures.sh BUILD_DIR   (as root, for /dev/null and mknod)
set -euo pipefail
program=$(readlink -f "$1/seo-quillmark")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
chmod 755 "$work"
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
. "$here/instant-lookup.sh"
instant_lookup "$work"
printf 'example.com\ngoogle.com\n' >"$work/names.txt"
chmod 644 "$work/names.txt"
run() { # TARGET FORMAT [runuser -u USER --]
    local target=$1 format=$2
    shift 2
    "$@" "$program" --batch "$work/names.txt" --lookups tranco --format "$format" --output "$target" \
        2>"$work/err" >/dev/null && status=0 || status=$?
    echo "  status $status$(grep -o 'seo-quillmark: .*' "$work/err" | sed 's/^/, /')"
}
kind() { stat -c '%F' "$1"; }

before=$(stat -c '%F %t,%T %a' /dev/null)
echo "/dev/null as root, csv:"; run /dev/null csv
echo "  before: $before; after: $(stat -c '%F %t,%T %a' /dev/null)"
echo "/dev/null as nobody, lines:"; run /dev/null lines runuser -u nobody --
echo "  after: $(stat -c '%F %t,%T %a' /dev/null)"

mkfifo "$work/fifo"
cat "$work/fifo" >"$work/read" &
echo "a FIFO with a reader, csv:"; run "$work/fifo" csv
wait
echo "  after: $(kind "$work/fifo"); the reader got $(wc -l <"$work/read") lines: $(tr -d '\r\357\273\277' <"$work/read" | paste -sd' ')"

echo old >"$work/file.csv"
ln -s file.csv "$work/link.csv"
echo "a symbolic link to a file, csv:"; run "$work/link.csv" csv
echo "  after: link.csv is a $(kind "$work/link.csv") to $(readlink "$work/link.csv"); file.csv: $(tr -d '\r\357\273\277' <"$work/file.csv" | paste -sd' ')"
echo "the same link, xlsx:"; run "$work/link.csv" xlsx
echo "  after: link.csv is a $(kind "$work/link.csv"); file.csv is $(file -b "$work/file.csv" 2>/dev/null || head -c 2 "$work/file.csv")"

ln -s fifo "$work/link-fifo"
cat "$work/fifo" >"$work/read" &
echo "a symbolic link to a FIFO with a reader, jsonl:"; run "$work/link-fifo" jsonl
wait
echo "  after: link-fifo is a $(kind "$work/link-fifo"), fifo a $(kind "$work/fifo"); the reader got $(wc -l <"$work/read") lines"

mknod "$work/block" b 7 0
echo "a block device, lines:"; run "$work/block" lines
echo "  after: $(kind "$work/block")"
