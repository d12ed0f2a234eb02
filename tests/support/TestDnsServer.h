// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QObject>
#include <QStringList>
#include <QUdpSocket>

// A DNS server on 127.0.0.1 that answers each name as scripted, whatever it is asked: a response code and
// the answer section's records (CNAMEs always, records of the type asked), so replies real servers
// rarely give (a CNAME loop, another name's address, SERVFAIL) can be had at will. Unscripted names are
// NXDOMAIN.
class TestDnsServer : public QObject
{
    Q_OBJECT
public:
    struct Record
    {
        QString owner;
        QByteArray type; // "A", "AAAA", "CNAME", "NS", "MX" ("10 mx.a.test") or "TXT" (its strings a line each)
        QString data;
    };
    struct Reply
    {
        int rcode = 0;
        QList<Record> records;
    };

    explicit TestDnsServer(QObject* parent = nullptr);
    QByteArray hostPort() const { return "127.0.0.1:" + QByteArray::number(m_socket.localPort()); }

    QHash<QString, Reply> replies; // by name asked, in lower case

private:
    QUdpSocket m_socket;
};
