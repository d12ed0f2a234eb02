// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <utility>
#include <variant>

// What a read of the database found, or why it could not read: a failed query must not pass for "nothing saved".
struct ReadError
{
    QString text;
};

template <typename T> class ReadResult
{
public:
    ReadResult(T value)
        : m_held(std::move(value))
    {
    }
    ReadResult(ReadError error)
        : m_held(std::move(error))
    {
    }

    bool ok() const { return m_held.index() == 0; }
    // What was read; empty when the read failed.
    T value() const { return ok() ? std::get<0>(m_held) : T {}; }
    // Why the read failed; empty when it did not.
    QString error() const { return ok() ? QString() : std::get<1>(m_held).text; }

private:
    std::variant<T, ReadError> m_held;
};
