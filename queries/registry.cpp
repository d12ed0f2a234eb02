#include "queries/registry.h"

#include "queries/alexa.h"
#include "queries/baidu.h"
#include "queries/dns.h"
#include "queries/home.h"
#include "queries/icp.h"
#include "queries/outbound.h"
#include "queries/registration.h"
#include "queries/registrar.h"
#include "queries/robots.h"
#include "queries/siteip.h"
#include "queries/tls.h"
#include "queries/tranco.h"
#include "queries/yahoo.h"
#include "settings/settings.h"

#include <deque>

using namespace Qt::Literals::StringLiterals;

namespace {

std::vector<const Lookup*> builtIn()
{
    return {
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
        &tlsExpiryLookup(),
        &tlsIssuerLookup(),
        &robotsLookup(),
    };
}

std::vector<const Lookup*>& table()
{
    static std::vector<const Lookup*> all = builtIn();
    return all;
}

std::vector<CustomLookup>& definitions()
{
    static std::vector<CustomLookup> custom;
    return custom;
}

} // namespace

const std::vector<const Lookup*>& lookups()
{
    return table();
}

bool isBuiltInKey(const QString& key)
{
    for (const Lookup* lookup : builtIn()) {
        if (lookup->key.compare(key, Qt::CaseInsensitive) == 0)
            return true;
    }
    return key.startsWith(u"rdap-"_s, Qt::CaseInsensitive); // read as the registration columns' old names
}

void setCustomLookups(const std::vector<CustomLookup>& custom)
{
    static std::deque<std::unique_ptr<Lookup>> made;
    std::vector<const Lookup*> all = builtIn();
    std::vector<ServiceInfo> services;
    for (const CustomLookup& definition : custom) {
        made.push_back(customEntry(definition));
        all.push_back(made.back().get());
        services.push_back({definition.serviceKey(), definition.serviceKey(), 2});
    }
    table() = std::move(all);
    definitions() = custom;
    Settings::setCustomServices(services);
}

const std::vector<CustomLookup>& customLookups()
{
    return definitions();
}

QStringList loadCustomLookups(const QString& path)
{
    CustomFile read = readCustomLookups(path, isBuiltInKey);
    setCustomLookups(read.lookups);
    return read.skipped;
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

