// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The writing side of the results database, on a thread of its own. Cells queue up under a lock; the thread
// takes whatever has queued and commits it in one transaction, with each answer's place among the domain's
// expiry days, and tells which answers differ from the last real answer an earlier batch saved (before it
// says they are committed, so whoever waits for the commit knows the change too).
#include "store/expiries.h"
#include "store/readresult.h"
#include "store/writegate.h"
#include "watch/changes.h"

#include <QDate>
#include <QDateTime>
#include <QMutex>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <optional>
#include <variant>

class CellWriter : public QObject
{
    Q_OBJECT
public:
    // What the writer is handed, in the order it is to be written: a cell, a row's name, a batch's end.
    struct Cell
    {
        qint64 batch;
        int row;
        QString domain;
        QString lookup;
        QString text;
        QString problem;
        QDateTime at; // with the user's offset of the moment
        Measure measure = Measure::Text;
        CellValue value = {};
        Language language = Language::Chinese; // the text's
    };
    struct Name
    {
        qint64 batch;
        int row;
        QString domain;
    };
    struct BatchEnd
    {
        qint64 batch;
    };
    using Message = std::variant<Cell, Name, BatchEnd>;

    // Whoever hands cells over waits (gate()) while `mostUnsaved` of them are not yet committed.
    CellWriter(const QString& path, qint64 mostUnsaved);
    ~CellWriter() override;

    // On the writer's thread, before anything is queued: empty, or why the database cannot be written.
    QString open();

    // From the window's thread.
    void enqueue(Message message);
    WriteGate& gate() { return m_gate; }
    qint64 behind() const { return m_gate.unsaved(); }
    qint64 enqueued() const { return m_gate.handedOver(); }
    bool hasStopped() const { return m_gate.hasStopped(); }

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
    bool commit(const QList<Message>& messages, QSqlError* error);
    bool put(const Cell& cell, QSqlError* error);
    bool put(const Name& name, QSqlError* error);
    bool put(const BatchEnd& end, QSqlError* error);
    struct Found
    {
        const Cell* cell;
        QString text;
        QDate date;
        bool changed;
        CellValue value;
    };
    // Empty when the cell neither changed nor failed; an error when the last answer could not be read.
    ReadResult<std::optional<Found>> lastAnswer(const Cell& cell);

    const QString m_path;
    const QString m_connection;
    QSqlDatabase m_db;
    std::optional<QSqlQuery> m_insert;
    std::optional<QSqlQuery> m_insertName;
    std::optional<QSqlQuery> m_earlier;
    ExpiryRecorder m_expiries;
    QList<Found> m_found; // of the transaction under way
    QMutex m_mutex;
    QList<Message> m_pending;
    bool m_scheduled = false;
    WriteGate m_gate;
};
