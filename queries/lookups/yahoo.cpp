// SPDX-License-Identifier: GPL-3.0-or-later
// The Yahoo backlinks lookup.
#include "queries/lookups/yahoo.h"

#include "queries/engine/lookup.h"
#include "web/hosts.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kResultPhrase = u"链向该地址的网页"_s;
}

QString yahooAddress(const QString& host, const QString& domain)
{
    return u"http://"_s + host + u"/search?bwm=i&p="_s + domain;
}

QString yahooCellText(const QString& page)
{
    // A result page speaks of 链向该地址的网页; the count itself follows 共 <strong> wherever that stands.
    // A page with the phrase but without the count has no count to show.
    if (!page.contains(kResultPhrase))
        return u"0"_s;
    return cutAfter(page, u"共 <strong>"_s, u"<"_s).value_or(u"0"_s);
}

const Service& yahooService()
{
    // Yahoo China's sitemap search closed in 2013; it stays reachable through a mirror named in the variable.
    static const Service service {.key = u"yahoo"_s,
        .name = QString::fromUtf8(QT_TRANSLATE_NOOP("Services", "雅虎")),
        .pace = {1},
        .hostVariable = "QUILLMARK_HOST_YAHOO",
        .host = "sitemap.cn.yahoo.com"};
    return service;
}

const Lookup& yahooLookup()
{
    static const Lookup lookup {.key = u"yahoo"_s,
        .header = QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "yahoo反链")),
        .walk = Walk::WithoutStop,
        .measure = Measure::Count,
        .service = yahooService(),
        .start = pageJob([](const QString& domain) { return yahooAddress(serviceHost(yahooService()), domain); },
            Charset::Utf8,
            [](const PageResult& page, const QString&) {
                return searchEngineCell(page, yahooCellText(page.text), page.text.contains(kResultPhrase));
            })};
    return lookup;
}
