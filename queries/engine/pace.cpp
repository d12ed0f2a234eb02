// SPDX-License-Identifier: GPL-3.0-or-later
// One service's pace: places, gaps between starts, slowing down and recovering.
#include "queries/engine/pace.h"

#include "queries/engine/lookup.h"

namespace {
constexpr qint64 kFirstBackoffMs = 1000;
constexpr qint64 kLongestBackoffMs = 60'000;
// A Retry-After beyond this is taken as this: a hostile answer must not park a batch for days.
constexpr qint64 kLongestRetryAfterMs = 600'000;
constexpr int kGoodAnswersToRecover = 10;
} // namespace

void ServicePace::configure(int concurrency, int gapMs)
{
    m_concurrency = qMax(1, concurrency);
    m_gapMs = qMax(0, gapMs);
}

qint64 ServicePace::waitMs(qint64 now) const
{
    if (m_inFlight >= m_concurrency)
        return -1;
    return qMax<qint64>(0, m_nextStart - now);
}

void ServicePace::started(qint64 now)
{
    ++m_inFlight;
    m_nextStart = now + qMax(m_gapMs, m_backoffMs);
}

void ServicePace::finished(qint64 startedAt, qint64 now, bool good, PushBack pushBack, qint64 retryAfterMs)
{
    m_inFlight = qMax(0, m_inFlight - 1);
    if (pushBack != PushBack::None) {
        m_goodInARow = 0;
        // Requests already under way when we slowed down say nothing new: they do not slow us further.
        if (startedAt < m_slowedAt)
            return;
        m_backoffMs = m_backoffMs == 0 ? kFirstBackoffMs : qMin(2 * m_backoffMs, kLongestBackoffMs);
        m_slowedAt = now;
        const qint64 wait = retryAfterMs >= 0 ? qMin(retryAfterMs, kLongestRetryAfterMs) : m_backoffMs;
        m_nextStart = qMax(m_nextStart, now + wait);
        return;
    }
    if (!good) {
        m_goodInARow = 0;
        return;
    }
    if (m_backoffMs > 0 && ++m_goodInARow >= kGoodAnswersToRecover) {
        m_backoffMs = 0;
        m_goodInARow = 0;
    }
}
