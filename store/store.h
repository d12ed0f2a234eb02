// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QObject>
#include <QSqlDatabase>
#include <QStringList>
#include <QThread>
#include <optional>

#include "queries/engine/walker.h"
#include "settings/clock.h"
#include "settings/language.h"
#include "store/expiries.h"
#include "store/readresult.h"

class CellWriter;
class Clock;
struct CellResult;
struct Lookup;

// Every cell a walker writes, saved the moment it is written, in an SQLite database: the batches (when they
// began, their domains, the lookups chosen) and per domain and lookup the text, the failure reason and the
// time. The cells go to a writer thread with a connection of its own, which commits whatever has queued as
// soon as it has it. The walker waits while the writer is more than a moment behind, so a crash loses only
// what was in flight and the last few milliseconds. WAL mode: a reader never waits for the writer.
//
// Saving never fails quietly: the first statement that fails stops saving and is told once through
// problem(); a damaged file is moved aside and a new database takes its place.
class ResultStore : public QObject
{
    Q_OBJECT
public:
    // $XDG_DATA_HOME/seo-quillmark/results.db
    static QString defaultPath();
    // The files of the database at `path`: itself, its write-ahead log and its shared memory.
    static QStringList files(const QString& path);
    // The walker waits while more cells than this are written but not committed: a few milliseconds of the
    // writer's work, so a kill loses next to nothing that was already on screen.
    static constexpr qint64 kMostUnsaved = 1000;
    // `clock` stamps the batches and cells saved.
    explicit ResultStore(
        const QString& path = defaultPath(), const Clock& clock = systemClock(), QObject* parent = nullptr);
    ~ResultStore() override;

    // False when the database could not be opened or written, or a save has failed since; the program then
    // runs without saving.
    bool isSaving() const { return m_saving; }
    // A save failed during this run (not merely a database that could not be used at start).
    bool hasFailed() const { return m_failed; }
    // The database is a later program's: history is read from it, nothing saved into it.
    bool isLaterProgramsDatabase() const { return m_later; }
    // What the user is told about the database at start; empty when all is well.
    QString notice() const { return m_notice; }

    // From now on, every batch the walker starts and every cell it writes is saved.
    void attach(Walker& walker);
    // Cells the walker writes from now on are not saved (an interrupted batch's unasked cells).
    void detach();
    // Blocks until every cell written so far is committed, saving stops, or `timeoutMs` has passed.
    void drain(int timeoutMs);
    // The same without blocking: drained() once every cell written so far is committed (its changes told) or
    // saving has stopped.
    void drainLater();
    // A point in the stream of cells saved so far; isCommitted() tells when all before it are on disk (or
    // will never be, saving having stopped).
    qint64 mark() const;
    bool isCommitted(qint64 mark) const;
    // Cells written but not yet committed: what a kill at this moment would lose beyond the requests in flight.
    qint64 unsaved() const;

    struct Batch
    {
        qint64 id = 0;
        QDateTime started; // at the offset it began at
        QStringList domains;
        QStringList lookups; // keys
    };
    // The last batch, when it neither ran to its end nor was stopped; its names only when asked for. Each read
    // below says why it failed rather than passing for nothing saved.
    ReadResult<std::optional<Batch>> unfinishedBatch(bool withNames = true);
    // Rebuilds the walker's rows from the batch's saved cells and runs the rest into the same batch; empty, or
    // why the saved cells could not be read (the walker then left as it was).
    QString resume(Walker& walker, const Batch& batch);
    // The same a piece at a time, for a list read as it comes: the saved names and cells of rows
    // [from, to), a stream that goes on under the batch's number, and rows joining it with what was saved.
    ReadResult<QStringList> savedNames(qint64 batch, int from, int count);
    ReadResult<QList<Walker::SavedCell>> savedCells(qint64 batch, int from, int to, const LookupTable& table);
    void continueStream(Walker& walker, const Batch& batch);
    void appendSaved(Walker& walker, const DomainFile& part, const QList<Walker::SavedCell>& saved);

    struct Answer
    {
        QDateTime at; // at the offset it was saved at: its date is the day the user saw it answered
        QString lookup; // key
        QString text;
        QString problem;
        qint64 batch = 0;
        CellValue value = {};
    };
    // Every saved answer for a domain, oldest first (by the instant, whatever zone each was saved in).
    ReadResult<QList<Answer>> history(const QString& domain);

    // The batches begun from now on are runs of the watch list `name` (empty: the user's own).
    void setWatchList(const QString& name) { m_watchList = name; }
    // The language the walker's texts are made in from now on: saved with each batch begun, and the cells
    // compared with earlier answers knowing it.
    void setLanguage(Language language) { m_language = language; }
    // The clock the saves are stamped by, and "today" is reckoned by for what was saved.
    const Clock& clock() const { return m_clock; }
    // The batch being saved; 0 when none is.
    qint64 currentBatch() const { return m_saving ? m_batch : 0; }
    // The latest saved answer of every domain's 到期日 and 证书到期 whose day is from `firstDay` to `lastDay`.
    QList<expiries::Expiring> expiringBetween(const QDate& firstDay, const QDate& lastDay, QString* error = nullptr);

signals:
    // Something the user must know about saving, said once when it happens.
    void problem(const QString& message);
    // Cells written earlier are now committed.
    void committed();
    void drained();

private:
    void open();
    void startWriter();
    void stopWriter();
    QString moveAside();
    void saveCell(int row, int column);
    void saveName(int row, const QString& name);
    void save(int row, const Lookup& lookup, const CellResult& cell);
    void insertBatch();
    void onEarlierFound(qint64 batch, int row, const QString& lookup, const QString& domain, const QString& saved,
        const QString& text, const QDate& date, bool changed, const CellValue& value);
    void onWriterFailed(const QString& failure, bool damaged);
    void tellIfDrained();

    const QString m_path;
    const Clock& m_clock;
    QString m_connection;
    QSqlDatabase m_db;
    bool m_readable = false; // history can be read
    bool m_saving = false;
    bool m_failed = false;
    bool m_later = false;
    QString m_notice;
    Walker* m_walker = nullptr;
    QList<QMetaObject::Connection> m_attached;
    qint64 m_batch = 0;
    QString m_watchList;
    Language m_language = Language::Chinese;
    QStringList m_batchLookups;
    bool m_loading = false;
    bool m_continuing = false; // the next batch the walker starts is the resumed one
    QThread m_thread;
    CellWriter* m_writer = nullptr;
    qint64 m_earlierWriters = 0; // cells handed to writers that have been replaced
    qint64 m_seenCommitted = 0; // cells whose commit has been heard of on this thread
    qint64 m_drainMark = -1; // what drainLater() waits for; -1: nothing
};
