// SPDX-License-Identifier: GPL-3.0-or-later
// The site IP lookup through the system's ping.
#include "queries/lookups/siteip.h"

#include "queries/engine/lookup.h"
#include "web/ping.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

namespace {

class SiteIpJob : public LookupJob
{
public:
    SiteIpJob(const QString& domain, const JobContext& context)
        : m_domain(domain)
        , m_pingProgram(context.pingProgram)
        , m_limitMs(context.network->limits.pingLimitMs)
    {
    }

    void start() override
    {
        PingLookup* ping = GetIP(m_domain, m_pingProgram, m_limitMs, this);
        connect(ping, &PingLookup::finished, this, [this, ping] {
            finish({ping->result().text, ping->result().problem});
        });
    }

private:
    QString m_domain;
    QString m_pingProgram;
    int m_limitMs;
};

} // namespace

const Lookup& siteIpLookup()
{
    static const Lookup lookup {.key = u"ip"_s,
        .header = QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "站点IP地址")),
        .service = {u"ping"_s, u"ping"_s, {16}},
        .start = [](const QString& domain, const JobContext& context) -> LookupJob* {
            return new SiteIpJob(domain, context);
        }};
    return lookup;
}
