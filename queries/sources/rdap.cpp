// SPDX-License-Identifier: GPL-3.0-or-later
// IANA's RDAP bootstrap, the copy that ships and the cached one refreshed once a day, and the servers beside it.
#include "queries/sources/rdap.h"

#include "settings/clock.h"
#include "web/fetch.h"
#include "web/hosts.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace {

// Where IANA publishes which RDAP server answers for each suffix; fetched once a day at most.
const Service& ianaService()
{
    static const Service service {.key = u"iana"_s,
        .name = u"IANA"_s,
        .pace = {1},
        .hostVariable = "QUILLMARK_HOST_IANA",
        .host = "data.iana.org",
        .scheme = "https"};
    return service;
}

QString cacheFile(const QString& name)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + u"/seo-quillmark/"_s + name;
}

bool olderThanADay(const QString& path)
{
    const QFileInfo file(path);
    return !file.exists() || file.lastModified().secsTo(systemClock().now()) > 24 * 3600;
}

} // namespace

bool RdapBootstrap::load(const QByteArray& json)
{
    QHash<QString, QString> bases;
    // services: [[["com", "net"], ["https://rdap.verisign.com/com/v1/"]], …]
    for (const QJsonValue& service : QJsonDocument::fromJson(json).object().value(u"services"_s).toArray()) {
        const QJsonArray entry = service.toArray();
        QString base;
        for (const QJsonValue& address : entry.at(1).toArray()) {
            const QString url = address.toString();
            if (url.startsWith(u"https://"_s) || (base.isEmpty() && url.startsWith(u"http://"_s)))
                base = url.endsWith(u'/') ? url : url + u'/';
        }
        for (const QJsonValue& suffix : entry.at(0).toArray()) {
            if (!base.isEmpty() && !suffix.toString().isEmpty())
                bases.insert(suffix.toString().toLower(), base);
        }
    }
    if (bases.isEmpty())
        return false;
    m_bases = std::move(bases);
    return true;
}

void RdapBootstrap::add(const QString& suffix, const QString& base)
{
    if (!suffix.isEmpty() && (base.startsWith(u"https://"_s) || base.startsWith(u"http://"_s)))
        m_bases.insert(suffix.toLower(), base.endsWith(u'/') ? base : base + u'/');
}

QString RdapBootstrap::baseFor(const QString& asciiName) const
{
    // "a.b.co.uk" tries itself, then "b.co.uk", "co.uk" and "uk": the longest suffix first.
    for (QStringView rest(asciiName); !rest.isEmpty();) {
        const auto found = m_bases.constFind(rest.toString());
        if (found != m_bases.cend())
            return *found;
        const qsizetype dot = rest.indexOf(u'.');
        if (dot < 0)
            break;
        rest = rest.mid(dot + 1);
    }
    return {};
}

bool RdapBootstrap::covers(const RdapBootstrap& other) const
{
    qsizetype kept = 0;
    for (auto it = other.m_bases.cbegin(); it != other.m_bases.cend(); ++it)
        kept += m_bases.contains(it.key()) ? 1 : 0;
    return kept * 10 >= other.m_bases.size() * 9;
}

RegistryDirectory::RegistryDirectory(Network& network)
    : m_network(network)
{
}

RegistryDirectory::~RegistryDirectory() = default;

const RdapBootstrap& RegistryDirectory::bootstrap()
{
    if (!m_loaded) {
        QFile cached(cacheFile(u"rdap-dns.json"_s));
        QFile bundled(u":/data/rdap-dns.json"_s);
        m_loaded = (cached.open(QIODevice::ReadOnly) && m_bootstrap.load(cached.readAll()))
            || (bundled.open(QIODevice::ReadOnly) && m_bootstrap.load(bundled.readAll()));
    }
    return m_bootstrap;
}

const RdapBootstrap& rdapSupplement()
{
    static const RdapBootstrap supplement = [] {
        RdapBootstrap table;
        QFile file(u":/data/rdap-extra.json"_s);
        if (file.open(QIODevice::ReadOnly))
            table.load(file.readAll());
        return table;
    }();
    return supplement;
}

// Asked at most once a day, whether the answer came or not: IANA publishes a few times a year.
void RegistryDirectory::refresh()
{
    const QString stamp = cacheFile(u"rdap-dns.checked"_s);
    if (m_fetch || !olderThanADay(stamp) || !olderThanADay(cacheFile(u"rdap-dns.json"_s)))
        return;
    QDir().mkpath(QFileInfo(stamp).path());
    QFile touched(stamp);
    if (!touched.open(QIODevice::WriteOnly))
        return;
    touched.write(systemClock().now().toUTC().toString(Qt::ISODate).toLatin1());
    touched.close();

    FetchRequest request(serviceAddress(ianaService()) + u"/rdap/dns.json"_s, Charset::Utf8);
    request.accept = "application/json";
    request.network = &m_network;
    m_fetch = std::make_unique<PageFetch>(request);
    QObject::connect(m_fetch.get(), &PageFetch::finished, m_fetch.get(), [this] {
        const PageResult& answer = m_fetch->result();
        RdapBootstrap fresh;
        // A copy that lost most of its suffixes (a truncated or tampered file) would leave most names without a
        // server for a day: the one in use stays.
        if (answer.isSuccess() && fresh.load(answer.text.toUtf8()) && fresh.covers(bootstrap())) {
            QSaveFile file(cacheFile(u"rdap-dns.json"_s));
            if (file.open(QIODevice::WriteOnly) && file.write(answer.text.toUtf8()) >= 0)
                file.commit();
            m_bootstrap = fresh;
            m_loaded = true;
        }
        m_fetch.release()->deleteLater();
    });
}

QString rdapAddress(const QString& base, const QString& asciiName)
{
    return base + u"domain/"_s + asciiName;
}
