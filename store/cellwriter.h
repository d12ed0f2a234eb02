#pragma once

// The writing side of the results database, on a thread of its own. Cells queue up under a lock; the thread
// takes whatever has queued and commits it in one transaction, with each answer's place among the domain's
// expiry days, and tells which answers differ from the last real answer an earlier batch saved (before it
// says they are committed, so whoever waits for the commit knows the change too).
#include "store/expiries.h"
#include "watch/changes.h"

#include <QDate>
#include <QMutex>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QWaitCondition>
#include <atomic>
#include <optional>

class CellWriter : public QObject
{
    Q_OBJECT
public:
    struct Cell
    {
        qint64 batch;
        int row; // -1: the batch has ended; with no lookup, the row's name
        QString domain;
        QString lookup;
        QString text;
        QString problem;
        QString at;
        Measure measure = Measure::Text;
        CellValue value = {};
    };

    explicit CellWriter(const QString& path);
    ~CellWriter() override;

    // On the writer's thread, before anything is queued: empty, or why the database cannot be written.
    QString open();

    // From the window's thread.
    void enqueue(Cell cell);
    qint64 behind() const { return m_enqueued - m_committed; }
    qint64 enqueued() const { return m_enqueued; }
    qint64 committedCount() const { return m_committed; }
    bool hasStopped() const { return m_stopped; }
    // Waits until what was queued before the call is committed, saving stops, or time runs out.
    bool waitCommitted(int timeoutMs);

    // On the writer's thread: commits whatever has queued.
    void write();

signals:
    // So many cells are committed in all; after the changes among them were told.
    void committed(qint64 count);
    void failed(const QString& failure, bool damaged);
    // The last real answer before this batch, for a cell that changed from it or failed today.
    void earlierFound(qint64 batch, int row, const QString& lookup, const QString& domain, const QString& saved,
        const QString& text, const QDate& date, bool changed, const CellValue& value);

private:
    bool commit(const QList<Cell>& cells, QSqlError* error);
    struct Found
    {
        const Cell* cell;
        QString text;
        QDate date;
        bool changed;
        CellValue value;
    };
    std::optional<Found> lastAnswer(const Cell& cell);

    const QString m_path;
    const QString m_connection;
    QSqlDatabase m_db;
    std::optional<QSqlQuery> m_insert;
    std::optional<QSqlQuery> m_insertName;
    std::optional<QSqlQuery> m_earlier;
    ExpiryRecorder m_expiries;
    QList<Found> m_found; // of the transaction under way
    QMutex m_mutex;
    QWaitCondition m_progress;
    QList<Cell> m_pending;
    bool m_scheduled = false;
    std::atomic<qint64> m_enqueued = 0;
    std::atomic<qint64> m_committed = 0;
    std::atomic<bool> m_stopped = false;
};
