// SPDX-License-Identifier: GPL-3.0-or-later
// The home page's further columns: the tags a webmaster reads, cut from pages written every odd way (case,
// quotes, attribute order, comments, scripts, a GBK page), and the one fetch answering every column over a
// local server (redirect chains, a loop, the time and size of the final page, its Server header).
#include "queries/lookups/homefacts.h"

#include "walkerfixture.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestHomeFacts : public QObject
{
    Q_OBJECT
private slots:
    void tags_data();
    void tags();
    void oneFetchAnswersEveryColumn();
};

void TestHomeFacts::tags_data()
{
    QTest::addColumn<QString>("page"); // the page's text, or a page of tests/data
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("keywords");
    QTest::addColumn<QString>("canonical"); // resolved against http://a.test/x/y
    QTest::addColumn<QString>("heading");
    const auto row = [](const char* name, const QString& page, const QString& description, const QString& keywords = {},
                         const QString& canonical = {}, const QString& heading = {}) {
        QTest::newRow(name) << page << description << keywords << canonical << heading;
    };
    row("upper-case names, single quotes, an entity", u"<META NAME='Description' CONTENT='A &amp; B'>"_s, u"A & B"_s);
    row("content before name, unquoted", u"<meta content=seo,tools name=keywords>"_s, {}, u"seo,tools"_s);
    row("a commented-out description is not the page's",
        u"<!-- <meta name=\"description\" content=\"old\"> --><meta name=\"description\" content=\"new\">"_s, u"new"_s);
    row("a '>' inside a quoted value", u"<meta name=\"description\" content=\"a > b\" >"_s, u"a > b"_s);
    row("Open Graph's description is another tag", u"<meta property=\"description\" content=\"x\">"_s, {});
    row("white space and line breaks inside", u"<meta\nname = \"description\"\ncontent=\"  one\n two  \">"_s,
        u"one two"_s);
    row("a canonical address relative to the page", u"<link rel=\"canonical\" href=\"../en/\">"_s, {}, {},
        u"http://a.test/en/"_s);
    row("rel of several words, upper case", u"<LINK REL=\"alternate Canonical\" HREF=\"https://b.test/\">"_s, {}, {},
        u"https://b.test/"_s);
    row("a stylesheet link is no canonical", u"<link rel=stylesheet href=/s.css><link rel=canonical href=/c>"_s, {}, {},
        u"http://a.test/c"_s);
    row("a heading's inner markup and entities", u"<h1 class=t><a href=/>Hello</a> &amp; <b>World</b></h1>"_s, {}, {},
        {}, u"Hello & World"_s);
    row("a heading written in a script is not the page's",
        u"<script>document.write('<h1>no</h1>')</script><H1>yes</H1><h1>second</h1>"_s, {}, {}, {}, u"yes"_s);
    row("<h1x> and <h10> are other tags", u"<h1x>no</h1x><h10>no</h10><h1>yes</h1>"_s, {}, {}, {}, u"yes"_s);
    row("a heading never closed", u"<h1>open to the end"_s, {}, {}, {}, u"open to the end"_s);
    row("a GBK page", u"home-meta.gbk.html"_s, u"镕铱科技：域名与网站的查询工具"_s, u"域名,查询"_s, {}, u"欢迎 光临"_s);
}

void TestHomeFacts::tags()
{
    QFETCH(QString, page);
    const QString text = page.endsWith(u".html"_s) ? decodePage(testData(page), {}, Charset::Gb2312, true) : page;
    QTEST(metaContent(text, u"description"_s), "description");
    QTEST(metaContent(text, u"keywords"_s), "keywords");
    QTEST(canonicalAddress(text, QUrl(u"http://a.test/x/y"_s)), "canonical");
    QTEST(firstHeading(text), "heading");
}

void TestHomeFacts::oneFetchAnswersEveryColumn()
{
    WalkerFixture engine;
    const auto moved = [](int status, const QByteArray& to) {
        auto answer = TestHttpServer::page("", status);
        answer.headers.append(qMakePair(QByteArray("Location"), to));
        return answer;
    };
    const QByteArray page = "<meta name=description content=Desc><link rel=canonical href=/c><h1>Head</h1>";
    engine.server.route(u"/chain"_s, moved(301, "/chain/2"));
    engine.server.route(u"/chain/2"_s, moved(302, "/chain/end"));
    auto end = TestHttpServer::page(page);
    end.headers.append(qMakePair(QByteArray("Server"), QByteArray("nginx/1.22")));
    end.delayMs = 300;
    engine.server.route(u"/chain/end"_s, end);
    engine.server.route(u"/loop"_s, moved(302, "/loop/2"));
    engine.server.route(u"/loop/2"_s, moved(307, "/loop"));
    engine.server.route(u"/plain"_s, TestHttpServer::page("<p>nothing to read"));
    const QStringList keys {u"home-final"_s, u"home-redirects"_s, u"home-size"_s, u"home-server"_s,
        u"home-description"_s, u"home-keywords"_s, u"home-canonical"_s, u"home-h1"_s, u"home-title"_s};
    QStringList wanted = keys;
    wanted.append(u"home-time"_s);
    QVERIFY(engine.run({u"chain"_s, u"loop"_s, u"plain"_s}, QSet<QString>(wanted.begin(), wanted.end())));

    const QString at = u"http://"_s + engine.server.hostPort();
    QCOMPARE(engine.server.requests.count(u"/chain/end"_s), 1);
    QCOMPARE(engine.cells(0, keys),
        u"%1/chain/end|301 → 302 → 200|%2|nginx/1.22|Desc|无|%1/c|Head|无"_s.arg(at).arg(page.size()));
    const Results& results = engine.walker->results();
    const int timeColumn = engine.walker->table().columnOf(*engine.walker->table().byKey(u"home-time"_s));
    QVERIFY(results.value(0, timeColumn).number().value_or(0) >= 300);
    // A loop is told as one, after one round, not after the redirect limit.
    QCOMPARE(engine.cells(1, {u"home-redirects"_s, u"home-final"_s}),
        u"无法访问|无法访问 !重定向循环（回到 %1/loop）"_s.arg(at));
    QVERIFY(engine.server.requests.count(u"/loop"_s) + engine.server.requests.count(u"/loop/2"_s) <= 3);
    QCOMPARE(
        engine.cells(2, {u"home-final"_s, u"home-redirects"_s, u"home-server"_s, u"home-h1"_s}), u"无|200|无|无"_s);
}

QTEST_GUILESS_MAIN(TestHomeFacts)
#include "test_homefacts.moc"
