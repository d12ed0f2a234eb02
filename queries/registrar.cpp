#include "queries/registrar.h"

#include "app/Form1.h"
#include "app/ResultsGrid.h"
#include "queries/lookup.h"
#include "web/fetch.h"
#include "web/hosts.h"

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
    return answer.contains(u"original>210"_s) ? u"可注册"_s : u"已被注册"_s;
}

CellResult Form1::registrarCell(const QString& domain)
{
    const PageResult page = fetchPage(registrarAddress(serviceHost(Service::Registrar), domain), Charset::Gb2312);
    return pageCell(page, registrarCellText(page.text));
}

void Form1::Command3_Click()
{
    runLookup(RegistrarColumn);
}
