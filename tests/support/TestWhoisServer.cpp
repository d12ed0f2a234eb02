// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestWhoisServer.h"

#include <QTcpSocket>
#include <QTimer>

TestWhoisServer::TestWhoisServer(QObject* parent)
    : QObject(parent)
{
    m_server.listen(QHostAddress::LocalHost);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            busiest = qMax(busiest, ++m_open);
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::disconnected, this, [this] { --m_open; });
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                if (!socket->canReadLine())
                    return;
                const QByteArray query = socket->readLine().trimmed();
                queries.append(query);
                const QByteArray answer = answers.value(query, otherwise);
                QTimer::singleShot(delayMs, socket, [socket, answer] {
                    socket->write(answer);
                    socket->disconnectFromHost();
                });
            });
        }
    });
}
