// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The clipboard's labelled lines and the CSV file's bytes made from the grid.
#include <QByteArray>
#include <QList>
#include <QString>

class LookupTable;
class Results;
struct Lookup;

// One labelled line per queued domain that has a row, each ending CR LF. Cells go in unchanged.
QString exportText(const Results& results, int queueLength);
QString exportLines(const Results& results, const QList<int>& rows);

// The grid's `columns` for spreadsheet programs: UTF-8 with a byte-order mark, a header row of the column
// titles, fields quoted as RFC 4180 asks, rows ended CR LF. A cell a spreadsheet would take for a formula
// (starting =, +, -, @, a tab or a CR) gets a leading apostrophe.
QByteArray csvBytes(const Results& results, const QList<int>& columns);

// The same, a piece at a time: the header line, then one line per row (both without the byte-order mark).
QString csvHeader(const LookupTable& table, const QList<int>& columns);
QString csvRow(const Results& results, int row, const QList<int>& columns);
// Any fields as one such line.
QString csvLine(const QStringList& fields);

// One JSON object per row, on one line: the domain, each chosen lookup's text by its key, and a `problems`
// object with the failure reasons of the cells that have one.
QByteArray jsonLine(const Results& results, int row, const QList<const Lookup*>& chosen);
// JSON as Qt writes it, with DEL and the C1 controls (which Qt leaves as they are, and a terminal obeys: U+009B
// starts a control sequence) written as \u escapes, as JSON allows for any character.
QByteArray escapeJsonControls(const QByteArray& json);
