#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What a run does before it learns it cannot go on. --resume with a list file that ends halfway through the
# unfinished batch's names: requests made before status 2, and peak memory, with lists of NAMES names (10,000
# and 1,000,000 by default). A full disk under --output (a 64 KiB tmpfs with 4 KiB left): requests made, time
# to stop, status, as rows and as a workbook. Usage: bench/failure-figures.sh BUILD_DIR [NAMES…]   (as root, for mount)
set -euo pipefail
program=$(readlink -f "$1/seo-quillmark")
shift
sizes=("$@")
[ $# -gt 0 ] || sizes=(10000 1000000)
here=$(cd "$(dirname "$0")" && pwd)
. "$here/nginx.sh"
work=$(mktemp -d)
trap 'umount "$work/small" 2>/dev/null; kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
port=$(( 20000 + RANDOM % 20000 ))
start_nginx "$work" "127.0.0.1:$port" \
    "location / { default_type text/html; alias $here/../tests/data/icp-filed.gb2312.html; }" \
    "access_log $work/access.log;"
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" QUILLMARK_HOST_ICP="127.0.0.1:$port"
database="$XDG_DATA_HOME/seo-quillmark/results.db"
requests() { wc -l <"$work/access.log"; }
run() { # LABEL ARGUMENTS…: status, requests, wall time and peak memory of one run
    local label=$1 before
    shift
    before=$(requests)
    /usr/bin/time -f "%e %M" -o "$work/time" "$program" "$@" >/dev/null 2>"$work/err" && status=0 || status=$?
    read -r wall peak < <(tail -1 "$work/time")
    echo "$label: status $status, $(( $(requests) - before )) requests, ${wall} s, ${peak} KB peak"
    echo "  $(grep -o 'seo-quillmark: .*\|无法写入.*' "$work/err" | head -1)"
}

echo d0.test >"$work/one.txt"
"$program" --batch "$work/one.txt" --lookups icp >/dev/null 2>&1 || true
for names in "${sizes[@]}"; do
    # A batch cut short after its names were read (twice this list's), none of them asked.
    sqlite3 "$database" "DELETE FROM names; DELETE FROM batches; INSERT INTO batches (id, started, domains, lookups)
        VALUES (7, '2026-12-01T00:00:00Z', '[]', '[\"icp\"]'); WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL
        SELECT i + 1 FROM n WHERE i < $((2 * names - 1))) INSERT INTO names SELECT 7, i, 'd' || i || '.test' FROM n;"
    seq 0 $((names - 1)) | sed 's/.*/d&.test/' >"$work/list.txt"
    run "--resume, a list of $names names, the batch's first half" --batch "$work/list.txt" --lookups icp \
        --resume --pace icp=64 --output "$work/out.txt"
done

mkdir "$work/small"
mount -t tmpfs -o size=64k tmpfs "$work/small"
head -c $((60 * 1024)) /dev/zero >"$work/small/filler"
seq 20000 | sed 's/.*/a-rather-long-domain-name-&.test/' >"$work/long.txt"
run "--output on a full disk, 20,000 names" --batch "$work/long.txt" --lookups icp --pace icp=64 \
    --output "$work/small/out.txt"
echo "  left in the folder: $(ls "$work/small" | paste -sd' ')"
rm -f "$work/small/"*.part-* "$work/small/out.txt"
run "--output on a full disk, 20,000 names, a workbook" --batch "$work/long.txt" --lookups icp --pace icp=64 \
    --format xlsx --output "$work/small/out.xlsx"
echo "  left in the folder: $(ls "$work/small" | paste -sd' ')"
