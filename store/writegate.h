// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The bound between the thread that hands cells to the results writer and the writer's own thread.
#include <QMutex>
#include <QWaitCondition>

#include <functional>

class QDeadlineTimer;

// How many cells were handed to the writer, how many it has committed, and whether whoever hands them over
// may go on: it may while fewer than `bound` are handed over and not committed. Both counts and the decision
// to wake a waiting producer move under one lock, so a commit can never be told before it is counted (a
// producer that read the count in between would wait for a wake-up that never comes). Needs no event loop:
// the wake is a callback, run on the committing thread.
class WriteGate
{
public:
    explicit WriteGate(qint64 bound);

    // The producer's side. pass() says whether it may hand over more; when it says no, `wake` runs once the
    // gate opens (or the writer stops), and once only for that wait.
    void handOver(qint64 cells = 1);
    bool pass();
    void setWake(std::function<void()> wake);

    // The writer's side: so many more are committed; or nothing more will be, the gate then staying open.
    void commit(qint64 cells);
    void stop();

    qint64 handedOver() const;
    qint64 committed() const;
    qint64 unsaved() const { return handedOver() - committed(); }
    bool hasStopped() const;
    // Blocks until what was handed over before the call is committed or the writer stops; false when the
    // deadline came first.
    bool waitCommitted(QDeadlineTimer deadline);

private:
    bool isOpen() const { return m_stopped || m_handedOver - m_committed < m_bound; }
    // A count moved (under `lock`): whoever waits is woken, the producer once the gate has opened for it.
    void moved(QMutexLocker<QMutex>& lock);

    const qint64 m_bound;
    mutable QMutex m_mutex;
    QWaitCondition m_progress;
    qint64 m_handedOver = 0;
    qint64 m_committed = 0;
    bool m_stopped = false;
    bool m_waiting = false;
    std::function<void()> m_wake;
};
