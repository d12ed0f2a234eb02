// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "queries/engine/value.h"
#include "settings/language.h"

#include <QDate>
#include <QString>

#include <optional>

// The last real answer the same domain's lookup gave before this batch.
struct LastAnswer
{
    QString text;
    QDate date;
    CellValue value = {};
    Language language = Language::Chinese; // of the batch that saved it: its text is in these words
};

// A cell against its lookup's last real answer.
struct CellChange
{
    enum class Kind { None, New, Changed };
    Kind kind = Kind::None;
    QString delta; // "↑ 12,300", "↓ 5", "排名 ↑ 2"; empty for a text, or where a side is no number
};

// In a count or rank column numbers compare as numbers ("1,230,000" is "1230000"), in a date column dates as
// dates (the days left beside them change every day), anything else by its text; "未上榜" against a rank and
// "无" against a value are changes. A cell whose request failed today is never a change (its mark says why; the
// last answer stands beside it), and a first answer is new. `language` is the one `now` is made in: texts the
// program made in two languages differ in words, not in fact, so only their values are compared.
CellChange compareCell(const std::optional<LastAnswer>& last, const QString& now, const CellValue& value, bool failed,
    Measure measure, Language language = Language::Chinese);
// "上次（2026-12-01）：1,230,000"
QString lastAnswerText(const LastAnswer& last);
