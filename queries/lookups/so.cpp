// SPDX-License-Identifier: GPL-3.0-or-later
// 360搜索's indexed pages of a site, by its site: search.
#include "queries/lookups/so.h"

#include "queries/engine/lookup.h"
#include "queries/lookups/searchcount.h"
#include "web/hosts.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const Service& soService()
{
    static const Service service {.key = u"so"_s,
        .name = QString::fromUtf8(QT_TRANSLATE_NOOP("Services", "360搜索")),
        .pace = {1},
        .hostVariable = "QUILLMARK_HOST_SO",
        .host = "www.so.com",
        .scheme = "https"};
    return service;
}

CellResult soCell(const PageResult& page, const QString&)
{
    return searchCountCell(page, soPhrases());
}

} // namespace

QString soAddress(const QString& base, const QString& domain)
{
    return base + u"/s?q=site%3A"_s + domain;
}

const CountPhrases& soPhrases()
{
    // 360 Search says “找到相关结果约1,230,000个”; a page that found nothing says “抱歉，未找到和…相关的网页”.
    static const CountPhrases phrases {
        QRegularExpression(u"找到相关结果约?\\s*([0-9][0-9,]*)\\s*个"_s), {u"未找到和"_s}};
    return phrases;
}

const Lookup& soIndexLookup()
{
    static const Lookup lookup {.key = u"so-index"_s,
        .header = QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "360收录")),
        .walk = Walk::WithoutStop,
        .measure = Measure::Count,
        .service = soService(),
        .start = pageJob([](const QString& domain) { return soAddress(serviceAddress(soService()), domain); },
            Charset::Utf8, soCell)};
    return lookup;
}
