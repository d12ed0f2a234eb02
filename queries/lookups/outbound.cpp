// The outbound links lookup: it shares the home page's fetch, whose job counts the links.
#include "queries/lookups/outbound.h"

#include "queries/engine/keys.h"
#include "queries/lookups/home.h"

using namespace Qt::Literals::StringLiterals;

const Lookup& outboundLookup()
{
    static const Lookup lookup {.key = Key::Outbound,
        .header = u"出站链接"_s,
        .width = 65,
        .exportLabel = u"|出站："_s,
        .measure = Measure::Count,
        .service = u"home"_s,
        .serviceName = u"网站首页"_s,
        .pace = {32},
        .job = startHomePageJob};
    return lookup;
}
