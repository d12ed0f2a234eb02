// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestWhoisServer.h"

#include <QTcpSocket>

TestWhoisServer::TestWhoisServer(QObject* parent)
    : QObject(parent)
{
    m_server.listen(QHostAddress::LocalHost);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                if (!socket->canReadLine())
                    return;
                const QByteArray query = socket->readLine().trimmed();
                queries.append(query);
                socket->write(answers.value(query, otherwise));
                socket->disconnectFromHost();
            });
        }
    });
}
