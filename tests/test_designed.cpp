// SPDX-License-Identifier: GPL-3.0-or-later
// The eight designed lookups' cuts and addresses: what each takes from its service's page, and the domain put
// into each address exactly as typed. Each row is a case that has gone wrong, or would, on real pages.
#include "queries/lookups/alexa.h"
#include "queries/lookups/baidu.h"
#include "queries/lookups/home.h"
#include "queries/lookups/icp.h"
#include "queries/lookups/registrar.h"
#include "queries/lookups/yahoo.h"
#include "web/hosts.h"
#include "web/links.h"
#include "web/ping.h"

#include "scoped.h"
#include "testing.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestDesigned : public QObject
{
    Q_OBJECT
private slots:
    void cuts_data();
    void cuts();
    void addressesKeepTheDomainAsTyped();
};

namespace {

// Two-argument cuts take "first\tsecond".
const QHash<QString, std::function<QString(const QString&)>> kCuts {
    {u"icp"_s, icpCellText},
    {u"alexa"_s, alexaCellText},
    {u"baidu"_s, baiduCellText},
    {u"yahoo"_s, yahooCellText},
    {u"registrar"_s, [](const QString& in) { return registrarAddress(u"r"_s, in).section(u'=', 1); }},
    {u"registrar-answer"_s, registrarCellText},
    {u"links"_s, [](const QString& in) { return TestRegExp(QString::fromUtf16(kLinkPattern), in); }},
    {u"ping"_s, [](const QString& in) { return cutBracketed(in, u'(', u')'); }},
    {u"outbound"_s,
        [](const QString& in) {
            return QString::number(isOutboundLink(in.section(u'\t', 0, 0), in.section(u'\t', 1)));
        }},
};

} // namespace

void TestDesigned::cuts_data()
{
    QTest::addColumn<QString>("cut");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char* name, const char* cut, const QString& input, const QString& expected) {
        QTest::newRow(name) << QString::fromLatin1(cut) << input << expected;
    };
    row("icp: exactly 13 before 号", "icp", u"<td>京ICP备12345678号</td>"_s, u"京ICP备12345678号"_s);
    row("icp: suffix after 号 dropped", "icp", u"京ICP备12345678号-2"_s, u"京ICP备12345678号"_s);
    row("icp: short number takes in markup", "icp", u"<td>京ICP备1234号"_s, u"<td>京ICP备1234号"_s);
    row("icp: earlier unrelated 号 wins", "icp", u"<p>账号123</p>京ICP备12345678号"_s, u"<p>账号"_s);
    row("icp: lower-case icp is no filing", "icp", u"京icp备12345678号"_s, u"未备案"_s);
    row("icp: astral character not split", "icp", u"x😀ICP备12345678号"_s, u"😀ICP备12345678号"_s);
    row("alexa: rank", "alexa", u"<POPULARITY URL=\"a.test/\" TEXT=\"12345\" SOURCE=\"panel\"/>"_s, u"12345"_s);
    row("alexa: marker but no delimiter", "alexa", u"URL=\"a/\" TEXT />"_s, u"0"_s);
    row("alexa: delimiter twice in a row", "alexa", u"URL=\"a/\" TEXT=\"/\" TEXT=\"5\""_s, QString());
    row("baidu: current wording", "baidu", u"百度为您找到相关结果约1,230,000个"_s, u"1,230,000"_s);
    row("baidu: older wording keeps 约", "baidu", u"找到相关网页约12,300篇"_s, u"约12,300"_s);
    row("baidu: current wins though later", "baidu", u"找到相关网页约5篇 找到相关结果约7个"_s, u"7"_s);
    row("yahoo: count", "yahoo", u"链向该地址的网页 共 <strong>1,234</strong>"_s, u"1,234"_s);
    row("yahoo: marker before phrase", "yahoo", u"共 <strong>8</strong> 链向该地址的网页"_s, u"8"_s);
    row("yahoo: phrase without count marker", "yahoo", u"链向该地址的网页 共 8 个"_s, u"0"_s);
    row("registrar: leading www.", "registrar", u"www.a.test"_s, u"a.test"_s);
    row("registrar: in the middle, twice", "registrar", u"www.shop.www.a.test"_s, u"shop.a.test"_s);
    row("registrar: scanned once", "registrar", u"wwwww.w.a.test"_s, u"www.a.test"_s);
    row("registrar: available", "registrar-answer", u"<original>210 : Domain name is available</original>"_s,
        u"可注册"_s);
    row("outbound: https counts", "outbound", u"<a href=\"https://b.test/\">b</a>\ta.test"_s, u"1"_s);
    row("outbound: capital HTTP", "outbound", u"<A HREF=\"HTTP://B.TEST/\">B</A>\ta.test"_s, u"0"_s);
    row("outbound: own site without www.", "outbound", u"<a href=\"http://a.test/\">a</a>\twww.a.test"_s, u"1"_s);
    row("outbound: own host in capitals", "outbound", u"<a href=\"http://A.TEST/x\">a</a>\ta.test"_s, u"0"_s);
    row("outbound: http in content", "outbound", u"<a href=\"/x\">http tips</a>\ta.test"_s, u"1"_s);
    row("links: no anchor", "links", u"<p>plain</p>"_s, u"匹配失败"_s);
    row("links: broken across lines", "links", u"<a href=1>\na</a>"_s, u"匹配失败"_s);
    row("links: CR inside a match", "links", u"<a href=1>\ra</a>"_s, u"<a href=1>\ra</a>\r\n"_s);
    row("ping: no brackets", "ping", u"unknown host\r\nline 2"_s, u"unknown host\r\nline 2"_s);
    row("ping: open only", "ping", u"x (1.2.3.4 tail"_s, u"1.2.3.4 tail"_s);
    row("ping: close first", "ping", u"abc) x (y"_s, u"abc"_s);
}

void TestDesigned::cuts()
{
    QFETCH(QString, cut);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(kCuts.value(cut)(input), expected);
}

void TestDesigned::addressesKeepTheDomainAsTyped()
{
    // Each lookup's address at the host its table entry's service is moved to: the domain goes in exactly as
    // typed.
    const ScopedEnv icp("QUILLMARK_HOST_ICP", "h"), alexa("QUILLMARK_HOST_ALEXA", "h"),
        baidu("QUILLMARK_HOST_BAIDU", "h"), yahoo("QUILLMARK_HOST_YAHOO", "h"),
        registrar("QUILLMARK_HOST_REGISTRAR", "h");
    const auto host = [](const char* key) { return serviceHost(builtInTable()->byKey(QLatin1String(key))->service); };
    const QString typed = u"www.Ab C.test"_s;
    const QStringList addresses {icpAddress(host("icp"), typed), alexaAddress(host("alexa"), typed),
        baiduAddress(host("baidu-index"), BaiduQuery::IndexedPages, typed),
        baiduAddress(host("baidu-links"), BaiduQuery::Backlinks, typed), yahooAddress(host("yahoo"), typed),
        registrarAddress(host("registrar"), typed)};
    QCOMPARE(addresses.join(u' '),
        u"http://h/Api/?ApiVersion=2.0&Domain=www.Ab C.test&Certi=0&CertApi=0&CertInfo= "
        u"http://h/data/?cli=10&dat=snba&ver=7.0&url=www.Ab C.test http://h/s?wd=site%3Awww.Ab C.test "
        u"http://h/s?wd=domain%3Awww.Ab C.test http://h/search?bwm=i&p=www.Ab C.test http://h/cgi-bin/check.cgi?area_domain=Ab C.test"_s);
    QCOMPARE(outboundAddress(u"www.Ab C.test"_s), u"http://www.Ab C.test"_s);
}

QTEST_GUILESS_MAIN(TestDesigned)
#include "test_designed.moc"
