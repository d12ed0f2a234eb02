// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/clock.h"

QDateTime SystemClock::now() const
{
    // One reading of the clock, then its offset: two readings could fall either side of a change of offset.
    const QDateTime local = QDateTime::currentDateTime();
    return local.toOffsetFromUtc(local.offsetFromUtc());
}

const Clock& systemClock()
{
    static const SystemClock clock;
    return clock;
}
