// SPDX-License-Identifier: GPL-3.0-or-later
// Reading an RDAP answer (RFC 9083): the domain object, its registrar and its dates; RDAP's not-found.
#include "queries/lookups/rdapanswer.h"

#include "queries/engine/keys.h"
#include "queries/engine/lookup.h"
#include "web/fetch.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace {

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
                *why = QCoreApplication::translate("Registration", "entities[%1]（registrar）fn：%2")
                           .arg(i)
                           .arg(field.at(3).toString());
                return field.at(3).toString().simplified();
            }
        }
    }
    return noneText();
}

CellResult eventDate(const QJsonObject& domain, const QString& action, QString* why)
{
    const QJsonArray events = domain.value(u"events"_s).toArray();
    for (qsizetype i = 0; i < events.size(); ++i) {
        const QJsonObject object = events.at(i).toObject();
        if (object.value(u"eventAction"_s).toString() != action)
            continue;
        const QString written = object.value(u"eventDate"_s).toString();
        *why = QCoreApplication::translate("Registration", "events[%1]（%2）eventDate：%3").arg(i).arg(action, written);
        const QString date = registryDate(written);
        return date.isEmpty() ? CellResult {noneText(), QCoreApplication::translate("Registration", "日期无法识别")}
                              : dayCell(date);
    }
    return CellResult::of(CellValue::nothing());
}

// Where a server may answer a question on our behalf: its own scheme, host and port, and a path that still asks
// for /domain/NAME (a server that moved its base, or added a slash). A 404 from anywhere else, its own help page
// or another name's record, says nothing of the name asked.
bool asksTheSame(const QUrl& asked, const QUrl& answered, const QString& asciiName)
{
    if (answered.scheme().compare(asked.scheme(), Qt::CaseInsensitive) != 0)
        return false;
    const int defaultPort = asked.scheme().compare(u"https"_s, Qt::CaseInsensitive) == 0 ? 443 : 80;
    if (answered.port(defaultPort) != asked.port(defaultPort))
        return false;
    QString path = answered.path(QUrl::FullyDecoded);
    while (path.endsWith(u'/'))
        path.chop(1);
    return path.endsWith(u"/domain/"_s + asciiName, Qt::CaseInsensitive);
}

// Each name the object gives must be the one asked: a record whose ldhName is another name is another name's,
// whatever its unicodeName says, and the other way round. Names are compared as DNS compares them, without
// case: the ASCII one with the ACE form, the Unicode one with the Unicode form (or the ACE form, which some
// servers put there).
bool namesOnly(const QString& asciiName, const QString& ldhName, const QString& unicodeName)
{
    if (ldhName.isEmpty() && unicodeName.isEmpty())
        return false;
    if (!ldhName.isEmpty() && ldhName.compare(asciiName, Qt::CaseInsensitive) != 0)
        return false;
    if (unicodeName.isEmpty())
        return true;
    const QString unicode = unicodeName.normalized(QString::NormalizationForm_C);
    return unicode.compare(QUrl::fromAce(asciiName.toLatin1(), QUrl::IgnoreIDNWhitelist), Qt::CaseInsensitive) == 0
        || unicode.compare(asciiName, Qt::CaseInsensitive) == 0;
}

} // namespace

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
        return unknownBecause(failureReason(answer));
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
            return unknownBecause(
                QCoreApplication::translate("Registration", "RDAP 服务地址可能有误（HTTP 404，来自另一主机 %1）")
                    .arg(answer.url.host()));
        if (!server.isEmpty() && answer.url.isValid() && !asksTheSame(asked, answer.url, asciiName))
            return unknownBecause(
                QCoreApplication::translate("Registration", "RDAP 服务地址可能有误（HTTP 404，来自另一地址 %1）")
                    .arg(answer.url.toString()));
        if (!rdap)
            return unknownBecause(
                QCoreApplication::translate("Registration", "RDAP 服务地址可能有误（HTTP 404，不是 RDAP 应答）"));
        said.insert(
            Key::RegStatus, code != 0 ? QCoreApplication::translate("Registration", "errorCode：404") : u"HTTP 404"_s);
        return notRegistered();
    }
    if (status != 200) {
        CellResult unknown = pageCell(answer, QCoreApplication::translate("Cells", "未知"));
        if (unknown.problem.isEmpty())
            unknown.problem = QCoreApplication::translate("Registration", "RDAP 错误 %1").arg(status);
        return allFour(unknown);
    }
    if (!document.isObject())
        return unknownBecause(QCoreApplication::translate("Registration", "RDAP 应答无法解析"));
    // Only a record of the very name asked says it is registered: not an empty object, an error object, or
    // another domain.
    const QString ldhName = domain.value(u"ldhName"_s).toString();
    const QString unicodeName = domain.value(u"unicodeName"_s).toString();
    if (domain.value(u"objectClassName"_s).toString().compare(u"domain"_s, Qt::CaseInsensitive) != 0
        || !namesOnly(asciiName, ldhName, unicodeName))
        return unknownBecause(
            QCoreApplication::translate("Registration", "RDAP 应答不是 %1 的域名记录").arg(asciiName));
    said.insert(Key::RegStatus,
        QCoreApplication::translate("Registration", "objectClassName：domain，ldhName：%1")
            .arg(ldhName.isEmpty() ? unicodeName : ldhName));
    QString registrarWhy, createdWhy, expiryWhy;
    QHash<QString, CellResult> cells {{Key::RegStatus, CellResult::of(CellValue::verdict(Verdict::Registered))},
        {Key::RegRegistrar, {registrarName(domain, &registrarWhy)}},
        {Key::RegCreated, eventDate(domain, u"registration"_s, &createdWhy)},
        {Key::RegExpiry, eventDate(domain, u"expiration"_s, &expiryWhy)}};
    for (const auto& [key, text] : {std::pair {Key::RegRegistrar, registrarWhy},
             std::pair {Key::RegCreated, createdWhy}, std::pair {Key::RegExpiry, expiryWhy}}) {
        if (!text.isEmpty())
            said.insert(key, text);
    }
    return cells;
}
