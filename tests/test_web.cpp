// SPDX-License-Identifier: GPL-3.0-or-later
// Fetching and decoding against a server of our own, and the host address through ping: real encodings,
// error pages, and the ways servers and hosts have made pages lie or requests grow; sizes and versions as read.
#include "update/update.h"
#include "web/fetch.h"
#include "web/ping.h"

#include "TestHttpServer.h"
#include "testing.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestWeb : public QObject
{
    Q_OBJECT
private slots:
    void texts();
    void fetch_data();
    void fetch();
    void requestsCarryNothingOverAndEndOnce();
    void ping_data();
    void ping();

private:
    PageResult get(const QString& target, Charset charset, bool keepConnection = true);
    TestHttpServer m_server;
    Network m_network; // the tests' own limits and connections, as a walker's
};

PageResult TestWeb::get(const QString& target, Charset charset, bool keepConnection)
{
    const QString url = target.startsWith(u'/') ? u"http://"_s + m_server.hostPort() + target : target;
    FetchRequest request(url, charset, keepConnection);
    request.network = &m_network;
    PageFetch fetch(request);
    QSignalSpy finished(&fetch, &PageFetch::finished);
    if (!finished.wait(10'000))
        qFatal("no answer for %s", qPrintable(url));
    return fetch.result();
}

void TestWeb::texts()
{
    // A size as the reasons say it (512 KB is test_sitefacts' robots.txt's), and the version an update check
    // reads from its page.
    QCOMPARE(sizeText(1572864), u"1.5 MB"_s);
    const auto version = [](const QString& text) {
        PageResult page;
        page.status = 200;
        page.text = text;
        return publishedVersion(page);
    };
    QCOMPARE(version(u"\ufeff 9.10 \r\n"_s), u"9.10"_s); // a byte-order mark and blanks dropped
    QCOMPARE(version(u"9.1\nnotes\n"_s), QString()); // a file of LF line ends is no version
    QCOMPARE(version(u"9.2<img src=\"/dev/zero\">"_s), QString());
    QCOMPARE(version(QString(70, u'9')), QString());
}

void TestWeb::fetch_data()
{
    using Mode = TestHttpServer::Mode;
    QTest::addColumn<TestHttpServer::Response>("response");
    QTest::addColumn<bool>("utf8");
    QTest::addColumn<QString>("text"); // the page's text, then why it cannot be trusted after a "!"
    const auto row = [](const char* name, const TestHttpServer::Response& response, const QString& text,
                         bool utf8 = false) { QTest::newRow(name) << response << utf8 << text; };
    const auto with = [](TestHttpServer::Response response, const QByteArray& name, const QByteArray& value) {
        response.headers.append({name, value});
        return response;
    };
    using Server = TestHttpServer;
    const QByteArray gb = "ok\x80\xff|\xc4\xe3\xba\xc3";
    row("GBK beyond GB2312", Server::page(testData(u"gbk-only.gb18030.html"_s)), u"<p>总理朱镕基与陶喆</p>\r\n"_s);
    row("bad bytes do not spoil the rest", Server::page(gb), u"ok\ufffd\ufffd|你好"_s);
    row("GB2312 bytes read as UTF-8", Server::page(gb), u"ok\ufffd\ufffd|\ufffd\ufffd\ufffd"_s, true);
    row("UTF-8 byte-order mark dropped", Server::page("\xEF\xBB\xBF<p>\xE9\x93\xBE</p>"), u"<p>链</p>"_s);
    row("empty body", Server::page(""), QString());
    // Baidu's pages are UTF-8 today: what a page declares beats what a lookup assumes.
    row("charset in a meta tag", Server::page("<meta content=\"text/html; charset=big5\">\xa4\xa4\xa4\xe5"),
        u"<meta content=\"text/html; charset=big5\">中文"_s);
    row("the header's charset over the tag's",
        with(Server::page("<meta charset=\"big5\">\xe4\xb8\xad"), "Content-Type", "text/html; charset=utf-8"),
        u"<meta charset=\"big5\">中"_s);
    // Browsers read a page that calls itself UTF-16 in a tag, which a UTF-16 page could not carry, as UTF-8.
    row("UTF-16 named in a meta tag", Server::page("<meta charset=\"utf-16\"><p>\xe4\xb8\xad</p>"),
        u"<meta charset=\"utf-16\"><p>中</p>"_s);
    row("a meta tag inside a comment", Server::page("<!-- <meta charset=\"big5\"> -->\xc4\xe3"),
        u"<!-- <meta charset=\"big5\"> -->你"_s);
    row("UTF-16 byte-order mark", Server::page(QByteArray("\xff\xfe<\0p\0>\0-N\0", 10)), u"<p>中"_s);
    row("gzip", with(Server::page(testData(u"compressed.gb2312.html.gz"_s)), "Content-Encoding", "gzip"),
        u"<html><body>压缩的页面 gzip body</body></html>"_s);
    row("error page keeps its body", Server::page("<html>找不到</html>", 404), u"<html>找不到</html>!HTTP 404"_s, true);
    row("HTTP/1.0 without length", Server::page("ends when the connection does", 200, Mode::NoContentLength),
        u"ends when the connection does"_s);
    // Servers that never answer, trickle, flood, reset, loop or lie about their chunks: each ends in time.
    row("no answer at all", Server::page("x", 200, Mode::NoAnswer), u"!请求超时（1 秒）"_s);
    row("one byte at a time", Server::page("0123456789abcdef", 200, Mode::Trickle), u"!请求超时（1 秒）"_s);
    row("endless body", Server::page("x", 200, Mode::Endless), u"!页面过大（超过 1 MB）"_s);
    row("gzip bomb", with(Server::page(testData(u"bomb.gz"_s)), "Content-Encoding", "gzip"), u"!页面内容无法解码"_s);
    row("reset mid-body", Server::page(QByteArray(1000, 'x'), 200, Mode::CloseMidBody), u"!连接中断"_s);
    // A loop is told as one after a round, not after the redirect limit (a long chain is, below: /r0).
    row("redirect loop", with(Server::page("", 302), "Location", "/loop"),
        u"!重定向循环（回到 http://%1/loop）"_s.arg(m_server.hostPort()));
    row("chunk size that is no number", with(Server::page("zz\r\nx\r\n0\r\n\r\n"), "Transfer-Encoding", "chunked"),
        u"!页面内容无法解码"_s);
}

void TestWeb::fetch()
{
    QFETCH(TestHttpServer::Response, response);
    QFETCH(bool, utf8);
    QFETCH(QString, text);
    m_network.limits = {1000, 1024 * 1024, 5};
    m_server.route(u"/"_s, response);
    const PageResult page = get(u"/page"_s, utf8 ? Charset::Utf8 : Charset::Gb2312);
    const QString problem = failureReason(page);
    QCOMPARE(page.text + (problem.isEmpty() ? QString() : u'!' + problem), text);
}

void TestWeb::requestsCarryNothingOverAndEndOnce()
{
    QCOMPARE(get(u"http://"_s, Charset::Gb2312).failure, FetchFailure::BadAddress);
    auto cookie = TestHttpServer::page("x");
    cookie.headers.append(qMakePair(QByteArray("Set-Cookie"), QByteArray("visit=1")));
    m_server.route(u"/cookie"_s, cookie);
    m_server.heads.clear();
    // Enough requests that every network manager of the pool has had its cookie offered and asked again.
    for (int n = 0; n < 24; ++n)
        get(u"/cookie"_s, Charset::Gb2312);
    get(u"/cookie"_s, Charset::Gb2312, false);
    // No cookie comes back; a home page's host is never asked again, so its connection is not kept.
    QCOMPARE(m_server.heads.size(), 25);
    QVERIFY(std::none_of(
        m_server.heads.begin(), m_server.heads.end(), [](const QByteArray& head) { return head.contains("Cookie:"); }));
    QVERIFY(m_server.heads.last().contains("Connection: close"));
    QVERIFY(!m_server.heads.first().contains("Connection: close"));

    // Five redirects are followed, a sixth is not: /r1 … /r6 each send on to the next.
    m_server.responder = [](const QString& target) {
        const int n = target.mid(2).toInt();
        auto answer = TestHttpServer::page(n >= 6 ? "end" : "", n >= 6 ? 200 : 302);
        answer.headers.append({"Location", "/r" + QByteArray::number(n + 1)});
        return answer;
    };
    QCOMPARE(get(u"/r1"_s, Charset::Gb2312).text, u"end"_s);
    QCOMPARE(get(u"/r0"_s, Charset::Gb2312).failure, FetchFailure::TooManyRedirects);
    m_server.responder = nullptr;

    // Once the answer is in, the time limit has no say, however long the program is busy elsewhere.
    m_network.limits = {300, 1024 * 1024, 5};
    auto slow = TestHttpServer::page("arrived");
    slow.delayMs = 100;
    m_server.route(u"/slow"_s, slow);
    FetchRequest request(u"http://"_s + m_server.hostPort() + u"/slow"_s, Charset::Gb2312);
    request.network = &m_network;
    QElapsedTimer clock;
    clock.start();
    PageFetch fetch(request);
    QSignalSpy finished(&fetch, &PageFetch::finished);
    QVERIFY(finished.wait(5000));
    // A machine too busy to see the answer within the limit: the limit did its part, and that is all to see.
    if (fetch.result().failure == FetchFailure::TimedOut) {
        QVERIFY2(clock.elapsed() >= m_network.limits.timeLimitMs, qPrintable(QString::number(clock.elapsed())));
        m_network.limits = {};
        return;
    }
    // Timers of one thread fire in the order they fall due: by the time one started now for longer than the
    // limit has fired, the limit's own would have too.
    QTimer pastTheLimit;
    pastTheLimit.setTimerType(Qt::PreciseTimer);
    pastTheLimit.setSingleShot(true);
    pastTheLimit.start(m_network.limits.timeLimitMs);
    QVERIFY(QSignalSpy(&pastTheLimit, &QTimer::timeout).wait());
    QCOMPARE(finished.size(), 1);
    QCOMPARE(fetch.result().text, u"arrived"_s);
    m_network.limits = {};
}

void TestWeb::ping_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("cell"); // the text, then why it cannot be trusted after a "!"
    const auto row = [](const char* name, const QString& host, const QString& cell,
                         const QString& program = kFakePing) { QTest::newRow(name) << host << program << cell; };
    row("address", u"a.test"_s, u"a.test"_s);
    row("unknown host: the whole message, named ping", u"unknown.test"_s,
        u"fake-ping.sh: unknown.test: Name or service not known\n!无法解析主机"_s);
    row("brackets in an unknown host are no address", u"evil(8.8.8.8).test"_s,
        u"fake-ping.sh: evil(8.8.8.8).test: Name or service not known\n!无法解析主机"_s);
    row("no parenthesised address: output whole", u"windows.test"_s,
        u"Pinging windows.test [10.9.8.7] with 32 bytes of data:\r\nRequest timed out.\r\n"_s);
    row("address line is enough", u"linger.test"_s, u"10.1.2.3"_s);
    row("silent", u"silent.test"_s, u"请求超时!请求超时（0.5 秒）"_s);
    row("no ping program", u"a.test"_s, u"无法运行 ping!无法运行 ping"_s, u"/no/such/ping"_s);
    // The host is one argument after "--": it can become neither an option nor a shell command.
    row("host that looks like an option", u"-f"_s, u"-f"_s);
    row("host full of shell", u"$(touch pwned);'q\" &"_s, u"touch pwned"_s);
    if (!QStandardPaths::findExecutable(u"ping"_s).isEmpty()) // loopback only: no lookups leave the machine
        row("real ping", u"127.0.0.2"_s, u"127.0.0.2"_s, u"ping"_s);
}

void TestWeb::ping()
{
    QFETCH(QString, host);
    QFETCH(QString, program);
    QTemporaryDir dir;
    QVERIFY(QDir::setCurrent(dir.path()));
    const ScopedEnv log("FAKE_PING_LOG", dir.filePath(u"args"_s).toLocal8Bit());
    std::unique_ptr<PingLookup> lookup(GetIP(host, program, 500, nullptr));
    QSignalSpy finished(lookup.get(), &PingLookup::finished);
    QVERIFY(finished.wait(10'000));
    const PingResult result = lookup->result();
    QTEST(QString(result.text + (result.problem.isEmpty() ? QString() : u'!' + result.problem)), "cell");
    QVERIFY(program != kFakePing || readFile(dir.filePath(u"args"_s)) == "-4\n-c\n1\n--\n" + host.toLocal8Bit() + '\n');
    QVERIFY(!QFile::exists(dir.filePath(u"pwned"_s)));
}

QTEST_GUILESS_MAIN(TestWeb)
#include "test_web.moc"
