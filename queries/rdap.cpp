#include "queries/rdap.h"

#include "queries/keys.h"
#include "queries/lookup.h"
#include "queries/registration.h"
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

const QString kNone = u"无"_s;

QString cacheFile(const QString& name)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + u"/seo-quillmark/"_s + name;
}

bool olderThanADay(const QString& path)
{
    const QFileInfo file(path);
    return !file.exists() || file.lastModified().secsTo(QDateTime::currentDateTime()) > 24 * 3600;
}

QString registrarName(const QJsonObject& domain, QString* why)
{
    const QJsonArray entities = domain.value(u"entities"_s).toArray();
    for (qsizetype i = 0; i < entities.size(); ++i) {
        const QJsonObject object = entities.at(i).toObject();
        if (!object.value(u"roles"_s).toArray().contains(u"registrar"_s))
            continue;
        // vcardArray: ["vcard", [["version", {}, "text", "4.0"], ["fn", {}, "text", "Example Registrar"], …]]
        for (const QJsonValue& property : object.value(u"vcardArray"_s).toArray().at(1).toArray()) {
            const QJsonArray field = property.toArray();
            if (field.at(0).toString() == u"fn"_s && field.at(3).isString() && !field.at(3).toString().isEmpty()) {
                *why = u"entities[%1]（registrar）fn：%2"_s.arg(i).arg(field.at(3).toString());
                return field.at(3).toString().simplified();
            }
        }
    }
    return kNone;
}

CellResult eventDate(const QJsonObject& domain, const QString& action, QString* why)
{
    const QJsonArray events = domain.value(u"events"_s).toArray();
    for (qsizetype i = 0; i < events.size(); ++i) {
        const QJsonObject object = events.at(i).toObject();
        if (object.value(u"eventAction"_s).toString() != action)
            continue;
        const QString written = object.value(u"eventDate"_s).toString();
        *why = u"events[%1]（%2）eventDate：%3"_s.arg(i).arg(action, written);
        const QString date = registryDate(written);
        return date.isEmpty() ? CellResult {kNone, u"日期无法识别"_s} : CellResult {date};
    }
    return {kNone};
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
    touched.write(QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toLatin1());
    touched.close();

    FetchRequest request(serviceAddress(Service::Iana) + u"/rdap/dns.json"_s, Charset::Utf8);
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

namespace {

constexpr size_t kAnswersKept = 5000;
constexpr qint64 kAnswerBytesKept = 32 * 1024 * 1024;

qint64 sizeOf(const RegistrationAnswer& answer)
{
    qint64 bytes = 256;
    for (const QString& line : answer.lines)
        bytes += 32 + line.size() * 2;
    return bytes;
}

} // namespace

void RegistryDirectory::keepAnswer(const RegistrationAnswer& answer)
{
    if (const auto old = m_answers.take(answer.asked)) {
        m_answerBytes -= sizeOf(*old);
        m_answerOrder.erase(std::find(m_answerOrder.begin(), m_answerOrder.end(), answer.asked));
    }
    auto kept = std::make_shared<const RegistrationAnswer>(answer);
    m_answerBytes += sizeOf(*kept);
    m_answers.insert(answer.asked, kept);
    m_answerOrder.push_back(answer.asked);
    while (m_answerOrder.size() > kAnswersKept || (m_answerBytes > kAnswerBytesKept && m_answerOrder.size() > 1)) {
        m_answerBytes -= sizeOf(*m_answers.take(m_answerOrder.front()));
        m_answerOrder.pop_front();
    }
}

std::shared_ptr<const RegistrationAnswer> RegistryDirectory::answerFor(const QString& asked) const
{
    return m_answers.value(asked);
}

QString rdapAddress(const QString& base, const QString& asciiName)
{
    return base + u"domain/"_s + asciiName;
}

QString registryDate(const QString& rfc3339)
{
    // The registry's own calendar date, as it wrote it: "2027-03-04T00:00:00+08:00" is the 4th in Beijing
    // and stays the 4th wherever the user is; without an offset the time is UTC, and the date is the same.
    static const QRegularExpression format(
        u"^(\\d{4}-\\d{2}-\\d{2})(?:[Tt ]\\d{2}:\\d{2}:\\d{2}(?:\\.\\d+)?(?:[Zz]|[+-]\\d{2}:\\d{2})?)?$"_s);
    const QRegularExpressionMatch match = format.match(rfc3339.trimmed());
    if (!match.hasMatch())
        return {};
    const QDate date = QDate::fromString(match.captured(1), u"yyyy-MM-dd"_s);
    return date.isValid() ? match.captured(1) : QString();
}

QHash<QString, CellResult> rdapCells(
    const PageResult& answer, const QString& asciiName, const QUrl& asked, QHash<QString, QString>* why)
{
    QHash<QString, QString> own;
    QHash<QString, QString>& said = why ? *why : own;
    if (answer.failure != FetchFailure::None)
        return allFour({u"未知"_s, failureReason(answer)});
    QJsonParseError error {};
    const QJsonDocument document = QJsonDocument::fromJson(answer.text.toUtf8(), &error);
    const QJsonObject domain = document.object();
    // Some servers say "not found" in an error object that comes with 200, the code as a number or a string.
    const QJsonValue errorCode = domain.value(u"errorCode"_s);
    const int code = errorCode.isDouble() ? errorCode.toInt() : errorCode.toString().toInt();
    const int status = code != 0 ? code : answer.status;
    if (status == 404) {
        // A wrong address in the user's [rdap-servers] makes a web server answer its own error page; a server that
        // sends us elsewhere has not answered itself. Neither says the name is free.
        const bool rdap = document.isObject() || answer.text.trimmed().isEmpty();
        const QString server = asked.host();
        if (!server.isEmpty() && answer.url.isValid() && answer.url.host().compare(server, Qt::CaseInsensitive) != 0)
            return allFour({u"未知"_s, u"RDAP 服务地址可能有误（HTTP 404，来自另一主机 %1）"_s.arg(answer.url.host())});
        if (!rdap)
            return allFour({u"未知"_s, u"RDAP 服务地址可能有误（HTTP 404，不是 RDAP 应答）"_s});
        said.insert(Key::RegStatus, code != 0 ? u"errorCode：404"_s : u"HTTP 404"_s);
        return notRegistered();
    }
    if (status != 200) {
        CellResult unknown = pageCell(answer, u"未知"_s);
        if (unknown.problem.isEmpty())
            unknown.problem = u"RDAP 错误 %1"_s.arg(status);
        return allFour(unknown);
    }
    if (!document.isObject())
        return allFour({u"未知"_s, u"RDAP 应答无法解析"_s});
    // Only a record of the very name asked says it is registered: not an empty object, an error object, or
    // another domain.
    const QString ldhName = domain.value(u"ldhName"_s).toString();
    const QString unicodeName = domain.value(u"unicodeName"_s).toString();
    const bool ours = ldhName.compare(asciiName, Qt::CaseInsensitive) == 0
        || (!unicodeName.isEmpty() && QUrl::toAce(unicodeName).compare(asciiName.toLatin1(), Qt::CaseInsensitive) == 0);
    if (domain.value(u"objectClassName"_s).toString().compare(u"domain"_s, Qt::CaseInsensitive) != 0 || !ours)
        return allFour({u"未知"_s, u"RDAP 应答不是 %1 的域名记录"_s.arg(asciiName)});
    said.insert(Key::RegStatus, u"objectClassName：domain，ldhName：%1"_s.arg(ldhName.isEmpty() ? unicodeName : ldhName));
    QString registrarWhy, createdWhy, expiryWhy;
    QHash<QString, CellResult> cells {{Key::RegStatus, {u"已注册"_s}},
        {Key::RegRegistrar, {registrarName(domain, &registrarWhy)}},
        {Key::RegCreated, eventDate(domain, u"registration"_s, &createdWhy)},
        {Key::RegExpiry, eventDate(domain, u"expiration"_s, &expiryWhy)}};
    for (const auto& [key, text] : {std::pair {Key::RegRegistrar, registrarWhy}, std::pair {Key::RegCreated, createdWhy},
             std::pair {Key::RegExpiry, expiryWhy}}) {
        if (!text.isEmpty())
            said.insert(key, text);
    }
    return cells;
}
