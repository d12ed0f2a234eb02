// SPDX-License-Identifier: GPL-3.0-or-later
// The registrar lookup.
#include "queries/lookups/registrar.h"

#include "queries/engine/lookup.h"
#include "web/hosts.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

QString registrarAddress(const QString& host, const QString& domain)
{
    QString bare = domain;
    bare.replace(u"www."_s, QString());
    return u"http://"_s + host + u"/cgi-bin/check.cgi?area_domain="_s + bare;
}

QString registrarCellText(const QString& answer)
{
    // 210 is the registrar's code for "available"; every other answer, an error page included, counts as taken.
    return answer.contains(u"original>210"_s) ? QCoreApplication::translate("Cells", "可注册")
                                              : QCoreApplication::translate("Cells", "已被注册");
}

const Service& registrarService()
{
    static const Service service {.key = u"registrar"_s,
        .name = QString::fromUtf8(QT_TRANSLATE_NOOP("Services", "注册商查询")),
        .pace = {4},
        .hostVariable = "QUILLMARK_HOST_REGISTRAR",
        .host = "panda.www.net.cn"};
    return service;
}

const Lookup& registrarLookup()
{
    static const Lookup lookup {.key = u"registrar"_s,
        .header = QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "域名注册")),
        .service = registrarService(),
        .start
        = pageJob([](const QString& domain) { return registrarAddress(serviceHost(registrarService()), domain); },
            Charset::Gb2312,
            [](const PageResult& page, const QString&) { return pageCell(page, registrarCellText(page.text)); })};
    return lookup;
}
