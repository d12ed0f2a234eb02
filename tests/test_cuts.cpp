// The value cuts decide every cell the user reads; the table holds the cases that have gone wrong
// on real answer pages.
#include "queries/alexa.h"
#include "queries/baidu.h"
#include "queries/icp.h"
#include "queries/outbound.h"
#include "queries/registrar.h"
#include "queries/yahoo.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;

enum class Cut { Icp, Alexa, Baidu, Yahoo, Registrar };
Q_DECLARE_METATYPE(Cut)

class TestCuts : public QObject
{
    Q_OBJECT
private slots:
    void cells_data();
    void cells();
    void addressesKeepTheDomainAsTyped();
    void outboundTest_data();
    void outboundTest();
};

void TestCuts::cells_data()
{
    QTest::addColumn<Cut>("cut");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("icp: exactly 13 before 号") << Cut::Icp << u"<td>京ICP备12345678号</td>"_s << u"京ICP备12345678号"_s;
    QTest::newRow("icp: suffix after 号 dropped") << Cut::Icp << u"京ICP备12345678号-2"_s << u"京ICP备12345678号"_s;
    QTest::newRow("icp: long number keeps last 13") << Cut::Icp << u"沪ICP备123456789号"_s << u"ICP备123456789号"_s;
    QTest::newRow("icp: short number takes in markup") << Cut::Icp << u"<td>京ICP备1234号"_s << u"<td>京ICP备1234号"_s;
    QTest::newRow("icp: earlier unrelated 号 wins") << Cut::Icp << u"<p>账号123</p>京ICP备12345678号"_s << u"<p>账号"_s;
    QTest::newRow("icp: no 号 at all") << Cut::Icp << u"xxxxx京ICP备12345678 end"_s << u"备12345678 end号"_s;
    QTest::newRow("icp: lower-case icp is no filing") << Cut::Icp << u"京icp备12345678号"_s << u"未备案"_s;
    QTest::newRow("icp: empty answer") << Cut::Icp << QString() << u"未备案"_s;
    QTest::newRow("icp: GBK characters around") << Cut::Icp << u"镕喆京ICP备1号"_s << u"镕喆京ICP备1号"_s;
    QTest::newRow("icp: astral character not split") << Cut::Icp << u"x😀ICP备12345678号"_s << u"😀ICP备12345678号"_s;
    QTest::newRow("alexa: rank") << Cut::Alexa << u"<POPULARITY URL=\"a.test/\" TEXT=\"12345\" SOURCE=\"panel\"/>"_s
                                 << u"12345"_s;
    QTest::newRow("alexa: first marker without =, later one with")
        << Cut::Alexa << u"<X URL=\"a/\" TEXT /><POPULARITY URL=\"a/\" TEXT=\"77\"/>"_s << u"77"_s;
    QTest::newRow("alexa: value runs to the end") << Cut::Alexa << u"URL=\"a/\" TEXT=\"99 tail"_s << u"99 tail"_s;
    QTest::newRow("alexa: no marker") << Cut::Alexa << u"<ALEXA></ALEXA>"_s << u"0"_s;
    QTest::newRow("alexa: empty answer") << Cut::Alexa << QString() << u"0"_s;
    QTest::newRow("alexa: small letters") << Cut::Alexa << u"URL=\"a/\" text=\"5\""_s << u"0"_s;
    QTest::newRow("alexa: marker but no delimiter anywhere") << Cut::Alexa << u"URL=\"a/\" TEXT />"_s << u"0"_s;
    QTest::newRow("alexa: delimiter at the very end") << Cut::Alexa << u"URL=\"a/\" TEXT=\""_s << QString();
    QTest::newRow("alexa: delimiter twice in a row")
        << Cut::Alexa << u"URL=\"a/\" TEXT=\"/\" TEXT=\"5\""_s << QString();
    QTest::newRow("baidu: current wording") << Cut::Baidu << u"百度为您找到相关结果约1,230,000个"_s << u"1,230,000"_s;
    QTest::newRow("baidu: older wording keeps 约") << Cut::Baidu << u"找到相关网页约12,300篇"_s << u"约12,300"_s;
    QTest::newRow("baidu: current wins though later")
        << Cut::Baidu << u"找到相关网页约5篇 找到相关结果约7个"_s << u"7"_s;
    QTest::newRow("baidu: marker twice, no 个 between")
        << Cut::Baidu << u"找到相关结果约12找到相关结果约3个"_s << u"12"_s;
    QTest::newRow("baidu: spaces kept") << Cut::Baidu << u"找到相关结果约 42 个"_s << u" 42 "_s;
    QTest::newRow("baidu: neither phrase") << Cut::Baidu << u"<title>百度安全验证</title>"_s << u"0"_s;
    QTest::newRow("baidu: empty page") << Cut::Baidu << QString() << u"0"_s;
    QTest::newRow("baidu: directly followed by 个") << Cut::Baidu << u"找到相关结果约个"_s << QString();
    QTest::newRow("baidu: marker at the very end") << Cut::Baidu << u"abc找到相关结果约"_s << QString();
    QTest::newRow("baidu: no measure word: rest of page") << Cut::Baidu << u"找到相关结果约9 </div>"_s << u"9 </div>"_s;
    QTest::newRow("yahoo: count") << Cut::Yahoo << u"链向该地址的网页 共 <strong>1,234</strong>"_s << u"1,234"_s;
    QTest::newRow("yahoo: spaces around kept")
        << Cut::Yahoo << u"链向该地址的网页 共 <strong> 56 </strong>"_s << u" 56 "_s;
    QTest::newRow("yahoo: marker before phrase") << Cut::Yahoo << u"共 <strong>8</strong> 链向该地址的网页"_s << u"8"_s;
    QTest::newRow("yahoo: no phrase") << Cut::Yahoo << u"共 <strong>8</strong>"_s << u"0"_s;
    QTest::newRow("yahoo: no space after 共") << Cut::Yahoo << u"链向该地址的网页 共<strong>8</strong>"_s << u"0"_s;
    QTest::newRow("yahoo: no-break space after 共") << Cut::Yahoo << u"链向该地址的网页 共\u00a0<strong>8<"_s << u"0"_s;
    QTest::newRow("yahoo: phrase without marker") << Cut::Yahoo << u"链向该地址的网页"_s << u"0"_s;
    QTest::newRow("yahoo: marker followed by <")
        << Cut::Yahoo << u"链向该地址的网页 共 <strong></strong>"_s << QString();
    QTest::newRow("yahoo: marker at the end") << Cut::Yahoo << u"链向该地址的网页 共 <strong>"_s << QString();
    QTest::newRow("registrar: leading www.") << Cut::Registrar << u"www.a.test"_s << u"a.test"_s;
    QTest::newRow("registrar: capital WWW. kept") << Cut::Registrar << u"WWW.a.test"_s << u"WWW.a.test"_s;
    QTest::newRow("registrar: in the middle") << Cut::Registrar << u"shop.www.a.test"_s << u"shop.a.test"_s;
    QTest::newRow("registrar: twice") << Cut::Registrar << u"www.www.a.test"_s << u"a.test"_s;
    QTest::newRow("registrar: scanned once, left to right") << Cut::Registrar << u"wwwww.w.a.test"_s << u"www.a.test"_s;
}

void TestCuts::cells()
{
    QFETCH(Cut, cut);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    switch (cut) {
    case Cut::Icp:
        QCOMPARE(icpCellText(input), expected);
        break;
    case Cut::Alexa:
        QCOMPARE(alexaCellText(input), expected);
        break;
    case Cut::Baidu:
        QCOMPARE(baiduCellText(input), expected);
        break;
    case Cut::Yahoo:
        QCOMPARE(yahooCellText(input), expected);
        break;
    case Cut::Registrar: // the domain in, the bare domain the registrar is asked about out
        QCOMPARE(registrarAddress(u"r"_s, input), u"http://r/cgi-bin/check.cgi?area_domain="_s + expected);
        break;
    }
}

void TestCuts::addressesKeepTheDomainAsTyped()
{
    QCOMPARE(registrarCellText(u"<original>210 : Domain name is available</original>"_s), u"可注册"_s);
    QCOMPARE(registrarCellText(u"<original>211 : Domain exists</original>"_s), u"已被注册"_s);
    const QString domain = u"www.Ab C.test"_s;
    QCOMPARE(
        icpAddress(u"h"_s, domain), u"http://h/Api/?ApiVersion=2.0&Domain=www.Ab C.test&Certi=0&CertApi=0&CertInfo="_s);
    QCOMPARE(alexaAddress(u"h"_s, domain), u"http://h/data/?cli=10&dat=snba&ver=7.0&url=www.Ab C.test"_s);
    QCOMPARE(baiduAddress(u"h"_s, BaiduQuery::IndexedPages, domain), u"http://h/s?wd=site%3Awww.Ab C.test"_s);
    QCOMPARE(baiduAddress(u"h"_s, BaiduQuery::Backlinks, domain), u"http://h/s?wd=domain%3Awww.Ab C.test"_s);
    QCOMPARE(yahooAddress(u"h"_s, domain), u"http://h/search?bwm=i&p=www.Ab C.test"_s);
    QCOMPARE(outboundAddress(domain), u"http://www.Ab C.test"_s);
}

void TestCuts::outboundTest_data()
{
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("domain");
    QTest::addColumn<bool>("counted");
    QTest::newRow("other site") << u"<a href=\"http://b.test/\">b</a>"_s << u"a.test"_s << true;
    QTest::newRow("https counts") << u"<a href=\"https://b.test/\">b</a>"_s << u"a.test"_s << true;
    QTest::newRow("relative") << u"<a href=\"/x\">x</a>"_s << u"a.test"_s << false;
    QTest::newRow("capital HTTP") << u"<A HREF=\"HTTP://B.TEST/\">B</A>"_s << u"a.test"_s << false;
    QTest::newRow("own site, other case") << u"<a href=\"http://A.TEST/\">a</a>"_s << u"a.test"_s << true;
    QTest::newRow("own site") << u"<a href=\"http://a.test/x\">a</a>"_s << u"a.test"_s << false;
    QTest::newRow("own site without www.") << u"<a href=\"http://a.test/\">a</a>"_s << u"www.a.test"_s << true;
    QTest::newRow("relative, http in content") << u"<a href=\"/x\">http tips</a>"_s << u"a.test"_s << true;
    QTest::newRow("failure text") << u"匹配失败"_s << u"a.test"_s << false;
}

void TestCuts::outboundTest()
{
    QFETCH(QString, element);
    QFETCH(QString, domain);
    QFETCH(bool, counted);
    QCOMPARE(isOutboundLink(element, domain), counted);
}

QTEST_GUILESS_MAIN(TestCuts)
#include "test_cuts.moc"
