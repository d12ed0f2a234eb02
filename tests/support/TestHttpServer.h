#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QStringList>
#include <functional>

class QTcpServer;
class QTcpSocket;

// A small HTTP/1.1 server on 127.0.0.1 that runs on the test's own thread: the program's waits run
// event loops, so it answers while a lookup waits. Each answer closes its connection.
class TestHttpServer : public QObject
{
    Q_OBJECT
public:
    enum class Mode {
        Normal,
        NoAnswer, // reads the request, never says a word
        Trickle, // sends the answer one byte every trickleIntervalMs
        CloseMidBody, // promises the whole body, sends half of it, resets
        NoContentLength, // HTTP/1.0 style: the body ends when the connection does
        Endless, // a body that never ends, as fast as the client takes it
    };
    struct Response
    {
        int status = 200;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        Mode mode = Mode::Normal;
        int delayMs = 0;
        int trickleIntervalMs = 1000;
    };

    explicit TestHttpServer(QObject* parent = nullptr);
    ~TestHttpServer() override;

    // "127.0.0.1:port", ready for a QUILLMARK_HOST_* variable.
    QString hostPort() const;
    quint16 port() const;

    // Answers every request whose target (path and query) starts with `prefix`; the longest prefix wins.
    void route(const QString& prefix, const Response& response);
    // Computes the answer from the target; takes precedence over the routes.
    void setResponder(std::function<Response(const QString& target)> responder) { m_responder = std::move(responder); }
    static Response page(const QByteArray& body, int status = 200);
    static Response redirect(const QByteArray& location);

    QStringList requests() const { return m_requests; }
    void clearRequests() { m_requests.clear(); }
    int requestCount() const { return m_requestCount; }
    // Long runs keep only the count, so the server's own memory does not grow with the requests.
    void setRecording(bool recording) { m_recording = recording; }

signals:
    void requestReceived(const QString& target);

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const QString& target);

    QTcpServer* m_server;
    QHash<QString, Response> m_routes;
    std::function<Response(const QString&)> m_responder;
    QStringList m_requests;
    int m_requestCount = 0;
    bool m_recording = true;
};

Q_DECLARE_METATYPE(TestHttpServer::Response)
