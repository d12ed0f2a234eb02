// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One question to a WHOIS server on port 43.
#include "web/fetch.h"
#include "web/hosts.h"

#include <QByteArray>
#include <QObject>
#include <QTcpSocket>

#include <utility>

class QTimer;

// One question to a WHOIS server (RFC 3912): the query and CR LF sent on TCP port 43, the answer read
// until the server closes. Bounded like a page: a time limit (the fetch limits'), and 1 MiB.
class Port43Fetch : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 kMaxAnswerBytes = 1024 * 1024;
    static constexpr qint64 kReadPiece = 64 * 1024;
    using Failure = FetchFailure; // of those a page may meet, all but redirects and decoding

    // Started at once; finished() comes exactly once and never from inside the constructor. Deleting the fetch
    // drops the question.
    Port43Fetch(const Endpoint& server, const QByteArray& query, int limitMs, QObject* parent = nullptr);

    const QByteArray& answer() const { return m_answer; }
    // The answer handed over, so a megabyte is freed when its reader is done, not when the fetch is deleted.
    QByteArray takeAnswer() { return std::exchange(m_answer, {}); }
    Failure failure() const { return m_failure; }
    // Why the answer cannot be trusted, for the user; empty when it came whole.
    QString failureReason() const;

signals:
    void finished();

private:
    void take();
    void end(Failure failure);

    QTcpSocket m_socket;
    QTimer* m_limit;
    QByteArray m_query;
    QByteArray m_answer;
    Failure m_failure = Failure::None;
    int m_limitMs;
    bool m_done = false;
};
