// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in lookups in the grid's order, then the user's own from lookups.json.
#include "queries/lookups/builtin.h"

#include "queries/lookups/alexa.h"
#include "queries/lookups/baidu.h"
#include "queries/lookups/bing.h"
#include "queries/lookups/dns.h"
#include "queries/lookups/dnsrecords.h"
#include "queries/lookups/home.h"
#include "queries/lookups/homefacts.h"
#include "queries/lookups/icp.h"
#include "queries/lookups/outbound.h"
#include "queries/lookups/rank.h"
#include "queries/lookups/registrar.h"
#include "queries/lookups/registration.h"
#include "queries/lookups/robots.h"
#include "queries/lookups/siteip.h"
#include "queries/lookups/sitemap.h"
#include "queries/lookups/so.h"
#include "queries/lookups/sogou.h"
#include "queries/lookups/tls.h"
#include "queries/lookups/yahoo.h"

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
        &homeFinalLookup(),
        &homeRedirectsLookup(),
        &homeTimeLookup(),
        &homeSizeLookup(),
        &homeServerLookup(),
        &homeDescriptionLookup(),
        &homeKeywordsLookup(),
        &homeCanonicalLookup(),
        &homeHeadingLookup(),
        &sitemapLookup(),
        &nameServersLookup(),
        &mailLookup(),
        &bingIndexLookup(),
        &sogouIndexLookup(),
        &soIndexLookup(),
    };
}

} // namespace

LookupTable makeLookupTable(const std::vector<CustomLookup>& custom)
{
    // The built-in entries live as long as the program; a user's entry as long as a table or a job holds it.
    std::vector<std::shared_ptr<const Lookup>> all;
    for (const Lookup* lookup : builtIn())
        all.emplace_back(std::shared_ptr<const Lookup>(), lookup);
    for (const CustomLookup& definition : custom)
        all.push_back(customEntry(definition));
    return LookupTable(std::move(all));
}

bool isBuiltInKey(const QString& key)
{
    for (const Lookup* lookup : builtIn()) {
        if (lookup->key.compare(key, Qt::CaseInsensitive) == 0)
            return true;
    }
    return key.startsWith(u"rdap-"_s, Qt::CaseInsensitive); // read as the registration columns' old names
}

CustomFile readUserLookups(const QString& path)
{
    return readCustomLookups(path, isBuiltInKey);
}
