// SPDX-License-Identifier: GPL-3.0-or-later
// The DNS lookup over c-ares, bounded in time, each failure said in Chinese.
#include "queries/lookups/dns.h"

#include "queries/sources/registrable.h"

#include "queries/engine/lookup.h"
#include "web/hosts.h"
#include "web/resolver.h"

#include <QCoreApplication>
#include <QTimer>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

// The system's resolver gives up on its own, but not always soon; a cell waits no longer than this.
constexpr int kTimeLimitMs = 10'000;

class DnsJob : public LookupJob
{
public:
    explicit DnsJob(const QString& domain)
        : m_domain(domain)
    {
    }

    void start() override
    {
        const QString name = asciiName(m_domain);
        if (name.isEmpty()) {
            finish(
                {QCoreApplication::translate("Cells", "无效域名"), QCoreApplication::translate("Cells", "无效域名")});
            return;
        }
        const DnsServer server = parseDnsServer(serviceHost(dnsService()));
        if (!server.problem.isEmpty()) {
            finish({QCoreApplication::translate("Cells", "解析失败"), server.problem});
            return;
        }
        m_resolver = new Resolver(server.csv, this);
        connect(m_resolver, &Resolver::answered, this, &DnsJob::answer);
        m_resolver->query(name, Resolver::Type::A);
        m_resolver->query(name, Resolver::Type::AAAA);
        // The queries are on their way now: the limit counts from here, and ends them with the job.
        m_limit.setSingleShot(true);
        connect(&m_limit, &QTimer::timeout, this, [this] {
            delete m_resolver;
            m_resolver = nullptr;
            finish({QCoreApplication::translate("Cells", "解析失败"),
                QCoreApplication::translate("Dns", "请求超时（%1 秒）").arg(kTimeLimitMs / 1000)});
        });
        m_limit.start(kTimeLimitMs);
    }

private:
    void answer(Resolver::Type type, const Resolver::Answer& answer)
    {
        (type == Resolver::Type::A ? m_ipv4 : m_ipv6) = answer;
        if (!m_ipv4 || !m_ipv6)
            return;
        m_limit.stop();
        QStringList names = m_ipv4->canonicalNames;
        for (const QString& name : std::as_const(m_ipv6->canonicalNames)) {
            if (!names.contains(name))
                names.append(name);
        }
        const QStringList addresses = m_ipv4->addresses + m_ipv6->addresses;
        const Resolver::Answer& failed = m_ipv4->status == Resolver::Status::Failed ? *m_ipv4 : *m_ipv6;
        if (!addresses.isEmpty())
            finish({dnsCellText(names, addresses)});
        // A question that failed leaves the name unknown, even when the other one had nothing to say.
        else if (failed.status == Resolver::Status::Failed)
            finish({QCoreApplication::translate("Cells", "解析失败"), failed.problem});
        else if (!names.isEmpty())
            finish({dnsCellText(names, addresses)});
        // The name does not exist (NXDOMAIN) or holds no address: an answer either way.
        else
            finish({QCoreApplication::translate("Cells", "不存在")});
    }

    QString m_domain;
    Resolver* m_resolver = nullptr;
    std::optional<Resolver::Answer> m_ipv4;
    std::optional<Resolver::Answer> m_ipv6;
    QTimer m_limit;
};

} // namespace

const Service& dnsService()
{
    // No server named: the system's resolver.
    static const Service service {
        .key = u"dns"_s, .name = u"DNS"_s, .pace = {16}, .hostVariable = "QUILLMARK_DNS_SERVER", .scheme = ""};
    return service;
}

QString dnsCellText(const QStringList& canonicalNames, const QStringList& addresses)
{
    QString text;
    if (!canonicalNames.isEmpty())
        text = u"CNAME "_s + canonicalNames.join(u" → "_s) + (addresses.isEmpty() ? QString() : u" → "_s);
    return text + addresses.join(u", "_s);
}

const Lookup& dnsLookup()
{
    static const Lookup lookup {.key = u"dns"_s,
        .header = QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "DNS 解析")),
        .service = dnsService(),
        .start = [](const QString& domain, const JobContext&) -> LookupJob* { return new DnsJob(domain); }};
    return lookup;
}
