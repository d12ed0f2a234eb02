// SPDX-License-Identifier: GPL-3.0-or-later
// The registration columns' job: RDAP or WHOIS (IANA asked for the server where no table names it), one answer for
// four cells.
#include "queries/lookups/registration.h"

#include "queries/engine/answers.h"
#include "queries/engine/keys.h"
#include "queries/engine/lookup.h"
#include "queries/lookups/rdapanswer.h"
#include "queries/lookups/whois.h"
#include "queries/sources/rdap.h"
#include "queries/sources/registrable.h"
#include "settings/settings.h"
#include "web/fetch.h"
#include "web/hosts.h"
#include "web/port43.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kIanaWhois = u"whois.iana.org"_s;

// Where one registrable domain is asked: an RDAP base address, or a WHOIS server, or IANA first.
struct Registry
{
    QString rdapBase;
    QString whoisServer; // empty with no RDAP base: IANA's WHOIS names it
};

QString lastLabel(const QString& name)
{
    return name.section(u'.', -1);
}

Registry registryOf(const QString& asked, const JobContext& context)
{
    QString base = context.registries->bootstrap().baseFor(asked);
    if (base.isEmpty() && context.settings) {
        RdapBootstrap own;
        const QHash<QString, QString> servers = context.settings->rdapServers();
        for (auto it = servers.cbegin(); it != servers.cend(); ++it)
            own.add(it.key(), it.value());
        base = own.baseFor(asked);
    }
    if (base.isEmpty())
        base = rdapSupplement().baseFor(asked);
    if (!base.isEmpty())
        return {base, {}};
    const QString server = whoisRegistries().serverFor(asked);
    return {{}, server.isEmpty() ? context.registries->whoisReferrals.value(lastLabel(asked)) : server};
}

// Every server, or the one the user relays through; nothing when the relay's variable cannot be read.
std::optional<Endpoint> whoisEndpoint(const QString& server)
{
    const QString relay = serviceHost(whoisService());
    return parseEndpoint(relay.isEmpty() ? server : relay, 43);
}

QString lineNumbers(const QList<int>& lines)
{
    QStringList numbers;
    for (int line : lines)
        numbers << QString::number(line + 1);
    return QCoreApplication::translate("Registration", "第 %1 行")
        .arg(numbers.join(QCoreApplication::translate("Registration", "、")));
}

} // namespace

class RegistrationJob : public LookupJob
{
public:
    // `keepAnswer`: the answer stays readable after finished() (--explain, 查看应答原文's question asked again);
    // a walker's job leaves it to the log of answers alone, as a batch of answers read in one turn of the
    // event loop would otherwise all stay until their jobs are deleted.
    RegistrationJob(const QString& domain, const JobContext& context, bool keepAnswer = false)
        : m_domain(domain)
        , m_context(context)
        , m_keepAnswer(keepAnswer)
    {
    }

    const ReceivedAnswer& answer() const { return m_answer; }

    void start() override
    {
        const TypedName name = typedName(m_domain);
        if (!name.problem.isEmpty()) {
            done(allFour({QCoreApplication::translate("Cells", "无效域名"), name.problem}));
            return;
        }
        m_asked = name.registrable;
        const Registry registry = registryOf(m_asked, m_context);
        if (!registry.rdapBase.isEmpty()) {
            askRdap(rdapAddress(registry.rdapBase, m_asked));
        } else if (const QString problem = hostVariableProblem(whoisService()); !problem.isEmpty()) {
            done(unknownBecause(problem));
        } else if (!registry.whoisServer.isEmpty()) {
            askWhois(registry.whoisServer);
        } else if (m_context.registries->whoisReferrals.contains(lastLabel(m_asked))) {
            done(unknownBecause(QCoreApplication::translate("Registration", "该后缀没有 RDAP 或 WHOIS 服务")));
        } else if (const auto failed = m_context.registries->unreachedReferrals.value(lastLabel(m_asked));
                   failed.second > m_context.clock->now()) {
            done(unknownBecause(failed.first));
        } else {
            askIana();
        }
    }

private:
    void askRdap(const QString& address)
    {
        FetchRequest request(address, Charset::Utf8);
        request.accept = "application/rdap+json";
        request.proxy = m_context.proxy;
        request.network = m_context.network;
        auto* fetch = new PageFetch(request, this);
        connect(fetch, &PageFetch::finished, this, [this, fetch, address] {
            const PageResult& page = fetch->result();
            m_answer.source = u"RDAP %1"_s.arg(address);
            if (page.failure == FetchFailure::None)
                m_answer.lines = page.text.split(u'\n');
            done(rdapCells(page, m_asked, QUrl(address), &m_answer.why));
        });
    }

    // IANA's WHOIS names the server of a suffix no table lists; remembered for the session.
    void askIana()
    {
        auto* iana = new Port43Fetch(whoisEndpoint(kIanaWhois).value_or(Endpoint {kIanaWhois, 43}),
            lastLabel(m_asked).toLatin1(), m_context.network->limits.timeLimitMs, this);
        connect(iana, &Port43Fetch::finished, this, [this, iana] {
            if (iana->failure() != Port43Fetch::Failure::None) {
                const QString reason
                    = QCoreApplication::translate("Registration", "IANA WHOIS：%1").arg(iana->failureReason());
                m_context.registries->unreachedReferrals.insert(
                    lastLabel(m_asked), {reason, m_context.clock->now().addSecs(10 * 60)});
                done(allFour({QCoreApplication::translate("Cells", "未知"), reason}));
                return;
            }
            const QString server = whoisReferral(whoisText(iana->answer()));
            m_context.registries->whoisReferrals.insert(lastLabel(m_asked), server);
            if (server.isEmpty())
                done(allFour({QCoreApplication::translate("Cells", "未知"),
                    QCoreApplication::translate("Registration", "该后缀没有 RDAP 或 WHOIS 服务")}));
            else
                askWhois(server);
        });
    }

    void askWhois(const QString& server)
    {
        // A referral is whatever IANA's answer held.
        const std::optional<Endpoint> endpoint = whoisEndpoint(server);
        if (!endpoint) {
            done(allFour({QCoreApplication::translate("Cells", "未知"),
                QCoreApplication::translate("Registration", "WHOIS 服务器地址无法识别：%1").arg(server)}));
            return;
        }
        auto* fetch = new Port43Fetch(
            *endpoint, whoisRegistries().query(server, m_asked), m_context.network->limits.timeLimitMs, this);
        connect(fetch, &Port43Fetch::finished, this, [this, fetch, server] {
            m_answer.source = u"WHOIS %1"_s.arg(server);
            if (fetch->failure() != Port43Fetch::Failure::None) {
                done(allFour({QCoreApplication::translate("Cells", "未知"), fetch->failureReason()}));
                return;
            }
            // Read by the rules of the registry asked, also when a relay passed the question on, or by those of
            // the name's suffix when IANA names a host the data file does not know.
            const WhoisRules& rules = whoisRegistries().rulesFor(server, m_asked);
            m_answer.lines = whoisLines(fetch->takeAnswer(), rules.encoding);
            const WhoisReading reading = readWhois(m_answer.lines, m_asked, rules);
            for (auto it = reading.evidence.cbegin(); it != reading.evidence.cend(); ++it) {
                m_answer.why.insert(it.key(), lineNumbers(*it));
                m_answer.marked << *it;
            }
            done(reading.cells);
        });
    }

    void done(QHash<QString, CellResult> cells)
    {
        // The row's name may be a host or an address: the cell says which name its answer is about.
        if (!m_asked.isEmpty() && m_asked != m_domain.trimmed().toLower()) {
            for (CellResult& cell : cells)
                cell.note = QCoreApplication::translate("Registration", "查询的是 %1").arg(m_asked);
        }
        m_answer.asked = m_asked.isEmpty() ? m_domain.trimmed() : m_asked;
        m_answer.at = m_context.clock->now();
        m_answer.cells = cells;
        if (!m_answer.source.isEmpty())
            m_context.answers->keep(m_answer);
        if (!m_keepAnswer)
            m_answer = {};
        finish(m_context.lookup, std::move(cells));
    }

    QString m_domain;
    JobContext m_context;
    QString m_asked; // the registrable domain, in ASCII
    ReceivedAnswer m_answer;
    bool m_keepAnswer = false;
};

namespace {

Lookup registrationLookup(const QString& key, const QString& header, Measure measure = Measure::Text)
{
    return {.key = key,
        .header = header,
        .measure = measure,
        // Each registry's server keeps a pace of its own (the pools below): 2 at once per RDAP server; one at a
        // time and a second apart per WHOIS server, as they count queries per address.
        .service = {u"rdap"_s, u"RDAP"_s, {2}},
        .alsoServices = {whoisService()},
        .start = [](const QString& domain, const JobContext& context) -> LookupJob* {
            return new RegistrationJob(domain, context);
        },
        .answerGroup = u"registration"_s,
        // Each registry's server keeps a pace of its own: an RDAP server the rdap settings, a WHOIS server
        // the whois ones.
        .pool = [](const QString& domain, const JobContext& context) -> QString {
            // What is answered without asking anyone (an address, a bare suffix, a suffix known to have no
            // server or whose referral just failed) waits for no server's pace.
            const QString asked = typedName(domain).registrable;
            if (asked.isEmpty())
                return u"rdap"_s;
            const Registry registry = registryOf(asked, context);
            if (!registry.rdapBase.isEmpty())
                return u"rdap "_s + QUrl(registry.rdapBase).host();
            if (!registry.whoisServer.isEmpty())
                return u"whois "_s + registry.whoisServer;
            const bool answered = context.registries->whoisReferrals.contains(lastLabel(asked))
                || context.registries->unreachedReferrals.value(lastLabel(asked)).second > context.clock->now();
            return answered ? u"rdap"_s : u"whois "_s + kIanaWhois;
        },
        .beforeWalk = [](const JobContext& context) { context.registries->refresh(); }};
}

} // namespace

const Service& whoisService()
{
    // One at a time and a second apart, as registries count queries per address. No server named: each
    // registry's own.
    static const Service service {
        .key = u"whois"_s, .name = u"WHOIS"_s, .pace = {1, 1000}, .hostVariable = "QUILLMARK_HOST_WHOIS", .scheme = ""};
    return service;
}

const Lookup& registrationStatusLookup()
{
    static const Lookup lookup
        = registrationLookup(Key::RegStatus, QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "注册状态")));
    return lookup;
}

const Lookup& registrarNameLookup()
{
    static const Lookup lookup
        = registrationLookup(Key::RegRegistrar, QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "注册商")));
    return lookup;
}

const Lookup& registrationDateLookup()
{
    static const Lookup lookup = registrationLookup(
        Key::RegCreated, QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "注册日期")), Measure::Date);
    return lookup;
}

const Lookup& expiryDateLookup()
{
    static const Lookup lookup
        = registrationLookup(Key::RegExpiry, QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "到期日")), Measure::Date);
    return lookup;
}

QString explainAnswer(const ReceivedAnswer& answer)
{
    QStringList text;
    text << QCoreApplication::translate("Registration", "查询：%1（%2）")
                .arg(answer.asked,
                    answer.source.isEmpty() ? QCoreApplication::translate("Registration", "未发出查询")
                                            : answer.source);
    text << QCoreApplication::translate("Registration", "时间：%1").arg(answer.at.toString(u"yyyy-MM-dd HH:mm:ss"_s));
    const Lookup* columns[]
        = {&registrationStatusLookup(), &registrarNameLookup(), &registrationDateLookup(), &expiryDateLookup()};
    for (const Lookup* column : columns) {
        const QString& key = column->key;
        const QString header = shownHeader(*column);
        const CellResult cell = answer.cells.value(key);
        QString line = QCoreApplication::translate("Registration", "%1：%2").arg(header, cell.text);
        if (!cell.problem.isEmpty())
            line += QCoreApplication::translate("Registration", "（%1）").arg(cell.problem);
        if (const QString why = answer.why.value(key); !why.isEmpty())
            line += QCoreApplication::translate("Registration", "　← %1").arg(why);
        text << line;
    }
    text << QString()
         << (answer.lines.isEmpty() ? QCoreApplication::translate("Registration", "没有收到应答。")
                                    : QCoreApplication::translate("Registration", "应答原文："));
    const int width = int(QString::number(answer.lines.size()).size());
    for (int i = 0; i < answer.lines.size(); ++i) {
        text << u"%1 %2  %3"_s.arg(answer.marked.contains(i) ? u"▶"_s : u" "_s)
                    .arg(i + 1, width)
                    .arg(answer.lines.at(i));
    }
    return text.join(u'\n');
}

RegistrationQuestion::RegistrationQuestion(const QString& domain, const JobContext& context, QObject* parent)
    : QObject(parent)
    , m_job(new RegistrationJob(domain, context, true))
{
    m_job->setParent(this);
    connect(m_job, &LookupJob::finished, this, &RegistrationQuestion::finished);
    // Not from inside the constructor: whoever asked has not connected to finished() yet.
    QMetaObject::invokeMethod(m_job, &LookupJob::start, Qt::QueuedConnection);
}

RegistrationQuestion::~RegistrationQuestion() = default;

const ReceivedAnswer& RegistrationQuestion::answer() const
{
    return m_job->answer();
}
