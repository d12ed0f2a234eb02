// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The three ways a user's lookup cuts its cell from an answer: a regular expression, a JSON Pointer, or the text
// between two markers.
#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

// What an extraction found: a text, nothing ("无"), or a failure to say.
struct Extracted
{
    std::optional<QString> text;
    QString problem = {};
};

// A regular expression in the engine Qt's own uses (PCRE2), compiled once, matched with bounded work: at
// most the first 2 Mi characters of a page, and a limit on backtracking that is told, not taken for "no match".
class PageRegex
{
public:
    explicit PageRegex(const QString& pattern);
    ~PageRegex();
    PageRegex(const PageRegex&) = delete;
    PageRegex& operator=(const PageRegex&) = delete;

    QString error() const { return m_error; } // empty when the pattern compiled and has a group to capture
    // The first capture group of the first match.
    Extracted firstCapture(const QString& text) const;

private:
    struct Engine;
    std::unique_ptr<Engine> m_engine;
    QString m_error;
};

// The value at an RFC 6901 pointer in a JSON text: strings as they are, numbers and true/false as written,
// objects and arrays as compact JSON. Nothing there, or null: no text.
Extracted jsonAt(const QByteArray& json, const QString& pointer);
Extracted textBetween(const QString& text, const QString& opening, const QString& closing);
