#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# More names than one sheet holds, as --format xlsx: the Tranco lookup over a small installed list (answered
# at once, so the figure is the writing's), then the workbook read back sheet by sheet: every name must be
# there, once, in order, under its position. Given LOOKUPS, every name is one no lookup accepts (d1..test), so
# each of their cells is marked 无效域名 at once without asking anything: the figure of a workbook of marks.
# Usage: bench/workbook-figures.sh BUILD_DIR [NAMES [LOOKUPS]]
#   (NAMES 1048580 by default: Excel's sheet holds 1,048,575 rows; e.g. 200000 tranco,dns,home-title,reg-status)
set -euo pipefail
program=$(readlink -f "$1/seo-quillmark")
count=${2:-1048580}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$here/instant-lookup.sh"
instant_lookup "$work"
lookups=${3:-tranco}
dots=$([ -n "${3:-}" ] && echo .. || echo .)
seq "$count" | sed "s/^/d/; s/\$/${dots}test/" >"$work/domains.txt"
/usr/bin/time -q -f "%e s, peak resident %M KiB" -o "$work/time" \
    "$program" --batch "$work/domains.txt" --lookups "$lookups" --format xlsx --output "$work/out.xlsx" 2>/dev/null \
    && status=0 || status=$?
echo "$count names, $lookups, to --format xlsx: status $status, $(cat "$work/time"), workbook $(du -m "$work/out.xlsx" | cut -f1) MB"
python3 - "$work/out.xlsx" "$count" "$dots" <<'PY'
import re, sys, zipfile
from xml.etree.ElementTree import iterparse
book, count, dots = zipfile.ZipFile(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
names = re.findall(r'<sheet name="([^"]+)"', book.read("xl/workbook.xml").decode())
ns = "{http://schemas.openxmlformats.org/spreadsheetml/2006/main}"
expected, sheets = 1, []
for n in range(1, len(names) + 1):
    rows = header = 0
    if not names[n - 1].startswith("结果"):
        # The reasons of the marks past those kept as comments: counted, not checked here.
        marks = book.read(f"xl/worksheets/sheet{n}.xml").count(b"<row ") - 1
        sheets.append(f"{names[n - 1]}: {marks} reasons")
        continue
    with book.open(f"xl/worksheets/sheet{n}.xml") as sheet:
        for _, element in iterparse(sheet):
            if element.tag != ns + "row":
                continue
            cells = {c.get("r").rstrip("0123456789"): c for c in element}
            if element.get("r") == "1":
                header += 1
            else:
                position = cells["A"].findtext(ns + "v")
                name = "".join(cells["B"].itertext())
                if name != f"d{expected}{dots}test" or position != str(expected - 1):
                    sys.exit(f"sheet {names[n - 1]}: row {element.get('r')} holds {position} {name}, not d{expected}{dots}test")
                expected += 1
                rows += 1
            element.clear()
    frozen = b'state="frozen"' in book.read(f"xl/worksheets/sheet{n}.xml")[:4096]
    sheets.append(f"{names[n - 1]}: {rows} rows{' + header' if header else ''}{', frozen' if frozen else ''}")
print("; ".join(sheets))
print(f"comments: {sum(part.endswith('.xml') and part.startswith('xl/comments') and book.read(part).count(b'<comment ') for part in book.namelist())}")
print(f"every name read back, in order: {expected - 1 == count} ({expected - 1} of {count})")
PY
