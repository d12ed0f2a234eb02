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

int typeNumber(const QByteArray& type)
{
    static const QHash<QByteArray, int> numbers {{"A", 1}, {"NS", 2}, {"CNAME", 5}, {"MX", 15}, {"TXT", 16}};
    return numbers.value(type, 28);
}

// An MX record's data is written "10 mx.a.test"; a TXT record's character strings one a line.
QByteArray recordData(int type, const QString& text)
{
    const QHostAddress address(text);
    switch (type) {
    case 1:
        return u16(int(address.toIPv4Address() >> 16)) + u16(int(address.toIPv4Address() & 0xFFFF));
    case 2:
    case 5:
        return encodedName(text);
    case 15:
        return u16(text.section(u' ', 0, 0).toInt()) + encodedName(text.section(u' ', 1));
    case 16: {
        QByteArray strings;
        for (const QString& piece : text.split(u'\n'))
            strings += char(piece.toUtf8().size()) + piece.toUtf8();
        return strings;
    }
    default:
        return QByteArray(reinterpret_cast<const char*>(address.toIPv6Address().c), 16);
    }
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
                const int type = typeNumber(record.type);
                if (type != 5 && type != asked)
                    continue;
                const QByteArray data = recordData(type, record.data);
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
