#include "queries/whois.h"

#include "queries/keys.h"
#include "queries/lookup.h"

#include <QDate>
#include <QRegularExpression>
#include <QStringDecoder>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kNone = u"无"_s;
const QString kUnknown = u"未知"_s;

struct WhoisServer
{
    const char* suffix;
    const char* server;
};

// The registries of the suffixes Chinese webmasters hold most that have no RDAP service, from each
// registry's published WHOIS address. The rest are found through IANA's WHOIS.
constexpr WhoisServer kServers[] = {
    {"cn", "whois.cnnic.cn"},
    {"xn--fiqs8s", "cwhois.cnnic.cn"}, // .中国
    {"xn--fiqz9s", "cwhois.cnnic.cn"}, // .中國
    {"hk", "whois.hkirc.hk"},
    {"xn--j6w193g", "whois.hkirc.hk"}, // .香港
    {"tw", "whois.twnic.net.tw"},
    {"jp", "whois.jprs.jp"},
    {"kr", "whois.kr"},
    {"ru", "whois.tcinet.ru"},
    {"su", "whois.tcinet.ru"},
    {"de", "whois.denic.de"},
    {"eu", "whois.eu"},
    {"uk", "whois.nic.uk"},
    {"fr", "whois.nic.fr"},
    {"it", "whois.nic.it"},
    {"nl", "whois.domain-registry.nl"},
    {"au", "whois.auda.org.au"},
    {"in", "whois.registry.in"},
    {"br", "whois.registro.br"},
    {"ca", "whois.cira.ca"},
    {"io", "whois.nic.io"},
    {"me", "whois.nic.me"},
    {"co", "whois.nic.co"},
    {"us", "whois.nic.us"},
    {"cc", "ccwhois.verisign-grs.com"},
    {"tv", "tvwhois.verisign-grs.com"},
};

// Said by servers asked too often. Matched anywhere, in any case.
const QStringList kTooFast {u"queried interval is too short"_s, u"query rate"_s, u"rate limit"_s,
    u"limit exceeded"_s, u"exceeded the maximum"_s, u"too many requests"_s, u"too many queries"_s,
    u"access control limit"_s, u"try again later"_s, u"查询过于频繁"_s, u"请稍后再试"_s};
// Names a registry keeps back: they can be neither registered nor counted as taken.
const QStringList kReserved {u"can not be registered online"_s, u"cannot be registered"_s, u"is reserved"_s,
    u"reserved name"_s, u"reserved domain"_s, u"保留域名"_s, u"禁止注册"_s, u"不能注册"_s};
// Each registry's own "no such domain", at the start of a line.
const QStringList kNoMatch {u"no matching record"_s, u"the domain has not been registered"_s, u"no found"_s,
    u"no match"_s, u"no entries found"_s, u"status: free"_s, u"status: available"_s,
    u"this domain name has not been registered"_s, u"%% not found"_s, u"not found"_s, u"no data found"_s,
    u"domain not found"_s, u"the requested domain was not found"_s};

const QStringList kDomainFields {u"domain name"_s, u"domain"_s, u"域名"_s};
const QStringList kRegistrarFields {u"sponsoring registrar"_s, u"registrar name"_s, u"registrar"_s, u"注册商"_s};
const QStringList kCreatedFields {u"registration time"_s, u"creation date"_s, u"created"_s, u"created on"_s,
    u"registered on"_s, u"registered date"_s, u"registration date"_s, u"domain registration date"_s,
    u"登録年月日"_s, u"注册时间"_s};
const QStringList kExpiryFields {u"expiration time"_s, u"registry expiry date"_s, u"expiry date"_s,
    u"expiration date"_s, u"expires"_s, u"expires on"_s, u"paid-till"_s, u"domain expiration date"_s,
    u"renewal date"_s, u"有効期限"_s, u"过期时间"_s};

// "Key: value", "key:    value" and JPRS's "[Key]   value", key in lower case.
QMultiHash<QString, QString> fieldsOf(const QString& answer)
{
    static const QRegularExpression separator(u"[:：]"_s);
    QMultiHash<QString, QString> fields;
    // JPRS letters its lines: "a. [Domain Name]   EXAMPLE.JP".
    static const QRegularExpression lettered(u"^[a-z]\\.\\s*(?=\\[)"_s);
    for (const QString& line : answer.split(u'\n')) {
        const QString trimmed = line.trimmed().remove(lettered);
        const bool bracketed = trimmed.startsWith(u'[');
        const qsizetype split = bracketed ? trimmed.indexOf(u']') : trimmed.indexOf(separator);
        if (split <= 0 || split > 40)
            continue;
        const QString key = (bracketed ? trimmed.mid(1, split - 1) : trimmed.left(split)).trimmed().toLower();
        const QString value = trimmed.mid(split + 1).trimmed();
        if (!value.isEmpty())
            fields.insert(key, value);
    }
    return fields;
}

QString firstOf(const QMultiHash<QString, QString>& fields, const QStringList& keys)
{
    for (const QString& key : keys) {
        const auto found = fields.constFind(key);
        if (found != fields.cend())
            return *found;
    }
    return {};
}

// The registry's own calendar date in the forms WHOIS servers write it.
QString whoisDate(const QString& value)
{
    static const QRegularExpression isoLike(u"^(\\d{4})[-/.](\\d{1,2})[-/.](\\d{1,2})"_s);
    static const QRegularExpression dayFirst(u"^(\\d{1,2})[-/. ]([A-Za-z]{3}|\\d{1,2})[-/. ](\\d{4})"_s);
    static const QRegularExpression compact(u"^(\\d{4})(\\d{2})(\\d{2})\\b"_s);
    static const QStringList months {u"jan"_s, u"feb"_s, u"mar"_s, u"apr"_s, u"may"_s, u"jun"_s, u"jul"_s,
        u"aug"_s, u"sep"_s, u"oct"_s, u"nov"_s, u"dec"_s};
    QDate date;
    if (const auto m = isoLike.match(value); m.hasMatch()) {
        date = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    } else if (const auto m = dayFirst.match(value); m.hasMatch()) {
        const QString month = m.captured(2).toLower();
        const int number = month.at(0).isDigit() ? month.toInt() : int(months.indexOf(month)) + 1;
        date = QDate(m.captured(3).toInt(), number, m.captured(1).toInt());
    } else if (const auto m = compact.match(value); m.hasMatch()) {
        date = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    }
    return date.isValid() ? date.toString(u"yyyy-MM-dd"_s) : QString();
}

CellResult dateCell(const QMultiHash<QString, QString>& fields, const QStringList& keys)
{
    const QString value = firstOf(fields, keys);
    if (value.isEmpty())
        return {kNone};
    const QString date = whoisDate(value);
    return date.isEmpty() ? CellResult {kNone, u"日期无法识别"_s} : CellResult {date};
}

bool containsAny(const QString& text, const QStringList& phrases)
{
    return std::any_of(phrases.begin(), phrases.end(),
        [&](const QString& phrase) { return text.contains(phrase, Qt::CaseInsensitive); });
}

} // namespace

QString whoisServerFor(const QString& asciiName)
{
    const WhoisServer* best = nullptr;
    for (const WhoisServer& entry : kServers) {
        const QString suffix = QString::fromLatin1(entry.suffix);
        if ((asciiName == suffix || asciiName.endsWith(u'.' + suffix))
            && (!best || qstrlen(best->suffix) < qstrlen(entry.suffix)))
            best = &entry;
    }
    return best ? QString::fromLatin1(best->server) : QString();
}

QByteArray whoisQuery(const QString& server, const QString& asciiName)
{
    const QByteArray name = asciiName.toLatin1();
    if (server == u"whois.jprs.jp"_s)
        return name + "/e";
    if (server == u"whois.denic.de"_s)
        return "-T dn,ace " + name;
    return name;
}

QString whoisReferral(const QString& ianaAnswer)
{
    static const QRegularExpression refer(u"^\\s*(?:refer|whois):\\s*(\\S+)\\s*$"_s,
        QRegularExpression::MultilineOption | QRegularExpression::CaseInsensitiveOption);
    return refer.match(ianaAnswer).captured(1).toLower();
}

QString whoisText(const QByteArray& answer)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(answer);
    return utf8.hasError() ? QStringDecoder("GB18030").decode(answer) : text;
}

QHash<QString, CellResult> whoisCells(const QString& answer, const QString& asciiName)
{
    QString text = answer;
    text.replace(u"\r\n"_s, u"\n"_s);
    if (text.trimmed().isEmpty())
        return allFour({kUnknown, u"WHOIS 应答为空"_s});
    for (const QString& line : text.split(u'\n')) {
        const QString trimmed = line.trimmed();
        // SIDN answers a free name with the name and a word after it.
        const bool freeNamed = trimmed.startsWith(asciiName, Qt::CaseInsensitive)
            && trimmed.mid(asciiName.size()).trimmed().compare(u"is free"_s, Qt::CaseInsensitive) == 0;
        if (freeNamed || std::any_of(kNoMatch.begin(), kNoMatch.end(), [&](const QString& phrase) {
                return trimmed.startsWith(phrase, Qt::CaseInsensitive);
            }))
            return notRegistered();
    }
    const QMultiHash<QString, QString> fields = fieldsOf(text);
    const QString named = firstOf(fields, kDomainFields);
    const bool record = named.section(u' ', 0, 0).compare(asciiName, Qt::CaseInsensitive) == 0;
    // A record of the name, or one whose registration dates leave no doubt the name is held.
    const bool dated = !firstOf(fields, kCreatedFields).isEmpty() || !firstOf(fields, kExpiryFields).isEmpty();
    if (record || (named.isEmpty() && dated)) {
        const QString registrar = firstOf(fields, kRegistrarFields).simplified();
        return {{Key::RegStatus, {u"已注册"_s}}, {Key::RegRegistrar, {registrar.isEmpty() ? kNone : registrar}},
            {Key::RegCreated, dateCell(fields, kCreatedFields)}, {Key::RegExpiry, dateCell(fields, kExpiryFields)}};
    }
    // Only now: a record's legal notes may well speak of rate limits or of names that are reserved.
    if (containsAny(text, kTooFast)) {
        CellResult busy {kUnknown, u"WHOIS 服务器要求放慢查询"_s};
        busy.pushBack = PushBack::Busy;
        return allFour(busy);
    }
    if (containsAny(text, kReserved))
        return allFour({kUnknown, u"保留域名"_s});
    return allFour({kUnknown, named.isEmpty() ? u"WHOIS 应答无法识别"_s : u"WHOIS 应答不是 %1 的记录"_s.arg(asciiName)});
}
