#include "queries/rdap.h"

#include "queries/lookup.h"
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
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kStatus = u"rdap-status"_s;
const QString kRegistrar = u"rdap-registrar"_s;
const QString kExpiry = u"rdap-expiry"_s;

QString cacheFile(const QString& name)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + u"/seo-quillmark/"_s + name;
}

bool olderThanADay(const QString& path)
{
    const QFileInfo file(path);
    return !file.exists() || file.lastModified().secsTo(QDateTime::currentDateTime()) > 24 * 3600;
}

RdapBootstrap& bootstrapInUse()
{
    static RdapBootstrap bootstrap;
    static bool loaded = false;
    if (!loaded) {
        QFile cached(cacheFile(u"rdap-dns.json"_s));
        QFile bundled(u":/data/rdap-dns.json"_s);
        loaded = (cached.open(QIODevice::ReadOnly) && bootstrap.load(cached.readAll()))
            || (bundled.open(QIODevice::ReadOnly) && bootstrap.load(bundled.readAll()));
    }
    return bootstrap;
}

// Asked at most once a day, whether the answer came or not: IANA publishes a few times a year.
void refreshFromIana()
{
    static QPointer<PageFetch> fetch;
    const QString stamp = cacheFile(u"rdap-dns.checked"_s);
    if (fetch || !olderThanADay(stamp) || !olderThanADay(cacheFile(u"rdap-dns.json"_s)))
        return;
    QDir().mkpath(QFileInfo(stamp).path());
    QFile touched(stamp);
    if (!touched.open(QIODevice::WriteOnly))
        return;
    touched.write(QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toLatin1());
    touched.close();

    FetchRequest request(serviceAddress(Service::Iana) + u"/rdap/dns.json"_s, Charset::Utf8);
    request.accept = "application/json";
    fetch = new PageFetch(request);
    QObject::connect(fetch, &PageFetch::finished, fetch, [] {
        const PageResult& answer = fetch->result();
        RdapBootstrap fresh;
        if (answer.isSuccess() && fresh.load(answer.text.toUtf8())) {
            QSaveFile file(cacheFile(u"rdap-dns.json"_s));
            if (file.open(QIODevice::WriteOnly) && file.write(answer.text.toUtf8()) >= 0)
                file.commit();
            bootstrapInUse() = fresh;
        }
        fetch->deleteLater();
    });
}

QString registrarName(const QJsonObject& domain)
{
    for (const QJsonValue& entity : domain.value(u"entities"_s).toArray()) {
        const QJsonObject object = entity.toObject();
        if (!object.value(u"roles"_s).toArray().contains(u"registrar"_s))
            continue;
        // vcardArray: ["vcard", [["version", {}, "text", "4.0"], ["fn", {}, "text", "Example Registrar"], …]]
        for (const QJsonValue& property : object.value(u"vcardArray"_s).toArray().at(1).toArray()) {
            const QJsonArray field = property.toArray();
            if (field.at(0).toString() == u"fn"_s && field.at(3).isString() && !field.at(3).toString().isEmpty())
                return field.at(3).toString().simplified();
        }
    }
    return u"无"_s;
}

QString expirationDate(const QJsonObject& domain)
{
    for (const QJsonValue& event : domain.value(u"events"_s).toArray()) {
        const QJsonObject object = event.toObject();
        if (object.value(u"eventAction"_s).toString() != u"expiration"_s)
            continue;
        const QString when = object.value(u"eventDate"_s).toString();
        const QDateTime at = QDateTime::fromString(when, Qt::ISODateWithMs);
        if (at.isValid())
            return at.toUTC().date().toString(u"yyyy-MM-dd"_s);
        return when.isEmpty() ? u"无"_s : when.left(10);
    }
    return u"无"_s;
}

QHash<QString, CellResult> allThree(const CellResult& cell)
{
    return {{kStatus, cell}, {kRegistrar, cell}, {kExpiry, cell}};
}

class RdapJob : public LookupJob
{
public:
    RdapJob(const QString& domain, const JobContext& context)
        : m_domain(domain)
        , m_lookup(context.lookup)
    {
    }

    void start() override
    {
        const QString name = asciiName(m_domain);
        const QString base = rdapBootstrap().baseFor(name);
        if (name.isEmpty() || base.isEmpty()) {
            finish(m_lookup,
                allThree(name.isEmpty() ? CellResult {u"无效域名"_s, u"无效域名"_s}
                                        : CellResult {u"未知"_s, u"该后缀没有 RDAP 服务"_s}));
            return;
        }
        FetchRequest request(rdapAddress(base, name), Charset::Utf8);
        request.accept = "application/rdap+json";
        auto* fetch = new PageFetch(request, this);
        connect(fetch, &PageFetch::finished, this, [this, fetch] { finish(m_lookup, rdapCells(fetch->result())); });
    }

private:
    QString m_domain;
    QString m_lookup;
};

Lookup rdapLookup(const QString& key, const QString& header, int width)
{
    return {key, header, width, {}, {}, {}, Walk::WithStop, u"rdap"_s, nullptr, Charset::Utf8, nullptr,
        [](const QString& domain, const JobContext& context) -> LookupJob* { return new RdapJob(domain, context); },
        // Each registry's server keeps a pace of its own.
        [](const QString& domain) -> QString {
            return u"rdap "_s + QUrl(rdapBootstrap().baseFor(asciiName(domain))).host();
        }};
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

const RdapBootstrap& rdapBootstrap()
{
    refreshFromIana();
    return bootstrapInUse();
}

QString rdapAddress(const QString& base, const QString& asciiName)
{
    return base + u"domain/"_s + asciiName;
}

QHash<QString, CellResult> rdapCells(const PageResult& answer)
{
    if (answer.failure != FetchFailure::None)
        return allThree({u"未知"_s, failureReason(answer)});
    const QJsonDocument document = QJsonDocument::fromJson(answer.text.toUtf8());
    const QJsonObject domain = document.object();
    // Some servers say "not found" in an error object that comes with 200.
    const int status = domain.value(u"errorCode"_s).isDouble() ? domain.value(u"errorCode"_s).toInt() : answer.status;
    if (status == 404)
        return {{kStatus, {u"未注册"_s}}, {kRegistrar, {u"无"_s}}, {kExpiry, {u"无"_s}}};
    if (status != 200) {
        CellResult unknown = pageCell(answer, u"未知"_s);
        if (unknown.problem.isEmpty())
            unknown.problem = u"RDAP 错误 %1"_s.arg(status);
        return allThree(unknown);
    }
    if (!document.isObject())
        return allThree({u"未知"_s, u"RDAP 应答无法解析"_s});
    return {{kStatus, {u"已注册"_s}}, {kRegistrar, {registrarName(domain)}}, {kExpiry, {expirationDate(domain)}}};
}

const Lookup& rdapStatusLookup()
{
    static const Lookup lookup = rdapLookup(kStatus, u"注册状态"_s, 70);
    return lookup;
}

const Lookup& rdapRegistrarLookup()
{
    static const Lookup lookup = rdapLookup(kRegistrar, u"注册商"_s, 150);
    return lookup;
}

const Lookup& rdapExpiryLookup()
{
    static const Lookup lookup = rdapLookup(kExpiry, u"到期日"_s, 80);
    return lookup;
}
