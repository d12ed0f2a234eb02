// SPDX-License-Identifier: GPL-3.0-or-later
// A user's lookup as defined: what a definition must hold and why one is refused, its JSON form, and
// lookups.json, its owner's alone.
#include "queries/lookups/customdefinition.h"

#include "input/userfile.h"
#include "queries/lookups/extraction.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList kPlaceholders {u"{domain}"_s, u"{ascii}"_s, u"{registrable}"_s};

QString urlProblem(const QString& url)
{
    static const QRegularExpression placeholder(u"\\{[^}]*\\}"_s);
    for (const QRegularExpressionMatch& match : placeholder.globalMatch(url)) {
        if (!kPlaceholders.contains(match.captured()))
            return QCoreApplication::translate(
                "CustomLookups", "地址中的 %1 不是可用的占位符（可用 {domain}、{ascii}、{registrable}）")
                .arg(match.captured());
    }
    const QUrl sample(withPlaceholders(url, u"example.com"_s, u"example.com"_s, u"example.com"_s), QUrl::StrictMode);
    if (!sample.isValid() || (sample.scheme() != u"http"_s && sample.scheme() != u"https"_s) || sample.host().isEmpty())
        return QCoreApplication::translate("CustomLookups", "地址须以 http:// 或 https:// 开头，并带有主机名");
    return {};
}

bool isToken(const QString& name)
{
    static const QRegularExpression token(u"^[!#$%&'*+.^_`|~0-9A-Za-z-]+$"_s);
    return token.match(name).hasMatch();
}

// The one way of cutting the cell a definition must name: "regex", "json" or "between".
bool readExtraction(const QJsonObject& object, CustomLookup* lookup, QString* problem)
{
    const int kinds
        = int(object.contains(u"regex"_s)) + int(object.contains(u"json"_s)) + int(object.contains(u"between"_s));
    if (kinds != 1) {
        *problem = QCoreApplication::translate("CustomLookups", "须有且只有一种提取方式：regex、json 或 between");
        return false;
    }
    if (!object.contains(u"between"_s)) {
        const QString field = object.contains(u"regex"_s) ? u"regex"_s : u"json"_s;
        lookup->extraction = object.contains(u"regex"_s) ? Extraction::Regex : Extraction::Json;
        if (!object.value(field).isString()) {
            *problem = QCoreApplication::translate("CustomLookups", "缺少文本字段“%1”").arg(field);
            return false;
        }
        lookup->pattern = object.value(field).toString();
        return true;
    }
    lookup->extraction = Extraction::Between;
    const QJsonArray markers = object.value(u"between"_s).toArray();
    if (markers.size() != 2 || !markers[0].isString() || !markers[1].isString()) {
        *problem = QCoreApplication::translate("CustomLookups", "between 须是两个文本组成的数组");
        return false;
    }
    lookup->pattern = markers[0].toString();
    lookup->closing = markers[1].toString();
    return true;
}

} // namespace

QString withPlaceholders(const QString& url, const QString& domain, const QString& ascii, const QString& registrable)
{
    QString address = url;
    address.replace(kPlaceholders[0], QString::fromLatin1(QUrl::toPercentEncoding(domain)));
    address.replace(kPlaceholders[1], QString::fromLatin1(QUrl::toPercentEncoding(ascii)));
    address.replace(kPlaceholders[2], QString::fromLatin1(QUrl::toPercentEncoding(registrable)));
    return address;
}

QString CustomLookup::serviceKey() const
{
    if (!service.trimmed().isEmpty())
        return service.trimmed();
    // An address whose host is the domain itself reaches a host per row: its pace is the lookup's own.
    const QString host = QUrl(url).host();
    return host.isEmpty() || url.section(u'/', 2, 2).contains(u'{') ? key : host.toLower();
}

QString customProblem(const CustomLookup& lookup)
{
    static const QRegularExpression keyRule(u"^[A-Za-z0-9-]{1,40}$"_s);
    if (!keyRule.match(lookup.key).hasMatch())
        return QCoreApplication::translate("CustomLookups", "键名只能由字母、数字和 - 组成（1 到 40 个字符）");
    // --lookups all means every lookup: a lookup of that name could never be chosen alone.
    if (lookup.key.compare(u"all"_s, Qt::CaseInsensitive) == 0)
        return QCoreApplication::translate("CustomLookups", "键名“%1”留给 --lookups all（全部查询），请换一个")
            .arg(lookup.key);
    if (lookup.header.trimmed().isEmpty() || lookup.header.size() > 40)
        return QCoreApplication::translate("CustomLookups", "列标题不能为空，也不能超过 40 个字符");
    if (const QString problem = urlProblem(lookup.url); !problem.isEmpty())
        return problem;
    for (const auto& [name, value] : lookup.headers) {
        if (!isToken(name))
            return QCoreApplication::translate("CustomLookups", "请求头名称“%1”无效").arg(name);
        if (std::any_of(value.cbegin(), value.cend(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() > 0x7E; }))
            return QCoreApplication::translate("CustomLookups", "请求头“%1”的值只能是单行的 ASCII 文本").arg(name);
    }
    if (!lookup.charset.isEmpty() && !QStringDecoder(lookup.charset.toLatin1().constData()).isValid())
        return QCoreApplication::translate("CustomLookups", "不认识的字符集“%1”").arg(lookup.charset);
    switch (lookup.extraction) {
    case Extraction::Regex:
        if (const QString error = PageRegex(lookup.pattern).error(); !error.isEmpty())
            return error;
        break;
    case Extraction::Json:
        if (!lookup.pattern.isEmpty() && !lookup.pattern.startsWith(u'/'))
            return QCoreApplication::translate("CustomLookups", "JSON 指针须为空或以 / 开头（RFC 6901）");
        break;
    case Extraction::Between:
        if (lookup.pattern.isEmpty() || lookup.closing.isEmpty())
            return QCoreApplication::translate("CustomLookups", "between 须给出两个非空的标记");
        break;
    }
    static const QRegularExpression serviceRule(u"^[A-Za-z0-9.-]{1,100}$"_s);
    if (!lookup.service.isEmpty() && !serviceRule.match(lookup.service).hasMatch())
        return QCoreApplication::translate("CustomLookups", "服务名只能由字母、数字、. 和 - 组成");
    return {};
}

CustomLookup customFromJson(const QJsonObject& object, QString* problem)
{
    CustomLookup lookup;
    const auto text = [&](const QString& field, QString* into, bool required) {
        const QJsonValue value = object.value(field);
        if (value.isUndefined() && !required)
            return true;
        if (!value.isString()) {
            *problem = QCoreApplication::translate("CustomLookups", "缺少文本字段“%1”").arg(field);
            return false;
        }
        *into = value.toString();
        return true;
    };
    if (!text(u"key"_s, &lookup.key, true) || !text(u"header"_s, &lookup.header, true)
        || !text(u"url"_s, &lookup.url, true) || !text(u"charset"_s, &lookup.charset, false)
        || !text(u"service"_s, &lookup.service, false))
        return lookup;
    const QJsonValue headers = object.value(u"headers"_s);
    if (!headers.isUndefined()) {
        if (!headers.isObject()) {
            *problem = QCoreApplication::translate("CustomLookups", "headers 须是对象（名称: 值）");
            return lookup;
        }
        const QJsonObject fields = headers.toObject();
        for (auto field = fields.begin(); field != fields.end(); ++field) {
            if (!field->isString()) {
                *problem = QCoreApplication::translate("CustomLookups", "请求头“%1”的值须是文本").arg(field.key());
                return lookup;
            }
            lookup.headers.append({field.key(), field->toString()});
        }
    }
    if (!readExtraction(object, &lookup, problem))
        return lookup;
    *problem = customProblem(lookup);
    return lookup;
}

QJsonObject customToJson(const CustomLookup& lookup)
{
    QJsonObject object {{u"key"_s, lookup.key}, {u"header"_s, lookup.header}, {u"url"_s, lookup.url}};
    if (!lookup.headers.isEmpty()) {
        QJsonObject headers;
        for (const auto& [name, value] : lookup.headers)
            headers.insert(name, value);
        object.insert(u"headers"_s, headers);
    }
    if (!lookup.charset.isEmpty())
        object.insert(u"charset"_s, lookup.charset);
    switch (lookup.extraction) {
    case Extraction::Regex:
        object.insert(u"regex"_s, lookup.pattern);
        break;
    case Extraction::Json:
        object.insert(u"json"_s, lookup.pattern);
        break;
    case Extraction::Between:
        object.insert(u"between"_s, QJsonArray {lookup.pattern, lookup.closing});
        break;
    }
    if (!lookup.service.isEmpty())
        object.insert(u"service"_s, lookup.service);
    return object;
}

QString customLookupsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/seo-quillmark/lookups.json"_s;
}

CustomFile readCustomLookups(const QString& path, const std::function<bool(const QString&)>& taken)
{
    CustomFile read;
    const UserFile file = readUserFile(path);
    if (!file.found)
        return read;
    if (!file.problem.isEmpty()) {
        read.skipped.append(QCoreApplication::translate("CustomLookups", "%1，未载入任何自定义查询").arg(file.problem));
        return read;
    }
    // Headers may hold API keys: a file written by hand is made its owner's alone, as the dialog writes it.
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.bytes, &error);
    if (!document.isArray()) {
        read.skipped.append(
            QCoreApplication::translate("CustomLookups", "%1：不是 JSON 数组（%2），未载入任何自定义查询")
                .arg(path,
                    error.error == QJsonParseError::NoError
                        ? QCoreApplication::translate("CustomLookups", "顶层须是 [ … ]")
                        : error.errorString()));
        return read;
    }
    QSet<QString> keys; // folded to lower case: a list searched for each entry made 25,000 of them take seconds
    const QJsonArray entries = document.array();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        QString problem;
        const CustomLookup lookup
            = entries[i].isObject() ? customFromJson(entries[i].toObject(), &problem) : CustomLookup {};
        if (!entries[i].isObject())
            problem = QCoreApplication::translate("CustomLookups", "不是 JSON 对象");
        else if (problem.isEmpty() && (taken(lookup.key) || keys.contains(lookup.key.toLower())))
            problem = QCoreApplication::translate("CustomLookups", "键名“%1”已被占用").arg(lookup.key);
        if (!problem.isEmpty()) {
            read.skipped.append(
                QCoreApplication::translate("CustomLookups", "第 %1 项%2：%3，已跳过")
                    .arg(i + 1)
                    .arg(lookup.key.isEmpty() ? QString()
                                              : QCoreApplication::translate("CustomLookups", "（%1）").arg(lookup.key),
                        problem));
            continue;
        }
        keys.insert(lookup.key.toLower());
        read.lookups.push_back(lookup);
    }
    return read;
}

QString writeCustomLookups(const QString& path, const std::vector<CustomLookup>& lookups)
{
    QJsonArray entries;
    for (const CustomLookup& lookup : lookups)
        entries.append(customToJson(lookup));
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        || file.write(QJsonDocument(entries).toJson(QJsonDocument::Indented)) < 0 || !file.commit())
        return QCoreApplication::translate("CustomLookups", "无法保存 %1（%2）").arg(path, file.errorString());
    return {};
}
