// Fetching and decoding against a server of our own, and the host address through ping: real encodings,
// error pages, and the ways servers and hosts have made pages lie or requests grow.
#include "TestHttpServer.h"
#include "testing.h"
#include "web/fetch.h"
#include "web/ping.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestWeb : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void fetch_data();
    void fetch();
    void requestsCarryNothingOverAndEndOnce();
    void ping_data();
    void ping();

private:
    PageResult get(const QString& target, Charset charset, bool keepConnection = true);
    TestHttpServer m_server;
};

void TestWeb::initTestCase()
{
    const auto with = [](TestHttpServer::Response response, const QByteArray& name, const QByteArray& value) {
        response.headers.append({name, value});
        return response;
    };
    m_server.route(u"/gbk"_s, TestHttpServer::page(testData(u"gbk-only.gb18030.html"_s)));
    m_server.route(u"/bad-bytes"_s, TestHttpServer::page(QByteArray("ok\x80\xff|\xc4\xe3\xba\xc3", 9)));
    m_server.route(u"/bom"_s, TestHttpServer::page("\xEF\xBB\xBF<p>\xE9\x93\xBE</p>"));
    m_server.route(u"/empty"_s, TestHttpServer::page(""));
    m_server.route(
        u"/gzip"_s, with(TestHttpServer::page(testData(u"compressed.gb2312.html.gz"_s)), "Content-Encoding", "gzip"));
    m_server.route(u"/missing"_s, TestHttpServer::page("<html>找不到</html>", 404));
    for (int hop = 0; hop < 6; ++hop)
        m_server.route(u"/chain%1"_s.arg(hop),
            with(TestHttpServer::page("", 302), "Location", "/chain" + QByteArray::number(hop + 1)));
    m_server.route(u"/chain6"_s, TestHttpServer::page("end of chain"));
    m_server.route(u"/cookie"_s, with(TestHttpServer::page("x"), "Set-Cookie", "visit=1"));
    // Baidu's pages are UTF-8 today: what a page declares beats what a lookup assumes.
    m_server.route(u"/declared"_s,
        with(TestHttpServer::page("\xe7\x99\xbe\xe5\xba\xa6"), "Content-Type", "text/html; charset=UTF-8"));
    m_server.route(u"/big5"_s,
        TestHttpServer::page("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=big5\">\xa4\xa4\xa4\xe5"));
    m_server.route(u"/utf16"_s, TestHttpServer::page(QByteArray("\xff\xfe<\0p\0>\0-N\0", 10)));
}

PageResult TestWeb::get(const QString& target, Charset charset, bool keepConnection)
{
    const QString url = target.startsWith(u'/') ? u"http://"_s + m_server.hostPort() + target : target;
    PageFetch fetch({url, charset, keepConnection});
    QSignalSpy finished(&fetch, &PageFetch::finished);
    if (!finished.wait(10'000))
        qFatal("no answer for %s", qPrintable(url));
    return fetch.result();
}

void TestWeb::fetch_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("utf8");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("status");
    QTest::addColumn<FetchFailure>("failure");
    const auto row = [](const char* name, const QString& target, bool utf8, const QString& text, int status,
                         FetchFailure failure = FetchFailure::None) {
        QTest::newRow(name) << target << utf8 << text << status << failure;
    };
    row("GBK beyond GB2312", u"/gbk"_s, false, u"<p>总理朱镕基与陶喆</p>\r\n"_s, 200);
    row("bad bytes do not spoil the rest", u"/bad-bytes"_s, false, u"ok\ufffd\ufffd|你好"_s, 200);
    row("GB2312 bytes read as UTF-8", u"/bad-bytes"_s, true, u"ok\ufffd\ufffd|\ufffd\ufffd\ufffd"_s, 200);
    row("UTF-8 byte-order mark dropped", u"/bom"_s, true, u"<p>链</p>"_s, 200);
    row("empty body", u"/empty"_s, false, QString(), 200);
    row("charset in the header", u"/declared"_s, false, u"百度"_s, 200);
    row("charset in a meta tag", u"/big5"_s, false,
        u"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=big5\">中文"_s, 200);
    row("UTF-16 byte-order mark", u"/utf16"_s, false, u"<p>中"_s, 200);
    row("gzip", u"/gzip"_s, false, u"<html><body>压缩的页面 gzip body</body></html>"_s, 200);
    row("error page keeps its body", u"/missing"_s, true, u"<html>找不到</html>"_s, 404);
    row("five redirects followed", u"/chain1"_s, false, u"end of chain"_s, 200);
    row("a sixth is not", u"/chain0"_s, false, QString(), 302, FetchFailure::TooManyRedirects);
    row("no host", u"http://"_s, false, QString(), 0, FetchFailure::BadAddress);
}

void TestWeb::fetch()
{
    QFETCH(QString, target);
    QFETCH(bool, utf8);
    QFETCH(QString, text);
    QFETCH(int, status);
    QFETCH(FetchFailure, failure);
    const PageResult page = get(target, utf8 ? Charset::Utf8 : Charset::Gb2312);
    QCOMPARE(page.text, text);
    QCOMPARE(page.failure, failure);
    if (failure == FetchFailure::None)
        QCOMPARE(page.status, status);
}

void TestWeb::requestsCarryNothingOverAndEndOnce()
{
    m_server.heads.clear();
    get(u"/cookie"_s, Charset::Gb2312);
    get(u"/cookie"_s, Charset::Gb2312, false);
    // No cookie comes back; a home page's host is never asked again, so its connection is not kept.
    QCOMPARE(m_server.heads.size(), 2);
    QVERIFY(!m_server.heads.at(1).contains("Cookie:") && m_server.heads.at(1).contains("Connection: close"));
    QVERIFY(!m_server.heads.at(0).contains("Connection: close"));

    // Once the answer is in, the time limit has no say, however long the program is busy elsewhere.
    setFetchLimits({300, 1024 * 1024, 5});
    auto slow = TestHttpServer::page("arrived");
    slow.delayMs = 100;
    m_server.route(u"/slow"_s, slow);
    PageFetch fetch({u"http://"_s + m_server.hostPort() + u"/slow"_s, Charset::Gb2312});
    QSignalSpy finished(&fetch, &PageFetch::finished);
    QVERIFY(finished.wait(5000));
    QTest::qWait(600);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(fetch.result().text, u"arrived"_s);
    setFetchLimits({});
}

void TestWeb::ping_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("problem");
    const QString fake = fakePing();
    QTest::newRow("address") << u"a.test"_s << fake << u"a.test"_s << QString();
    QTest::newRow("unknown host: the whole message, named ping")
        << u"unknown.test"_s << fake << u"fake-ping.sh: unknown.test: Name or service not known\n"_s
        << u"无法解析主机"_s;
    QTest::newRow("brackets in an unknown host are no address")
        << u"evil(8.8.8.8).test"_s << fake << u"fake-ping.sh: evil(8.8.8.8).test: Name or service not known\n"_s
        << u"无法解析主机"_s;
    QTest::newRow("no parenthesised address: output whole")
        << u"windows.test"_s << fake
        << u"Pinging windows.test [10.9.8.7] with 32 bytes of data:\r\nRequest timed out.\r\n"_s << QString();
    QTest::newRow("address line is enough") << u"linger.test"_s << fake << u"10.1.2.3"_s << QString();
    QTest::newRow("silent") << u"silent.test"_s << fake << u"请求超时"_s << u"请求超时（0.5 秒）"_s;
    QTest::newRow("no ping program") << u"a.test"_s << u"/no/such/ping"_s << u"无法运行 ping"_s << u"无法运行 ping"_s;
    // The host is one argument after "--": it can become neither an option nor a shell command.
    QTest::newRow("host that looks like an option") << u"-f"_s << fake << u"-f"_s << QString();
    QTest::newRow("host full of shell") << u"$(touch pwned);'q\" &"_s << fake << u"touch pwned"_s << QString();
    if (!QStandardPaths::findExecutable(u"ping"_s).isEmpty()) // loopback only: no lookups leave the machine
        QTest::newRow("real ping") << u"127.0.0.2"_s << u"ping"_s << u"127.0.0.2"_s << QString();
}

void TestWeb::ping()
{
    QFETCH(QString, host);
    QFETCH(QString, program);
    QFETCH(QString, text);
    QFETCH(QString, problem);
    setPingLimits({500});
    QTemporaryDir dir;
    QVERIFY(QDir::setCurrent(dir.path()));
    qputenv("FAKE_PING_LOG", dir.filePath(u"args"_s).toLocal8Bit());
    QElapsedTimer clock;
    clock.start();
    PingLookup* lookup = GetIP(host, program, this);
    QSignalSpy finished(lookup, &PingLookup::finished);
    QVERIFY(finished.wait(10'000));
    QCOMPARE(lookup->result().text, text);
    QCOMPARE(lookup->result().problem, problem);
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    delete lookup;
    setPingLimits({});
    QFile log(dir.filePath(u"args"_s));
    QVERIFY(program != fakePing()
        || (log.open(QIODevice::ReadOnly) && log.readAll() == "-4\n-c\n1\n--\n" + host.toLocal8Bit() + '\n'));
    QVERIFY(!QFile::exists(dir.filePath(u"pwned"_s)));
}

QTEST_GUILESS_MAIN(TestWeb)
#include "test_web.moc"
