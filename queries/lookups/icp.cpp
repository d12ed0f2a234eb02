// SPDX-License-Identifier: GPL-3.0-or-later
// The ICP filing lookup.
#include "queries/lookups/icp.h"

#include "queries/engine/lookup.h"
#include "web/hosts.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

QString icpAddress(const QString& host, const QString& domain)
{
    return u"http://"_s + host + u"/Api/?ApiVersion=2.0&Domain="_s + domain + u"&Certi=0&CertApi=0&CertInfo="_s;
}

QString icpCellText(const QString& answer)
{
    if (!answer.contains(u"ICP备"_s))
        return QCoreApplication::translate("Cells", "未备案");
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

const Service& icpService()
{
    // The filing API has no public address we can name: by default a reserved name that fails fast.
    static const Service service {.key = u"icp"_s,
        .name = QString::fromUtf8(QT_TRANSLATE_NOOP("Services", "备案查询")),
        .pace = {4},
        .hostVariable = "QUILLMARK_HOST_ICP",
        .host = "icp.quillmark.example"};
    return service;
}

const Lookup& icpLookup()
{
    static const Lookup lookup {.key = u"icp"_s,
        .header = QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "域名是否备案")),
        .service = icpService(),
        .start
        = pageJob([](const QString& domain) { return icpAddress(serviceHost(icpService()), domain); }, Charset::Gb2312,
            [](const PageResult& page, const QString&) { return pageCell(page, icpCellText(page.text)); })};
    return lookup;
}
