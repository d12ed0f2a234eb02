// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTcpServer>

// A WHOIS server on 127.0.0.1: reads one line, answers with the text given for it, and closes, after a
// delay when asked. An unknown query gets `otherwise`.
class TestWhoisServer : public QObject
{
    Q_OBJECT
public:
    explicit TestWhoisServer(QObject* parent = nullptr);
    QString hostPort() const { return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort()); }

    QHash<QByteArray, QByteArray> answers; // by query, without CR LF
    QByteArray otherwise = "No matching record.\r\n";
    int delayMs = 0;
    QList<QByteArray> queries; // in order of arrival
    int busiest = 0; // the most questions open at once

private:
    QTcpServer m_server;
    int m_open = 0;
};
