// SPDX-License-Identifier: GPL-3.0-or-later
// What a site says of itself, against servers of our own: its home page (title and filing number as cut, pages
// that do not say their charset, one fetch for all four columns), its robots.txt (the verdict for Baidu and for
// all, what an answer is, a 1 MB file judged by its start), its certificate (days left between instants, from
// TLS servers with throwaway certificates, one handshake for both columns) and its DNS records (both families,
// CNAME chains, replies that prove nothing, a resolver that never answers), its name servers and whose they are,
// its mail exchangers with SPF and DMARC.
#include "queries/lookups/dnsrecords.h"
#include "queries/lookups/home.h"
#include "queries/lookups/robots.h"
#include "queries/lookups/tls.h"
#include "queries/sources/dnsproviders.h"

#include "TestDnsServer.h"
#include "TestTlsServer.h"
#include "walkerfixture.h"

#include <QUdpSocket>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestSiteFacts : public QObject
{
    Q_OBJECT
private slots:
    void homeCuts_data();
    void homeCuts();
    void homeOneFetchAnswersEveryColumn();
    void robotsVerdicts_data();
    void robotsVerdicts();
    void robotsFetched();
    void certificateDays();
    void certificates();
    void dns_data();
    void dns();
    void dnsRecords_data();
    void dnsRecords();
    void dnsProviderFiles();

private:
    // Days must not depend on where the user is: these run eight hours east of UTC.
    ScopedZone m_zone {"Asia/Shanghai"};
};

void TestSiteFacts::homeCuts_data()
{
    QTest::addColumn<QString>("page"); // the page's text, or a page of tests/data served with no charset
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("filing");
    const auto row = [](const char* name, const QString& page, const QString& title, const QString& filing = u"无"_s) {
        QTest::newRow(name) << page << title << filing;
    };
    row("entities and white space", u"<TITLE lang=zh>\n  A &amp; B &#20013;&#x6587;\t&nbsp;x </title>"_s,
        u"A & B 中文 x"_s);
    row("no title", u"<html><head></head></html>"_s, u"无"_s);
    row("a title after a long head", QString(300'000, u'x') + u"<title>深</title>"_s, u"深"_s);
    row("a title not closed", u"<title>a<title>b"_s, u"无"_s);
    row("a filing number with its suffix", u"<p>Copyright 京ICP备12345678号-2 </p>"_s, u"无"_s,
        u"京ICP备12345678号-2"_s);
    row("a licence and spaces", u"沪 ICP证 110011 号"_s, u"无"_s, u"沪ICP证110011号"_s);
    row("no province", u"ICP备12345678号"_s, u"无"_s);
    // Short pages that say nothing of their charset: the hard case for a detector.
    row("Shift_JIS", u"title.shift_jis.html"_s, u"京都観光ガイド"_s);
    row("EUC-JP named by its XML declaration", u"title-xml.euc-jp.html"_s, u"温泉旅館 さくら"_s);
    row("EUC-KR", u"title.euc-kr.html"_s, u"부산 날씨"_s);
    row("Big5", u"title.big5.html"_s, u"臺北市立圖書館"_s);
    row("KOI8-R", u"title.koi8-r.html"_s, u"Городская библиотека"_s);
    row("windows-1251", u"title.windows-1251.html"_s, u"Погода в Москве"_s);
    row("windows-1252, though its bytes pair as GBK", u"title.windows-1252.html"_s,
        u"Bäckerei Schröder – Startseite"_s);
    row("a title alone in GB2312, taken for Latin-1 by the detector", u"title-tiny.gb2312.html"_s, u"企业邮箱登录"_s);
}

void TestSiteFacts::homeCuts()
{
    QFETCH(QString, page);
    const QString text = page.endsWith(u".html"_s) ? decodePage(testData(page), {}, Charset::Gb2312, true) : page;
    QTEST(pageTitle(text), "title");
    QTEST(filingNumberOnPage(text), "filing");
}

void TestSiteFacts::homeOneFetchAnswersEveryColumn()
{
    // One fetch of each home page answers the outbound count, its status, title and filing number.
    WalkerFixture engine;
    engine.server.route(u"/h1"_s, TestHttpServer::page(testData(u"home-declared.gbk.html"_s)));
    auto moved = TestHttpServer::page("", 302);
    moved.headers.append(qMakePair(QByteArray("Location"), QByteArray("/h2/final")));
    engine.server.route(u"/h2"_s, moved);
    // Declares nothing and is UTF-8: read as such, though the designed lookups would take it for GB2312.
    engine.server.route(u"/h2/final"_s, TestHttpServer::page(testData(u"home-undeclared.utf8.html"_s)));
    // A home page that answers with an error status was reached: its status and title are the answer.
    engine.server.route(u"/h3"_s, TestHttpServer::page("<title>Not Found</title>", 404));
    const QStringList home {u"outbound"_s, u"home-status"_s, u"home-title"_s, u"home-icp"_s};
    QVERIFY(engine.run({u"h1"_s, u"h2"_s, u"h3"_s}, QSet<QString>(home.begin(), home.end())));
    engine.server.requests.sort();
    QCOMPARE(engine.server.requests, (QStringList {u"/h1"_s, u"/h2"_s, u"/h2/final"_s, u"/h3"_s}));
    const QString at = engine.server.hostPort();
    QCOMPARE(engine.cells(0, home), u"1|200 → http://%1/h1|首页 & more|京ICP备12345678号-2"_s.arg(at));
    QCOMPARE(engine.cells(1, home), u"0|200 → http://%1/h2/final|新首页|无"_s.arg(at));
    QCOMPARE(engine.cells(2, {u"home-status"_s, u"home-title"_s}), u"404 → http://%1/h3|Not Found"_s.arg(at));
}

void TestSiteFacts::robotsVerdicts_data()
{
    // An answer is "status\tcontent type\tbody[\tcut]"; a file alone is a plain-text 200.
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char* name, const QString& answer, const QString& expected) {
        QTest::newRow(name) << answer << expected;
    };
    row("nothing shut", u"User-agent: *\nDisallow: /admin/\n"_s, u"允许"_s);
    row("empty Disallow opens", u"User-agent: *\nDisallow:\n"_s, u"允许"_s);
    row("root shut for all", u"user-agent: *\r\ndisallow: / # everything\r\n"_s, u"禁止全部"_s);
    row("/* shuts too", u"User-agent: *\nDisallow: /*\n"_s, u"禁止全部"_s);
    row("an Allow beside it opens", u"User-agent: *\nDisallow: /\nAllow: /news/\n"_s, u"允许"_s);
    row("Baidu's group over *", u"User-agent: *\nDisallow: /\n\nUser-agent: Baiduspider\nDisallow: /tmp\n"_s,
        u"允许"_s);
    row("Baidu alone shut", u"User-agent: Googlebot\nDisallow:\n\nUser-agent: baiduspider\nDisallow: /\n"_s,
        u"禁止百度"_s);
    row("Baidu in a shared group", u"User-agent: Baiduspider\nUser-agent: Sogou\nDisallow: /\n"_s, u"禁止百度"_s);
    row("Baiduspider-image is not Baidu's search", u"User-agent: Baiduspider-image\nDisallow: /\n"_s, u"允许"_s);
    row("both shut", u"User-agent: Baiduspider\nDisallow: /\nUser-agent: *\nDisallow: /\n"_s, u"禁止全部"_s);
    row("a rule before any group is nobody's", u"Disallow: /\nUser-agent: *\nAllow: /\n"_s, u"允许"_s);
    row("sitemaps counted anywhere",
        u"Sitemap: https://a.test/1.xml\nUser-agent: *\nDisallow: /\nSITEMAP: https://a.test/2.xml\nSitemap:\n"_s,
        u"禁止全部，Sitemap 2"_s);
    row("bare CR line ends", u"User-agent: *\rDisallow: /\r"_s, u"禁止全部"_s);
    row("a line cut at 512 KiB is no rule", u"200\ttext/plain\tUser-agent: *\nDisallow: /\tcut"_s, u"允许"_s);
    row("404 is no file", u"404\ttext/html\t<h1>Not Found</h1>"_s, u"无 robots.txt"_s);
    row("sent on to the home page", u"200\ttext/html; charset=utf-8\t<!DOCTYPE html><p>Disallow: /"_s,
        u"无 robots.txt"_s);
    row("plain text read", u"200\ttext/plain\tUser-agent: *\nDisallow: /"_s, u"禁止全部"_s);
}

void TestSiteFacts::robotsVerdicts()
{
    QFETCH(QString, answer);
    QFETCH(QString, expected);
    if (!answer.contains(u'\t')) {
        QCOMPARE(robotsVerdict(answer), expected);
        return;
    }
    PageResult page;
    page.status = answer.section(u'\t', 0, 0).toInt();
    page.contentType = answer.section(u'\t', 1, 1).toLatin1();
    page.text = answer.section(u'\t', 2, 2);
    page.cut = answer.section(u'\t', 3) == u"cut"_s;
    QCOMPARE(robotsText(page), expected);
}

void TestSiteFacts::robotsFetched()
{
    // Read, missing, a server error that is no answer, and a 1 MB file judged by its start.
    WalkerFixture engine;
    engine.server.route(
        u"/r1/robots.txt"_s, TestHttpServer::page("User-agent: Baiduspider\nDisallow: /\nSitemap: /s.xml\n"));
    engine.server.route(u"/r2/robots.txt"_s, TestHttpServer::page("<h1>Not Found</h1>", 404));
    engine.server.route(u"/r3/robots.txt"_s, TestHttpServer::page("", 503));
    // Compressed a thousandfold, which Qt takes for a bomb unless told.
    engine.server.route(u"/r4/robots.txt"_s, {200, testData(u"robots-1mb.txt.gz"_s), {{"Content-Encoding", "gzip"}}});
    QVERIFY(engine.run({u"r1"_s, u"r2"_s, u"r3"_s, u"r4"_s}, {u"robots"_s}));
    QCOMPARE(engine.cells(0, {u"robots"_s}), u"禁止百度，Sitemap 1"_s);
    QCOMPARE(engine.cells(1, {u"robots"_s}), u"无 robots.txt"_s);
    QVERIFY(engine.cells(2, {u"robots"_s}).startsWith(u"无法访问 !"_s));
    QCOMPARE(engine.cells(3, {u"robots"_s}), u"禁止百度 !robots.txt 超过 512 KB，只读了前 512 KB，其后的规则未读"_s);
}

void TestSiteFacts::certificateDays()
{
    const auto expiry = [](const char* expires, const char* now) {
        return expiryText(QDateTime::fromString(QLatin1String(expires), Qt::ISODate),
            QDateTime::fromString(QLatin1String(now), Qt::ISODate));
    };
    QCOMPARE(expiry("2026-12-07T07:00:00Z", "2026-12-07T08:00:00Z"), u"2026-12-07（已过期 0 天）"_s); // an hour ago
    QCOMPARE(expiry("2026-12-08T15:00:00Z", "2026-12-07T17:00:00Z"), u"2026-12-08（剩 1 天）"_s); // a day in any zone
    QCOMPARE(expiry("2026-12-04T07:00:00Z", "2026-12-07T08:00:00Z"), u"2026-12-04（已过期 3 天）"_s);
}

void TestSiteFacts::certificates()
{
    TestAuthority authority;
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(u"ca.pem"_s), authority.pem()));
    const ScopedEnv authorities("QUILLMARK_CA_FILE", dir.filePath(u"ca.pem"_s).toUtf8());
    TestTlsServer valid(authority.issue({u"localhost"_s}, -1, 90));
    TestTlsServer expired(authority.issue({u"localhost"_s}, -60, -3));
    TestTlsServer wrongName(authority.issue({u"other.test"_s}, -1, 90));
    TestTlsServer selfSigned(TestAuthority::selfSigned(u"localhost"_s, -1, 10));
    QTcpServer silent; // takes the connection, never answers the handshake
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    WalkerFixture engine;
    engine.walker->network().limits = {.timeLimitMs = 1500};
    const auto at = [](quint16 port) { return u"localhost:%1"_s.arg(port); };
    const QStringList keys {u"tls-expiry"_s, u"tls-issuer"_s};
    const QSet<QString> wanted(keys.begin(), keys.end());
    QVERIFY(engine.run(
        {at(valid.port()), at(expired.port()), at(wrongName.port()), at(selfSigned.port()), at(silent.serverPort())},
        wanted, false));
    const auto day = [](int days) { return QDate::currentDate().addDays(days).toString(u"yyyy-MM-dd"_s); };
    QCOMPARE(engine.cells(0, keys), day(90) + u"（剩 90 天）|Quill Test CA"_s);
    QCOMPARE(engine.cells(1, keys), day(-3) + u"（已过期 3 天）|Quill Test CA !证书已过期"_s);
    QCOMPARE(engine.cells(2, keys), day(90) + u"（剩 90 天）|Quill Test CA !证书与域名不符"_s);
    // No organisation: the issuer's common name.
    QCOMPARE(engine.cells(3, keys), day(10) + u"（剩 10 天）|localhost !自签名证书"_s);
    QCOMPARE(engine.cells(4, keys), u"无法访问|无法访问 !连接超时（1 秒）"_s);
    for (const TestTlsServer* server : {&valid, &expired, &wrongName, &selfSigned})
        QCOMPARE(server->handshakes, 1);

    // Through a proxy that wants a password: said in Chinese.
    engine.server.route(u"localhost:"_s, {407, {}, {{"Proxy-Authenticate", "Basic realm=\"q\""}}});
    engine.settings.setProxies(u"tls"_s, {u"http://"_s + engine.server.hostPort()});
    QVERIFY(engine.run({at(valid.port())}, wanted, false));
    QCOMPARE(engine.cells(0, keys),
        u"无法访问|无法访问 !代理要求身份验证（用户名或密码不对）（经代理 http://"_s + engine.server.hostPort()
            + u"）"_s);
}

void TestSiteFacts::dns_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>(
        "server"); // QUILLMARK_DNS_SERVER; empty: the scripted one, "silent": one that never answers
    QTest::addColumn<QString>("cell");
    const auto row = [](const char* what, const QString& name, const QString& cell, const QByteArray& server = {}) {
        QTest::newRow(what) << name << server << cell;
    };
    row("both families", u"a.test"_s, u"10.1.2.3, 2001:db8::1"_s);
    row("a CNAME", u"alias.test"_s, u"CNAME a.test → 10.1.2.3, 2001:db8::1"_s);
    row("no such name", u"missing.test"_s, u"不存在"_s);
    row("a CNAME loop", u"loop1.test"_s, u"解析失败 !CNAME 循环：loop1.test → loop2.test → loop1.test"_s);
    row("another name's address", u"other.test"_s,
        u"解析失败 !DNS 应答里没有 other.test 的记录，只有 elsewhere.test 的"_s);
    row("SERVFAIL", u"servfail.test"_s, u"解析失败 !DNS 服务器无法完成解析（SERVFAIL）"_s);
    row("REFUSED", u"refused.test"_s, u"解析失败 !DNS 服务器拒绝了查询（REFUSED）"_s);
    row("a chain among strangers", u"www.chain.test"_s, u"CNAME cdn.test → 10.0.0.7"_s);
    row("a resolver that never answers", u"a.test"_s, u"解析失败 !请求超时（10 秒）"_s, "silent");
    // Said, not swapped for the system's resolver.
    row("a port that cannot be used", u"a.test"_s,
        u"解析失败 !QUILLMARK_DNS_SERVER=127.0.0.1:99999 不能用：应为 IP 地址，或“地址:端口”（IPv6 写作 [地址]:端口）"_s,
        "127.0.0.1:99999");
}

void TestSiteFacts::dns()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, server);
    TestDnsServer scripted;
    scripted.replies[u"a.test"_s].records
        = {{u"a.test"_s, "A", u"10.1.2.3"_s}, {u"a.test"_s, "AAAA", u"2001:db8::1"_s}};
    scripted.replies[u"alias.test"_s].records = {{u"alias.test"_s, "CNAME", u"a.test"_s},
        {u"a.test"_s, "A", u"10.1.2.3"_s}, {u"a.test"_s, "AAAA", u"2001:db8::1"_s}};
    scripted.replies[u"loop1.test"_s].records
        = {{u"loop1.test"_s, "CNAME", u"loop2.test"_s}, {u"loop2.test"_s, "CNAME", u"loop1.test"_s}};
    scripted.replies[u"other.test"_s].records = {{u"elsewhere.test"_s, "A", u"10.9.8.7"_s}};
    scripted.replies[u"servfail.test"_s].rcode = 2;
    scripted.replies[u"refused.test"_s].rcode = 5;
    scripted.replies[u"www.chain.test"_s].records = {{u"x.test"_s, "A", u"10.9.9.9"_s},
        {u"www.chain.test"_s, "CNAME", u"cdn.test"_s}, {u"cdn.test"_s, "A", u"10.0.0.7"_s}};
    QUdpSocket silent; // takes every query, answers none
    QVERIFY(silent.bind(QHostAddress::LocalHost, 0));
    const QByteArray address = server.isEmpty() ? scripted.hostPort()
        : server == "silent"                    ? "127.0.0.1:" + QByteArray::number(silent.localPort())
                                                : server;
    const ScopedEnv resolver("QUILLMARK_DNS_SERVER", address);
    WalkerFixture engine;
    QVERIFY(engine.run({name}, {u"dns"_s}, false));
    QTEST(engine.cells(0, {u"dns"_s}), "cell");
}

void TestSiteFacts::dnsRecords_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("servers"); // the dns-ns cell
    QTest::addColumn<QString>("mail"); // the dns-mx cell
    const auto row = [](const char* what, const QString& name, const QString& servers, const QString& mail) {
        QTest::newRow(what) << name << servers << mail;
    };
    row("a DNS host's servers, sorted; mail by preference, SPF in two strings", u"host.test"_s,
        u"a.ns.cloudflare.com, b.ns.cloudflare.com（Cloudflare）"_s, u"mx1.host.test, mx2.host.test　SPF ✓ DMARC ✓"_s);
    row("asked of the registrable domain", u"www.host.test"_s,
        u"a.ns.cloudflare.com, b.ns.cloudflare.com（Cloudflare）"_s, u"mx1.host.test, mx2.host.test　SPF ✓ DMARC ✓"_s);
    row("a parking service; texts that only mention SPF", u"parked.test"_s,
        u"ns1.sedoparking.com, ns2.sedoparking.com（停放：Sedo）"_s, u"无　SPF ✗ DMARC ✗"_s);
    row("servers of no one known, a wildcard label matched", u"mixed.test"_s,
        u"ns-1.awsdns-07.org, ns1.mixed.test（Amazon Route 53）"_s, u"无　SPF ✗ DMARC ✗"_s);
    row("no such name", u"missing.test"_s, u"不存在"_s, u"不存在"_s);
    row("a DMARC question the server cannot answer", u"dmarcfail.test"_s, u"无"_s,
        u"解析失败 !DNS 服务器无法完成解析（SERVFAIL）"_s);
}

void TestSiteFacts::dnsRecords()
{
    QFETCH(QString, name);
    TestDnsServer scripted;
    scripted.replies[u"host.test"_s].records = {{u"host.test"_s, "NS", u"b.ns.cloudflare.com"_s},
        {u"host.test"_s, "NS", u"a.ns.cloudflare.com"_s}, {u"host.test"_s, "MX", u"20 mx2.host.test"_s},
        {u"host.test"_s, "MX", u"10 mx1.host.test"_s}, {u"host.test"_s, "TXT", u"google-site-verification=x"_s},
        {u"host.test"_s, "TXT", u"v=sp\nf1 include:_spf.host.test -all"_s}};
    scripted.replies[u"_dmarc.host.test"_s].records = {{u"_dmarc.host.test"_s, "TXT", u"v=DMARC1; p=none"_s}};
    scripted.replies[u"parked.test"_s].records
        = {{u"parked.test"_s, "NS", u"NS1.SedoParking.com"_s}, {u"parked.test"_s, "NS", u"ns2.sedoparking.com"_s},
            {u"parked.test"_s, "TXT", u"see v=spf1 below"_s}, {u"parked.test"_s, "TXT", u"v=spf10"_s}};
    scripted.replies[u"_dmarc.parked.test"_s].records = {{u"_dmarc.parked.test"_s, "TXT", u"v=DMARC10"_s}};
    scripted.replies[u"mixed.test"_s].records
        = {{u"mixed.test"_s, "NS", u"ns1.mixed.test"_s}, {u"mixed.test"_s, "NS", u"ns-1.awsdns-07.org"_s}};
    scripted.replies[u"dmarcfail.test"_s].records = {{u"dmarcfail.test"_s, "A", u"10.0.0.1"_s}};
    scripted.replies[u"_dmarc.dmarcfail.test"_s].rcode = 2;
    const ScopedEnv resolver("QUILLMARK_DNS_SERVER", scripted.hostPort());
    WalkerFixture engine;
    QVERIFY(engine.run({name}, {u"dns-ns"_s, u"dns-mx"_s}, false));
    QTEST(engine.cells(0, {u"dns-ns"_s}), "servers");
    QTEST(engine.cells(0, {u"dns-mx"_s}), "mail");
}

void TestSiteFacts::dnsProviderFiles()
{
    // The user's file names a host of its own, renames ours by replacing its entry, and has an entry we cannot use.
    DnsProviders providers;
    QVERIFY(providers.add(testData(u"../../data/dns-providers.json"_s), u"dns-providers.json"_s).isEmpty());
    const QStringList problems = providers.add(R"({"providers": [
        {"name": "Example DNS", "nameServers": ["dns.example.test"]},
        {"name": "cloudflare", "nameServers": ["ns.cloudflare.com", "cf.test"]},
        {"name": "no servers"}]})",
        u"own.json"_s);
    QCOMPARE(problems, QStringList {u"own.json 第 3 项没有 name 或 nameServers，未载入"_s});
    QCOMPARE(nameServersText({u"a.dns.example.test"_s, u"x.cf.test"_s}, providers),
        u"a.dns.example.test, x.cf.test（Example DNS、cloudflare）"_s);
    QCOMPARE(nameServersText({u"dns.example.test.evil.test"_s}, providers), u"dns.example.test.evil.test"_s);
    QCOMPARE(providers.add("[not an object", u"bad.json"_s).size(), 1);
}

QTEST_GUILESS_MAIN(TestSiteFacts)
#include "test_sitefacts.moc"
