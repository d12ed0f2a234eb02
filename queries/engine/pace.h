// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How fast one service is asked, and how it slows down when pushed back.
#include <QtGlobal>

enum class PushBack;

// The pace of one service: at most `concurrency` requests at once, starts at least `gap` apart, and
// slower while the service pushes back. Times are milliseconds on one monotonic clock.
class ServicePace
{
public:
    void configure(int concurrency, int gapMs);

    // How long until a request may start: 0 now, -1 not before one in flight has finished.
    qint64 waitMs(qint64 now) const;
    void started(qint64 now);
    // `good` is a real answer, `pushBack` a request to slow down (with its Retry-After, or -1).
    void finished(qint64 startedAt, qint64 now, bool good, PushBack pushBack, qint64 retryAfterMs);
    // A request dropped before its answer: it only gives back its place.
    void dropped() { m_inFlight = qMax(0, m_inFlight - 1); }
    bool isSlowed() const { return m_backoffMs > 0; }

private:
    int m_concurrency = 1;
    qint64 m_gapMs = 0;
    int m_inFlight = 0;
    qint64 m_nextStart = 0;
    qint64 m_backoffMs = 0;
    qint64 m_slowedAt = -1;
    int m_goodInARow = 0;
};
