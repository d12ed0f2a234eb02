// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the newer search engines' result pages say of a site: the count they show, 0 only where the page says
// it found nothing, and a marked failure for any page we cannot read, never a silent 0.
#include "queries/engine/lookup.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <optional>

// How one engine's result page says its count and says it found nothing.
struct CountPhrases
{
    QRegularExpression count; // its first capture is the number, as written ("1,230,000")
    QStringList none; // phrases of the page that found nothing
};

// The number the page shows; 0 where it says it found nothing; nothing where it says neither.
std::optional<QString> shownCount(const QString& page, const CountPhrases& phrases);
// The cell of a fetched result page: its count, a verification page marked as Baidu's are, or a page that
// says no count marked 无法识别.
CellResult searchCountCell(const PageResult& page, const CountPhrases& phrases);
