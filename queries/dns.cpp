#include "queries/dns.h"

#include "queries/lookup.h"
#include "web/hosts.h"

#include <QDnsLookup>
#include <QHostAddress>
#include <QTimer>

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
            finish({u"无效域名"_s, u"无效域名"_s});
            return;
        }
        const QHostAddress server(serviceHost(Service::Dns));
        for (QDnsLookup::Type type : {QDnsLookup::A, QDnsLookup::AAAA}) {
            auto* lookup = new QDnsLookup(type, name, this);
            if (!server.isNull())
                lookup->setNameserver(server);
            connect(lookup, &QDnsLookup::finished, this, &DnsJob::answer);
            m_lookups.append(lookup);
            lookup->lookup();
        }
        m_limit.setSingleShot(true);
        connect(&m_limit, &QTimer::timeout, this, [this] {
            for (QDnsLookup* lookup : m_lookups)
                lookup->disconnect(this);
            finish({u"解析失败"_s, u"请求超时（%1 秒）"_s.arg(kTimeLimitMs / 1000)});
        });
        m_limit.start(kTimeLimitMs);
    }

private:
    void answer()
    {
        for (const QDnsLookup* lookup : m_lookups) {
            if (!lookup->isFinished())
                return;
        }
        QStringList names;
        QStringList addresses;
        for (const QDnsLookup* lookup : m_lookups) {
            for (const QDnsDomainNameRecord& record : lookup->canonicalNameRecords()) {
                if (!names.contains(record.value()))
                    names.append(record.value());
            }
            for (const QDnsHostAddressRecord& record : lookup->hostAddressRecords())
                addresses.append(record.value().toString());
        }
        const QDnsLookup* ipv4 = m_lookups.first();
        m_limit.stop();
        if (!addresses.isEmpty() || !names.isEmpty())
            finish({dnsCellText(names, addresses)});
        // The name does not exist (NXDOMAIN) or holds no address: an answer either way.
        else if (ipv4->error() == QDnsLookup::NotFoundError || ipv4->error() == QDnsLookup::NoError)
            finish({u"不存在"_s});
        else
            finish({u"解析失败"_s, ipv4->errorString()});
    }

    QString m_domain;
    QList<QDnsLookup*> m_lookups;
    QTimer m_limit;
};

} // namespace

QString dnsCellText(const QStringList& canonicalNames, const QStringList& addresses)
{
    QString text;
    if (!canonicalNames.isEmpty())
        text = u"CNAME "_s + canonicalNames.join(u" → "_s) + (addresses.isEmpty() ? QString() : u" → "_s);
    return text + addresses.join(u", "_s);
}

const Lookup& dnsLookup()
{
    static const Lookup lookup {u"dns"_s, u"DNS 解析"_s, 200, {}, {}, {}, Walk::WithStop, u"dns"_s, nullptr,
        Charset::Utf8, nullptr,
        [](const QString& domain, const JobContext&) -> LookupJob* { return new DnsJob(domain); }};
    return lookup;
}
