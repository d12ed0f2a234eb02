// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Answers as received, kept within bounds, so 查看应答原文 can show why a cell reads what it reads.
#include "queries/engine/lookup.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <memory>

// One answer as received and how it was read, so a user can see why a cell reads what it reads.
struct ReceivedAnswer
{
    QString asked; // the name asked about
    QString source; // "RDAP https://…/domain/example.com", "WHOIS whois.cnnic.cn"
    QDateTime at;
    QStringList lines; // the answer as received (a failed request has none)
    QHash<QString, CellResult> cells; // by lookup key
    QHash<QString, QString> why; // by lookup key: the part of the answer that gave the cell
    QList<int> marked; // the lines (from 0) that gave a cell
};

// The answers a walker's jobs read last, by the name asked: the newest five thousand at most, within 16 MB
// whatever the answers' size (about two thousand of a registry's usual few KB), so 64 answers of a megabyte in
// flight and the log together stay within 100 MB.
class AnswerLog
{
public:
    void keep(const ReceivedAnswer& answer);
    std::shared_ptr<const ReceivedAnswer> find(const QString& asked) const;

private:
    QHash<QString, std::shared_ptr<const ReceivedAnswer>> m_answers;
    std::deque<QString> m_order; // oldest first
    qint64 m_bytes = 0;
};
