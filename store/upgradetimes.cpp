// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/upgradetimes.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QTimeZone>
#include <QVariant>

using namespace Qt::Literals::StringLiterals;

namespace {

// The offset `zone` had when its clocks showed `day` at `time`. That reading happened at itself less the
// offset of the moment; in the hour the clocks go back it happened twice, and the first is taken (a batch that
// ran through it cannot be told apart any better). In the hour they skip it never happened, and it is read with
// the offset from before the change, as the clock that wrote it still showed.
int offsetOfReading(const QDate& day, const QTime& time, const QTimeZone& zone)
{
    const QDateTime reading(day, time, Qt::UTC);
    const int before = zone.offsetFromUtc(reading.addDays(-1));
    const int after = zone.offsetFromUtc(reading.addDays(1));
    for (const int offset : {qMax(before, after), qMin(before, after)}) {
        if (zone.offsetFromUtc(reading.addSecs(-offset)) == offset)
            return offset;
    }
    return before;
}

// The hours the old times fall in, each with its offset, in a table the updates look up, and SQLite then
// rewrites the rows itself: a million cells fall in a few thousand hours. The offset is reckoned once an hour,
// and a minute at a time only in an hour the clocks change within (a zone that changes at the half hour).
bool tabulateOffsets(QSqlQuery& step, const QTimeZone& zone)
{
    if (!step.exec(u"CREATE TEMP TABLE local_hours (hour TEXT PRIMARY KEY, offset INTEGER NOT NULL)"_s)
        || !step.exec(u"CREATE TEMP TABLE local_minutes (minute TEXT PRIMARY KEY, offset INTEGER NOT NULL)"_s)
        || !step.exec(u"SELECT substr(at, 1, 13) FROM cells UNION SELECT substr(started, 1, 13) FROM batches "
                      u"UNION SELECT substr(at, 1, 13) FROM expiries"_s))
        return false;
    QList<std::pair<QString, int>> hours;
    QList<std::pair<QString, int>> minutes;
    while (step.next()) {
        const QString hour = step.value(0).toString();
        // Day and hour apart: read as one local time, a reading from the hour the clocks skip is no time at all.
        const QDate day = QDate::fromString(hour.left(10), Qt::ISODate);
        const QTime time = QTime::fromString(hour.mid(11), u"HH"_s);
        if (hour.size() != 13 || hour.at(10) != u'T' || !day.isValid() || !time.isValid())
            continue;
        const int first = offsetOfReading(day, time, zone);
        if (first == offsetOfReading(day, time.addSecs(59 * 60), zone)) {
            hours.append({hour, first});
            continue;
        }
        for (int minute = 0; minute < 60; ++minute) {
            minutes.append({hour + u':' + QString::number(minute).rightJustified(2, u'0'),
                offsetOfReading(day, time.addSecs(minute * 60), zone)});
        }
    }
    step.finish();
    for (const auto& [table, rows] : {std::pair {u"local_hours"_s, &hours}, std::pair {u"local_minutes"_s, &minutes}}) {
        if (!step.prepare(u"INSERT INTO %1 VALUES (?, ?)"_s.arg(table)))
            return false;
        for (const auto& [key, offset] : std::as_const(*rows)) {
            step.addBindValue(key);
            step.addBindValue(offset);
            if (!step.exec())
                return false;
        }
    }
    return true;
}

// The statements rewriting one column of times: its offset, when the table keeps one, then the instant. A text
// that is no time stays as it was.
QStringList rewrite(const QString& table, const QString& column, const QString& offsetColumn)
{
    const QString offset = u"coalesce((SELECT offset FROM local_minutes WHERE minute = substr(%1, 1, 16)), "
                           u"(SELECT offset FROM local_hours WHERE hour = substr(%1, 1, 13)))"_s.arg(column);
    const QString instant
        = u"UPDATE %1 SET %2 = coalesce(strftime('%Y-%m-%dT%H:%M:%fZ', %2, -coalesce(%3, 0) || ' seconds'), %2)"_s;
    if (offsetColumn.isEmpty())
        return {instant.arg(table, column, offset)};
    return {u"UPDATE %1 SET %2 = coalesce(%3, 0)"_s.arg(table, offsetColumn, offset),
        instant.arg(table, column, offsetColumn)};
}

} // namespace

bool upgradeTimes(QSqlQuery& step, const QTimeZone& zone)
{
    if (!step.exec(u"ALTER TABLE cells ADD COLUMN at_offset INTEGER NOT NULL DEFAULT 0"_s)
        || !step.exec(u"ALTER TABLE batches ADD COLUMN started_offset INTEGER NOT NULL DEFAULT 0"_s)
        || !tabulateOffsets(step, zone))
        return false;
    const QStringList statements = rewrite(u"cells"_s, u"at"_s, u"at_offset"_s)
        + rewrite(u"batches"_s, u"started"_s, u"started_offset"_s) + rewrite(u"expiries"_s, u"at"_s, {});
    for (const QString& statement : statements) {
        if (!step.exec(statement))
            return false;
    }
    return step.exec(u"DROP TABLE local_hours"_s) && step.exec(u"DROP TABLE local_minutes"_s);
}
