#include "watch/expiry.h"

using namespace Qt::Literals::StringLiterals;

std::optional<QDate> expiryOf(const QString& cell)
{
    const QDate date = QDate::fromString(cell.trimmed().left(10), u"yyyy-MM-dd"_s);
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

Urgency urgencyOf(const QDate& expiry, const QDate& today, int warnDays)
{
    const qint64 left = daysLeft(expiry, today);
    if (left < 0)
        return Urgency::Past;
    return left <= warnDays ? Urgency::Soon : Urgency::None;
}
