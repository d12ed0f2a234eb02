// Fetching and decoding against a server of our own: real encodings, error pages, and servers that
// misbehave in the ways that used to hang or blow up a long batch.
#include "TestHttpServer.h"
#include "testing.h"
#include "web/fetch.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestFetch : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void decodesRealEncodings();
    void errorStatusKeepsBodyAndRedirectsAreBounded();
    void compressedBombIsRefused();
    void refusedAddressesFailAtOnce();
    void nestedFetchesReturnTheirOwnPages();

private:
    QString url(const QString& target) const { return u"http://"_s + m_server->hostPort() + target; }
    std::unique_ptr<TestHttpServer> m_server;
};

void TestFetch::init()
{
    m_server = std::make_unique<TestHttpServer>();
    setFetchLimits({});
}

void TestFetch::cleanup()
{
    m_server.reset();
    setFetchLimits({});
}

void TestFetch::decodesRealEncodings()
{
    m_server->route(u"/gb"_s, TestHttpServer::page(testData(u"baidu-current.gb2312.html"_s)));
    m_server->route(u"/gbk"_s, TestHttpServer::page(testData(u"gbk-only.gb18030.html"_s)));
    m_server->route(u"/bad"_s, TestHttpServer::page(QByteArray("ok\x80\xff|\xc4\xe3\xba\xc3", 9)));
    m_server->route(u"/utf8"_s, TestHttpServer::page(testData(u"yahoo-count.utf8.html"_s)));
    m_server->route(u"/bom"_s, TestHttpServer::page(testData(u"yahoo-bom.utf8.html"_s)));
    m_server->route(u"/empty"_s, TestHttpServer::page(QByteArray()));
    auto gzipped = TestHttpServer::page(testData(u"compressed.gb2312.html.gz"_s));
    gzipped.headers.append(qMakePair(QByteArray("Content-Encoding"), QByteArray("gzip")));
    m_server->route(u"/gzip"_s, gzipped);

    QVERIFY(getHTTPPage(url(u"/gb"_s)).contains(u"百度为您找到相关结果约1,230,000个"_s));
    // The same bytes read as UTF-8 keep their ASCII and lose their Chinese.
    const QString misread = getHTTPPage1(url(u"/gb"_s));
    QVERIFY(misread.contains(u"1,230,000"_s));
    QVERIFY(misread.contains(QChar::ReplacementCharacter));
    QVERIFY(!misread.contains(u"百度"_s));

    QCOMPARE(getHTTPPage(url(u"/gbk"_s)), u"<p>总理朱镕基与陶喆</p>\r\n"_s);
    QCOMPARE(getHTTPPage(url(u"/bad"_s)), u"ok\ufffd\ufffd|你好"_s);
    QVERIFY(getHTTPPage1(url(u"/utf8"_s)).contains(u"共 <strong>1,234</strong>"_s));
    QVERIFY(getHTTPPage1(url(u"/bom"_s)).startsWith(u"<html>"_s));
    QCOMPARE(getHTTPPage(url(u"/empty"_s)), QString());
    QCOMPARE(getHTTPPage(url(u"/gzip"_s)), u"<html><body>压缩的页面 gzip body</body></html>"_s);
}

void TestFetch::errorStatusKeepsBodyAndRedirectsAreBounded()
{
    m_server->route(u"/missing"_s, TestHttpServer::page("<html>找不到</html>", 404));
    m_server->route(u"/broken"_s, TestHttpServer::page("original>210 but 500", 500));
    m_server->route(u"/hop1"_s, TestHttpServer::redirect("/hop2"));
    m_server->route(u"/hop2"_s, TestHttpServer::redirect("/hop3"));
    m_server->route(u"/hop3"_s, TestHttpServer::page("arrived"));
    m_server->route(u"/loop"_s, TestHttpServer::redirect("/loop"));
    for (int hop = 0; hop < 6; ++hop)
        m_server->route(u"/chain%1"_s.arg(hop), TestHttpServer::redirect("/chain" + QByteArray::number(hop + 1)));
    m_server->route(u"/chain6"_s, TestHttpServer::page("end of chain"));

    PageResult missing = fetchPage(url(u"/missing"_s), Charset::Utf8);
    QCOMPARE(missing.text, u"<html>找不到</html>"_s);
    QCOMPARE(missing.status, 404);
    QCOMPARE(missing.failure, FetchFailure::None);
    QVERIFY(!missing.isSuccess());
    QCOMPARE(getHTTPPage(url(u"/broken"_s)), u"original>210 but 500"_s);

    QCOMPARE(getHTTPPage(url(u"/hop1"_s)), u"arrived"_s);
    // Five redirects are followed, a sixth is not.
    QCOMPARE(getHTTPPage(url(u"/chain1"_s)), u"end of chain"_s);
    QCOMPARE(fetchPage(url(u"/chain0"_s), Charset::Gb2312).failure, FetchFailure::TooManyRedirects);
    const PageResult loop = fetchPage(url(u"/loop"_s), Charset::Gb2312);
    QCOMPARE(loop.text, QString());
    QCOMPARE(loop.failure, FetchFailure::TooManyRedirects);
}

void TestFetch::compressedBombIsRefused()
{
    // 20 KB that would inflate to 20 MB: Qt's own guard refuses it, and that is a failed fetch, not an
    // empty page answered with 200.
    TestHttpServer::Response bomb = TestHttpServer::page(testData(u"bomb.gz"_s));
    bomb.headers.append(qMakePair(QByteArray("Content-Encoding"), QByteArray("gzip")));
    m_server->route(u"/"_s, bomb);
    const PageResult result = fetchPage(url(u"/bomb"_s), Charset::Gb2312);
    QCOMPARE(result.failure, FetchFailure::BadContent);
    QCOMPARE(result.text, QString());
}

void TestFetch::refusedAddressesFailAtOnce()
{
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(fetchPage(u"http://"_s, Charset::Gb2312).failure, FetchFailure::BadAddress);
    QCOMPARE(fetchPage(u"http://a b.test/"_s, Charset::Gb2312).failure, FetchFailure::BadAddress);
    const quint16 closedPort = m_server->port();
    m_server.reset();
    const PageResult refused = fetchPage(u"http://127.0.0.1:%1/"_s.arg(closedPort), Charset::Gb2312);
    QCOMPARE(refused.failure, FetchFailure::ConnectionRefused);
    QCOMPARE(refused.text, QString());
    QVERIFY(clock.elapsed() < 2000);
}

void TestFetch::nestedFetchesReturnTheirOwnPages()
{
    auto slow = TestHttpServer::page("outer page");
    slow.delayMs = 400;
    m_server->route(u"/outer"_s, slow);
    m_server->route(u"/inner"_s, TestHttpServer::page("inner page"));

    QString inner;
    QTimer::singleShot(50, this, [&] { inner = getHTTPPage(url(u"/inner"_s)); });
    QCOMPARE(getHTTPPage(url(u"/outer"_s)), u"outer page"_s);
    QCOMPARE(inner, u"inner page"_s);
}

QTEST_GUILESS_MAIN(TestFetch)
#include "test_fetch.moc"
