// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QString>

#include <optional>

// Days from `today`, the user's own calendar day, to the expiry day: the registry's date is a day, never
// shifted by a time zone, so the same day gives the same count wherever the user is. Negative once past.
inline qint64 daysLeft(const QDate& expiry, const QDate& today)
{
    return today.daysTo(expiry);
}

// How a cell is drawn: nothing to say, within the warning window (提前提醒天数), or past.
enum class Urgency { None, Soon, Past };
Urgency urgencyOf(const QDate& expiry, const QDate& today, int warnDays);
