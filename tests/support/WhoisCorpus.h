// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Real registries' answers (tests/data/whois-corpus, see its README), each with the facts a careful reader takes
// from it, as its .expected file states them.
struct CorpusAnswer
{
    QString server; // the folder: the server that answered
    QString path; // below the corpus
    QString kind; // "registered", "available", "reserved" or the file's other word ("invalid", "suspended"…)
    QString asked; // the name asked, in ASCII
    QByteArray answer;
    // A date the answer carries (yyyy-MM-dd), "" where it says there is none, nothing where the answer has no
    // such field at all.
    std::optional<QString> created;
    std::optional<QString> expiry;
    QStringList registrar; // its name and organisation as stated; empty where none is stated
};

QList<CorpusAnswer> readWhoisCorpus(const QString& folder);
