// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One run of the command line: the walker over the domains as they are read, every cell saved, each row
// written out in the list's order once all its cells are saved, and let go of then.
#include "cli/exitstatus.h"
#include "cli/rowoutput.h"
#include "queries/engine/walker.h"
#include "settings/settings.h"
#include "store/store.h"

#include <QElapsedTimer>
#include <QTimer>
#include <memory>
#include <optional>

class ListInput;

class StreamRun : public QObject
{
public:
    StreamRun(const Options& options, OutputTarget& output, std::shared_ptr<const LookupTable> table);

    void start(ListInput& input);
    // Ctrl-C or SIGTERM (0: the reader of the rows went away): what is in flight is dropped; the cells never
    // asked go out empty, saying why, and are not saved, so --resume asks them later.
    void interrupt(int signal);
    // Writes what is left, returns the exit status.
    ExitStatus finish();
    // Whether everything written is also saved; false only when saving could not keep up with an end.
    bool isSaved() const { return m_store.isCommitted(m_store.mark()); }

    // Where this run's answers are saved; 0 when they are not.
    qint64 batch() const { return m_store.currentBatch(); }
    qsizetype done() const { return m_done; }
    qsizetype total() const { return m_total; }
    const QElapsedTimer& clock() const { return m_clock; }

private:
    void append(const DomainFile& read, bool end);
    DomainFile ourPart(const DomainFile& read, qint64 before) const;
    bool holdsToBatch(const ListInput& input);
    bool sameAsBatch(const DomainFile& part, int first, qint64 read, bool end);
    void differs(qint64 position, const QString& how);
    void unreadable(const QString& why);
    void stopResuming(const QString& message, ExitStatus status);
    void begin();
    void writeRows(QDeadlineTimer deadline = QDeadlineTimer::Forever);

    const Options& m_options;
    ListInput* m_input = nullptr;
    bool m_started = false;
    qint64 m_read = 0; // names read of the whole list, this run's part or not
    std::optional<ResultStore::Batch> m_resumed; // the unfinished batch this run goes on with
    std::optional<ExitStatus> m_status; // set when the run cannot go on
    Settings m_settings;
    ResultStore m_store;
    Walker m_walker;
    RowOutput m_rows;
    QTimer m_flush;
    int m_signal = 0;
    bool m_stopping = false; // a signal, or rows that can no longer be written
    bool m_counting = true;
    qsizetype m_done = 0;
    qsizetype m_total = 0;
    QElapsedTimer m_clock;
};
