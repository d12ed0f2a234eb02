#include "settings/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

Settings::Settings(const QString& path)
    : m_file(std::make_unique<QSettings>(path, QSettings::IniFormat))
{
    // Proxies may carry passwords: the file is its owner's alone, made so before anything is written to it
    // (each save replaces the file and keeps its permissions).
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.exists() && file.open(QIODevice::WriteOnly))
        file.close();
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

Settings::~Settings() = default;

QString Settings::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + u"/seo-quillmark/seo-quillmark.conf"_s;
}

namespace {

std::vector<ServiceInfo> builtInServices()
{
    // Search engines throttle hard and answer a hurried client with a verification page, so they are
    // asked one at a time. Home pages are each on a host of their own.
    return {
        {u"registrar"_s, u"注册商查询"_s, 4},
        {u"icp"_s, u"备案查询"_s, 4},
        {u"baidu"_s, u"百度"_s, 1},
        {u"alexa"_s, u"Alexa"_s, 4},
        {u"yahoo"_s, u"雅虎"_s, 1},
        {u"home"_s, u"网站首页"_s, 32},
        {u"tls"_s, u"HTTPS 证书"_s, 32},
        {u"robots"_s, u"robots.txt"_s, 32},
        {u"ping"_s, u"ping"_s, 16},
        {u"rdap"_s, u"RDAP"_s, 2}, // at once per registry server
        {u"dns"_s, u"DNS"_s, 16},
        {u"whois"_s, u"WHOIS"_s, 1, 1000}, // per registry server: they count queries per address
    };
}

std::vector<ServiceInfo>& serviceTable()
{
    static std::vector<ServiceInfo> all = builtInServices();
    return all;
}

} // namespace

const std::vector<ServiceInfo>& Settings::services()
{
    return serviceTable();
}

void Settings::setCustomServices(const std::vector<ServiceInfo>& custom)
{
    // A custom lookup may keep a built-in service's pace (its `service` says "baidu"): that one stays as it is.
    std::vector<ServiceInfo> all = builtInServices();
    for (const ServiceInfo& info : custom) {
        if (std::none_of(all.begin(), all.end(), [&](const ServiceInfo& known) { return known.key == info.key; }))
            all.push_back(info);
    }
    serviceTable() = std::move(all);
}

const ServiceInfo* Settings::service(const QString& key)
{
    for (const ServiceInfo& info : services()) {
        if (info.key == key)
            return &info;
    }
    return nullptr;
}

Pace Settings::pace(const QString& service) const
{
    if (const auto overridden = m_overrides.constFind(service); overridden != m_overrides.cend())
        return *overridden;
    const ServiceInfo* info = Settings::service(service);
    const Pace defaults {info ? info->concurrency : 1, info ? info->gapMs : 0};
    bool ok = false;
    const int concurrency = m_file->value(service + u"/concurrency"_s).toInt(&ok);
    Pace pace;
    pace.concurrency = ok && concurrency >= 1 && concurrency <= kMaxConcurrency ? concurrency : defaults.concurrency;
    const int gapMs = m_file->value(service + u"/gapMs"_s).toInt(&ok);
    pace.gapMs = ok && gapMs >= 0 && gapMs <= kMaxGapMs ? gapMs : defaults.gapMs;
    return pace;
}

void Settings::setPace(const QString& service, const Pace& pace)
{
    m_file->setValue(service + u"/concurrency"_s, pace.concurrency);
    m_file->setValue(service + u"/gapMs"_s, pace.gapMs);
    m_file->sync();
}

QString Settings::rangeProblem(const Pace& pace)
{
    if (pace.concurrency < 1 || pace.concurrency > kMaxConcurrency)
        return u"同时请求数须在 1 到 %1 之间"_s.arg(kMaxConcurrency);
    if (pace.gapMs < 0 || pace.gapMs > kMaxGapMs)
        return u"请求间隔须在 0 到 %1 毫秒之间"_s.arg(kMaxGapMs);
    return {};
}

QStringList Settings::checkedLookups() const
{
    return m_file->value(u"lookups/checked"_s).toStringList();
}

void Settings::setCheckedLookups(const QStringList& keys)
{
    m_file->setValue(u"lookups/checked"_s, keys);
    m_file->sync();
}

QHash<QString, QString> Settings::rdapServers() const
{
    QHash<QString, QString> servers;
    m_file->beginGroup(u"rdap-servers"_s);
    for (const QString& suffix : m_file->childKeys())
        servers.insert(suffix.toLower(), m_file->value(suffix).toString().trimmed());
    m_file->endGroup();
    return servers;
}

QStringList Settings::proxies(const QString& service) const
{
    if (const auto overridden = m_proxyOverrides.constFind(service); overridden != m_proxyOverrides.cend())
        return *overridden;
    QStringList urls;
    for (const QString& url : m_file->value(service + u"/proxies"_s).toStringList()) {
        if (!url.trimmed().isEmpty())
            urls.append(url.trimmed());
    }
    return urls;
}

void Settings::setProxies(const QString& service, const QStringList& urls)
{
    if (urls.isEmpty())
        m_file->remove(service + u"/proxies"_s);
    else
        m_file->setValue(service + u"/proxies"_s, urls);
    m_file->sync();
}
