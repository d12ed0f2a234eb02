// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/writegate.h"

#include <QDeadlineTimer>

WriteGate::WriteGate(qint64 bound)
    : m_bound(bound)
{
}

void WriteGate::handOver(qint64 cells)
{
    QMutexLocker lock(&m_mutex);
    m_handedOver += cells;
}

bool WriteGate::pass()
{
    QMutexLocker lock(&m_mutex);
    // Marked under the same lock the writer counts under: a commit after this sees the wait and wakes it.
    m_waiting = !isOpen();
    return !m_waiting;
}

void WriteGate::setWake(std::function<void()> wake)
{
    QMutexLocker lock(&m_mutex);
    m_wake = std::move(wake);
}

void WriteGate::commit(qint64 cells)
{
    QMutexLocker lock(&m_mutex);
    m_committed += cells;
    moved(lock);
}

void WriteGate::stop()
{
    QMutexLocker lock(&m_mutex);
    m_stopped = true;
    moved(lock);
}

void WriteGate::moved(QMutexLocker<QMutex>& lock)
{
    m_progress.wakeAll();
    if (!m_waiting || !isOpen())
        return;
    m_waiting = false;
    const std::function<void()> wake = m_wake;
    // Outside the lock: the woken producer may well ask again at once.
    lock.unlock();
    if (wake)
        wake();
}

qint64 WriteGate::handedOver() const
{
    QMutexLocker lock(&m_mutex);
    return m_handedOver;
}

qint64 WriteGate::committed() const
{
    QMutexLocker lock(&m_mutex);
    return m_committed;
}

bool WriteGate::hasStopped() const
{
    QMutexLocker lock(&m_mutex);
    return m_stopped;
}

bool WriteGate::waitCommitted(QDeadlineTimer deadline)
{
    QMutexLocker lock(&m_mutex);
    const qint64 target = m_handedOver;
    while (m_committed < target && !m_stopped) {
        if (!m_progress.wait(&m_mutex, deadline))
            break;
    }
    return m_stopped || m_committed >= target;
}
