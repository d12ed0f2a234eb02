// SPDX-License-Identifier: GPL-3.0-or-later
#include "watch/schedule.h"

WatchTimes asOf(const WatchTimes& times, const QDateTime& now)
{
    const auto notLater = [&now](const QDateTime& time) { return time.isValid() && time > now ? now : time; };
    return {notLater(times.lastStarted), times.intervalHours, notLater(times.runningSince), notLater(times.heartbeat)};
}

QDateTime nextDue(const WatchTimes& times)
{
    return times.lastStarted.isValid() ? times.lastStarted.addSecs(qint64(times.intervalHours) * 3600) : QDateTime();
}

bool shouldStart(const WatchTimes& stamped, const QDateTime& now)
{
    const WatchTimes times = asOf(stamped, now);
    const bool running = times.runningSince.isValid()
        && (times.heartbeat.isValid() ? times.heartbeat : times.runningSince).secsTo(now) < kStaleRunSecs;
    if (running)
        return false;
    const QDateTime due = nextDue(times);
    return !due.isValid() || due <= now;
}
