// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How each lookup's column is shown: its width in the grid and in workbooks, and its field in the clipboard's
// labelled lines. A column not listed takes a default width and has no label, so a new lookup needs nothing
// here.
#include <QString>

class LookupTable;
struct Lookup;

int columnWidth(const LookupTable& table, int column); // pixels
// Only the designed columns are in the labelled lines; empty for every other.
QString exportLabel(const Lookup& lookup);
