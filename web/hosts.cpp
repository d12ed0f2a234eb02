#include "web/hosts.h"

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
