// SPDX-License-Identifier: GPL-3.0-or-later
// Baidu's indexed pages and backlinks lookups.
#include "queries/lookups/baidu.h"

#include "queries/engine/lookup.h"
#include "web/hosts.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

namespace {

std::optional<QString> baiduCount(const QString& page)
{
    // Current result pages say 找到相关结果约…个; older ones said 找到相关网页…篇. The current wording wins
    // wherever it stands.
    if (auto count = cutAfter(page, u"找到相关结果约"_s, u"个"_s))
        return count;
    return cutAfter(page, u"找到相关网页"_s, u"篇"_s);
}

CellResult baiduCell(const PageResult& page, const QString&)
{
    return searchEngineCell(page, baiduCellText(page.text), baiduCount(page.text).has_value());
}

const Service& baiduService()
{
    static const Service service {.key = u"baidu"_s,
        .name = QString::fromUtf8(QT_TRANSLATE_NOOP("Services", "百度")),
        .pace = {1},
        .hostVariable = "QUILLMARK_HOST_BAIDU",
        .host = "www.baidu.com"};
    return service;
}

Lookup baiduLookup(const QString& key, const QString& header, QString (*address)(const QString& domain))
{
    return {.key = key,
        .header = header,
        .walk = Walk::WithoutStop,
        .measure = Measure::Count,
        .service = baiduService(),
        .start = pageJob(address, Charset::Gb2312, baiduCell)};
}

} // namespace

QString baiduAddress(const QString& host, BaiduQuery query, const QString& domain)
{
    const QString operatorPrefix = query == BaiduQuery::IndexedPages ? u"/s?wd=site%3A"_s : u"/s?wd=domain%3A"_s;
    return u"http://"_s + host + operatorPrefix + domain;
}

QString baiduCellText(const QString& page)
{
    return baiduCount(page).value_or(u"0"_s);
}

const Lookup& baiduIndexLookup()
{
    static const Lookup lookup = baiduLookup(
        u"baidu-index"_s, QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "百度收录")), [](const QString& domain) {
            return baiduAddress(serviceHost(baiduService()), BaiduQuery::IndexedPages, domain);
        });
    return lookup;
}

const Lookup& baiduLinksLookup()
{
    static const Lookup lookup = baiduLookup(u"baidu-links"_s,
        QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "百度反链")),
        [](const QString& domain) { return baiduAddress(serviceHost(baiduService()), BaiduQuery::Backlinks, domain); });
    return lookup;
}
