// The services' default hosts and the variables that replace them.
#include "web/hosts.h"

#include <QHostAddress>

using namespace Qt::Literals::StringLiterals;

namespace {

struct HostEntry
{
    Service service;
    const char* variable;
    const char* host;
    const char* scheme;
};

// Alexa's data service was retired in 2022 and Yahoo China's sitemap search closed in 2013; both stay
// reachable through a mirror named in their variable. The ICP filing API and the update host have no
// public address we can name, so they default to reserved names that fail fast. An empty DNS server is
// the system's resolver; an empty WHOIS host, each registry's own server.
constexpr HostEntry kHosts[] = {
    {Service::Registrar, "QUILLMARK_HOST_REGISTRAR", "panda.www.net.cn", "http"},
    {Service::Icp, "QUILLMARK_HOST_ICP", "icp.quillmark.example", "http"},
    {Service::Baidu, "QUILLMARK_HOST_BAIDU", "www.baidu.com", "http"},
    {Service::Alexa, "QUILLMARK_HOST_ALEXA", "data.alexa.com", "http"},
    {Service::Yahoo, "QUILLMARK_HOST_YAHOO", "sitemap.cn.yahoo.com", "http"},
    {Service::Update, "QUILLMARK_HOST_UPDATE", "update.quillmark.example", "http"},
    {Service::Iana, "QUILLMARK_HOST_IANA", "data.iana.org", "https"},
    {Service::Tranco, "QUILLMARK_HOST_TRANCO", "tranco-list.eu", "https"},
    {Service::Dns, "QUILLMARK_DNS_SERVER", "", ""},
    {Service::Whois, "QUILLMARK_HOST_WHOIS", "", ""},
};

const HostEntry& entry(Service service)
{
    for (const HostEntry& e : kHosts) {
        if (e.service == service)
            return e;
    }
    Q_UNREACHABLE();
}

} // namespace

QString serviceHost(Service service)
{
    const QString overridden = qEnvironmentVariable(entry(service).variable).trimmed();
    return overridden.isEmpty() ? QLatin1String(entry(service).host) : overridden;
}

QString serviceAddress(Service service)
{
    const QString host = serviceHost(service);
    return host.contains(u"://"_s) ? host : QLatin1String(entry(service).scheme) + u"://"_s + host;
}

std::optional<Endpoint> parseEndpoint(const QString& text, quint16 defaultPort)
{
    const QString server = text.trimmed();
    QString host = server;
    QString port;
    if (server.startsWith(u'[')) {
        const qsizetype close = server.indexOf(u']');
        if (close < 0 || (close + 1 < server.size() && server.at(close + 1) != u':'))
            return std::nullopt;
        host = server.mid(1, close - 1);
        if (close + 1 < server.size())
            port = server.mid(close + 2);
        if (QHostAddress(host).protocol() != QAbstractSocket::IPv6Protocol)
            return std::nullopt;
    } else if (server.count(u':') == 1) {
        host = server.section(u':', 0, 0);
        port = server.section(u':', 1);
    } else if (server.contains(u':') && QHostAddress(server).isNull()) {
        return std::nullopt; // colons that make no IPv6 address
    }
    if (host.isEmpty() || host.contains(u' ') || host.contains(u'/'))
        return std::nullopt;
    if (port.isNull())
        return Endpoint {host, defaultPort};
    bool numeric = false;
    const uint number = port.toUInt(&numeric);
    if (!numeric || number == 0 || number > 65535)
        return std::nullopt;
    return Endpoint {host, quint16(number)};
}

QString hostVariableProblem(Service service)
{
    const char* variable = entry(service).variable;
    const QString value = qEnvironmentVariable(variable).trimmed();
    if (value.isEmpty())
        return {};
    QString server = value;
    if (const qsizetype scheme = server.indexOf(u"://"_s); scheme >= 0)
        server = server.mid(scheme + 3);
    if (parseEndpoint(server, 1))
        return {};
    return u"%1=%2 不能用：应为主机名，或“主机:端口”（端口 1–65535；IPv6 写作 [地址]:端口）"_s.arg(
        QLatin1String(variable), value);
}
