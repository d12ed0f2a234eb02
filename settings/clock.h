// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The one place the program asks the time. Everything that reads "now" or "today" (the walker, the store, the
// watch runs, the grid's tints, the dialogs, the command line's output) is handed a clock; tests hand their own
// and set it where they need it: a zone the user travelled to, a day years away.
#include <QDateTime>

class Clock
{
public:
    virtual ~Clock() = default;
    // The instant, carrying the offset from UTC the user's zone had at it: saved as it is, it still says which
    // day it was for the user wherever the file is read later.
    virtual QDateTime now() const = 0;
    // The user's calendar day: the date of now at its own offset.
    QDate today() const { return now().date(); }
};

// The computer's clock in the computer's zone.
class SystemClock final : public Clock
{
public:
    QDateTime now() const override;
};

// The clock every part uses unless it is handed another. It holds nothing, so sharing it shares no state.
const Clock& systemClock();

// A clock that stands where it is set: tests move it, zone and all.
class SetClock final : public Clock
{
public:
    explicit SetClock(const QDateTime& at)
        : m_at(at)
    {
    }
    QDateTime now() const override { return m_at; }
    void set(const QDateTime& at) { m_at = at; }
    void advance(qint64 seconds) { m_at = m_at.addSecs(seconds); }

private:
    QDateTime m_at;
};
