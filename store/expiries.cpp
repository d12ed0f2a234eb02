// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/expiries.h"

#include "queries/engine/keys.h"

#include <QSqlError>

using namespace Qt::Literals::StringLiterals;

namespace expiries {

bool isKept(const QString& lookupKey)
{
    return lookupKey == Key::RegExpiry || lookupKey == Key::TlsExpiry;
}

bool create(QSqlQuery& step)
{
    return step.exec(u"CREATE TABLE IF NOT EXISTS expiries (domain TEXT NOT NULL, lookup TEXT NOT NULL, "
                     u"day TEXT NOT NULL, text TEXT NOT NULL, at TEXT NOT NULL, PRIMARY KEY (domain, lookup))"_s)
        && step.exec(u"CREATE INDEX IF NOT EXISTS expiries_by_day ON expiries (day, domain, lookup)"_s);
}

bool fill(const QSqlDatabase& db)
{
    // The latest real answer per domain and lookup; SQLite takes the other columns from the row max() chose.
    QSqlQuery latest(db);
    latest.setForwardOnly(true);
    if (!latest.exec(
            u"SELECT domain, lookup, text, max(at), value FROM cells WHERE lookup IN ('%1', '%2') AND problem = '' "
            u"GROUP BY domain, lookup"_s.arg(Key::RegExpiry, Key::TlsExpiry)))
        return false;
    ExpiryRecorder recorder;
    if (!recorder.prepare(db))
        return false;
    while (latest.next()) {
        if (!recorder.record(latest.value(0).toString(), latest.value(1).toString(),
                CellValue::fromStored(latest.value(4).toString()), latest.value(2).toString(),
                latest.value(3).toString()))
            return false;
    }
    return !latest.lastError().isValid();
}

QList<Expiring> dueBetween(const QSqlDatabase& db, const QDate& firstDay, const QDate& lastDay, QString* error)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(u"SELECT domain, lookup, day FROM expiries WHERE day BETWEEN ? AND ? ORDER BY day, domain, lookup"_s);
    query.addBindValue(firstDay.toString(Qt::ISODate));
    query.addBindValue(lastDay.toString(Qt::ISODate));
    QList<Expiring> due;
    if (!query.exec()) {
        if (error)
            *error = query.lastError().text();
        return due;
    }
    while (query.next()) {
        due.append({query.value(0).toString(), query.value(1).toString(),
            QDate::fromString(query.value(2).toString(), Qt::ISODate)});
    }
    return due;
}

} // namespace expiries

bool ExpiryRecorder::prepare(const QSqlDatabase& db)
{
    m_upsert.emplace(db);
    m_remove.emplace(db);
    if (!m_upsert->prepare(u"INSERT INTO expiries (domain, lookup, day, text, at) VALUES (?, ?, ?, ?, ?) "
                           u"ON CONFLICT (domain, lookup) DO UPDATE SET day = excluded.day, text = excluded.text, "
                           u"at = excluded.at WHERE excluded.at >= expiries.at"_s)) {
        m_error = m_upsert->lastError().text();
        return false;
    }
    if (!m_remove->prepare(u"DELETE FROM expiries WHERE domain = ? AND lookup = ? AND at <= ?"_s)) {
        m_error = m_remove->lastError().text();
        return false;
    }
    return true;
}

bool ExpiryRecorder::record(
    const QString& domain, const QString& lookup, const CellValue& value, const QString& text, const QString& at)
{
    const std::optional<QDate> day = value.day();
    QSqlQuery& query = day ? *m_upsert : *m_remove;
    query.addBindValue(domain);
    query.addBindValue(lookup);
    if (day) {
        query.addBindValue(day->toString(Qt::ISODate));
        query.addBindValue(text);
    }
    query.addBindValue(at);
    const bool ok = query.exec();
    if (!ok)
        m_error = query.lastError().text();
    query.finish();
    return ok;
}

void ExpiryRecorder::reset()
{
    m_upsert.reset();
    m_remove.reset();
}
