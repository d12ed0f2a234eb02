#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class Results;

// One labelled line per queued domain that has a row, each ending CR LF. Cells go in unchanged.
QString exportText(const Results& results, int queueLength);
QString exportLines(const Results& results, const QList<int>& rows);

// The grid's `columns` for spreadsheet programs: UTF-8 with a byte-order mark, a header row of the column
// titles, fields quoted as RFC 4180 asks, rows ended CR LF. A cell a spreadsheet would take for a formula
// (starting =, +, -, @, a tab or a CR) gets a leading apostrophe.
QByteArray csvBytes(const Results& results, const QList<int>& columns);
