// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// DNS queries over c-ares against the system's resolver or one the user names.
#include <QHash>
#include <QObject>
#include <QStringList>

class QSocketNotifier;
class QTimer;
struct ares_channeldata;

// A DNS server named by the user: "host" or "host:port" ("[v6]:port" for IPv6), as QUILLMARK_DNS_SERVER holds.
// Empty `problem` when it can be used; an empty text names the system's resolver.
struct DnsServer
{
    QString csv; // in the form c-ares takes: "1.2.3.4:53"
    QString problem;
};
DnsServer parseDnsServer(const QString& text);

// Asks one DNS server (or the system's) without blocking a thread: c-ares on the event loop. Each query is
// sent at once; deleting the resolver drops every query still waiting, so nothing is left to wait for at
// exit.
class Resolver : public QObject
{
    Q_OBJECT
public:
    enum class Status { Answered, NoSuchName, Failed };
    struct Answer
    {
        Status status = Status::Failed;
        QStringList addresses;
        QStringList canonicalNames; // the CNAME chain's targets, in order
        QString problem; // why it failed
        // For NS, MX and TXT: each record's name server, exchanger (with its preference) or text.
        QList<std::pair<int, QString>> records;
        QString asked; // the name the question was for
    };
    enum class Type { A, AAAA, NS, MX, TXT };

    // `server` from parseDnsServer(); empty: the system's resolver.
    explicit Resolver(const QString& server, QObject* parent = nullptr);
    ~Resolver() override;

    void query(const QString& asciiName, Type type);

signals:
    void answered(Type type, const Answer& answer);

private:
    static void onSocketState(void* data, int socket, int readable, int writable);
    static void onAnswer(void* data, int status, int timeouts, unsigned char* buffer, int length);
    void process(int readSocket, int writeSocket);
    void scheduleTimeout();

    ares_channeldata* m_channel = nullptr;
    QString m_problem; // the channel could not be made
    bool m_closing = false;
    struct Watch
    {
        QSocketNotifier* read = nullptr;
        QSocketNotifier* write = nullptr;
    };
    QHash<int, Watch> m_sockets;
    QTimer* m_timer;
};
