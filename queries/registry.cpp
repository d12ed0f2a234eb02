#include "queries/registry.h"

#include "queries/alexa.h"
#include "queries/baidu.h"
#include "queries/dns.h"
#include "queries/home.h"
#include "queries/icp.h"
#include "queries/outbound.h"
#include "queries/registration.h"
#include "queries/registrar.h"
#include "queries/siteip.h"
#include "queries/tranco.h"
#include "queries/yahoo.h"

using namespace Qt::Literals::StringLiterals;

const std::vector<const Lookup*>& lookups()
{
    static const std::vector<const Lookup*> all {
        &registrarLookup(),
        &icpLookup(),
        &baiduIndexLookup(),
        &baiduLinksLookup(),
        &alexaLookup(),
        &yahooLookup(),
        &outboundLookup(),
        &siteIpLookup(),
        &registrationStatusLookup(),
        &registrarNameLookup(),
        &registrationDateLookup(),
        &expiryDateLookup(),
        &trancoLookup(),
        &dnsLookup(),
        &homeStatusLookup(),
        &homeTitleLookup(),
        &homeIcpLookup(),
    };
    return all;
}

const Lookup* lookupByKey(const QString& key)
{
    // The registration columns were named after RDAP before WHOIS answered them too.
    const QString current = key.startsWith(u"rdap-"_s) ? u"reg-"_s + key.mid(5) : key;
    for (const Lookup* lookup : lookups()) {
        if (lookup->key == current)
            return lookup;
    }
    return nullptr;
}

