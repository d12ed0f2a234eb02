#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# kill -9 of the command line at random moments of a 200,000-name batch whose lookup answers at once (a
# Tranco rank from a small installed list): the cells found in the database afterwards against the rows
# already printed (each printed row is saved first, so the database never holds fewer), and against what a
# resume then asks. Usage: bench/kill-figures.sh BUILD_DIR [RUNS] [NAMES]
set -euo pipefail
program=$(readlink -f "$1/seo-quillmark")
runs=${2:-10}
count=${3:-200000}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$here/instant-lookup.sh"
instant_lookup "$work"
seq "$count" | sed 's/^/d/; s/$/.test/' >"$work/domains.txt"
start=$(date +%s%N)
"$program" --batch "$work/domains.txt" --lookups tranco >/dev/null 2>&1
whole=$(( ($(date +%s%N) - start) / 1000000 ))
echo "one whole run: $whole ms"
cells() {
    python3 -c "import sqlite3,sys; db=sqlite3.connect(sys.argv[1]);
print(db.execute('select count(*) from cells where batch=(select max(id) from batches)').fetchone()[0])" \
        "$XDG_DATA_HOME/seo-quillmark/results.db"
}
for run in $(seq "$runs"); do
    at=$(( 100 + RANDOM % (whole * 8 / 10 - 100) ))
    "$program" --batch "$work/domains.txt" --lookups tranco >"$work/out" 2>/dev/null &
    pid=$!
    python3 -c "import time; time.sleep($at/1000)" 2>/dev/null
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    printed=$(grep -c . "$work/out" || true)
    saved=$(cells)
    echo "run $run: killed at $at ms; rows printed $printed, cells saved $saved ($(( saved - printed )) saved but not yet printed)"
done
