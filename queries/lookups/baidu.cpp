// Baidu's indexed pages and backlinks lookups.
#include "queries/lookups/baidu.h"

#include "queries/engine/lookup.h"
#include "web/hosts.h"

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
    static const Lookup lookup {.key = u"baidu-index"_s,
        .header = u"百度收录"_s,
        .width = 65,
        .exportLabel = u"|百度收录："_s,
        .walk = Walk::WithoutStop,
        .measure = Measure::Count,
        .service = u"baidu"_s,
        .serviceName = u"百度"_s,
        .pace = {1},
        .address =
            [](const QString& domain) {
                return baiduAddress(serviceHost(Service::Baidu), BaiduQuery::IndexedPages, domain);
            },
        .cut = baiduCell};
    return lookup;
}

const Lookup& baiduLinksLookup()
{
    static const Lookup lookup {.key = u"baidu-links"_s,
        .header = u"百度反链"_s,
        .width = 65,
        .exportLabel = u"|百度反链："_s,
        .walk = Walk::WithoutStop,
        .measure = Measure::Count,
        .service = u"baidu"_s,
        .serviceName = u"百度"_s,
        .pace = {1},
        .address =
            [](const QString& domain) {
                return baiduAddress(serviceHost(Service::Baidu), BaiduQuery::Backlinks, domain);
            },
        .cut = baiduCell};
    return lookup;
}
