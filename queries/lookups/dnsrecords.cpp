// SPDX-License-Identifier: GPL-3.0-or-later
// The NS and MX columns over c-ares, asking the registrable domain as the registration columns do.
#include "queries/lookups/dnsrecords.h"

#include "queries/engine/lookup.h"
#include "queries/lookups/dns.h"
#include "queries/sources/dnsproviders.h"
#include "queries/sources/registrable.h"
#include "web/hosts.h"
#include "web/resolver.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

// As the DNS column's: the system's resolver gives up on its own, but not always soon.
constexpr int kTimeLimitMs = 10'000;

using Question = std::pair<QString, Resolver::Type>;
using Answers = std::vector<Resolver::Answer>;

QString failedText()
{
    return QCoreApplication::translate("Cells", "解析失败");
}

// Asks every question of one domain at once and makes the cell from all the answers, in the questions' order.
class RecordsJob : public LookupJob
{
public:
    RecordsJob(const QString& domain, QStringList prefixes, Resolver::Type type, CellResult (*cell)(const Answers&))
        : m_domain(domain)
        , m_prefixes(std::move(prefixes))
        , m_type(type)
        , m_cell(cell)
    {
    }

    void start() override
    {
        const QString ascii = asciiName(m_domain);
        if (ascii.isEmpty()) {
            const QString invalid = QCoreApplication::translate("Cells", "无效域名");
            finish({invalid, invalid});
            return;
        }
        // Name servers and mail are the registered domain's: www.example.com has neither of its own.
        const QString registrable = registrableDomain(ascii);
        const QString name = registrable.isEmpty() ? ascii : registrable;
        const DnsServer server = parseDnsServer(serviceHost(dnsService()));
        if (!server.problem.isEmpty()) {
            finish({failedText(), server.problem});
            return;
        }
        m_resolver = new Resolver(server.csv, this);
        connect(m_resolver, &Resolver::answered, this, &RecordsJob::answer);
        for (qsizetype at = 0; at < m_prefixes.size(); ++at) {
            const Resolver::Type type = at == 0 ? m_type : Resolver::Type::TXT;
            m_questions.push_back({m_prefixes[at] + name, type});
            m_resolver->query(m_questions.back().first, type);
        }
        m_answers.resize(m_questions.size());
        m_limit.setSingleShot(true);
        connect(&m_limit, &QTimer::timeout, this, [this] {
            delete m_resolver;
            m_resolver = nullptr;
            finish({failedText(), QCoreApplication::translate("Cells", "请求超时（%1 秒）").arg(kTimeLimitMs / 1000)});
        });
        m_limit.start(kTimeLimitMs);
    }

private:
    void answer(Resolver::Type type, const Resolver::Answer& answer)
    {
        for (size_t at = 0; at < m_questions.size(); ++at) {
            if (m_questions[at] == Question {answer.asked, type} && !m_answers[at])
                m_answers[at] = answer;
        }
        Answers all;
        for (const auto& each : m_answers) {
            if (!each)
                return;
            all.push_back(*each);
        }
        m_limit.stop();
        finish(m_cell(all));
    }

    QString m_domain;
    QStringList m_prefixes; // the first question is of the lookup's type, the others TXT
    Resolver::Type m_type;
    CellResult (*m_cell)(const Answers&);
    std::vector<Question> m_questions;
    std::vector<std::optional<Resolver::Answer>> m_answers;
    Resolver* m_resolver = nullptr;
    QTimer m_limit;
};

// A failed question leaves the cell unknown; a name that does not exist is an answer.
std::optional<CellResult> unanswered(const Resolver::Answer& answer)
{
    if (answer.status == Resolver::Status::Failed)
        return CellResult {failedText(), answer.problem};
    if (answer.status == Resolver::Status::NoSuchName)
        return CellResult {QCoreApplication::translate("Cells", "不存在")};
    return std::nullopt;
}

QStringList texts(const Resolver::Answer& answer)
{
    QStringList all;
    for (const auto& [preference, text] : answer.records)
        all.append(text);
    return all;
}

CellResult nameServersCell(const Answers& answers)
{
    if (auto cell = unanswered(answers[0]))
        return *cell;
    if (answers[0].records.isEmpty())
        return CellResult::of(CellValue::nothing());
    CellResult cell {nameServersText(texts(answers[0]), dnsProviders())};
    cell.note = dnsProviderProblems().join(u'\n');
    return cell;
}

CellResult mailCell(const Answers& answers)
{
    for (const Resolver::Answer& answer : answers) {
        if (answer.status == Resolver::Status::Failed)
            return *unanswered(answer);
    }
    if (auto cell = unanswered(answers[0]))
        return *cell;
    return {mailText(answers[0].records, texts(answers[1]), texts(answers[2]))};
}

// "v=spf1" alone or before a space; the tag's case is not fixed.
bool startsWithTag(const QString& text, const QString& tag)
{
    return text.startsWith(tag, Qt::CaseInsensitive)
        && (text.size() == tag.size() || text[tag.size()] == u' '
            || (tag.startsWith(u"v=DMARC"_s) && text[tag.size()] == u';'));
}

} // namespace

QString nameServersText(QStringList servers, const DnsProviders& providers)
{
    for (QString& server : servers)
        server = server.toLower();
    servers.sort();
    servers.removeDuplicates();
    QStringList names;
    for (const QString& server : std::as_const(servers)) {
        const DnsProvider* provider = providers.serving(server);
        if (!provider)
            continue;
        const QString name
            = provider->parking ? QCoreApplication::translate("Cells", "停放：%1").arg(provider->name) : provider->name;
        if (!names.contains(name))
            names.append(name);
    }
    return servers.join(u", "_s) + (names.isEmpty() ? QString() : u"（"_s + names.join(u"、"_s) + u"）"_s);
}

QString mailText(QList<std::pair<int, QString>> exchangers, const QStringList& texts, const QStringList& dmarcTexts)
{
    std::sort(exchangers.begin(), exchangers.end());
    QStringList names;
    for (const auto& [preference, name] : exchangers)
        names.append(name.toLower());
    const bool spf = std::any_of(
        texts.begin(), texts.end(), [](const QString& text) { return startsWithTag(text.trimmed(), u"v=spf1"_s); });
    const bool dmarc = std::any_of(dmarcTexts.begin(), dmarcTexts.end(),
        [](const QString& text) { return startsWithTag(text.trimmed(), u"v=DMARC1"_s); });
    const QString mail = names.isEmpty() ? displayText(CellValue::nothing()) : names.join(u", "_s);
    return u"%1　SPF %2 DMARC %3"_s.arg(mail, spf ? u"✓"_s : u"✗"_s, dmarc ? u"✓"_s : u"✗"_s);
}

const Lookup& nameServersLookup()
{
    static const Lookup lookup {.key = u"dns-ns"_s,
        .header = QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "NS 记录")),
        .service = dnsService(),
        .start = [](const QString& domain, const JobContext&) -> LookupJob* {
            return new RecordsJob(domain, {QString()}, Resolver::Type::NS, nameServersCell);
        }};
    return lookup;
}

const Lookup& mailLookup()
{
    static const Lookup lookup {.key = u"dns-mx"_s,
        .header = QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "MX 记录")),
        .service = dnsService(),
        .start = [](const QString& domain, const JobContext&) -> LookupJob* {
            return new RecordsJob(domain, {QString(), QString(), u"_dmarc."_s}, Resolver::Type::MX, mailCell);
        }};
    return lookup;
}
