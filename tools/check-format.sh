#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every C++ file in the repository as .clang-format says and opening with its licence's SPDX line, or the names of
# those that are not: run by CTest and CI so a change cannot land unformatted or unlicensed. With --fix, formats
# them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "clang-format is not installed (tools/setup-debian.sh --tests)"; exit 77; }
mapfile -t files < <(git ls-files -- '*.cpp' '*.h' 2>/dev/null || find . -path ./build\* -prune -o -name '*.cpp' -print -o -name '*.h' -print)
if [ "${1:-}" = --fix ]; then
    clang-format -i "${files[@]}"
    exit 0
fi
bad=()
for file in "${files[@]}"; do
    clang-format --dry-run -Werror "$file" >/dev/null 2>&1 || bad+=("$file")
done
unlicensed=()
for file in "${files[@]}"; do
    head -n 2 "$file" | grep -q '^// SPDX-License-Identifier: GPL-3.0-or-later$' || unlicensed+=("$file")
done
if [ ${#bad[@]} -gt 0 ]; then
    printf 'not formatted as .clang-format says (tools/check-format.sh --fix):\n'
    printf '  %s\n' "${bad[@]}"
fi
if [ ${#unlicensed[@]} -gt 0 ]; then
    printf 'no "// SPDX-License-Identifier: GPL-3.0-or-later" line at the top:\n'
    printf '  %s\n' "${unlicensed[@]}"
fi
[ ${#bad[@]} -eq 0 ] && [ ${#unlicensed[@]} -eq 0 ] || exit 1
echo "${#files[@]} files formatted"
