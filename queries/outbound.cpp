#include "queries/outbound.h"

#include "app/Form1.h"
#include "app/ResultsGrid.h"
#include "queries/lookup.h"
#include "web/fetch.h"
#include "web/links.h"

#include <QListWidget>

using namespace Qt::Literals::StringLiterals;

QString outboundAddress(const QString& domain)
{
    return u"http://"_s + domain;
}

bool isOutboundLink(const QString& element, const QString& domain)
{
    return element.contains(u"http"_s) && !element.contains(domain);
}

CellResult Form1::outboundCell(const QString& domain)
{
    const PageResult page = fetchPage(outboundAddress(domain), Charset::Gb2312);
    const QStringList elements = TestRegExp(QString::fromUtf16(kLinkPattern), page.text).split(u"\r\n"_s);
    // List3 collects the passing elements of this one page; Stop is honoured between elements, and the
    // count gathered so far is still what the cell gets.
    for (const QString& element : elements) {
        if (stopRequested() || m_closing)
            break;
        if (isOutboundLink(element, domain))
            m_list3->addItem(element);
        yieldToWindow();
    }
    const QString count = QString::number(m_list3->count());
    m_list3->clear();
    return pageCell(page, count);
}

void Form1::Command5_Click()
{
    runLookup(OutboundColumn);
}
