// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTcpServer>

// A WHOIS server on 127.0.0.1: reads one line, answers with the text given for it, and closes. An unknown query
// gets `otherwise`.
class TestWhoisServer : public QObject
{
    Q_OBJECT
public:
    explicit TestWhoisServer(QObject* parent = nullptr);
    QString hostPort() const { return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort()); }

    QHash<QByteArray, QByteArray> answers; // by query, without CR LF
    QByteArray otherwise = "No matching record.\r\n";
    QList<QByteArray> queries; // in order of arrival

private:
    QTcpServer m_server;
};
