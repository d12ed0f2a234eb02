// SPDX-License-Identifier: GPL-3.0-or-later
#include "watch/changes.h"

#include <QLocale>

using namespace Qt::Literals::StringLiterals;

namespace {

QString grouped(qint64 number)
{
    return QLocale(QLocale::English).toString(number);
}

QString deltaOf(qint64 before, qint64 now, Measure measure)
{
    if (measure == Measure::Rank) // a smaller number is a better rank: up
        return now < before ? u"排名 ↑ %1"_s.arg(grouped(before - now)) : u"排名 ↓ %1"_s.arg(grouped(now - before));
    return now > before ? u"↑ %1"_s.arg(grouped(now - before)) : u"↓ %1"_s.arg(grouped(before - now));
}

} // namespace

CellChange compareCell(
    const std::optional<LastAnswer>& last, const QString& now, const CellValue& value, bool failed, Measure measure)
{
    if (failed || now.trimmed().isEmpty())
        return {};
    if (!last)
        return {CellChange::Kind::New, {}};
    if (measure == Measure::Count || measure == Measure::Rank) {
        const std::optional<qint64> before = last->value.number();
        const std::optional<qint64> after = value.number();
        if (before && after)
            return *before == *after ? CellChange {}
                                     : CellChange {CellChange::Kind::Changed, deltaOf(*before, *after, measure)};
    } else if (measure == Measure::Date) {
        const std::optional<QDate> before = last->value.day();
        const std::optional<QDate> after = value.day();
        if (before && after)
            return *before == *after ? CellChange {} : CellChange {CellChange::Kind::Changed, {}};
    }
    return last->text.trimmed() == now.trimmed() ? CellChange {} : CellChange {CellChange::Kind::Changed, {}};
}

QString lastAnswerText(const LastAnswer& last)
{
    return u"上次（%1）：%2"_s.arg(last.date.toString(u"yyyy-MM-dd"_s), last.text);
}
