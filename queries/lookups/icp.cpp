// The ICP filing lookup.
#include "queries/lookups/icp.h"

#include "queries/engine/lookup.h"
#include "web/hosts.h"

using namespace Qt::Literals::StringLiterals;

QString icpAddress(const QString& host, const QString& domain)
{
    return u"http://"_s + host + u"/Api/?ApiVersion=2.0&Domain="_s + domain + u"&Certi=0&CertApi=0&CertInfo="_s;
}

QString icpCellText(const QString& answer)
{
    if (!answer.contains(u"ICP备"_s))
        return u"未备案"_s;
    // The service prints the number right before the first 号 of the whole answer; thirteen characters
    // hold a full number such as 京ICP备12345678, shorter ones take in what stands before them.
    const qsizetype end = answer.indexOf(u"号"_s, 0, Qt::CaseInsensitive);
    const QStringView head = QStringView(answer).left(end < 0 ? answer.size() : end);
    qsizetype start = qMax<qsizetype>(0, head.size() - 13);
    // Never start on the second half of a surrogate pair: such a character counts as one.
    if (start > 0 && head.at(start).isLowSurrogate())
        --start;
    return head.mid(start).toString() + u"号"_s;
}

const Lookup& icpLookup()
{
    static const Lookup lookup {.key = u"icp"_s,
        .header = u"域名是否备案"_s,
        .width = 100,
        .exportLabel = u"|备案："_s,
        .service = u"icp"_s,
        .serviceName = u"备案查询"_s,
        .pace = {4},
        .address = [](const QString& domain) { return icpAddress(serviceHost(Service::Icp), domain); },
        .cut = [](const PageResult& page, const QString&) { return pageCell(page, icpCellText(page.text)); }};
    return lookup;
}
