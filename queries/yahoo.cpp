#include "queries/yahoo.h"

#include "app/Form1.h"
#include "app/ResultsGrid.h"
#include "queries/cut.h"
#include "queries/lookup.h"
#include "web/fetch.h"
#include "web/hosts.h"

using namespace Qt::Literals::StringLiterals;

QString yahooAddress(const QString& host, const QString& domain)
{
    return u"http://"_s + host + u"/search?bwm=i&p="_s + domain;
}

QString yahooCellText(const QString& page)
{
    // A result page speaks of 链向该地址的网页; the count itself follows 共 <strong> wherever that stands.
    // A page with the phrase but without the count has no count to show.
    if (!page.contains(u"链向该地址的网页"_s))
        return u"0"_s;
    return cutAfter(page, u"共 <strong>"_s, u"<"_s).value_or(u"0"_s);
}

CellResult Form1::yahooCell(const QString& domain)
{
    const PageResult page = fetchPage(yahooAddress(serviceHost(Service::Yahoo), domain), Charset::Utf8);
    return searchEngineCell(page, yahooCellText(page.text), page.text.contains(u"链向该地址的网页"_s));
}

void Form1::Command8_Click()
{
    runLookup(YahooColumn);
}
