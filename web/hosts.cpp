#include "web/hosts.h"

using namespace Qt::Literals::StringLiterals;

namespace {

struct HostEntry
{
    Service service;
    const char* variable;
    const char* host;
};

// Alexa's data service was retired in 2022 and Yahoo China's sitemap search closed in 2013; both stay
// reachable through a mirror named in their variable. The ICP filing API and the update host have no
// public address we can name, so they default to reserved names that fail fast.
constexpr HostEntry kHosts[] = {
    {Service::Registrar, "QUILLMARK_HOST_REGISTRAR", "panda.www.net.cn"},
    {Service::Icp, "QUILLMARK_HOST_ICP", "icp.quillmark.example"},
    {Service::Baidu, "QUILLMARK_HOST_BAIDU", "www.baidu.com"},
    {Service::Alexa, "QUILLMARK_HOST_ALEXA", "data.alexa.com"},
    {Service::Yahoo, "QUILLMARK_HOST_YAHOO", "sitemap.cn.yahoo.com"},
    {Service::Update, "QUILLMARK_HOST_UPDATE", "update.quillmark.example"},
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
