// SPDX-License-Identifier: GPL-3.0-or-later
// 必应's indexed pages of a site, by its site: search.
#include "queries/lookups/bing.h"

#include "queries/engine/lookup.h"
#include "queries/lookups/searchcount.h"
#include "web/hosts.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const Service& bingService()
{
    static const Service service {.key = u"bing"_s,
        .name = QString::fromUtf8(QT_TRANSLATE_NOOP("Services", "必应")),
        .pace = {1},
        .hostVariable = "QUILLMARK_HOST_BING",
        .host = "cn.bing.com",
        .scheme = "https"};
    return service;
}

CellResult bingCell(const PageResult& page, const QString&)
{
    return searchCountCell(page, bingPhrases());
}

} // namespace

QString bingAddress(const QString& base, const QString& domain)
{
    return base + u"/search?q=site%3A"_s + domain;
}

const CountPhrases& bingPhrases()
{
    // Bing's Chinese pages say “约 1,230,000 个结果”, or without 约 for a few; its English ones “About 1,230,000
    // results”.
    static const CountPhrases phrases {
        QRegularExpression(u"(?:约\\s*)?([0-9][0-9,]*)\\s*个结果|About ([0-9][0-9,]*) results"_s),
        {u"没有与此相关的结果"_s, u"There are no results for"_s}};
    return phrases;
}

const Lookup& bingIndexLookup()
{
    static const Lookup lookup {.key = u"bing-index"_s,
        .header = QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "必应收录")),
        .walk = Walk::WithoutStop,
        .measure = Measure::Count,
        .service = bingService(),
        .start = pageJob([](const QString& domain) { return bingAddress(serviceAddress(bingService()), domain); },
            Charset::Utf8, bingCell)};
    return lookup;
}
