#include "queries/baidu.h"

#include "app/Form1.h"
#include "app/ResultsGrid.h"
#include "queries/cut.h"
#include "web/fetch.h"
#include "web/hosts.h"

using namespace Qt::Literals::StringLiterals;

QString baiduAddress(const QString& host, BaiduQuery query, const QString& domain)
{
    const QString operatorPrefix = query == BaiduQuery::IndexedPages ? u"/s?wd=site%3A"_s : u"/s?wd=domain%3A"_s;
    return u"http://"_s + host + operatorPrefix + domain;
}

QString baiduCellText(const QString& page)
{
    // Current result pages say 找到相关结果约…个; older ones said 找到相关网页…篇. The current wording wins
    // wherever it stands.
    if (auto count = cutAfter(page, u"找到相关结果约"_s, u"个"_s))
        return *count;
    if (auto count = cutAfter(page, u"找到相关网页"_s, u"篇"_s))
        return *count;
    return u"0"_s;
}

void Form1::Command6_Click()
{
    walk(Walk::WithoutStop, BaiduIndexColumn, [](const QString& domain) {
        return baiduCellText(getHTTPPage(baiduAddress(serviceHost(Service::Baidu), BaiduQuery::IndexedPages, domain)));
    });
}

void Form1::Command7_Click()
{
    walk(Walk::WithoutStop, BaiduLinksColumn, [](const QString& domain) {
        return baiduCellText(getHTTPPage(baiduAddress(serviceHost(Service::Baidu), BaiduQuery::Backlinks, domain)));
    });
}
