#pragma once

#include <QString>

class ResultsGrid;

#include <QByteArray>
#include <QList>

// One labelled line per queued domain that has a grid row, each ending CR LF. Cells go in unchanged.
QString exportText(const ResultsGrid& grid, int queueCount);
QString exportLines(const ResultsGrid& grid, const QList<int>& rows);

// The whole grid for spreadsheet programs: UTF-8 with a byte-order mark, a header row of the column titles,
// fields quoted as RFC 4180 asks, rows ended CR LF.
QByteArray csvBytes(const ResultsGrid& grid);
