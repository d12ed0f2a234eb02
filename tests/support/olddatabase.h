// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The results database as other programs leave it: statements run and rows read behind the program's back, and
// the tables as an earlier version of the program made them, for the tests of upgrades.
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QUuid>

#include <functional>

// Each statement run on the file at `path` with a connection of its own, waiting out a writer's commit; false
// at the first that fails.
inline bool sqlOn(const QString& path, const QStringList& statements)
{
    const QString name = QUuid::createUuid().toString();
    bool done = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        done = db.open();
        for (const QString& statement : statements)
            done = done && QSqlQuery(db).exec(statement);
    }
    QSqlDatabase::removeDatabase(name);
    return done;
}

// The first row `select` finds in the file at `path`, its columns joined by spaces; empty when there is none.
// Read-only: a file not there yet is not made.
inline QString firstRow(const QString& path, const QString& select)
{
    const QString name = QUuid::createUuid().toString();
    QStringList columns;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
        QSqlQuery query(db);
        if (db.open() && query.exec(select) && query.next()) {
            for (int i = 0; i < query.record().count(); ++i)
                columns.append(query.value(i).toString());
        }
    }
    QSqlDatabase::removeDatabase(name);
    return columns.join(u' ');
}

// The batches and the cells as `version` (0 to 4) had them, with the watch lists' column and the expiry days
// from version 4, and the version stamped.
inline bool createOldTables(QSqlQuery& step, int version)
{
    using namespace Qt::Literals::StringLiterals;
    return step.exec(u"CREATE TABLE batches (id INTEGER PRIMARY KEY, started TEXT NOT NULL, domains TEXT NOT NULL, "
                     u"lookups TEXT NOT NULL, finished INTEGER NOT NULL DEFAULT 0)"_s)
        && step.exec(u"CREATE TABLE cells (batch INTEGER NOT NULL, row INTEGER NOT NULL, domain TEXT NOT NULL, "
                     u"lookup TEXT NOT NULL, text TEXT NOT NULL, problem TEXT NOT NULL, at TEXT NOT NULL, "
                     u"PRIMARY KEY (batch, row, lookup))"_s)
        && (version < 4
            || (step.exec(u"ALTER TABLE batches ADD COLUMN watchlist TEXT"_s)
                && step.exec(u"CREATE TABLE expiries (domain TEXT NOT NULL, lookup TEXT NOT NULL, day TEXT NOT NULL, "
                             u"text TEXT NOT NULL, at TEXT NOT NULL, PRIMARY KEY (domain, lookup))"_s)))
        && step.exec(u"PRAGMA user_version = %1"_s.arg(version));
}

// A file at `path` as `version` left it, holding the rows `fill` inserts; false when a step failed.
inline bool makeOldDatabase(const QString& path, int version, const std::function<bool(QSqlQuery&)>& fill)
{
    using namespace Qt::Literals::StringLiterals;
    bool made = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"old database"_s);
        db.setDatabaseName(path);
        QSqlQuery step(db);
        made = db.open() && createOldTables(step, version) && fill(step);
    }
    QSqlDatabase::removeDatabase(u"old database"_s);
    return made;
}
