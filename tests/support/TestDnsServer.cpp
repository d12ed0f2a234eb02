// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestDnsServer.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QtEndian>

namespace {

QByteArray encodedName(const QString& name)
{
    QByteArray encoded;
    for (const QString& label : name.split(u'.', Qt::SkipEmptyParts))
        encoded += char(label.size()) + label.toLatin1();
    return encoded + '\0';
}

QByteArray u16(int value)
{
    return QByteArray(1, char(value >> 8)) + char(value & 0xFF);
}

} // namespace

TestDnsServer::TestDnsServer(QObject* parent)
    : QObject(parent)
{
    m_socket.bind(QHostAddress::LocalHost, 0);
    connect(&m_socket, &QUdpSocket::readyRead, this, [this] {
        while (m_socket.hasPendingDatagrams()) {
            const QNetworkDatagram query = m_socket.receiveDatagram();
            const QByteArray bytes = query.data();
            QStringList labels;
            qsizetype at = 12;
            while (at < bytes.size() && bytes[at] != 0) {
                labels.append(QString::fromLatin1(bytes.mid(at + 1, uchar(bytes[at]))));
                at += uchar(bytes[at]) + 1;
            }
            if (at + 5 > bytes.size())
                continue;
            const int asked = qFromBigEndian<quint16>(bytes.constData() + at + 1);
            const Reply reply = replies.value(labels.join(u'.').toLower(), Reply {3, {}});
            QByteArray answers;
            int count = 0;
            for (const Record& record : reply.records) {
                const int type = record.type == "CNAME" ? 5 : record.type == "A" ? 1 : 28;
                if (type != 5 && type != asked)
                    continue;
                const QHostAddress address(record.data);
                const QByteArray data = type == 5 ? encodedName(record.data)
                    : type == 1 ? u16(int(address.toIPv4Address() >> 16)) + u16(int(address.toIPv4Address() & 0xFFFF))
                                : QByteArray(reinterpret_cast<const char*>(address.toIPv6Address().c), 16);
                answers
                    += encodedName(record.owner) + u16(type) + u16(1) + u16(0) + u16(60) + u16(int(data.size())) + data;
                ++count;
            }
            const QByteArray header = bytes.left(2) + u16(0x8180 | reply.rcode) + u16(1) + u16(count) + u16(0) + u16(0);
            m_socket.writeDatagram(
                header + bytes.mid(12, at + 5 - 12) + answers, query.senderAddress(), query.senderPort());
        }
    });
}
