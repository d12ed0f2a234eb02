#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Three shards of one list against one whole run (a Tranco rank from a small installed list, answered at
# once): the shards' JSON Lines sorted together must equal the whole run's sorted, byte for byte, and their
# CSV merged as the README says (the header once, rows sorted by position) the whole run's CSV as it is.
# Usage: bench/shard-figures.sh BUILD_DIR [NAMES]
set -euo pipefail
program=$(readlink -f "$1/seo-quillmark")
count=${2:-100000}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$here/instant-lookup.sh"
instant_lookup "$work"
{ seq "$count" | sed 's/^/d/; s/$/.test/'; echo example.com; echo www.baidu.com; } >"$work/domains.txt"
"$program" --batch "$work/domains.txt" --lookups tranco --format jsonl >"$work/whole" 2>/dev/null || true
for i in 1 2 3; do
    "$program" --batch "$work/domains.txt" --lookups tranco --format jsonl --shard "$i/3" >"$work/part-$i" 2>/dev/null || true
done
echo "rows: whole $(wc -l <"$work/whole"), parts $(wc -l <"$work/part-1") + $(wc -l <"$work/part-2") + $(wc -l <"$work/part-3")"
if cmp -s <(sort "$work/whole") <(sort "$work/part-1" "$work/part-2" "$work/part-3"); then
    echo "jsonl: sorted together, the three parts equal the whole run byte for byte"
else
    echo "jsonl: the parts differ from the whole run"; exit 1
fi
"$program" --batch "$work/domains.txt" --lookups tranco --format csv >"$work/whole.csv" 2>/dev/null || true
for i in 1 2 3; do
    "$program" --batch "$work/domains.txt" --lookups tranco --format csv --shard "$i/3" >"$work/part-$i.csv" 2>/dev/null || true
done
(cd "$work" && { head -n 1 part-1.csv; tail -q -n +2 part-*.csv | sort -t, -k1,1n; } >merged.csv)
if cmp -s "$work/whole.csv" "$work/merged.csv"; then
    echo "csv: the parts merged (header once, rows sorted by position) equal the whole run byte for byte"
else
    echo "csv: the merged parts differ from the whole run"; exit 1
fi
