// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QHash>
#include <QTranslator>
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

// A translation installed for as long as the guard lives: the texts given, by context and Chinese source, read
// in another language, every other one as written. Checks that a decision does not hang on a text we show.
class ScopedTranslation : public QTranslator
{
public:
    using Texts = QHash<std::pair<QByteArray, QByteArray>, QString>;
    explicit ScopedTranslation(Texts texts)
        : m_texts(std::move(texts))
    {
        QCoreApplication::installTranslator(this);
    }
    ~ScopedTranslation() override { QCoreApplication::removeTranslator(this); }

    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int) const override
    {
        return m_texts.value({QByteArray(context), QByteArray(source)});
    }

private:
    Texts m_texts;
};
