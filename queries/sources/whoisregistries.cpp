// SPDX-License-Identifier: GPL-3.0-or-later
// The registries' data files read into rules, prepared for reading answers fast.
#include "queries/sources/whoisregistries.h"

#include "input/userfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace {

using ListField = QStringList WhoisRules::*;

struct ListKey
{
    const char16_t* name;
    ListField field;
};

const ListKey kLists[] = {
    {u"notFound", &WhoisRules::notFound},
    {u"reserved", &WhoisRules::reserved},
    {u"rateLimit", &WhoisRules::rateLimit},
    {u"registered", &WhoisRules::registered},
    {u"registrar", &WhoisRules::registrar},
    {u"created", &WhoisRules::created},
    {u"expiry", &WhoisRules::expiry},
    {u"domainFields", &WhoisRules::domainFields},
    {u"statusFields", &WhoisRules::statusFields},
    {u"contactWords", &WhoisRules::contactWords},
    {u"nameServerWords", &WhoisRules::nameServerWords},
    {u"contactObjects", &WhoisRules::contactObjects},
    {u"noticeWords", &WhoisRules::noticeWords},
};

bool isHostName(const QString& text)
{
    if (text.isEmpty() || text.size() > 253)
        return false;
    return std::all_of(text.cbegin(), text.cend(),
        [](QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'.' || c == u'-'; });
}

// One entry of the file, or why it cannot be used.
QString readEntry(const QJsonObject& object, bool common, WhoisRules& rules)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString key = it.key();
        const QJsonValue value = it.value();
        const auto list = std::find_if(
            std::begin(kLists), std::end(kLists), [&](const ListKey& entry) { return key == QStringView(entry.name); });
        if (list != std::end(kLists)) {
            if (!value.isArray())
                return QCoreApplication::translate("Registries", "%1 应为字符串数组").arg(key);
            for (const QJsonValue& item : value.toArray()) {
                const QString text = item.toString().simplified().toLower();
                if (!item.isString() || text.isEmpty())
                    return QCoreApplication::translate("Registries", "%1 应为非空字符串的数组").arg(key);
                (rules.*(list->field)).append(text);
            }
        } else if (key == u"server"_s && !common) {
            rules.server = value.toString().trimmed().toLower();
        } else if ((key == u"suffixes"_s || key == u"serves"_s) && !common) {
            if (!value.isArray())
                return QCoreApplication::translate("Registries", "%1 应为字符串数组").arg(key);
            for (const QJsonValue& item : value.toArray()) {
                const QString suffix = QString::fromLatin1(QUrl::toAce(item.toString().trimmed().toLower()));
                if (!item.isString() || !isHostName(suffix))
                    return QCoreApplication::translate("Registries", "%1 中有不是后缀的项").arg(key);
                (key == u"suffixes"_s ? rules.suffixes : rules.serves).append(suffix);
            }
        } else if (key == u"query"_s && !common) {
            rules.query = value.toString();
            if (!rules.query.contains(u"{name}"_s) && !rules.query.contains(u"{unicode}"_s))
                return QCoreApplication::translate("Registries", "query 应含 {name} 或 {unicode}");
        } else if (key == u"encoding"_s && !common) {
            rules.encoding = value.toString().toLatin1();
            if (!QStringDecoder(rules.encoding.constData()).isValid())
                return QCoreApplication::translate("Registries", "encoding %1 无法识别").arg(value.toString());
        } else if (key == u"dateOrder"_s && !common) {
            const QString order = value.toString();
            if (order == u"dmy"_s)
                rules.dateOrder = DateOrder::DayMonth;
            else if (order == u"mdy"_s)
                rules.dateOrder = DateOrder::MonthDay;
            else
                return QCoreApplication::translate("Registries", "dateOrder 应为 dmy 或 mdy");
        } else if (key != u"comment"_s) {
            return QCoreApplication::translate("Registries", "不认识的字段 %1").arg(key);
        }
    }
    if (!common && !isHostName(rules.server))
        return QCoreApplication::translate("Registries", "server 应为服务器的主机名");
    return {};
}

// A registry's own words first, then what most servers say.
std::shared_ptr<const WhoisRules> merged(const WhoisRules& own, const WhoisRules& common)
{
    auto rules = std::make_shared<WhoisRules>(own);
    for (const ListKey& list : kLists)
        ((*rules).*(list.field)).append(common.*(list.field));
    const std::pair<QStringList WhoisRules::*, WhoisRules::Role> roles[] = {
        {&WhoisRules::domainFields, WhoisRules::Role::Domain},
        {&WhoisRules::registrar, WhoisRules::Role::Registrar},
        {&WhoisRules::created, WhoisRules::Role::Created},
        {&WhoisRules::expiry, WhoisRules::Role::Expiry},
    };
    for (const auto& [list, role] : roles) {
        const QStringList& names = (*rules).*list;
        for (int rank = 0; rank < names.size(); ++rank) {
            if (!rules->fieldRoles.contains(names.at(rank)))
                rules->fieldRoles.insert(names.at(rank), {role, rank});
        }
    }
    const std::pair<QStringList WhoisRules::*, std::vector<WhoisRules::Phrase> WhoisRules::*> phrases[] = {
        {&WhoisRules::notFound, &WhoisRules::notFoundPhrases},
        {&WhoisRules::reserved, &WhoisRules::reservedPhrases},
        {&WhoisRules::registered, &WhoisRules::registeredPhrases},
    };
    for (const auto& [list, prepared] : phrases) {
        for (const QString& text : (*rules).*list) {
            WhoisRules::Phrase phrase {text, text.endsWith(u" *"_s), text.contains(u"{label}"_s)};
            if (phrase.anyRest)
                phrase.text.chop(2);
            ((*rules).*prepared).push_back(phrase);
            const QString first = text.section(u' ', 0, 0).section(u':', 0, 0);
            const QString word = first.startsWith(u"{name}"_s) ? u"{name}"_s : first;
            if (!rules->verdictWords.contains(word))
                rules->verdictWords.append(word);
        }
    }
    for (const QString& word : std::as_const(rules->verdictWords))
        rules->verdictStarts.insert(
            std::u16string_view(reinterpret_cast<const char16_t*>(word.utf16()), size_t(word.size())));
    for (const QString& word : std::as_const(rules->noticeWords))
        rules->noticeSet.add(word);
    for (const QString& phrase : std::as_const(rules->rateLimit))
        rules->rateLimitSet.add(phrase);
    rules->contactSet = QSet<QString>(rules->contactWords.cbegin(), rules->contactWords.cend());
    rules->nameServerSet = QSet<QString>(rules->nameServerWords.cbegin(), rules->nameServerWords.cend());
    rules->statusSet = QSet<QString>(rules->statusFields.cbegin(), rules->statusFields.cend());
    rules->contactObjectSet = QSet<QString>(rules->contactObjects.cbegin(), rules->contactObjects.cend());
    for (auto it = rules->fieldRoles.cbegin(); it != rules->fieldRoles.cend(); ++it) {
        // A registrar's name could be any words ("Registrar Information" is a heading): dates and names only.
        if (it.key().size() >= 8 && it->first != WhoisRules::Role::Registrar)
            rules->keysByFirstWord[it.key().section(u' ', 0, 0)].append(it.key());
    }
    for (QStringList& keys : rules->keysByFirstWord)
        std::sort(keys.begin(), keys.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
    return rules;
}

} // namespace

namespace {

// Rules are made the first time a server is asked, whichever thread asks.
QMutex& rulesBeingMade()
{
    static QMutex mutex;
    return mutex;
}

quint32 pairAt(QStringView text, qsizetype i)
{
    return (quint32(text.at(i).unicode()) << 16) | text.at(i + 1).unicode();
}

} // namespace

void PhraseSet::add(const QString& phrase)
{
    if (phrase.size() < 2)
        return;
    m_phrases.append(phrase);
    if (phrase.at(0).unicode() < 128 && phrase.at(1).unicode() < 128)
        m_asciiStarts.set(phrase.at(0).unicode() * 128 + phrase.at(1).unicode());
    else
        m_otherStarts.insert(pairAt(phrase, 0));
}

bool PhraseSet::foundIn(QStringView text) const
{
    const char16_t* chars = reinterpret_cast<const char16_t*>(text.utf16());
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        const char16_t first = chars[i];
        const char16_t second = chars[i + 1];
        const bool start = first < 128 && second < 128
            ? m_asciiStarts.test(first * 128 + second)
            : !m_otherStarts.isEmpty() && m_otherStarts.contains(pairAt(text, i));
        if (!start)
            continue;
        const QStringView rest = text.mid(i);
        if (std::any_of(
                m_phrases.cbegin(), m_phrases.cend(), [&](const QString& phrase) { return rest.startsWith(phrase); }))
            return true;
    }
    return false;
}

WhoisRegistries::WhoisRegistries()
    : m_fallback(merged({}, {}))
{
}

QStringList WhoisRegistries::add(const QByteArray& json, const QString& fileName)
{
    QJsonParseError error {};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (!document.isObject())
        return {QCoreApplication::translate("Registries", "%1 无法解析：%2").arg(fileName, error.errorString())};
    QStringList problems;
    const QJsonObject top = document.object();
    if (top.contains(u"generic"_s)) {
        // A user's phrases add to ours: a file of one phrase must not leave every other answer unread.
        WhoisRules common;
        const QString fault = readEntry(top.value(u"generic"_s).toObject(), true, common);
        for (const ListKey& list : kLists) {
            for (const QString& item : std::as_const(common.*(list.field))) {
                if (fault.isEmpty() && !(m_common.*(list.field)).contains(item))
                    (m_common.*(list.field)).append(item);
            }
        }
        if (!fault.isEmpty())
            problems << QCoreApplication::translate("Registries", "%1 generic：%2").arg(fileName, fault);
    }
    const QJsonArray entries = top.value(u"registries"_s).toArray();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        WhoisRules own;
        const QJsonObject object = entries.at(i).toObject();
        const QString fault = entries.at(i).isObject() ? readEntry(object, false, own)
                                                       : QCoreApplication::translate("Registries", "应为对象");
        if (!fault.isEmpty()) {
            problems << QCoreApplication::translate("Registries", "%1 第 %2 项（%3）：%4")
                            .arg(fileName)
                            .arg(i + 1)
                            .arg(object.value(u"server"_s).toString(), fault);
            continue;
        }
        for (const QString& suffix : std::as_const(own.suffixes)) {
            m_servers.insert(suffix, own.server);
            m_readers.insert(suffix, own.server);
        }
        for (const QString& suffix : std::as_const(own.serves))
            m_readers.insert(suffix, own.server);
        m_own.insert(own.server, object);
    }
    // A later file's common part serves the entries of earlier files too.
    m_fallback = merged({}, m_common);
    const QMutexLocker lock(&rulesBeingMade());
    m_rules.clear();
    return problems;
}

const WhoisRules& WhoisRegistries::rulesFor(const QString& server, const QString& asciiName) const
{
    QString known = server.toLower();
    if (!m_own.contains(known))
        known = longestSuffix(m_readers, asciiName);
    const auto entry = m_own.constFind(known);
    if (entry == m_own.cend())
        return *m_fallback;
    const QMutexLocker lock(&rulesBeingMade());
    std::shared_ptr<const WhoisRules>& rules = m_rules[known];
    if (!rules) {
        WhoisRules own;
        readEntry(*entry, false, own); // read whole when the file was
        rules = merged(own, m_common);
    }
    // The rules stay where they are made while the map grows: the reference outlives the lock.
    return *rules;
}

QString WhoisRegistries::serverFor(const QString& asciiName) const
{
    return longestSuffix(m_servers, asciiName);
}

QString WhoisRegistries::longestSuffix(const QHash<QString, QString>& servers, const QString& asciiName)
{
    // "a.b.com.cn" tries itself, then "b.com.cn", "com.cn" and "cn": the longest suffix first.
    for (QStringView rest(asciiName); !rest.isEmpty();) {
        const auto found = servers.constFind(rest.toString().toLower());
        if (found != servers.cend())
            return *found;
        const qsizetype dot = rest.indexOf(u'.');
        if (dot < 0)
            break;
        rest = rest.mid(dot + 1);
    }
    return {};
}

QByteArray WhoisRegistries::query(const QString& server, const QString& asciiName) const
{
    const WhoisRules& rules = rulesFor(server, asciiName);
    QString question = rules.query;
    question.replace(u"{name}"_s, asciiName);
    question.replace(u"{unicode}"_s, QUrl::fromAce(asciiName.toLatin1()));
    if (rules.encoding.isEmpty())
        return question.toUtf8();
    QStringEncoder encoder(rules.encoding.constData());
    return encoder.encode(question);
}

QString whoisRegistriesUserPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + u"/seo-quillmark/whois-registries.json"_s;
}

namespace {

struct Loaded
{
    WhoisRegistries registries;
    QStringList problems;
};

const Loaded& loaded()
{
    static const Loaded once = [] {
        Loaded result;
        QFile shipped(u":/data/whois-registries.json"_s);
        if (shipped.open(QIODevice::ReadOnly))
            result.problems << result.registries.add(shipped.readAll(), u"whois-registries.json"_s);
        const UserFile own = readUserFile(whoisRegistriesUserPath());
        if (!own.problem.isEmpty())
            result.problems << own.problem;
        else if (own.found)
            result.problems << result.registries.add(own.bytes, whoisRegistriesUserPath());
        return result;
    }();
    return once;
}

} // namespace

const WhoisRegistries& whoisRegistries()
{
    return loaded().registries;
}

QStringList whoisRegistryProblems()
{
    return loaded().problems;
}
