// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestHttpServer.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

TestHttpServer::TestHttpServer(QObject* parent, bool anyLoopbackAddress)
    : QObject(parent)
    , m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    if (!m_server->listen(anyLoopbackAddress ? QHostAddress::AnyIPv4 : QHostAddress::LocalHost))
        qFatal("test HTTP server cannot listen: %s", qPrintable(m_server->errorString()));
}

void TestHttpServer::onReadyRead(QTcpSocket* socket)
{
    const QByteArray buffer = socket->property("head").toByteArray() + socket->readAll();
    socket->setProperty("head", buffer);
    if (!buffer.contains("\r\n\r\n") || socket->property("answered").toBool())
        return;
    socket->setProperty("answered", true);
    const QString target = QString::fromUtf8(buffer.split(' ').value(1));
    requests.append(target);
    heads.append(buffer.left(buffer.indexOf("\r\n\r\n"))); // a copy the size of the head, not of the read buffer
    Response response = responder ? responder(target) : page("not found", 404);
    qsizetype best = -1;
    for (auto it = m_routes.cbegin(); !responder && it != m_routes.cend(); ++it) {
        if (target.startsWith(it.key()) && it.key().size() > best) {
            response = it.value();
            best = it.key().size();
        }
    }
    busiest = qMax(busiest, ++m_waiting);
    connect(socket, &QObject::destroyed, this, [this] { --m_waiting; });
    emit requestReceived(target);
    QPointer<QTcpSocket> guarded(socket);
    const auto send = [this, guarded, response] {
        QTimer::singleShot(response.delayMs, this, [this, guarded, response] {
            if (guarded)
                answer(guarded, response);
        });
    };
    if (m_holding)
        m_held.append(send);
    else
        send();
}

void TestHttpServer::releaseAnswers()
{
    m_holding = false;
    for (const auto& send : std::exchange(m_held, {}))
        send();
}

void TestHttpServer::answer(QTcpSocket* socket, const Response& response)
{
    if (response.mode == Mode::NoAnswer)
        return;
    bool sized = response.mode != Mode::NoContentLength && response.mode != Mode::Endless;
    QByteArray head = (response.mode == Mode::NoContentLength ? "HTTP/1.0 " : "HTTP/1.1 ")
        + QByteArray::number(response.status) + " Status\r\nConnection: close\r\n";
    for (const auto& [name, value] : response.headers) {
        head += name + ": " + value + "\r\n";
        sized = sized && name != "Transfer-Encoding";
    }
    if (sized)
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    const QByteArray whole = head + "\r\n" + response.body;
    switch (response.mode) {
    case Mode::Trickle: {
        auto* timer = new QTimer(socket);
        connect(timer, &QTimer::timeout, socket, [socket, whole, sent = qsizetype(0)]() mutable {
            if (sent < whole.size())
                socket->write(whole.mid(sent++, 1));
        });
        timer->start(100);
        break;
    }
    case Mode::Endless:
        socket->write(whole);
        connect(socket, &QTcpSocket::bytesWritten, socket, [socket] {
            if (socket->bytesToWrite() < 256 * 1024)
                socket->write(QByteArray(64 * 1024, 'x'));
        });
        break;
    case Mode::CloseMidBody:
        socket->write(whole.left(whole.size() - response.body.size() / 2));
        socket->flush();
        socket->abort();
        break;
    default:
        socket->write(whole);
        socket->disconnectFromHost();
    }
}
