// The value cuts decide every cell the user reads; each table holds the cases that have gone wrong
// on real answer pages.
#include "queries/alexa.h"
#include "queries/baidu.h"
#include "queries/cut.h"
#include "queries/icp.h"
#include "queries/outbound.h"
#include "queries/registrar.h"
#include "queries/yahoo.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestCuts : public QObject
{
    Q_OBJECT
private slots:
    void icp_data();
    void icp();
    void alexa_data();
    void alexa();
    void baidu_data();
    void baidu();
    void yahoo_data();
    void yahoo();
    void registrar_data();
    void registrar();
    void addressesKeepTheDomainAsTyped();
    void outboundTest_data();
    void outboundTest();
};

void TestCuts::icp_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("cell");
    QTest::newRow("exactly 13 before 号") << u"<td>京ICP备12345678号</td>"_s << u"京ICP备12345678号"_s;
    QTest::newRow("suffix after 号 dropped") << u"京ICP备12345678号-2"_s << u"京ICP备12345678号"_s;
    QTest::newRow("long number keeps last 13") << u"沪ICP备123456789号"_s << u"ICP备123456789号"_s;
    QTest::newRow("short number takes in markup") << u"<td>京ICP备1234号"_s << u"<td>京ICP备1234号"_s;
    QTest::newRow("earlier unrelated 号 wins") << u"<p>账号123</p>京ICP备12345678号"_s << u"<p>账号"_s;
    QTest::newRow("no 号 at all") << u"xxxxx京ICP备12345678 end"_s << u"备12345678 end号"_s;
    QTest::newRow("lower-case icp is no filing") << u"京icp备12345678号"_s << u"未备案"_s;
    QTest::newRow("empty answer") << QString() << u"未备案"_s;
    QTest::newRow("GBK characters around") << u"镕喆京ICP备1号"_s << u"镕喆京ICP备1号"_s;
    QTest::newRow("astral character not split") << u"x😀ICP备12345678号"_s << u"😀ICP备12345678号"_s;
}

void TestCuts::icp()
{
    QFETCH(QString, answer);
    QFETCH(QString, cell);
    QCOMPARE(icpCellText(answer), cell);
}

void TestCuts::alexa_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("cell");
    QTest::newRow("rank") << u"<POPULARITY URL=\"a.test/\" TEXT=\"12345\" SOURCE=\"panel\"/>"_s << u"12345"_s;
    QTest::newRow("first marker without =, later one with")
        << u"<X URL=\"a/\" TEXT /><POPULARITY URL=\"a/\" TEXT=\"77\"/>"_s << u"77"_s;
    QTest::newRow("value runs to the end") << u"URL=\"a/\" TEXT=\"99 tail"_s << u"99 tail"_s;
    QTest::newRow("no marker") << u"<ALEXA></ALEXA>"_s << u"0"_s;
    QTest::newRow("empty answer") << QString() << u"0"_s;
    QTest::newRow("small letters") << u"URL=\"a/\" text=\"5\""_s << u"0"_s;
    QTest::newRow("marker but no delimiter anywhere") << u"URL=\"a/\" TEXT />"_s << u"0"_s;
    QTest::newRow("delimiter at the very end") << u"URL=\"a/\" TEXT=\""_s << QString();
    QTest::newRow("delimiter twice in a row") << u"URL=\"a/\" TEXT=\"/\" TEXT=\"5\""_s << QString();
}

void TestCuts::alexa()
{
    QFETCH(QString, answer);
    QFETCH(QString, cell);
    QCOMPARE(alexaCellText(answer), cell);
}

void TestCuts::baidu_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("cell");
    QTest::newRow("current wording") << u"百度为您找到相关结果约1,230,000个"_s << u"1,230,000"_s;
    QTest::newRow("older wording keeps 约") << u"找到相关网页约12,300篇"_s << u"约12,300"_s;
    QTest::newRow("current wins though later") << u"找到相关网页约5篇 找到相关结果约7个"_s << u"7"_s;
    QTest::newRow("marker twice, no 个 between") << u"找到相关结果约12找到相关结果约3个"_s << u"12"_s;
    QTest::newRow("spaces kept") << u"找到相关结果约 42 个"_s << u" 42 "_s;
    QTest::newRow("neither phrase") << u"<title>百度安全验证</title>"_s << u"0"_s;
    QTest::newRow("empty page") << QString() << u"0"_s;
    QTest::newRow("directly followed by 个") << u"找到相关结果约个"_s << QString();
    QTest::newRow("marker at the very end") << u"abc找到相关结果约"_s << QString();
    QTest::newRow("no measure word: rest of page") << u"找到相关结果约9 </div>"_s << u"9 </div>"_s;
}

void TestCuts::baidu()
{
    QFETCH(QString, page);
    QFETCH(QString, cell);
    QCOMPARE(baiduCellText(page), cell);
}

void TestCuts::yahoo_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("cell");
    QTest::newRow("count") << u"链向该地址的网页 共 <strong>1,234</strong>"_s << u"1,234"_s;
    QTest::newRow("spaces around kept") << u"链向该地址的网页 共 <strong> 56 </strong>"_s << u" 56 "_s;
    QTest::newRow("marker before phrase") << u"共 <strong>8</strong> 链向该地址的网页"_s << u"8"_s;
    QTest::newRow("no phrase") << u"共 <strong>8</strong>"_s << u"0"_s;
    QTest::newRow("no space after 共") << u"链向该地址的网页 共<strong>8</strong>"_s << u"0"_s;
    QTest::newRow("no-break space after 共") << u"链向该地址的网页 共\u00a0<strong>8<"_s << u"0"_s;
    QTest::newRow("phrase without marker") << u"链向该地址的网页"_s << u"0"_s;
    QTest::newRow("marker followed by <") << u"链向该地址的网页 共 <strong></strong>"_s << QString();
    QTest::newRow("marker at the end") << u"链向该地址的网页 共 <strong>"_s << QString();
}

void TestCuts::yahoo()
{
    QFETCH(QString, page);
    QFETCH(QString, cell);
    QCOMPARE(yahooCellText(page), cell);
}

void TestCuts::registrar_data()
{
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QString>("sent");
    QTest::newRow("leading www.") << u"www.a.test"_s << u"a.test"_s;
    QTest::newRow("capital WWW. kept") << u"WWW.a.test"_s << u"WWW.a.test"_s;
    QTest::newRow("in the middle") << u"shop.www.a.test"_s << u"shop.a.test"_s;
    QTest::newRow("twice") << u"www.www.a.test"_s << u"a.test"_s;
    QTest::newRow("scanned once, left to right") << u"wwwww.w.a.test"_s << u"www.a.test"_s;
}

void TestCuts::registrar()
{
    QFETCH(QString, domain);
    QFETCH(QString, sent);
    QCOMPARE(registrarAddress(u"reg.test"_s, domain), u"http://reg.test/cgi-bin/check.cgi?area_domain="_s + sent);
    QCOMPARE(registrarCellText(u"<original>210 : Domain name is available</original>"_s), u"可注册"_s);
    QCOMPARE(registrarCellText(u"<original>211 : Domain exists</original>"_s), u"已被注册"_s);
    QCOMPARE(registrarCellText(QString()), u"已被注册"_s);
}

void TestCuts::addressesKeepTheDomainAsTyped()
{
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
