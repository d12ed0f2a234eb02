#include "queries/outbound.h"

#include "queries/home.h"
#include "queries/keys.h"

using namespace Qt::Literals::StringLiterals;

const Lookup& outboundLookup()
{
    static const Lookup lookup {.key = Key::Outbound,
        .header = u"出站链接"_s,
        .width = 65,
        .exportLabel = u"|出站："_s,
        .box = u"Check8"_s,
        .service = u"home"_s,
        .job = startHomePageJob};
    return lookup;
}
