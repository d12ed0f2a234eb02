// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Bringing cells saved as text only (before values were kept) up to cells with values.
#include "queries/engine/value.h"

#include <QSqlDatabase>
#include <QString>

// The value an old cell's text stood for, read once by the rules its lookup wrote it with: counts grouped or
// plain (Baidu's "约12,300" too), ranks and "未上榜", dates with or without the days left beside them, "无",
// the registration verdicts; anything else stays a text.
CellValue valueOfSavedText(const QString& lookup, const QString& text);

// Adds the cells' value column and fills it from every real answer's text; a failed cell stays a text, as
// nothing reads a failure's value. False with the statement's error at the first that fails.
bool addCellValues(QSqlDatabase& db, QSqlError* error);
