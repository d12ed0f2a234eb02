#include "watch/changes.h"

#include <QLocale>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace {

QString grouped(qint64 number)
{
    return QLocale(QLocale::English).toString(number);
}

// The date a cell starts with: "2027-03-01" of "2027-03-01（剩 84 天）".
std::optional<QDate> leadingDate(const QString& cell)
{
    const QDate date = QDate::fromString(cell.left(10), u"yyyy-MM-dd"_s);
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

QString deltaOf(qint64 before, qint64 now, Measure measure)
{
    if (measure == Measure::Rank) // a smaller number is a better rank: up
        return now < before ? u"排名 ↑ %1"_s.arg(grouped(before - now)) : u"排名 ↓ %1"_s.arg(grouped(now - before));
    return now > before ? u"↑ %1"_s.arg(grouped(now - before)) : u"↓ %1"_s.arg(grouped(before - now));
}

} // namespace

std::optional<qint64> countOf(const QString& cell)
{
    // Baidu's older wording keeps "约" before its count.
    static const QRegularExpression count(u"^\\s*约?\\s*(\\d{1,3}(?:,\\d{3})+|\\d+)\\s*$"_s);
    const QRegularExpressionMatch match = count.match(cell);
    if (!match.hasMatch())
        return std::nullopt;
    bool ok = false;
    const qint64 number = match.captured(1).remove(u',').toLongLong(&ok);
    return ok ? std::optional<qint64>(number) : std::nullopt;
}

CellChange compareCell(const std::optional<LastAnswer>& last, const QString& now, bool failed, Measure measure)
{
    if (failed || now.trimmed().isEmpty())
        return {};
    if (!last)
        return {CellChange::Kind::New, {}};
    if (measure == Measure::Count || measure == Measure::Rank) {
        const std::optional<qint64> before = countOf(last->text);
        const std::optional<qint64> after = countOf(now);
        if (before && after)
            return *before == *after ? CellChange {}
                                     : CellChange {CellChange::Kind::Changed, deltaOf(*before, *after, measure)};
    } else if (measure == Measure::Date) {
        const std::optional<QDate> before = leadingDate(last->text);
        const std::optional<QDate> after = leadingDate(now);
        if (before && after)
            return *before == *after ? CellChange {} : CellChange {CellChange::Kind::Changed, {}};
    }
    return last->text.trimmed() == now.trimmed() ? CellChange {} : CellChange {CellChange::Kind::Changed, {}};
}

QString lastAnswerText(const LastAnswer& last)
{
    return u"上次（%1）：%2"_s.arg(last.date.toString(u"yyyy-MM-dd"_s), last.text);
}
