// SPDX-License-Identifier: GPL-3.0-or-later
#include "watch/expiry.h"

using namespace Qt::Literals::StringLiterals;

Urgency urgencyOf(const QDate& expiry, const QDate& today, int warnDays)
{
    const qint64 left = daysLeft(expiry, today);
    if (left < 0)
        return Urgency::Past;
    return left <= warnDays ? Urgency::Soon : Urgency::None;
}
