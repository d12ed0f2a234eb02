// One question to a WHOIS server on port 43, bounded in time and size.
#include "web/port43.h"

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
    connect(&m_socket, &QTcpSocket::readyRead, this, [this] {
        m_answer += m_socket.readAll();
        if (m_answer.size() > kMaxAnswerBytes)
            end(Failure::Oversize);
    });
    // The server closing is how a WHOIS answer ends; anything else before that is a failure.
    connect(&m_socket, &QTcpSocket::disconnected, this, [this] {
        m_answer += m_socket.readAll();
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
    emit finished();
}

QString Port43Fetch::failureReason() const
{
    if (m_failure == Failure::Oversize)
        return u"WHOIS 应答过大（超过 1 MB）"_s;
    PageResult said;
    said.failure = m_failure;
    said.status = 200; // a WHOIS answer has no status to fail on
    said.limitMs = m_limitMs;
    return ::failureReason(said);
}
