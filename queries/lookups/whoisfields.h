// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One line of a WHOIS answer taken apart: its key, its value and where it stands, as the reader of answers sees
// it. Shared by the reader's files only.
#include "queries/sources/whoisregistries.h"

#include <QSet>
#include <QString>
#include <QStringView>

namespace whois {

// Keys longer than this, or of more words, are prose that happens to hold a colon.
constexpr int kMaxKeyLength = 48;
constexpr int kMaxKeyWords = 8;
// Lines longer than this are notices, never an answer's verdict.
constexpr int kMaxVerdictLength = 200;

using Role = WhoisRules::Role;

// One line of an answer, taken apart.
struct Line
{
    QString content; // trimmed
    QString lower; // the same in lower case
    int indent = 0;
    int block = -1; // blank lines and rules part blocks; -1 for those
    bool comment = false; // a "%", "#" or ">>>" line: notes, never fields
    bool hasKey = false;
    bool isHeading = false;
    bool excluded = false; // a contact's, a name server's, another name's or another object's
    int heading = -1; // the line of the heading it stands under, -1 at the top
    QString key; // lower case, white space folded, padding dots gone
    QString plain; // the key as known: "creation date" of "data de registo / creation date (dd/mm/yyyy)"
    QString value;
    Role role = Role::None;
    int rank = 0;
    DateOrder order = DateOrder::Unknown; // a key's "(dd/mm/yyyy)"
};

// In lower case, white space folded to single spaces, the padding dots of "Registrar......" gone.
QString normalKey(QStringView raw);
// "Nome de domínio / Domain Name" and "Creation Date (dd/mm/yyyy)": bilingual keys are known by their last
// part, and a format in brackets is no part of the name.
QString plainKey(const QString& key);
// Where a verdict's words start: past "%", "***", and an error code ("%ERROR:103:", "%error 230").
qsizetype verdictStart(QStringView lower);
// The key and value of a "key: value" line, a "[key] value" one or a numbered one ("1a. key: value").
void splitKey(Line& line);

// Calls `visit` with each word of `text` (its runs of letters and digits) while it says yes; tells whether it
// said yes to every one.
template <typename Visit> bool everyWord(QStringView text, Visit visit)
{
    qsizetype start = -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool inWord = i < text.size() && text.at(i).isLetterOrNumber();
        if (inWord && start < 0)
            start = i;
        if (!inWord && start >= 0) {
            if (!visit(text.mid(start, i - start).toString()))
                return false;
            start = -1;
        }
    }
    return true;
}

// Whether one of a key's words ("tech" and "c" of "Tech-C") is among `words`.
inline bool hasWordOf(QStringView key, const QSet<QString>& words)
{
    return !everyWord(key, [&](const QString& word) { return !words.contains(word); });
}

// Whether every word of `text` is one of `words`; punctuation counts for nothing.
inline bool hasOnlyWordsOf(QStringView text, const QSet<QString>& words)
{
    return everyWord(text, [&](const QString& word) { return words.contains(word); });
}

// Up to the first space or colon (full-width ones too).
inline QStringView firstWord(QStringView text)
{
    qsizetype end = 0;
    while (end < text.size() && !text.at(end).isSpace() && text.at(end) != u':' && text.at(end) != u'\uff1a')
        ++end;
    return text.left(end);
}

} // namespace whois
