#!/bin/bash
# Three shards of one list against one whole run (a Tranco rank from a small installed list, answered at
# once): the shards' outputs sorted together must equal the whole run's sorted, byte for byte.
# Usage: bench/shard-figures.sh BUILD_DIR [NAMES]
set -euo pipefail
program=$(readlink -f "$1/seo-quillmark")
count=${2:-100000}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_DATA_HOME/seo-quillmark"
cp "$here/../tests/data/tranco-sample.csv" "$XDG_DATA_HOME/seo-quillmark/tranco.csv"
{ seq "$count" | sed 's/^/d/; s/$/.test/'; echo example.com; echo www.baidu.com; } >"$work/domains.txt"
"$program" --batch "$work/domains.txt" --lookups tranco --format jsonl >"$work/whole" 2>/dev/null || true
for i in 1 2 3; do
    "$program" --batch "$work/domains.txt" --lookups tranco --format jsonl --shard "$i/3" >"$work/part-$i" 2>/dev/null || true
done
echo "rows: whole $(wc -l <"$work/whole"), parts $(wc -l <"$work/part-1") + $(wc -l <"$work/part-2") + $(wc -l <"$work/part-3")"
if cmp -s <(sort "$work/whole") <(sort "$work/part-1" "$work/part-2" "$work/part-3"); then
    echo "sorted together, the three parts equal the whole run byte for byte"
else
    echo "the parts differ from the whole run"; exit 1
fi
