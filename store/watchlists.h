// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/clock.h"
#include "store/readresult.h"
#include "watch/schedule.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QStringList>

#include <optional>

// A list of names and lookups the user runs again and again, kept in the results database so the window and
// the command line (a timer's, a cron job's) share it.
struct WatchList
{
    QString name = {};
    QStringList domains = {};
    QStringList lookups = {}; // keys, in the order they were ticked
    WatchTimes times = {};
    QDateTime lastFinished = {};
    qint64 lastBatch = 0; // 0: never finished
};

// The lists in the database at `path`, on a connection of their own. Starting a run is a claim another
// program sees: of two that find a list due at once, one runs it; a run says it is alive every few minutes
// (beat), and one that has not for a quarter of an hour is taken for dead.
class WatchLists
{
public:
    // `clock` stamps when a list is made; a claim, a beat and a run's end are stamped with the time passed.
    explicit WatchLists(const QString& path, const Clock& clock = systemClock());
    // The table, made with the database's others.
    static bool create(class QSqlQuery& step);
    ~WatchLists();
    WatchLists(const WatchLists&) = delete;
    WatchLists& operator=(const WatchLists&) = delete;

    // Why the lists cannot be read or written; empty when they can.
    QString problem() const { return m_problem; }

    // A read that fails says why, never "no lists".
    ReadResult<QStringList> names();
    ReadResult<std::optional<WatchList>> find(const QString& name);
    // Replaces a list of the same name, keeping when it last ran. The name is saved without spaces around it.
    bool save(const WatchList& list);
    bool remove(const QString& name);

    enum class Claim { Started, NotDue, Running, Missing, Failed };
    // Marks the list as running from `now` when it is due (or `evenIfNotDue`) and no live run holds it. Times
    // found later than `now` are written back as `now`.
    Claim claim(const QString& name, const QDateTime& now, bool evenIfNotDue = false);
    bool beat(const QString& name, const QDateTime& now);
    // The run is over: `batch` holds its answers (0 when it saved none). Its claim is given back either way.
    bool finish(const QString& name, qint64 batch, const QDateTime& now);
    // A run given up before its end (the user started a batch of their own): the list is due again as it was
    // before, `lastStarted` being when the run before it began.
    bool abandon(const QString& name, const QDateTime& lastStarted);

private:
    bool failed(const class QSqlQuery& query);
    ReadError readError(const class QSqlQuery& query) const;
    std::optional<Claim> replaceTimes(const QString& name, const WatchTimes& read, const WatchTimes& times);

    const Clock& m_clock;
    QString m_connection;
    QString m_later; // the notice of a later program's database, which is only read
    QSqlDatabase m_db;
    QString m_problem;
};
