// SPDX-License-Identifier: GPL-3.0-or-later
// One question to a WHOIS server on port 43, bounded in time and size.
#include "web/port43.h"

#include <QCoreApplication>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

Port43Fetch::Port43Fetch(const Endpoint& server, const QByteArray& query, int limitMs, QObject* parent)
    : QObject(parent)
    , m_limit(new QTimer(this))
    , m_query(query + "\r\n")
    , m_limitMs(limitMs)
{
    m_limit->setSingleShot(true);
    m_limit->setTimerType(Qt::PreciseTimer);
    connect(m_limit, &QTimer::timeout, this, [this] { end(Failure::TimedOut); });
    m_limit->start(m_limitMs);
    connect(&m_socket, &QTcpSocket::connected, this, [this] { m_socket.write(m_query); });
    // Read straight into the answer, a piece at a time: a megabyte grown by appending leaves its earlier
    // copies behind, and Qt's own buffer would hold a second one.
    m_socket.setReadBufferSize(kReadPiece);
    connect(&m_socket, &QTcpSocket::readyRead, this, [this] { take(); });
    // The server closing is how a WHOIS answer ends; anything else before that is a failure.
    connect(&m_socket, &QTcpSocket::disconnected, this, [this] {
        take();
        end(m_answer.size() > kMaxAnswerBytes ? Failure::Oversize : Failure::None);
    });
    connect(&m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        switch (error) {
        case QAbstractSocket::RemoteHostClosedError:
            return; // disconnected() follows
        case QAbstractSocket::HostNotFoundError:
            end(Failure::HostNotFound);
            return;
        case QAbstractSocket::ConnectionRefusedError:
            end(Failure::ConnectionRefused);
            return;
        default:
            end(Failure::ConnectionLost);
        }
    });
    // Not from inside the constructor: whoever made us has not connected to finished() yet.
    QMetaObject::invokeMethod(
        this, [this, server] { m_socket.connectToHost(server.host, server.port); }, Qt::QueuedConnection);
}

void Port43Fetch::take()
{
    while (!m_done && m_socket.bytesAvailable() > 0) {
        if (m_answer.capacity() == 0)
            m_answer.reserve(kMaxAnswerBytes + 1); // pages are resident only once written
        const qint64 room = kMaxAnswerBytes + 1 - m_answer.size();
        const qsizetype at = m_answer.size();
        m_answer.resize(at + qMin(room, m_socket.bytesAvailable()));
        const qint64 read = m_socket.read(m_answer.data() + at, m_answer.size() - at);
        m_answer.resize(at + qMax<qint64>(read, 0));
        if (m_answer.size() > kMaxAnswerBytes)
            end(Failure::Oversize);
        if (read <= 0)
            break;
    }
}

void Port43Fetch::end(Failure failure)
{
    if (m_done)
        return;
    m_done = true;
    m_failure = failure;
    m_limit->stop();
    m_socket.disconnect(this);
    m_socket.abort();
    if (failure != Failure::None)
        m_answer.clear();
    else
        m_answer.squeeze(); // the room kept for a megabyte goes back
    emit finished();
}

QString Port43Fetch::failureReason() const
{
    if (m_failure == Failure::Oversize)
        return QCoreApplication::translate("Network", "WHOIS 应答过大（超过 1 MB）");
    PageResult said;
    said.failure = m_failure;
    said.status = 200; // a WHOIS answer has no status to fail on
    said.limitMs = m_limitMs;
    return ::failureReason(said);
}
