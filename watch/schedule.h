// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>

// When a watch list runs again. A list runs once its interval has passed since it last began; one never run is
// due at once. A run still going is never begun twice, by this program or another (the window and a timer's
// command line share the store): a run that has said nothing for longer than `kStaleRunSecs` is taken for one
// that died. A computer asleep past several due times runs the list once on waking, then on from that run. A
// time from the future (a clock set back since it was written) counts as now.
struct WatchTimes
{
    QDateTime lastStarted; // invalid: never run
    int intervalHours = 24;
    QDateTime runningSince; // invalid: not running
    QDateTime heartbeat; // the last sign of life of the run in progress
};

constexpr qint64 kStaleRunSecs = 15 * 60;

// The times as they count at `now`: each one later than `now` brought back to it.
WatchTimes asOf(const WatchTimes& times, const QDateTime& now);
QDateTime nextDue(const WatchTimes& times);
bool shouldStart(const WatchTimes& times, const QDateTime& now);
