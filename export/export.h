#pragma once

#include <QString>

class ResultsGrid;

// One labelled line per queued domain that has a grid row, each ending CR LF. Cells go in unchanged.
QString exportText(const ResultsGrid& grid, int queueCount);
