// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How the results database writes a time: the instant in UTC, "2026-12-08T02:58:19.123Z", beside the offset
// from UTC (in seconds) the user's clock had when it was saved. The UTC text has one width, so the database
// orders and compares it as text, by its index, whichever zone wrote it; the offset gives back the user's own
// day and hour of a saved answer on a computer in another zone.
#include <QDateTime>
#include <QString>

QString instantText(const QDateTime& at);
// The time saved as `instant` shown at `offsetSeconds`; invalid when `instant` is not a time.
QDateTime storedTime(const QString& instant, int offsetSeconds);
