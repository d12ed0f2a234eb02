#include "queries/outbound.h"

#include "queries/home.h"
#include "queries/lookup.h"

using namespace Qt::Literals::StringLiterals;

QString outboundAddress(const QString& domain)
{
    return u"http://"_s + domain;
}

bool isOutboundLink(const QString& element, const QString& domain)
{
    // Host names ignore case: a link to HTTP://WWW.A.TEST is the site's own.
    return element.contains(u"http"_s) && !element.contains(domain, Qt::CaseInsensitive);
}

const Lookup& outboundLookup()
{
    static const Lookup lookup {.key = u"outbound"_s,
        .header = u"出站链接"_s,
        .width = 65,
        .exportLabel = u"|出站："_s,
        .box = u"Check8"_s,
        .service = u"home"_s,
        .job = startHomePageJob};
    return lookup;
}
