// SPDX-License-Identifier: GPL-3.0-or-later
// Bing's, Sogou's and 360's counts of a site's pages, over a server of our own that answers with result pages
// written in each engine's phrases: a count, a page that found nothing (0 only there), a verification page, a
// page in words we do not know and a request that failed (never a silent 0).
#include "walkerfixture.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestSearchCounts : public QObject
{
    Q_OBJECT
private slots:
    void counts_data();
    void counts();
};

void TestSearchCounts::counts_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("path"); // where the engine's result page for a.test is asked
    QTest::addColumn<QByteArray>("page"); // a file of tests/data, or the page itself
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("cell");
    const auto row
        = [](const char* what, const QString& key, const QByteArray& page, const QString& cell, int status = 200) {
              static const QHash<QString, QString> paths {{u"bing-index"_s, u"/search?q=site%3Aa.test"_s},
                  {u"sogou-index"_s, u"/web?query=site%3Aa.test"_s}, {u"so-index"_s, u"/s?q=site%3Aa.test"_s}};
              QTest::newRow(what) << key << paths.value(key) << page << status << cell;
          };
    const QString unread = u"无法识别 !结果页里没有结果数，也没有说找不到"_s;
    row("Bing's count", u"bing-index"_s, "bing-count.utf8.html", u"12,300"_s);
    row("Bing's count of a few, without 约", u"bing-index"_s, "bing-few.utf8.html", u"7"_s);
    row("Bing's English page", u"bing-index"_s, "bing-english.utf8.html", u"1,230"_s);
    row("Bing found nothing", u"bing-index"_s, "bing-none.utf8.html", u"0"_s);
    row("Bing's page in other words", u"bing-index"_s, "<html><body>Something changed</body></html>", unread);
    row("Bing's verification page", u"bing-index"_s, "<html><body><div id=\"captcha\"></div></body></html>",
        u"无法识别 !搜索引擎要求验证"_s);
    row("Sogou's count, a snippet's number after it", u"sogou-index"_s, "sogou-count.utf8.html", u"1,230"_s);
    row("Sogou found nothing", u"sogou-index"_s, "sogou-none.utf8.html", u"0"_s);
    row("Sogou's verification page", u"sogou-index"_s, "sogou-verify.utf8.html", u"无法识别 !搜索引擎要求验证"_s);
    row("Sogou's empty page", u"sogou-index"_s, "", unread);
    row("360's count", u"so-index"_s, "so-count.utf8.html", u"1,230,000"_s);
    row("360 found nothing", u"so-index"_s, "so-none.utf8.html", u"0"_s);
    row("360's verification page", u"so-index"_s, "so-verify.utf8.html", u"无法识别 !搜索引擎要求验证"_s);
    row("360's error page", u"so-index"_s, "so-none.utf8.html", u"0 !HTTP 500"_s, 500);
}

void TestSearchCounts::counts()
{
    QFETCH(QString, key);
    QFETCH(QString, path);
    QFETCH(QByteArray, page);
    QFETCH(int, status);
    WalkerFixture engine;
    const QByteArray body = page.endsWith(".html") ? testData(QString::fromLatin1(page)) : page;
    engine.server.route(path, TestHttpServer::page(body, status));
    QVERIFY(engine.run({u"a.test"_s}, {key}, false));
    QCOMPARE(engine.server.requests, QStringList {path});
    QTEST(engine.cells(0, {key}), "cell");
}

QTEST_GUILESS_MAIN(TestSearchCounts)
#include "test_searchcounts.moc"
