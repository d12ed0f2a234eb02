// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// --watch NAME: a list saved in the window, run once from a timer or by hand. The run holds the list while it
// goes (the window, or another timer, does not run it at the same time) and says it is alive every minute.
#include "cli/exitstatus.h"
#include "settings/clock.h"

#include <QDateTime>
#include <QTimer>

#include <memory>
#include <optional>

class ListInput;
class LookupTable;
class WatchLists;
struct Options;

class WatchClaim
{
public:
    explicit WatchClaim(const Clock& clock = systemClock());
    ~WatchClaim();

    // The list's names and lookups become the run's. Nothing, or the status to end with (said on standard
    // error).
    std::optional<ExitStatus> take(const QString& name, const LookupTable& table, Options* options, ListInput* input);
    // Holds the list for this run, once nothing is left to wait for before its first question. Nothing, or
    // the status to end with (said on standard error).
    std::optional<ExitStatus> claim();
    // The run is over; `batch` holds its answers. A run that asked nothing or was cut short (a signal, a
    // reader gone) does not count as the list's run: the list is due as it was before.
    void release(qint64 batch, bool ran);

private:
    const Clock& m_clock;
    std::unique_ptr<WatchLists> m_lists;
    QString m_name; // the list taken
    bool m_claimed = false;
    QDateTime m_lastStarted; // when the run before this one began
    QTimer m_beat;
};
