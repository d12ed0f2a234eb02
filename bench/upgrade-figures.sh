#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What the first start of version 5 costs on a results database of version 4: N cells (and their batches and
# expiry days) saved in local time over a year, read once in the machine's zone. Time and peak resident memory
# of a start that opens the database and asks nothing (an empty list), then of the same start again (nothing
# left to convert). Given a build from before, its start over the same file, for what opening costs there.
# Usage: bench/upgrade-figures.sh BUILD_DIR [CELLS] [BUILD_DIR_BEFORE]   (default 1000000)
set -euo pipefail
build=$(readlink -f "$1")
count=${2:-1000000}
before=${3:+$(readlink -f "$3")}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" TZ=America/New_York

# A version-4 file: 1,000 names a batch, a cell a minute and a half apart, through both changes of the clocks.
make_database() {
    mkdir -p "$1/seo-quillmark"
    sqlite3 "$1/seo-quillmark/results.db" >/dev/null <<SQL
PRAGMA journal_mode=WAL;
CREATE TABLE batches (id INTEGER PRIMARY KEY, started TEXT NOT NULL, domains TEXT NOT NULL, lookups TEXT NOT NULL,
    finished INTEGER NOT NULL DEFAULT 0, watchlist TEXT);
CREATE TABLE cells (batch INTEGER NOT NULL, row INTEGER NOT NULL, domain TEXT NOT NULL, lookup TEXT NOT NULL,
    text TEXT NOT NULL, problem TEXT NOT NULL, at TEXT NOT NULL, PRIMARY KEY (batch, row, lookup));
CREATE INDEX answers ON cells (domain, lookup, batch);
CREATE TABLE names (batch INTEGER NOT NULL, row INTEGER NOT NULL, domain TEXT NOT NULL, PRIMARY KEY (batch, row));
CREATE TABLE expiries (domain TEXT NOT NULL, lookup TEXT NOT NULL, day TEXT NOT NULL, text TEXT NOT NULL,
    at TEXT NOT NULL, PRIMARY KEY (domain, lookup));
CREATE INDEX expiries_by_day ON expiries (day, domain, lookup);
WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < $count - 1)
INSERT INTO cells SELECT i / 1000 + 1, i % 1000, 'd' || (i % 1000) || '.test', 'reg-expiry', '2027-01-02', '',
    strftime('%Y-%m-%dT%H:%M:%f', '2026-01-01', '+' || (i * 90) || ' seconds') FROM n;
INSERT INTO batches SELECT batch, min(at), '[]', '["reg-expiry"]', 1, NULL FROM cells GROUP BY batch;
INSERT INTO expiries SELECT domain, lookup, '2027-01-02', text, max(at) FROM cells GROUP BY domain, lookup;
PRAGMA user_version = 4;
SQL
}

# start PROGRAM DATA_DIR LABEL: one start over the database; prints its time and peak memory.
start() {
    local started=$(date +%s%N)
    XDG_DATA_HOME="$2" /usr/bin/time -f "%M" -o "$work/rss" "$1" --batch "$work/empty.txt" --lookups reg-expiry \
        >/dev/null 2>"$work/stderr" || { cat "$work/stderr" >&2; exit 1; }
    local ms=$(( ($(date +%s%N) - started) / 1000000 ))
    echo "$3: $(( ms / 1000 )).$(printf %03d $(( ms % 1000 ))) s, peak resident $(( $(cat "$work/rss") / 1024 )) MiB"
}

: >"$work/empty.txt"
make_database "$work/data"
echo "$count cells, $(du -m "$work/data/seo-quillmark/results.db" | cut -f1) MB"
start "$build/seo-quillmark" "$work/data" "first start (the upgrade)"
start "$build/seo-quillmark" "$work/data" "second start"
sqlite3 "$work/data/seo-quillmark/results.db" "SELECT 'first cell now: ' || at || ' ' || at_offset FROM cells LIMIT 1"
if [ -n "$before" ]; then
    make_database "$work/before"
    start "$before/seo-quillmark" "$work/before" "before: a start over version 4"
fi
