// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <ctime>
#include <optional>

// An environment variable set for as long as the guard lives, then as it was: a failed check cannot leave it
// set for every later test.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name)
        , m_before(qEnvironmentVariableIsSet(name) ? std::optional<QByteArray>(qgetenv(name)) : std::nullopt)
    {
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_before)
            qputenv(m_name, *m_before);
        else
            qunsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<QByteArray> m_before;
};

// The computer's zone for as long as the guard lives, then as it was.
class ScopedZone
{
public:
    explicit ScopedZone(const QByteArray& zone)
    {
        m_env.emplace("TZ", zone);
        tzset();
    }
    ~ScopedZone()
    {
        m_env.reset();
        tzset();
    }

private:
    std::optional<ScopedEnv> m_env;
};
