// SPDX-License-Identifier: GPL-3.0-or-later
// 搜狗's indexed pages of a site, by its site: search.
#include "queries/lookups/sogou.h"

#include "queries/engine/lookup.h"
#include "queries/lookups/searchcount.h"
#include "web/hosts.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const Service& sogouService()
{
    static const Service service {.key = u"sogou"_s,
        .name = QString::fromUtf8(QT_TRANSLATE_NOOP("Services", "搜狗")),
        .pace = {1},
        .hostVariable = "QUILLMARK_HOST_SOGOU",
        .host = "www.sogou.com",
        .scheme = "https"};
    return service;
}

CellResult sogouCell(const PageResult& page, const QString&)
{
    return searchCountCell(page, sogouPhrases());
}

} // namespace

QString sogouAddress(const QString& base, const QString& domain)
{
    return base + u"/web?query=site%3A"_s + domain;
}

const CountPhrases& sogouPhrases()
{
    // Sogou says “搜狗已为您找到约1,230条相关结果”; a page that found nothing says “抱歉，没有找到与…相关的网页”.
    static const CountPhrases phrases {
        QRegularExpression(u"找到约?\\s*([0-9][0-9,]*)\\s*条(?:相关)?结果"_s), {u"没有找到与"_s}};
    return phrases;
}

const Lookup& sogouIndexLookup()
{
    static const Lookup lookup {.key = u"sogou-index"_s,
        .header = QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "搜狗收录")),
        .walk = Walk::WithoutStop,
        .measure = Measure::Count,
        .service = sogouService(),
        .start = pageJob([](const QString& domain) { return sogouAddress(serviceAddress(sogouService()), domain); },
            Charset::Utf8, sogouCell)};
    return lookup;
}
