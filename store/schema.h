// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The results database as a file: its tables made or brought up to date, a damaged file told from one that
// cannot be used, and a damaged one moved aside.
#include <QString>

class QDateTime;
class QSqlDatabase;
class QSqlError;

// SQLITE_CORRUPT and SQLITE_NOTADB, extended codes included: the file is not what we wrote.
bool isDamage(const QSqlError& error);
// A driver's error in words, never empty.
QString describe(const QSqlError& error);

struct SchemaCheck
{
    bool writable = false; // the tables are in place and the file takes our writes
    bool readable = false; // history can be read (from a newer program's file too)
    bool damaged = false;
    bool later = false; // a later program's layout: read, never written
    QString failure; // why it cannot be written, in words for the user
};
// Opens `db` (the file at `path`) and makes it ready to save into.
SchemaCheck prepareSchema(QSqlDatabase& db, const QString& path);
// Why nothing may be written into the database at `path` (a later program's), in words for the user; empty when
// it may, or is not there yet. Read without writing, for what writes before a store is opened (a watch
// list's claim).
QString laterProgramsDatabase(const QString& path);

// Moves the damaged file at `path`, closed, out of the way with its journal, named after `now`; the new name, or
// empty when it cannot be moved.
QString moveDamagedAside(const QString& path, const QDateTime& now);
QString movedNotice(const QString& aside);
