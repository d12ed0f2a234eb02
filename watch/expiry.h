#pragma once

#include <QDate>
#include <QString>

#include <optional>

// The day a 到期日 or 证书到期 cell says the domain or the certificate expires ("2027-03-17",
// "2027-03-01（剩 84 天）"), as the registry or the certificate wrote it; nothing when the cell holds none.
std::optional<QDate> expiryOf(const QString& cell);

// Days from `today`, the user's own calendar day, to the expiry day: the registry's date is a day, never
// shifted by a time zone, so the same day gives the same count wherever the user is. Negative once past.
inline qint64 daysLeft(const QDate& expiry, const QDate& today)
{
    return today.daysTo(expiry);
}

// How a cell is drawn: nothing to say, within the warning window (提前提醒天数), or past.
enum class Urgency { None, Soon, Past };
Urgency urgencyOf(const QDate& expiry, const QDate& today, int warnDays);
