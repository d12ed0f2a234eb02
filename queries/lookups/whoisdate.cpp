// SPDX-License-Identifier: GPL-3.0-or-later
// The dates registries write, as the registry's calendar date.
#include "queries/lookups/whois.h"

#include <QDate>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace {

int monthNumber(const QString& name)
{
    // "Apr", "April", "Sept": a month's name or its start, three letters at least.
    const QString lower = name.toLower();
    static const QStringList full {u"january"_s, u"february"_s, u"march"_s, u"april"_s, u"may"_s, u"june"_s, u"july"_s,
        u"august"_s, u"september"_s, u"october"_s, u"november"_s, u"december"_s};
    for (int i = 0; i < 12; ++i) {
        if (lower.size() >= 3 && full.at(i).startsWith(lower))
            return i + 1;
    }
    return 0;
}

} // namespace

QString whoisDate(const QString& value, DateOrder order)
{
    static const QRegularExpression yearFirst(u"^(\\d{4})\\s*[-/.]\\s*(\\d{1,2})\\s*[-/.]\\s*(\\d{1,2})(?!\\d)"_s);
    static const QRegularExpression compact(u"^(\\d{4})(\\d{2})(\\d{2})(?!\\d)"_s);
    static const QRegularExpression chinese(u"^(\\d{4})\\s*年\\s*(\\d{1,2})\\s*月\\s*(\\d{1,2})\\s*日"_s);
    static const QRegularExpression yearLast(u"^(\\d{1,2})\\s*[-/.]\\s*(\\d{1,2})\\s*[-/.]\\s*(\\d{4})(?!\\d)"_s);
    // "06-Apr-2004", "21-March-2002", "7th April, 2018", "Friday 7th November 2003".
    static const QRegularExpression dayName(
        u"^(?:[A-Za-z]{3,9},?\\s+)?(\\d{1,2})(?:st|nd|rd|th)?[-/. ]+([A-Za-z]{3,9})\\.?[-/., ]+(\\d{4})(?!\\d)"_s);
    // "Connected (2010/09/30)": JPRS gives a name's paid-up date beside its state.
    static const QRegularExpression bracketed(u"\\((\\d{4})[-/.](\\d{1,2})[-/.](\\d{1,2})\\)"_s);
    static const QRegularExpression yearName(u"^(\\d{4})[-/. ]([A-Za-z]{3,9})[-/. ](\\d{1,2})(?!\\d)"_s);
    // "Tue Apr 06 2004", "April 6, 2004", date(1)'s "Tue Apr  6 00:00:00 CEST 2004".
    static const QRegularExpression nameFirst(
        u"^(?:[A-Za-z]{3,9},?\\s+)?([A-Za-z]{3,9})\\.?\\s+(\\d{1,2})(?:st|nd|rd|th)?,?\\s+"
        u"(?:\\d{1,2}:\\d{2}(?::\\d{2})?\\s+(?:[A-Za-z]{2,5}\\s+)?)?(\\d{4})(?!\\d)"_s);
    QString text = value.trimmed();
    if (text.startsWith(u'"') || text.startsWith(u'\''))
        text = text.mid(1);
    int year = 0;
    int month = 0;
    int day = 0;
    if (auto m = yearFirst.match(text); m.hasMatch()) {
        year = m.captured(1).toInt(), month = m.captured(2).toInt(), day = m.captured(3).toInt();
    } else if (auto m = chinese.match(text); m.hasMatch()) {
        year = m.captured(1).toInt(), month = m.captured(2).toInt(), day = m.captured(3).toInt();
    } else if (auto m = compact.match(text); m.hasMatch()) {
        year = m.captured(1).toInt(), month = m.captured(2).toInt(), day = m.captured(3).toInt();
    } else if (auto m = yearLast.match(text); m.hasMatch()) {
        const int first = m.captured(1).toInt();
        const int second = m.captured(2).toInt();
        year = m.captured(3).toInt();
        // The registry's order where it is known; else only what the numbers themselves decide.
        if (order == DateOrder::DayMonth || (order == DateOrder::Unknown && (first > 12 || first == second)))
            day = first, month = second;
        else if (order == DateOrder::MonthDay || (order == DateOrder::Unknown && second > 12))
            month = first, day = second;
        else
            return {};
    } else if (auto m = dayName.match(text); m.hasMatch()) {
        day = m.captured(1).toInt(), month = monthNumber(m.captured(2)), year = m.captured(3).toInt();
    } else if (auto m = yearName.match(text); m.hasMatch()) {
        year = m.captured(1).toInt(), month = monthNumber(m.captured(2)), day = m.captured(3).toInt();
    } else if (auto m = nameFirst.match(text); m.hasMatch()) {
        month = monthNumber(m.captured(1)), day = m.captured(2).toInt(), year = m.captured(3).toInt();
    } else if (auto m = bracketed.match(text); m.hasMatch()) {
        year = m.captured(1).toInt(), month = m.captured(2).toInt(), day = m.captured(3).toInt();
    }
    const QDate date(year, month, day);
    return date.isValid() && year >= 1985 ? date.toString(u"yyyy-MM-dd"_s) : QString();
}
