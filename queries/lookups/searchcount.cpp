// SPDX-License-Identifier: GPL-3.0-or-later
// The count of a search engine's result page, read by the phrases each engine uses.
#include "queries/lookups/searchcount.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

std::optional<QString> shownCount(const QString& page, const CountPhrases& phrases)
{
    // A pattern of several wordings captures the number in whichever matched.
    if (const QRegularExpressionMatch match = phrases.count.match(page); match.hasMatch()) {
        for (int group = 1; group <= match.lastCapturedIndex(); ++group) {
            if (!match.captured(group).isEmpty())
                return match.captured(group);
        }
    }
    for (const QString& none : phrases.none) {
        if (page.contains(none))
            return u"0"_s;
    }
    return std::nullopt;
}

CellResult searchCountCell(const PageResult& page, const CountPhrases& phrases)
{
    const std::optional<QString> count = shownCount(page.text, phrases);
    const QString unread = page.failure == FetchFailure::None ? QCoreApplication::translate("Cells", "无法识别")
                                                              : QCoreApplication::translate("Cells", "无法访问");
    CellResult cell = searchEngineCell(page, count.value_or(unread), count.has_value());
    if (!count && cell.problem.isEmpty()) {
        // Answered, but in words we do not know: a changed page, a notice. Never taken for 0.
        cell.problem = QCoreApplication::translate("Cells", "结果页里没有结果数，也没有说找不到");
    }
    if (!count)
        cell.value = {};
    return cell;
}
