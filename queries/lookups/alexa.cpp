// SPDX-License-Identifier: GPL-3.0-or-later
// The Alexa rank lookup.
#include "queries/lookups/alexa.h"

#include "queries/engine/lookup.h"
#include "web/hosts.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

QString alexaAddress(const QString& host, const QString& domain)
{
    return u"http://"_s + host + u"/data/?cli=10&dat=snba&ver=7.0&url="_s + domain;
}

QString alexaCellText(const QString& answer)
{
    // The rank sits in <POPULARITY URL="example.com/" TEXT="12345"/>: the URL attribute's closing slash and
    // quote run straight into TEXT. The presence test is shorter than the cut, so an answer can pass it and
    // still hold no TEXT=" to cut at; that has no rank either.
    if (!answer.contains(u"/\" TEXT"_s))
        return u"0"_s;
    return cutAfter(answer, u"/\" TEXT=\""_s, u"\""_s).value_or(u"0"_s);
}

const Service& alexaService()
{
    // Alexa's data service was retired in 2022; it stays reachable through a mirror named in the variable.
    static const Service service {.key = u"alexa"_s,
        .name = u"Alexa"_s,
        .pace = {4},
        .hostVariable = "QUILLMARK_HOST_ALEXA",
        .host = "data.alexa.com"};
    return service;
}

const Lookup& alexaLookup()
{
    static const Lookup lookup {.key = u"alexa"_s,
        .header = QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "Alexa排名")),
        .measure = Measure::Rank,
        .service = alexaService(),
        .start = pageJob([](const QString& domain) { return alexaAddress(serviceHost(alexaService()), domain); },
            Charset::Gb2312,
            [](const PageResult& page, const QString&) {
                CellResult cell = pageCell(page, alexaCellText(page.text));
                cell.value = CellValue::written(cell.text, CellValue::Kind::Rank);
                return cell;
            })};
    return lookup;
}
