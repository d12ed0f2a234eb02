// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QStringList>
#include <QTcpServer>
#include <functional>

class QTcpSocket;

// A small HTTP/1.1 server on 127.0.0.1, on the test's own thread. Each answer closes its connection.
class TestHttpServer : public QObject
{
    Q_OBJECT
public:
    enum class Mode {
        Normal,
        NoAnswer, // reads the request, never says a word
        Trickle, // one byte every 100 ms
        CloseMidBody, // promises the whole body, sends half of it, resets
        NoContentLength, // HTTP/1.0 style: the body ends when the connection does
        Endless, // a body that never ends
    };
    struct Response
    {
        int status = 200;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        Mode mode = Mode::Normal;
        int delayMs = 0;
    };

    // On all of 127.0.0.0/8 when asked, so every domain of a batch can be a host of its own.
    explicit TestHttpServer(QObject* parent = nullptr, bool anyLoopbackAddress = false);
    quint16 port() const { return m_server->serverPort(); }
    QString hostPort() const { return QStringLiteral("127.0.0.1:%1").arg(port()); } // for QUILLMARK_HOST_*

    // Answers every request whose target starts with `prefix`; the longest prefix wins.
    void route(const QString& prefix, const Response& response) { m_routes.insert(prefix, response); }
    // Computes the answer from the target instead of the routes.
    std::function<Response(const QString& target)> responder;
    static Response page(const QByteArray& body, int status = 200, Mode mode = Mode::Normal)
    {
        return {status, body, {}, mode, 0};
    }

    // Answers wait, however long their delay, until released: a test that needs so many requests in flight at
    // once holds until they are, whatever the machine's speed.
    void holdAnswers() { m_holding = true; }
    void releaseAnswers();
    int waiting() const { return m_waiting; }

    QStringList requests; // targets, in order of arrival
    QList<QByteArray> heads; // whole request heads, in the same order
    int busiest = 0; // the most requests ever waiting for their answer at once

signals:
    void requestReceived(const QString& target);

private:
    void onReadyRead(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const Response& response);

    QTcpServer* m_server;
    QHash<QString, Response> m_routes;
    int m_waiting = 0;
    bool m_holding = false;
    QList<std::function<void()>> m_held;
};

Q_DECLARE_METATYPE(TestHttpServer::Response)
