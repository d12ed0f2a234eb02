#include "TestHttpServer.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

TestHttpServer::TestHttpServer(QObject* parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &TestHttpServer::onNewConnection);
    if (!m_server->listen(QHostAddress::LocalHost))
        qFatal("test HTTP server cannot listen: %s", qPrintable(m_server->errorString()));
}

TestHttpServer::~TestHttpServer() = default;

QString TestHttpServer::hostPort() const
{
    return u"127.0.0.1:%1"_s.arg(port());
}

quint16 TestHttpServer::port() const
{
    return m_server->serverPort();
}

void TestHttpServer::route(const QString& prefix, const Response& response)
{
    m_routes.insert(prefix, response);
}

TestHttpServer::Response TestHttpServer::page(const QByteArray& body, int status)
{
    Response response;
    response.status = status;
    response.body = body;
    return response;
}

TestHttpServer::Response TestHttpServer::redirect(const QByteArray& location)
{
    Response response;
    response.status = 302;
    response.headers.append(qMakePair(QByteArray("Location"), location));
    return response;
}

void TestHttpServer::onNewConnection()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void TestHttpServer::onReadyRead(QTcpSocket* socket)
{
    QByteArray buffer = socket->property("request").toByteArray() + socket->readAll();
    if (!buffer.contains("\r\n\r\n")) {
        socket->setProperty("request", buffer);
        return;
    }
    socket->setProperty("request", QByteArray());
    const QList<QByteArray> requestLine = buffer.left(buffer.indexOf("\r\n")).split(' ');
    const QString target = requestLine.size() >= 2 ? QString::fromUtf8(requestLine.at(1)) : QString();
    ++m_requestCount;
    if (m_recording)
        m_requests.append(target);
    emit requestReceived(target);
    answer(socket, target);
}

void TestHttpServer::answer(QTcpSocket* socket, const QString& target)
{
    Response response = m_responder ? m_responder(target) : page("not found", 404);
    qsizetype bestLength = -1;
    for (auto it = m_routes.cbegin(); !m_responder && it != m_routes.cend(); ++it) {
        if (target.startsWith(it.key()) && it.key().size() > bestLength) {
            response = it.value();
            bestLength = it.key().size();
        }
    }
    if (response.mode == Mode::NoAnswer)
        return;

    QByteArray head = (response.mode == Mode::NoContentLength ? "HTTP/1.0 " : "HTTP/1.1 ")
        + QByteArray::number(response.status) + " Status\r\nConnection: close\r\n";
    for (const auto& [name, value] : response.headers)
        head += name + ": " + value + "\r\n";
    if (response.mode != Mode::NoContentLength && response.mode != Mode::Endless)
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    const QByteArray whole = head + "\r\n" + response.body;

    QPointer<QTcpSocket> guarded(socket);
    auto send = [this, guarded, response, whole] {
        if (!guarded)
            return;
        switch (response.mode) {
        case Mode::Trickle: {
            auto* timer = new QTimer(guarded);
            auto sent = std::make_shared<qsizetype>(0);
            connect(timer, &QTimer::timeout, guarded, [guarded, timer, whole, sent] {
                if (*sent >= whole.size()) {
                    timer->stop();
                    guarded->disconnectFromHost();
                    return;
                }
                guarded->write(whole.mid((*sent)++, 1));
            });
            timer->start(response.trickleIntervalMs);
            return;
        }
        case Mode::Endless: {
            guarded->write(whole);
            const QByteArray chunk(64 * 1024, 'x');
            connect(guarded, &QTcpSocket::bytesWritten, guarded, [guarded, chunk] {
                if (guarded->bytesToWrite() < 4 * chunk.size())
                    guarded->write(chunk);
            });
            return;
        }
        case Mode::CloseMidBody:
            guarded->write(whole.left(whole.size() - response.body.size() / 2));
            guarded->flush();
            guarded->abort();
            return;
        default:
            guarded->write(whole);
            guarded->disconnectFromHost();
        }
    };
    if (response.delayMs > 0)
        QTimer::singleShot(response.delayMs, this, send);
    else
        send();
}
