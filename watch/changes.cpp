// SPDX-License-Identifier: GPL-3.0-or-later
#include "watch/changes.h"

#include <QCoreApplication>
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
        return now < before ? QCoreApplication::translate("Watch", "排名 ↑ %1").arg(grouped(before - now))
                            : QCoreApplication::translate("Watch", "排名 ↓ %1").arg(grouped(now - before));
    return now > before ? u"↑ %1"_s.arg(grouped(now - before)) : u"↓ %1"_s.arg(grouped(before - now));
}

// What a word (无, 未上榜, a verdict) says, apart from its words: a cell keeps the words of the language of the
// run that saved it. Nothing for any other value.
std::optional<int> wordOf(const CellValue& value)
{
    if (value.kind() == CellValue::Kind::Nothing)
        return -1;
    if (value.kind() == CellValue::Kind::Rank && !value.number())
        return -2;
    if (value.kind() == CellValue::Kind::Verdict)
        return int(value.verdict());
    return std::nullopt;
}

} // namespace

CellChange compareCell(const std::optional<LastAnswer>& last, const QString& now, const CellValue& value, bool failed,
    Measure measure, Language language)
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
    const std::optional<int> before = wordOf(last->value);
    const std::optional<int> after = wordOf(value);
    if (before && after)
        return *before == *after ? CellChange {} : CellChange {CellChange::Kind::Changed, {}};
    // 允许 against "Allowed", 未备案 against its English: texts in two languages cannot say whether the answer
    // moved, and a user who switches languages must not see every such cell changed.
    if (last->language != language)
        return {};
    return last->text.trimmed() == now.trimmed() ? CellChange {} : CellChange {CellChange::Kind::Changed, {}};
}

QString lastAnswerText(const LastAnswer& last)
{
    return QCoreApplication::translate("Watch", "上次（%1）：%2").arg(last.date.toString(u"yyyy-MM-dd"_s), last.text);
}
