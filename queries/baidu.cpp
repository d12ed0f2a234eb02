#include "queries/baidu.h"

#include "app/Form1.h"
#include "app/ResultsGrid.h"
#include "queries/cut.h"
#include "queries/lookup.h"
#include "web/fetch.h"
#include "web/hosts.h"

using namespace Qt::Literals::StringLiterals;

QString baiduAddress(const QString& host, BaiduQuery query, const QString& domain)
{
    const QString operatorPrefix = query == BaiduQuery::IndexedPages ? u"/s?wd=site%3A"_s : u"/s?wd=domain%3A"_s;
    return u"http://"_s + host + operatorPrefix + domain;
}

namespace {

std::optional<QString> baiduCount(const QString& page)
{
    // Current result pages say 找到相关结果约…个; older ones said 找到相关网页…篇. The current wording wins
    // wherever it stands.
    if (auto count = cutAfter(page, u"找到相关结果约"_s, u"个"_s))
        return count;
    return cutAfter(page, u"找到相关网页"_s, u"篇"_s);
}

CellResult baiduCell(BaiduQuery query, const QString& domain)
{
    const PageResult page = fetchPage(baiduAddress(serviceHost(Service::Baidu), query, domain), Charset::Gb2312);
    return searchEngineCell(page, baiduCellText(page.text), baiduCount(page.text).has_value());
}

} // namespace

QString baiduCellText(const QString& page)
{
    return baiduCount(page).value_or(u"0"_s);
}

CellResult Form1::baiduIndexCell(const QString& domain)
{
    return baiduCell(BaiduQuery::IndexedPages, domain);
}

CellResult Form1::baiduLinksCell(const QString& domain)
{
    return baiduCell(BaiduQuery::Backlinks, domain);
}

void Form1::Command6_Click()
{
    runLookup(BaiduIndexColumn);
}

void Form1::Command7_Click()
{
    runLookup(BaiduLinksColumn);
}
