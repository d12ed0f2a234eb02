#include "watch/schedule.h"

QDateTime nextDue(const WatchTimes& times)
{
    return times.lastStarted.isValid() ? times.lastStarted.addSecs(qint64(times.intervalHours) * 3600) : QDateTime();
}

bool shouldStart(const WatchTimes& times, const QDateTime& now)
{
    const bool running = times.runningSince.isValid()
        && (times.heartbeat.isValid() ? times.heartbeat : times.runningSince).secsTo(now) < kStaleRunSecs;
    if (running)
        return false;
    const QDateTime due = nextDue(times);
    return !due.isValid() || due <= now;
}
