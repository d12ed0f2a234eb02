// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/instants.h"

QString instantText(const QDateTime& at)
{
    return at.toUTC().toString(Qt::ISODateWithMs);
}

QDateTime storedTime(const QString& instant, int offsetSeconds)
{
    const QDateTime at = QDateTime::fromString(instant, Qt::ISODateWithMs);
    return at.isValid() ? at.toOffsetFromUtc(offsetSeconds) : at;
}
