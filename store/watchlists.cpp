// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/watchlists.h"

#include "settings/clock.h"
#include "store/instants.h"
#include "store/jsonlist.h"
#include "store/schema.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

using namespace Qt::Literals::StringLiterals;

namespace {

// Times as UTC instants, as the cells' are: the window and a timer's command line may not share a time zone.
// No offset is kept beside them: they decide when a list is due, compared as instants, and no day of theirs is
// shown. A claim is taken only if the row still holds the very text read, so a time read back must write the
// same text again: read in UTC, it does.
QVariant stamp(const QDateTime& time)
{
    return time.isValid() ? QVariant(instantText(time)) : QVariant(QMetaType::fromType<QString>());
}

QDateTime instant(const QVariant& value)
{
    return value.isNull() ? QDateTime() : storedTime(value.toString(), 0);
}

constexpr int kBusyTimeoutMs = 5000;

} // namespace

bool WatchLists::create(QSqlQuery& step)
{
    return step.exec(u"CREATE TABLE IF NOT EXISTS watchlists (name TEXT PRIMARY KEY, domains TEXT NOT NULL, "
                     u"lookups TEXT NOT NULL, interval_hours INTEGER NOT NULL, created TEXT NOT NULL, "
                     u"last_started TEXT, running_since TEXT, heartbeat TEXT, last_finished TEXT, "
                     u"last_batch INTEGER NOT NULL DEFAULT 0)"_s);
}

WatchLists::WatchLists(const QString& path, const Clock& clock)
    : m_clock(clock)
    , m_connection(u"watch-"_s + QUuid::createUuid().toString(QUuid::Id128))
{
    m_db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_connection);
    m_db.setDatabaseName(path);
    // A later program's database is read, never written: not even a claim or a run's times go into it.
    m_later = laterProgramsDatabase(path);
    m_db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=%1"_s.arg(kBusyTimeoutMs)
        + (m_later.isEmpty() ? QString() : u";QSQLITE_OPEN_READONLY"_s));
    if (!m_db.open()) {
        m_problem = m_db.lastError().text();
        return;
    }
    QSqlQuery check(m_db);
    if (!check.exec(u"SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'watchlists'"_s)
        || !check.next())
        failed(check);
    else if (check.value(0).toInt() == 0)
        m_problem = QCoreApplication::translate("Store", "结果数据库里没有监控列表（数据库不可写，或由旧版本建立）");
}

WatchLists::~WatchLists()
{
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

ReadError WatchLists::readError(const QSqlQuery& query) const
{
    // A read that failed once (a lock held too long) leaves the lists usable for the next: only the reason is
    // kept, in the answer.
    QString reason = !m_problem.isEmpty() ? m_problem : query.lastError().text().trimmed();
    if (reason.isEmpty())
        reason = QCoreApplication::translate("Store", "未知错误");
    return ReadError {QCoreApplication::translate("Store", "监控列表读不出：%1").arg(reason)};
}

bool WatchLists::failed(const QSqlQuery& query)
{
    m_problem = m_later.isEmpty() ? query.lastError().text().trimmed() : m_later;
    if (m_problem.isEmpty())
        m_problem = QCoreApplication::translate("Store", "未知错误");
    return false;
}

ReadResult<QStringList> WatchLists::names()
{
    QStringList names;
    QSqlQuery query(m_db);
    if (!m_problem.isEmpty() || !query.exec(u"SELECT name FROM watchlists ORDER BY name"_s))
        return readError(query);
    while (query.next())
        names.append(query.value(0).toString());
    return names;
}

ReadResult<std::optional<WatchList>> WatchLists::find(const QString& name)
{
    QSqlQuery query(m_db);
    query.prepare(u"SELECT domains, lookups, interval_hours, last_started, running_since, heartbeat, "
                  u"last_finished, last_batch FROM watchlists WHERE name = ?"_s);
    query.addBindValue(name);
    if (!m_problem.isEmpty() || !query.exec())
        return readError(query);
    if (!query.next())
        return std::optional<WatchList>();
    WatchList list;
    list.name = name;
    list.domains = fromJson(query.value(0).toString());
    list.lookups = fromJson(query.value(1).toString());
    list.times = {instant(query.value(3)), query.value(2).toInt(), instant(query.value(4)), instant(query.value(5))};
    list.lastFinished = instant(query.value(6));
    list.lastBatch = query.value(7).toLongLong();
    return std::optional<WatchList>(std::move(list));
}

bool WatchLists::save(const WatchList& list)
{
    QSqlQuery query(m_db);
    query.prepare(u"INSERT INTO watchlists (name, domains, lookups, interval_hours, created) VALUES (?, ?, ?, ?, ?) "
                  u"ON CONFLICT (name) DO UPDATE SET domains = excluded.domains, lookups = excluded.lookups, "
                  u"interval_hours = excluded.interval_hours"_s);
    // Trimmed as --watch trims the name it is given, so the list can be run by the name the user sees.
    for (const QVariant& value : {QVariant(list.name.trimmed()), QVariant(toJson(list.domains)),
             QVariant(toJson(list.lookups)), QVariant(list.times.intervalHours), stamp(m_clock.now())})
        query.addBindValue(value);
    return m_problem.isEmpty() && (query.exec() || failed(query));
}

bool WatchLists::remove(const QString& name)
{
    QSqlQuery query(m_db);
    query.prepare(u"DELETE FROM watchlists WHERE name = ?"_s);
    query.addBindValue(name);
    return m_problem.isEmpty() && (query.exec() || failed(query));
}

WatchLists::Claim WatchLists::claim(const QString& name, const QDateTime& now, bool evenIfNotDue)
{
    const ReadResult<std::optional<WatchList>> found = find(name);
    if (!found.ok())
        return Claim::Failed;
    const std::optional<WatchList> list = found.value();
    if (!list)
        return Claim::Missing;
    // Times from the future are written back as now: read as now each time instead, a dead run's last beat
    // would hold the list until the clock caught up with it.
    const WatchTimes times = asOf(list->times, now);
    if (times.lastStarted != list->times.lastStarted || times.runningSince != list->times.runningSince
        || times.heartbeat != list->times.heartbeat) {
        if (const std::optional<Claim> lost = replaceTimes(name, list->times, times))
            return *lost;
    }
    WatchTimes due = times;
    if (evenIfNotDue)
        due.lastStarted = QDateTime();
    if (!shouldStart(due, now)) {
        // Not due, or held: with no last start it would be due, so only a live run can hold it.
        WatchTimes idle = times;
        idle.lastStarted = QDateTime();
        return shouldStart(idle, now) ? Claim::NotDue : Claim::Running;
    }
    const std::optional<Claim> lost = replaceTimes(name, times, {now, times.intervalHours, now, now});
    return lost.value_or(Claim::Started);
}

// Taken only if the row is still as read: another program that claimed it meanwhile changed it. Nothing when
// the times are replaced, else what the claim comes to.
std::optional<WatchLists::Claim> WatchLists::replaceTimes(
    const QString& name, const WatchTimes& read, const WatchTimes& times)
{
    QSqlQuery query(m_db);
    query.prepare(u"UPDATE watchlists SET last_started = ?, running_since = ?, heartbeat = ? WHERE name = ? AND "
                  u"last_started IS ? AND running_since IS ? AND heartbeat IS ?"_s);
    for (const QVariant& value : {stamp(times.lastStarted), stamp(times.runningSince), stamp(times.heartbeat),
             QVariant(name), stamp(read.lastStarted), stamp(read.runningSince), stamp(read.heartbeat)})
        query.addBindValue(value);
    if (!query.exec()) {
        failed(query);
        return Claim::Failed;
    }
    return query.numRowsAffected() == 1 ? std::nullopt : std::optional<Claim>(Claim::Running);
}

bool WatchLists::beat(const QString& name, const QDateTime& now)
{
    QSqlQuery query(m_db);
    query.prepare(u"UPDATE watchlists SET heartbeat = ? WHERE name = ? AND running_since IS NOT NULL"_s);
    query.addBindValue(stamp(now));
    query.addBindValue(name);
    return query.exec() || failed(query);
}

bool WatchLists::abandon(const QString& name, const QDateTime& lastStarted)
{
    QSqlQuery query(m_db);
    query.prepare(u"UPDATE watchlists SET running_since = NULL, heartbeat = NULL, last_started = ? WHERE name = ?"_s);
    query.addBindValue(stamp(lastStarted));
    query.addBindValue(name);
    return query.exec() || failed(query);
}

bool WatchLists::finish(const QString& name, qint64 batch, const QDateTime& now)
{
    QSqlQuery query(m_db);
    query.prepare(u"UPDATE watchlists SET running_since = NULL, heartbeat = NULL, last_finished = ?, "
                  u"last_batch = CASE WHEN ? > 0 THEN ? ELSE last_batch END WHERE name = ?"_s);
    for (const QVariant& value : {stamp(now), QVariant(batch), QVariant(batch), QVariant(name)})
        query.addBindValue(value);
    return query.exec() || failed(query);
}
