// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/schema.h"

#include "store/expiries.h"
#include "store/upgradetimes.h"
#include "store/upgradevalues.h"
#include "store/watchlists.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeZone>
#include <QUuid>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

// The layout this program writes, stamped in PRAGMA user_version. Files from before the stamp (0) hold
// the same tables; version 2 named the registration lookups reg-* instead of rdap-*; version 3 keeps a
// batch's names in rows of their own (earlier batches keep theirs as one JSON list); version 4 adds the watch
// lists, the latest expiry day of every domain, and which batches were a watch list's runs; version 5 writes
// every time as an instant in UTC with the offset it was saved at (store/instants.h), where earlier versions
// wrote the cells' and batches' times in local time with no offset: those are read once in the zone of the
// computer that opens the file (store/upgradetimes.h); and it keeps each cell's value beside its text
// (kind:number:flags:days, empty for a text; store/upgradevalues.cpp fills it once from the texts of older
// files); version 6 says which language a batch's texts were made in (earlier batches were all made in Chinese),
// so a text is never told as changed only because the user switched languages. A file from a later program is
// read, never written.
constexpr int kSchemaVersion = 6;

SchemaCheck failedWith(const QSqlError& error, const QString& path)
{
    SchemaCheck check;
    check.damaged = isDamage(error);
    if (!check.damaged) {
        check.failure = (error.nativeErrorCode() == u"5"_s
                ? QCoreApplication::translate("Store", "结果数据库 %1 正被另一个程序占用（%2）；本次运行不保存结果。")
                : QCoreApplication::translate("Store", "无法写入结果数据库 %1（%2）；本次运行不保存结果。"))
                            .arg(path, describe(error));
    }
    return check;
}

// Reading the schema and the last row of each table shows a damaged file now, not at the first cell. The
// file's version, or nothing with the error that stopped the reading.
std::optional<int> readVersion(QSqlDatabase& db, QSqlError* error)
{
    QSqlQuery step(db);
    if (!step.exec(u"SELECT count(*) FROM sqlite_master"_s) || !step.exec(u"PRAGMA user_version"_s) || !step.next()) {
        *error = step.lastError();
        return std::nullopt;
    }
    const int version = step.value(0).toInt();
    step.finish();
    for (const QString& table : {u"batches"_s, u"cells"_s}) {
        if (!step.exec(u"SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = '%1'"_s.arg(table))
            || !step.next()) {
            *error = step.lastError();
            return std::nullopt;
        }
        const bool exists = step.value(0).toInt() > 0;
        step.finish();
        if ((exists && !step.exec(u"SELECT * FROM %1 ORDER BY rowid DESC LIMIT 1"_s.arg(table)))
            || (exists && !step.next() && step.lastError().isValid())) {
            *error = step.lastError();
            return std::nullopt;
        }
        step.finish();
    }
    return version;
}

// The tables made, an older layout brought up to date, the version stamped. The last statement takes the
// write lock and gives it back: a database another program holds, or one we may not write, shows here and
// not at the first cell.
bool makeTables(QSqlDatabase& db, int version, QSqlError* error)
{
    QSqlQuery step(db);
    const bool ready = step.exec(u"PRAGMA journal_mode=WAL"_s) && step.exec(u"PRAGMA synchronous=NORMAL"_s)
        && step.exec(u"CREATE TABLE IF NOT EXISTS batches (id INTEGER PRIMARY KEY, started TEXT NOT NULL, "
                     u"domains TEXT NOT NULL, lookups TEXT NOT NULL, finished INTEGER NOT NULL DEFAULT 0)"_s)
        && step.exec(u"CREATE TABLE IF NOT EXISTS cells (batch INTEGER NOT NULL, row INTEGER NOT NULL, domain TEXT "
                     u"NOT NULL, lookup TEXT NOT NULL, text TEXT NOT NULL, problem TEXT NOT NULL, at TEXT NOT NULL, "
                     u"value TEXT NOT NULL DEFAULT '', PRIMARY KEY (batch, row, lookup))"_s)
        && step.exec(u"CREATE INDEX IF NOT EXISTS answers ON cells (domain, lookup, batch)"_s)
        && step.exec(u"CREATE TABLE IF NOT EXISTS names (batch INTEGER NOT NULL, row INTEGER NOT NULL, "
                     u"domain TEXT NOT NULL, PRIMARY KEY (batch, row))"_s)
        && (version >= 2
            || (step.exec(u"UPDATE cells SET lookup = 'reg-' || substr(lookup, 6) WHERE lookup LIKE 'rdap-%'"_s)
                && step.exec(u"UPDATE batches SET lookups = replace(lookups, '\"rdap-', '\"reg-')"_s)))
        && WatchLists::create(step) && expiries::create(step) && (version >= 5 || addCellValues(db, error))
        && (version >= 4
            || (step.exec(u"BEGIN IMMEDIATE"_s) && step.exec(u"ALTER TABLE batches ADD COLUMN watchlist TEXT"_s)
                && expiries::fill(db) && step.exec(u"COMMIT"_s)))
        && (version >= 5
            || (step.exec(u"BEGIN IMMEDIATE"_s) && upgradeTimes(step, QTimeZone::systemTimeZone())
                && step.exec(u"COMMIT"_s)))
        && (version >= 6 || step.exec(u"ALTER TABLE batches ADD COLUMN language TEXT NOT NULL DEFAULT 'zh'"_s))
        && step.exec(u"PRAGMA user_version = %1"_s.arg(kSchemaVersion)) && step.exec(u"BEGIN IMMEDIATE"_s)
        && step.exec(u"ROLLBACK"_s);
    if (!ready)
        *error = step.lastError();
    return ready;
}

QString laterNotice(const QString& path)
{
    return QCoreApplication::translate(
        "Store", "结果数据库 %1 由更新版本的程序建立，本版本不能保存到其中；本次运行不保存结果，只能查看历史。")
        .arg(path);
}

} // namespace

bool isDamage(const QSqlError& error)
{
    const int code = error.nativeErrorCode().toInt() & 0xff;
    return code == 11 || code == 26;
}

QString describe(const QSqlError& error)
{
    return error.text().trimmed().isEmpty() ? QCoreApplication::translate("Store", "未知错误") : error.text().trimmed();
}

SchemaCheck prepareSchema(QSqlDatabase& db, const QString& path)
{
    if (!db.open())
        return failedWith(db.lastError(), path);
    QSqlError error;
    const std::optional<int> version = readVersion(db, &error);
    if (!version)
        return failedWith(error, path);
    if (*version > kSchemaVersion) {
        SchemaCheck check;
        check.readable = check.later = true;
        check.failure = laterNotice(path);
        return check;
    }
    if (!makeTables(db, *version, &error))
        return failedWith(error, path);
    return {true, true, false, false, {}};
}

QString moveDamagedAside(const QString& path, const QDateTime& now)
{
    // Kept aside, never overwritten: what it held may still be read by other means.
    const QString aside = path + u".corrupt-"_s + now.toString(u"yyyyMMdd-HHmmss"_s);
    if (!QFile::rename(path, aside))
        return {};
    // The journal belongs to the damaged file; next to a new one it would be replayed into it.
    for (const QString& suffix : {u"-wal"_s, u"-shm"_s})
        QFile::rename(path + suffix, aside + suffix);
    return aside;
}

QString movedNotice(const QString& aside)
{
    return QCoreApplication::translate("Store", "结果数据库已损坏，已移到 %1；从现在起使用新的数据库。").arg(aside);
}

QString laterProgramsDatabase(const QString& path)
{
    if (!QFile::exists(path))
        return {};
    const QString connection = u"version-"_s + QUuid::createUuid().toString(QUuid::Id128);
    int version = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, connection);
        db.setDatabaseName(path);
        db.setConnectOptions(u"QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"_s);
        QSqlQuery query(db);
        if (db.open() && query.exec(u"PRAGMA user_version"_s) && query.next())
            version = query.value(0).toInt();
    }
    QSqlDatabase::removeDatabase(connection);
    return version > kSchemaVersion ? laterNotice(path) : QString();
}
