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
    static const Lookup lookup {u"outbound"_s, u"出站链接"_s, 65, u"|出站："_s, u"Check8"_s, u"Command5"_s,
        Walk::WithStop, u"home"_s, nullptr, Charset::Gb2312, nullptr, startHomePageJob};
    return lookup;
}
