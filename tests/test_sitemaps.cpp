// SPDX-License-Identifier: GPL-3.0-or-later
// The sitemap column over a server of our own: sitemaps named by robots.txt or found at /sitemap.xml, plain and
// gzip, an index followed one level and no deeper, pages that are no sitemap, files cut short or broken, the
// 50,000 addresses a file may hold; and robots.txt fetched once for both of its columns.
#include "queries/lookups/sitemap.h"
#include "queries/lookups/sitemapreader.h"

#include "walkerfixture.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestSitemaps : public QObject
{
    Q_OBJECT
private slots:
    void robotsLines();
    void sitemaps_data();
    void sitemaps();
    void readerInPieces();
};

namespace {

using Files = QList<std::pair<QString, QByteArray>>; // a path under the row's site, and its body

QByteArray urlset(int count)
{
    QByteArray xml = "<?xml version=\"1.0\"?><urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">";
    for (int at = 0; at < count; ++at)
        xml += "<url><loc>http://a.test/" + QByteArray::number(at) + "</loc></url>\n";
    return xml + "</urlset>";
}

} // namespace

void TestSitemaps::robotsLines()
{
    const QString robots = u"User-agent: *\r\nDisallow: /x\r\nSITEMAP: http://a.test/one.xml # main\n"
                           u"sitemap:http://a.test/two.xml.gz\nSitemap: http://a.test/one.xml\nSitemap:\n"_s;
    QCOMPARE(sitemapAddresses(robots), (QStringList {u"http://a.test/one.xml"_s, u"http://a.test/two.xml.gz"_s}));
}

void TestSitemaps::sitemaps_data()
{
    // "robots" is the site's robots.txt; "{s}" stands for the site's address.
    QTest::addColumn<Files>("files");
    QTest::addColumn<QString>("cell");
    const QByteArray plain = testData(u"sitemap-plain.xml"_s);
    const QByteArray gzip = testData(u"sitemap-pages.xml.gz"_s);
    const QByteArray index = "<sitemapindex xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">"
                             "<sitemap><loc>{s}/plain.xml</loc></sitemap><sitemap><loc>{s}/p.xml.gz</loc></sitemap>"
                             "<sitemap><loc>{s}/gone.xml</loc></sitemap><sitemap><loc>{s}/inner.xml</loc></sitemap>"
                             "</sitemapindex>";
    const QByteArray inner = "<sitemapindex><sitemap><loc>{s}/plain.xml</loc></sitemap></sitemapindex>";
    QTest::newRow("a plain sitemap robots.txt names")
        << Files {{u"robots"_s, "Sitemap: {s}/plain.xml\n"}, {u"plain.xml"_s, plain}} << u"3"_s;
    QTest::newRow("a gzip sitemap") << Files {{u"robots"_s, "Sitemap: {s}/p.xml.gz"}, {u"p.xml.gz"_s, gzip}} << u"2"_s;
    QTest::newRow("two Sitemap lines add up") << Files {
        {u"robots"_s, "Sitemap: {s}/plain.xml\nSitemap: {s}/p.xml.gz\n"}, {u"plain.xml"_s, plain},
        {u"p.xml.gz"_s, gzip}} << u"5"_s;
    QTest::newRow("an index followed one level, not two") << Files {{u"robots"_s, "Sitemap: {s}/index.xml"},
        {u"index.xml"_s, index}, {u"plain.xml"_s, plain}, {u"p.xml.gz"_s, gzip}, {u"inner.xml"_s, inner}}
                                                          << u"5"_s;
    QTest::newRow("no robots.txt: /sitemap.xml") << Files {{u"sitemap.xml"_s, plain}} << u"3"_s;
    QTest::newRow("robots.txt without Sitemap lines: /sitemap.xml")
        << Files {{u"robots"_s, "User-agent: *\nDisallow:\n"}, {u"sitemap.xml"_s, gzip}} << u"2"_s;
    QTest::newRow("no sitemap anywhere") << Files {} << u"无"_s;
    QTest::newRow("a home page sent for /sitemap.xml is none")
        << Files {{u"sitemap.xml"_s, "<!DOCTYPE html><html><body><a href=/>home</a></body></html>"}} << u"无"_s;
    QTest::newRow("an empty urlset counts 0") << Files {{u"sitemap.xml"_s, urlset(0)}} << u"0"_s;
    QTest::newRow("a file cut short is marked")
        << Files {{u"sitemap.xml"_s, urlset(3).chopped(20)}} << u"无法读取 !网站地图 {s}/sitemap.xml：文件不完整"_s;
    QTest::newRow("broken XML is marked")
        << Files {{u"sitemap.xml"_s, "<urlset><url><loc>a</url></urlset>"}}
        << u"无法读取 !网站地图 {s}/sitemap.xml：Opening and ending tag mismatch.（第 1 行）"_s;
    QTest::newRow("at most 50,000 addresses a file") << Files {{u"sitemap.xml"_s, urlset(50'003)}} << u"50,000"_s;
}

void TestSitemaps::sitemaps()
{
    QFETCH(Files, files);
    WalkerFixture engine;
    const QString site = u"site"_s;
    const QByteArray base = "http://" + engine.server.hostPort().toUtf8() + '/' + site.toUtf8();
    engine.server.route(u"/"_s, TestHttpServer::page("not here", 404));
    for (auto [path, body] : files) {
        body.replace("{s}", base);
        engine.server.route(
            u"/"_s + site + u'/' + (path == u"robots"_s ? u"robots.txt"_s : path), TestHttpServer::page(body));
    }
    QVERIFY(engine.run({site}, {u"robots"_s, u"sitemap"_s}));
    QFETCH(QString, cell);
    QCOMPARE(engine.cells(0, {u"sitemap"_s}), cell.replace(u"{s}"_s, QString::fromUtf8(base)));
    // One fetch of robots.txt answers both columns; the sitemaps are asked once each.
    QCOMPARE(engine.server.requests.count(u"/"_s + site + u"/robots.txt"_s), 1);
    QCOMPARE(QSet<QString>(engine.server.requests.begin(), engine.server.requests.end()).size(),
        engine.server.requests.size());
}

void TestSitemaps::readerInPieces()
{
    // Pieces cut anywhere (inside a tag, inside gzip's header) read as the whole file does.
    for (const QString& file : {u"sitemap-plain.xml"_s, u"sitemap-pages.xml.gz"_s}) {
        const QByteArray bytes = testData(file);
        SitemapReader reader;
        for (qsizetype at = 0; at < bytes.size(); at += 7)
            reader.add(QByteArrayView(bytes).sliced(at, qMin<qsizetype>(7, bytes.size() - at)));
        reader.end();
        QCOMPARE(reader.error(), QString());
        QCOMPARE(reader.pages(), file.endsWith(u".gz"_s) ? 2 : 3);
    }
}

QTEST_GUILESS_MAIN(TestSitemaps)
#include "test_sitemaps.moc"
