#include "web/resolver.h"

#include <QHostAddress>
#include <QSocketNotifier>
#include <QTimer>
#include <ares.h>
#include <arpa/inet.h>
#include <netdb.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Each try waits this long, then c-ares tries again with a doubled wait; a cell's own limit ends it sooner.
constexpr int kTryTimeoutMs = 2000;
constexpr int kTries = 3;

struct Pending
{
    Resolver* resolver;
    Resolver::Type type;
};

} // namespace

DnsServer parseDnsServer(const QString& text)
{
    const QString server = text.trimmed();
    if (server.isEmpty())
        return {};
    QString host = server;
    QString port;
    if (server.startsWith(u'[')) {
        host = server.mid(1).section(u']', 0, 0);
        port = server.section(u"]:"_s, 1);
    } else if (server.count(u':') == 1) {
        host = server.section(u':', 0, 0);
        port = server.section(u':', 1);
    }
    const QHostAddress address(host);
    bool numeric = port.isEmpty();
    const uint number = port.isEmpty() ? 53 : port.toUInt(&numeric);
    if (address.isNull() || !numeric || number == 0 || number > 65535) {
        return {{}, u"QUILLMARK_DNS_SERVER=%1 不能用：应为 IP 地址，或“地址:端口”（IPv6 写作 [地址]:端口）"_s.arg(server)};
    }
    const QString name = address.protocol() == QAbstractSocket::IPv6Protocol ? u"[%1]"_s.arg(address.toString())
                                                                              : address.toString();
    return {u"%1:%2"_s.arg(name).arg(number), {}};
}

Resolver::Resolver(const QString& server, QObject* parent)
    : QObject(parent)
    , m_timer(new QTimer(this))
{
    static const int initialised = ares_library_init(ARES_LIB_INIT_ALL);
    Q_UNUSED(initialised);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] { process(ARES_SOCKET_BAD, ARES_SOCKET_BAD); });
    ares_options options {};
    options.sock_state_cb = &Resolver::onSocketState;
    options.sock_state_cb_data = this;
    options.timeout = kTryTimeoutMs;
    options.tries = kTries;
    int status = ares_init_options(&m_channel, &options, ARES_OPT_SOCK_STATE_CB | ARES_OPT_TIMEOUTMS | ARES_OPT_TRIES);
    if (status == ARES_SUCCESS && !server.isEmpty())
        status = ares_set_servers_ports_csv(m_channel, server.toLatin1().constData());
    if (status != ARES_SUCCESS)
        m_problem = QString::fromLocal8Bit(ares_strerror(status));
}

Resolver::~Resolver()
{
    m_closing = true;
    if (m_channel)
        ares_destroy(m_channel); // every pending query is answered ARES_EDESTRUCTION, and dropped
    for (const Watch& watch : std::as_const(m_sockets)) {
        delete watch.read;
        delete watch.write;
    }
}

void Resolver::query(const QString& asciiName, Type type)
{
    if (!m_problem.isEmpty()) {
        const Answer failed {Status::Failed, {}, {}, m_problem};
        QMetaObject::invokeMethod(this, [this, type, failed] { emit answered(type, failed); }, Qt::QueuedConnection);
        return;
    }
    ares_query(m_channel, asciiName.toLatin1().constData(), 1 /* C_IN */, type == Type::A ? 1 : 28,
        &Resolver::onAnswer, new Pending {this, type});
    scheduleTimeout();
}

void Resolver::onSocketState(void* data, int socket, int readable, int writable)
{
    auto* self = static_cast<Resolver*>(data);
    if (self->m_closing)
        return;
    Watch& watch = self->m_sockets[socket];
    const auto keep = [&](QSocketNotifier*& notifier, bool wanted, QSocketNotifier::Type kind) {
        if (wanted && !notifier) {
            notifier = new QSocketNotifier(socket, kind, self);
            connect(notifier, &QSocketNotifier::activated, self, [self, socket, kind] {
                kind == QSocketNotifier::Read ? self->process(socket, ARES_SOCKET_BAD)
                                              : self->process(ARES_SOCKET_BAD, socket);
            });
        } else if (!wanted && notifier) {
            notifier->setEnabled(false);
            notifier->deleteLater();
            notifier = nullptr;
        }
    };
    keep(watch.read, readable, QSocketNotifier::Read);
    keep(watch.write, writable, QSocketNotifier::Write);
    if (!watch.read && !watch.write)
        self->m_sockets.remove(socket);
}

void Resolver::process(int readSocket, int writeSocket)
{
    ares_process_fd(m_channel, readSocket, writeSocket);
    scheduleTimeout();
}

void Resolver::scheduleTimeout()
{
    timeval wait {};
    if (!m_closing && ares_timeout(m_channel, nullptr, &wait))
        m_timer->start(int(wait.tv_sec * 1000 + wait.tv_usec / 1000) + 1);
    else
        m_timer->stop();
}

void Resolver::onAnswer(void* data, int status, int, unsigned char* buffer, int length)
{
    const Pending pending = *static_cast<Pending*>(data);
    delete static_cast<Pending*>(data);
    if (status == ARES_EDESTRUCTION || pending.resolver->m_closing)
        return;
    Answer answer;
    hostent* host = nullptr;
    if (status == ARES_SUCCESS) {
        status = pending.type == Type::A ? ares_parse_a_reply(buffer, length, &host, nullptr, nullptr)
                                         : ares_parse_aaaa_reply(buffer, length, &host, nullptr, nullptr);
    }
    if (status == ARES_SUCCESS && host) {
        answer.status = Status::Answered;
        for (char** address = host->h_addr_list; address && *address; ++address) {
            char text[INET6_ADDRSTRLEN] = {};
            inet_ntop(host->h_addrtype, *address, text, sizeof text);
            answer.addresses.append(QHostAddress(QString::fromLatin1(text)).toString());
        }
        // The aliases are the names asked for on the way (the first is the one we asked); each one's target
        // is the next, and the last one's is the canonical name.
        QStringList aliases;
        for (char** alias = host->h_aliases; alias && *alias; ++alias)
            aliases.append(QString::fromLatin1(*alias));
        if (!aliases.isEmpty())
            answer.canonicalNames = aliases.mid(1) << QString::fromLatin1(host->h_name);
        ares_free_hostent(host);
    } else if (status == ARES_ENOTFOUND) {
        answer.status = Status::NoSuchName;
    } else if (status == ARES_ENODATA) {
        answer.status = Status::Answered; // the name is there, with no address of this kind
    } else {
        answer.problem = QString::fromLocal8Bit(ares_strerror(status));
    }
    emit pending.resolver->answered(pending.type, answer);
}
