// SPDX-License-Identifier: GPL-3.0-or-later
// DNS queries over c-ares, and what their replies prove about the name asked.
#include "web/resolver.h"

#include <QCoreApplication>
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
    QString asked;
};

constexpr int kTypeA = 1;
constexpr int kTypeCname = 5;
constexpr int kTypeAaaa = 28;
constexpr int kTypeNs = 2;
constexpr int kTypeMx = 15;
constexpr int kTypeTxt = 16;

int typeNumber(Resolver::Type type)
{
    switch (type) {
    case Resolver::Type::A:
        return kTypeA;
    case Resolver::Type::AAAA:
        return kTypeAaaa;
    case Resolver::Type::NS:
        return kTypeNs;
    case Resolver::Type::MX:
        return kTypeMx;
    case Resolver::Type::TXT:
        break;
    }
    return kTypeTxt;
}

// A TXT record's character strings, joined without a space: SPF's rule for a record split in pieces (RFC 7208).
QString txtData(const unsigned char* at, int size)
{
    QByteArray text;
    for (int done = 0; done < size;) {
        const int piece = qMin(int(at[done]), size - done - 1);
        text.append(reinterpret_cast<const char*>(at + done + 1), piece);
        done += piece + 1;
    }
    return QString::fromUtf8(text);
}

// c-ares's reasons are English and some say less than they seem ("Could not contact DNS servers" for a
// server that answered SERVFAIL): the user is told in Chinese, with c-ares's words beside them.
QString failureText(int status)
{
    const QString english = QString::fromLatin1(ares_strerror(status));
    switch (status) {
    case ARES_ETIMEOUT:
        return QCoreApplication::translate("Network", "DNS 服务器没有应答（%1）").arg(english);
    case ARES_ECONNREFUSED:
        return QCoreApplication::translate("Network", "无法连接 DNS 服务器（%1）").arg(english);
    case ARES_EBADRESP:
        return QCoreApplication::translate("Network", "DNS 应答无法解析（%1）").arg(english);
    case ARES_EFORMERR:
        return QCoreApplication::translate("Network", "DNS 服务器无法理解查询（FORMERR）");
    case ARES_ESERVFAIL:
        return QCoreApplication::translate("Network", "DNS 服务器无法完成解析（SERVFAIL）");
    case ARES_EREFUSED:
        return QCoreApplication::translate("Network", "DNS 服务器拒绝了查询（REFUSED）");
    case ARES_ENOTIMP:
        return QCoreApplication::translate("Network", "DNS 服务器不支持这种查询（NOTIMP）");
    case ARES_EBADNAME:
        return QCoreApplication::translate("Network", "域名无法查询（%1）").arg(english);
    case ARES_ENOMEM:
        return QCoreApplication::translate("Network", "内存不足（%1）").arg(english);
    case ARES_EFILE:
        return QCoreApplication::translate("Network", "读取系统的 DNS 设置失败（%1）").arg(english);
    default:
        return QCoreApplication::translate("Network", "DNS 查询失败（%1）").arg(english);
    }
}

struct Record
{
    QString owner;
    int type = 0;
    QString data; // the address, the CNAME's or NS's target, the exchanger, the text
    int preference = 0; // an exchanger's
};

// The answer section of a reply. False when it cannot be read.
bool readAnswers(const unsigned char* reply, int length, QList<Record>* records)
{
    const auto u16 = [&](const unsigned char* at) { return int(at[0]) << 8 | at[1]; };
    const auto name = [&](const unsigned char*& at, QString* into) {
        char* text = nullptr;
        long used = 0;
        if (ares_expand_name(at, reply, length, &text, &used) != ARES_SUCCESS)
            return false;
        *into = QString::fromLatin1(text).toLower();
        ares_free_string(text);
        at += used;
        return true;
    };
    if (length < 12)
        return false;
    const unsigned char* at = reply + 12;
    const unsigned char* end = reply + length;
    QString ignored;
    for (int question = u16(reply + 4); question > 0; --question) {
        if (!name(at, &ignored) || end - at < 4)
            return false;
        at += 4;
    }
    for (int answer = u16(reply + 6); answer > 0; --answer) {
        Record record;
        if (!name(at, &record.owner) || end - at < 10)
            return false;
        record.type = u16(at);
        const int size = u16(at + 8);
        at += 10;
        if (end - at < size)
            return false;
        if (record.type == kTypeCname || record.type == kTypeNs || (record.type == kTypeMx && size > 2)) {
            const unsigned char* target = record.type == kTypeMx ? at + 2 : at;
            record.preference = record.type == kTypeMx ? u16(at) : 0;
            if (!name(target, &record.data))
                return false;
        } else if (record.type == kTypeTxt) {
            record.data = txtData(at, size);
        } else if ((record.type == kTypeA && size == 4) || (record.type == kTypeAaaa && size == 16)) {
            char text[INET6_ADDRSTRLEN] = {};
            inet_ntop(record.type == kTypeA ? AF_INET : AF_INET6, at, text, sizeof text);
            record.data = QHostAddress(QString::fromLatin1(text)).toString();
        }
        records->append(record);
        at += size;
    }
    return true;
}

// What a reply says of the name asked: its CNAME chain followed from that name, and the addresses of the
// chain's last name. Records of other names prove nothing about it.
Resolver::Answer answerFor(const unsigned char* reply, int length, const QString& asked, Resolver::Type type)
{
    Resolver::Answer answer;
    if (length < 12) {
        answer.problem = QCoreApplication::translate("Network", "DNS 应答无法解析");
        return answer;
    }
    switch (reply[3] & 0x0F) { // the response code
    case 0:
        break;
    case 3:
        answer.status = Resolver::Status::NoSuchName;
        return answer;
    case 2:
        answer.problem = failureText(ARES_ESERVFAIL);
        return answer;
    case 4:
        answer.problem = failureText(ARES_ENOTIMP);
        return answer;
    case 5:
        answer.problem = failureText(ARES_EREFUSED);
        return answer;
    default:
        answer.problem = QCoreApplication::translate("Network", "DNS 服务器返回错误（RCODE %1）").arg(reply[3] & 0x0F);
        return answer;
    }
    QList<Record> records;
    if (!readAnswers(reply, length, &records)) {
        answer.problem = QCoreApplication::translate("Network", "DNS 应答无法解析");
        return answer;
    }
    const int wanted = typeNumber(type);
    QString name = asked.toLower();
    QStringList chain {name};
    for (;;) {
        const auto alias = std::find_if(records.cbegin(), records.cend(),
            [&](const Record& record) { return record.type == kTypeCname && record.owner == name; });
        if (alias == records.cend())
            break;
        name = alias->data;
        if (chain.contains(name)) {
            answer.problem
                = QCoreApplication::translate("Network", "CNAME 循环：%1").arg((chain << name).join(u" → "_s));
            return answer;
        }
        chain.append(name);
    }
    for (const Record& record : std::as_const(records)) {
        if (record.type != wanted || record.owner != name || record.data.isEmpty())
            continue;
        if (wanted == kTypeA || wanted == kTypeAaaa)
            answer.addresses.append(record.data);
        else
            answer.records.append({record.preference, record.data});
    }
    const auto stranger = std::find_if(
        records.cbegin(), records.cend(), [&](const Record& record) { return !chain.contains(record.owner); });
    if (answer.addresses.isEmpty() && answer.records.isEmpty() && chain.size() == 1 && stranger != records.cend()) {
        answer.problem = QCoreApplication::translate("Network", "DNS 应答里没有 %1 的记录，只有 %2 的")
                             .arg(asked, stranger->owner);
        return answer;
    }
    answer.status = Resolver::Status::Answered;
    answer.canonicalNames = chain.mid(1);
    return answer;
}

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
        return {{},
            QCoreApplication::translate(
                "Network", "QUILLMARK_DNS_SERVER=%1 不能用：应为 IP 地址，或“地址:端口”（IPv6 写作 [地址]:端口）")
                .arg(server)};
    }
    const QString name
        = address.protocol() == QAbstractSocket::IPv6Protocol ? u"[%1]"_s.arg(address.toString()) : address.toString();
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
    // Without this c-ares reports a SERVFAIL or REFUSED answer as "Could not contact DNS servers"; with it
    // the answer itself comes back and says which.
    options.flags = ARES_FLAG_NOCHECKRESP;
    int status = ares_init_options(
        &m_channel, &options, ARES_OPT_SOCK_STATE_CB | ARES_OPT_TIMEOUTMS | ARES_OPT_TRIES | ARES_OPT_FLAGS);
    if (status == ARES_SUCCESS && !server.isEmpty())
        status = ares_set_servers_ports_csv(m_channel, server.toLatin1().constData());
    if (status != ARES_SUCCESS)
        m_problem = failureText(status);
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
        const Answer failed {Status::Failed, {}, {}, m_problem, {}, asciiName};
        QMetaObject::invokeMethod(
            this, [this, type, failed] { emit answered(type, failed); }, Qt::QueuedConnection);
        return;
    }
    ares_query(m_channel, asciiName.toLatin1().constData(), 1 /* C_IN */, typeNumber(type), &Resolver::onAnswer,
        new Pending {this, type, asciiName});
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
    // Every status a reply was read for comes with that reply, and the reply is read here.
    const bool replied = status == ARES_SUCCESS || status == ARES_ENODATA || status == ARES_ENOTFOUND
        || status == ARES_ESERVFAIL || status == ARES_EREFUSED || status == ARES_EFORMERR || status == ARES_ENOTIMP;
    Answer answer;
    if (replied && buffer && length > 0)
        answer = answerFor(buffer, length, pending.asked, pending.type);
    else if (status == ARES_ENOTFOUND || status == ARES_ENODATA)
        answer.status = status == ARES_ENOTFOUND ? Status::NoSuchName : Status::Answered;
    else
        answer.problem = failureText(status);
    answer.asked = pending.asked;
    emit pending.resolver->answered(pending.type, answer);
}
