#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What the user's own data files cost at start (--version reads both): none; 25,000 definitions in lookups.json;
# 25,000 registries in whois-registries.json; then files that are no files to read: a FIFO nobody writes (both
# files), a link to /dev/zero (whois-registries.json: a program of before 4 MiB made the target of a
# lookups.json link its owner's alone, and as root that is /dev/zero's mode), and both files past 4 MiB. Each
# run is bounded (20 s, 4 GiB of address space), so a program that waits or reads on is stopped, and said so.
# Usage: bench/user-files-figures.sh BUILD_DIR
set -euo pipefail
program=$(readlink -f "$1/seo-quillmark")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
config="$XDG_CONFIG_HOME/seo-quillmark"
mkdir -p "$config"
run() { # LABEL: --version over what is in $config now, then $config emptied
    local status=0
    (ulimit -v 4194304 && /usr/bin/time -q -f "%e s, peak resident %M KiB" -o "$work/time" \
        timeout 20 "$program" --version >/dev/null 2>"$work/said") || status=$?
    [ "$status" = 124 ] && status="124 (stopped after 20 s)"
    echo "$1: status $status, $(cat "$work/time"), $(grep -c . "$work/said" || true) lines on stderr" \
        "$(grep -o '[^/]*json[^/]*$' "$work/said" | head -2 | tr '\n' ' ')"
    rm -f "$config"/*
}
run "no files"
python3 -c 'import json; print(json.dumps([{"key": f"k{i}", "header": f"权重{i}", "url": f"https://api{i % 50}.test/w?d={{ascii}}", "json": "/data/weight"} for i in range(25000)]))' >"$config/lookups.json"
run "lookups.json, 25,000 definitions ($(du -k "$config/lookups.json" | cut -f1) KiB)"
python3 -c 'import json; print(json.dumps({"registries": [{"server": f"whois.r{i}.test", "suffixes": [f"r{i}"]} for i in range(25000)]}))' >"$config/whois-registries.json"
run "whois-registries.json, 25,000 registries ($(du -k "$config/whois-registries.json" | cut -f1) KiB)"
mkfifo "$config/lookups.json" "$config/whois-registries.json"
run "both a FIFO nobody writes"
ln -s /dev/zero "$config/whois-registries.json"
run "whois-registries.json a link to /dev/zero"
for name in lookups.json whois-registries.json; do
    { [ "$name" = lookups.json ] && printf '[]' || printf '{"registries": []}'; head -c 5242880 /dev/zero | tr '\0' ' '; } >"$config/$name"
done
run "both sound JSON of 5 MiB"
