// The engine without a window, against a server of our own: every lookup in a batch, the order cells are
// written in while requests run together, Stop, hostile servers, marked failures and their re-run.
#include "TestHttpServer.h"
#include "export/export.h"
#include "queries/walker.h"
#include "settings/settings.h"
#include "testing.h"
#include "web/fetch.h"

#include "queries/tranco.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

class TestEngine : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void everyLookupInABatch();
    void writesInQueueOrderWhileRequestsRunTogether();
    void stop_data();
    void stop();
    void hostileServers_data();
    void hostileServers();
    void failuresAreMarkedSlowDownAndRerun();
    void newerSourcesAskOncePerDomain();
    void dnsFromAResolverOfOurOwn();

private:
    QString domain(const QString& name) const { return m_server->hostPort() + u'/' + name; }
    void serve(const QString& name, const QStringList& pages);
    // Names are paths on our server unless `onOurServer` is false.
    void runBatch(const QStringList& names, const QSet<QString>& wanted, bool onOurServer = true);

    std::unique_ptr<TestHttpServer> m_server;
    std::unique_ptr<Walker> m_walker;
    QSet<QString> m_wanted;
};

void TestEngine::init()
{
    m_server = std::make_unique<TestHttpServer>();
    serveEverythingFrom(m_server->hostPort());
    for (const ServiceInfo& service : Settings::services())
        testSettings().setPace(service.key, {service.concurrency, 0});
    m_walker = std::make_unique<Walker>(testSettings());
    m_walker->setPingProgram(fakePing());
    m_walker->setSelection([this](const Lookup& lookup) { return m_wanted.contains(lookup.key); });
}

void TestEngine::cleanup()
{
    m_walker.reset();
    m_server.reset();
    setFetchLimits({});
}

void TestEngine::serve(const QString& name, const QStringList& pages)
{
    const QString d = domain(name);
    const QStringList prefixes {u"/cgi-bin/check.cgi?area_domain="_s, u"/Api/?ApiVersion=2.0&Domain="_s,
        u"/s?wd=site%3A"_s, u"/s?wd=domain%3A"_s, u"/data/?cli=10&dat=snba&ver=7.0&url="_s, u"/search?bwm=i&p="_s};
    for (int i = 0; i < prefixes.size(); ++i)
        m_server->route(prefixes.at(i) + d, TestHttpServer::page(testData(pages.at(i))));
}

void TestEngine::runBatch(const QStringList& names, const QSet<QString>& wanted, bool onOurServer)
{
    QStringList queue;
    for (const QString& name : names)
        queue.append(onOurServer ? domain(name) : name);
    m_wanted = wanted;
    m_walker->setQueue(queue);
    m_walker->runBatch();
    QVERIFY(waitIdle(*m_walker));
}

void TestEngine::everyLookupInABatch()
{
    QByteArray home = testData(u"home.gb2312.html"_s);
    m_server->route(u"/"_s, TestHttpServer::page(home.replace("SELF", m_server->hostPort().toLatin1())));
    m_server->route(u"/b"_s, TestHttpServer::page(testData(u"baidu-none.gb2312.html"_s)));
    serve(u"a"_s,
        {u"registrar-available.xml"_s, u"icp-filed.gb2312.html"_s, u"baidu-current.gb2312.html"_s,
            u"baidu-older.gb2312.html"_s, u"alexa-ranked.xml"_s, u"yahoo-count.utf8.html"_s});
    serve(u"b"_s,
        {u"registrar-taken.xml"_s, u"icp-none.gb2312.html"_s, u"baidu-older.gb2312.html"_s, u"baidu-none.gb2312.html"_s,
            u"alexa-unranked.xml"_s, u"yahoo-bom.utf8.html"_s});
    // Boxes count at their turn: while the first lookup runs, Alexa is ticked and the site IP unticked.
    connect(m_server.get(), &TestHttpServer::requestReceived, this, [this] {
        m_wanted.insert(u"alexa"_s);
        m_wanted.remove(u"ip"_s);
    });
    runBatch({u"a"_s, u"b"_s, u"b"_s, u"a"_s},
        {u"registrar"_s, u"icp"_s, u"baidu-index"_s, u"baidu-links"_s, u"yahoo"_s, u"outbound"_s, u"ip"_s});

    const QString a = domain(u"a"_s)
        + u"|注册：可注册|备案：京ICP备12345678号|百度收录：1,230,000|百度反链：约12,300"
          u"|Alexa：12345|yahoo排名：1,234|出站：4|IP： \r\n"_s;
    const QString b = domain(u"b"_s)
        + u"|注册：已被注册|备案：未备案|百度收录：约12,300|百度反链：0|Alexa：0|yahoo排名：56|出站：0|IP： \r\n"_s;
    QCOMPARE(exportText(m_walker->results(), 4), a + b + b + a);
    QCOMPARE(m_server->requests.size(), 7 * 4);
    // A real "nothing" is an answer, not a failure; only the verification page counts as one.
    QCOMPARE(m_walker->results().problemCount(), 2);
    QCOMPARE(m_walker->results().problem(1, FirstLookupColumn + 3), u"搜索引擎要求验证"_s);
}

void TestEngine::writesInQueueOrderWhileRequestsRunTogether()
{
    testSettings().setPace(u"icp"_s, {8, 0});
    QRandomGenerator random(20261207);
    const QByteArray numbered = testData(u"numbered-answer.gb2312.html"_s);
    m_server->responder = [&](const QString& target) {
        const int n = target.section(u"/d"_s, 1).section(u'&', 0, 0).toInt();
        auto answer = TestHttpServer::page(QByteArray(numbered).replace("ICPNUM", QByteArray::number(10'000'000 + n)));
        answer.delayMs = int(random.bounded(30, 80)); // the first eight all arrive before any is answered
        return answer;
    };
    QList<int> written;
    connect(&m_walker->results(), &Results::cellChanged, this, [&](int row) { written.append(row); });
    QStringList names;
    for (int n = 0; n < 60; ++n)
        names.append(u"d%1"_s.arg(n));
    runBatch(names, {u"icp"_s});

    for (int row = 0; row < 60; ++row) {
        QCOMPARE(written.value(row), row);
        QCOMPARE(m_walker->results().text(row, FirstLookupColumn + 1), u"京ICP备%1号"_s.arg(10'000'000 + row));
    }
    QCOMPARE(m_server->busiest, 8);
}

void TestEngine::stop_data()
{
    QTest::addColumn<QStringList>("lookups"); // the batch's two lookups, in table order; the stop comes in the first
    QTest::addColumn<bool>("wholeBatch"); // the 停 止 button rather than the stop flag
    // The first character of each of the five rows' cells, "." for a cell left blank.
    QTest::addColumn<QString>("firstColumn");
    QTest::addColumn<QString>("secondColumn");
    QTest::newRow("flag ends the stoppable walk only")
        << QStringList {u"icp"_s, u"alexa"_s} << false << u"京京..."_s << u"77777"_s;
    QTest::newRow("flag does not end a search walk")
        << QStringList {u"baidu-index"_s, u"alexa"_s} << false << u"55555"_s << u"77777"_s;
    QTest::newRow("stop ends the whole batch")
        << QStringList {u"icp"_s, u"alexa"_s} << true << u"京京..."_s << u"....."_s;
    QTest::newRow("stop ends a search walk too")
        << QStringList {u"baidu-index"_s, u"alexa"_s} << true << u"55..."_s << u"....."_s;
    QTest::newRow("a home page in flight counts nothing more")
        << QStringList {u"outbound"_s, u"ip"_s} << false << u"10..."_s << u"11111"_s;
}

void TestEngine::stop()
{
    QFETCH(QStringList, lookups);
    QFETCH(bool, wholeBatch);
    QFETCH(QString, firstColumn);
    QFETCH(QString, secondColumn);
    for (const QString& service : {u"icp"_s, u"home"_s})
        testSettings().setPace(service, {1, 0});
    auto slow = TestHttpServer::page(testData(u"markers-all.gb2312.html"_s));
    slow.delayMs = 50;
    m_server->route(u"/"_s, slow);
    m_walker->setStopFlag(true);
    connect(m_server.get(), &TestHttpServer::requestReceived, this, [&] {
        if (m_server->requests.size() == 2)
            wholeBatch ? m_walker->stopBatch() : m_walker->setStopFlag(true);
    });
    runBatch({u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}, {lookups.at(0), lookups.at(1)});

    for (int i = 0; i < 2; ++i) {
        QString written;
        for (const QString& cell : column(m_walker->results(), columnOf(*lookupByKey(lookups.at(i)))))
            written += cell == u" "_s ? u'.' : cell.at(0);
        QCOMPARE(written, i == 0 ? firstColumn : secondColumn);
    }
    // A walk with stop clears the flag as it begins; a search walk leaves it as it found it.
    QCOMPARE(m_walker->stopFlag(), wholeBatch && lookups.at(0) == u"baidu-index"_s);
}

void TestEngine::hostileServers_data()
{
    using Mode = TestHttpServer::Mode;
    QTest::addColumn<TestHttpServer::Response>("response");
    QTest::addColumn<QString>("problem"); // what every cell of the row is marked with
    const QByteArray markers = testData(u"markers-all.gb2312.html"_s);
    auto bomb = TestHttpServer::page(testData(u"bomb.gz"_s));
    bomb.headers.append(qMakePair(QByteArray("Content-Encoding"), QByteArray("gzip")));
    auto redirectLoop = TestHttpServer::page("", 302);
    redirectLoop.headers.append(qMakePair(QByteArray("Location"), QByteArray("/loop")));
    auto badChunks = TestHttpServer::page("zz\r\noriginal>210\r\n0\r\n\r\n");
    badChunks.headers.append(qMakePair(QByteArray("Transfer-Encoding"), QByteArray("chunked")));
    QTest::newRow("no answer at all") << TestHttpServer::page("x", 200, Mode::NoAnswer) << u"请求超时（1 秒）"_s;
    QTest::newRow("one byte at a time") << TestHttpServer::page(markers, 200, Mode::Trickle) << u"请求超时（1 秒）"_s;
    QTest::newRow("endless body") << TestHttpServer::page("x", 200, Mode::Endless) << u"页面过大（超过 1 MB）"_s;
    QTest::newRow("gzip bomb") << bomb << u"页面内容无法解码"_s;
    QTest::newRow("reset mid-body") << TestHttpServer::page(markers, 200, Mode::CloseMidBody) << u"连接中断"_s;
    QTest::newRow("redirect loop") << redirectLoop << u"重定向次数过多"_s;
    QTest::newRow("chunk size that is no number") << badChunks << u"页面内容无法解码"_s;
    QTest::newRow("HTTP/1.0 without length") << TestHttpServer::page(markers, 200, Mode::NoContentLength) << QString();
    QTest::newRow("500 holding the markers") << TestHttpServer::page(markers, 500) << u"HTTP 500"_s;
}

void TestEngine::hostileServers()
{
    QFETCH(TestHttpServer::Response, response);
    QFETCH(QString, problem);
    setFetchLimits({1000, 1024 * 1024, 5});
    m_server->route(u"/"_s, response);
    QElapsedTimer clock;
    clock.start();
    runBatch({u"x"_s}, {u"registrar"_s, u"icp"_s, u"baidu-index"_s, u"alexa"_s, u"outbound"_s});

    // Whatever the server does, each cell gets its lookup's text and says why it cannot be trusted.
    const QStringList expected = problem.isEmpty() || problem.startsWith(u"HTTP"_s)
        ? QStringList {u"可注册"_s, u"京ICP备12345678号"_s, u"5"_s, u" "_s, u"7"_s, u" "_s, u"1"_s, u" "_s}
        : QStringList {u"已被注册"_s, u"未备案"_s, u"0"_s, u" "_s, u"0"_s, u" "_s, u"0"_s, u" "_s};
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(m_walker->results().text(0, FirstLookupColumn + i), expected.at(i));
        if (expected.at(i) != u" "_s)
            QCOMPARE(m_walker->results().problem(0, FirstLookupColumn + i), problem);
    }
    QVERIFY2(clock.elapsed() < 5 * 4000, qPrintable(QString::number(clock.elapsed())));
}

void TestEngine::failuresAreMarkedSlowDownAndRerun()
{
    // The filing service refuses odd rows the first time round; Baidu asks for verification once.
    bool refuseOdd = true;
    bool verified = false;
    m_server->responder = [&](const QString& target) {
        if (target.startsWith(u"/Api/"_s) && (target.contains(u"d1&"_s) || target.contains(u"d3&"_s)) && refuseOdd)
            return TestHttpServer::page("busy", 503);
        if (target.startsWith(u"/s?"_s) && !std::exchange(verified, true))
            return TestHttpServer::page(testData(u"baidu-none.gb2312.html"_s));
        return TestHttpServer::page(testData(u"markers-all.gb2312.html"_s));
    };
    QSignalSpy notices(m_walker.get(), &Walker::paceNotice);
    runBatch({u"d0"_s, u"d1"_s, u"d2"_s, u"d3"_s}, {u"icp"_s, u"baidu-index"_s});
    const int icp = FirstLookupColumn + 1;
    const int baidu = FirstLookupColumn + 2;
    QCOMPARE(column(m_walker->results(), icp),
        (QStringList {u"京ICP备12345678号"_s, u"未备案"_s, u"京ICP备12345678号"_s, u"未备案"_s}));
    QCOMPARE(m_walker->results().problem(1, icp), u"HTTP 503"_s);
    QCOMPARE(m_walker->results().problem(0, baidu), u"搜索引擎要求验证"_s);
    QCOMPARE(m_walker->results().problemCount(), 3);
    QVERIFY(!notices.isEmpty());
    QCOMPARE(notices.first().first().toString(), u"备案查询繁忙，放慢查询"_s);
    QVERIFY(notices.contains(QVariantList {u"百度要求验证，放慢查询"_s}));

    refuseOdd = false;
    m_server->requests.clear();
    m_walker->rerunFailed();
    QVERIFY(waitIdle(*m_walker));
    QCOMPARE(m_server->requests,
        (QStringList {u"/Api/?ApiVersion=2.0&Domain="_s + domain(u"d1"_s) + u"&Certi=0&CertApi=0&CertInfo="_s,
            u"/Api/?ApiVersion=2.0&Domain="_s + domain(u"d3"_s) + u"&Certi=0&CertApi=0&CertInfo="_s,
            u"/s?wd=site%3A"_s + domain(u"d0"_s)}));
    QCOMPARE(m_walker->results().problemCount(), 0);
    QCOMPARE(column(m_walker->results(), icp), QStringList(4, u"京ICP备12345678号"_s));
}

void TestEngine::newerSourcesAskOncePerDomain()
{
    // The registry of ".test" is our server, the cached bootstrap says; the Tranco list is the sample.
    QTemporaryDir folders;
    qputenv("XDG_CACHE_HOME", folders.filePath(u"cache"_s).toUtf8());
    qputenv("XDG_DATA_HOME", folders.filePath(u"data"_s).toUtf8());
    QVERIFY(QDir().mkpath(folders.filePath(u"cache/seo-quillmark"_s)));
    QFile bootstrap(folders.filePath(u"cache/seo-quillmark/rdap-dns.json"_s));
    QVERIFY(bootstrap.open(QIODevice::WriteOnly));
    bootstrap.write(R"({"services":[[["test"],["http://)" + m_server->hostPort().toUtf8() + R"(/rdap/"]]]})");
    bootstrap.close();
    QString problem;
    QVERIFY(TrancoStore::instance().install(testData(u"tranco-sample.zip"_s), QDate(2026, 12, 1), &problem));

    m_server->route(u"/rdap/domain/example.test"_s,
        TestHttpServer::page(R"({"events":[{"eventAction":"expiration","eventDate":"2030-01-02T00:00:00Z"}]})"));
    runBatch({u"example.test"_s, u"例子.test"_s, u"example.cn"_s, u"bad name"_s},
        {u"rdap-status"_s, u"rdap-registrar"_s, u"rdap-expiry"_s, u"tranco"_s}, false);
    const Results& results = m_walker->results();
    const int rdap = columnOf(*lookupByKey(u"rdap-status"_s));
    QStringList rows;
    for (int row = 0; row < 4; ++row) {
        rows.append(results.text(row, rdap) + u'|' + results.text(row, rdap + 1) + u'|' + results.text(row, rdap + 2)
            + u'|' + results.text(row, rdap + 3) + u'|' + results.problem(row, rdap));
    }
    QCOMPARE(rows,
        (QStringList {u"已注册|无|2030-01-02|未上榜|"_s, u"未注册|无|无|未上榜|"_s,
            u"未知|未知|未知|未上榜|该后缀没有 RDAP 服务"_s, u"无效域名|无效域名|无效域名|无效域名|无效域名"_s}));
    m_server->requests.sort(); // two at once: either may come first
    QCOMPARE(m_server->requests, (QStringList {u"/rdap/domain/example.test"_s, u"/rdap/domain/xn--fsqu00a.test"_s}));

    // One fetch of each home page answers the outbound count, its status, title and filing number.
    auto gbk = TestHttpServer::page("<meta charset=\"gbk\"><title>\xca\xd7\xd2\xb3 &amp; more</title>"
                                    "<a href=\"http://x.test/\">x</a> \xbe\xa9ICP\xb1\xb8"
                                    "12345678\xba\xc5-2");
    auto moved = TestHttpServer::page("", 302);
    moved.headers.append(qMakePair(QByteArray("Location"), QByteArray("/h2/final")));
    // Declares nothing and is UTF-8: read as such, though the designed lookups would take it for GB2312.
    auto utf8 = TestHttpServer::page(QStringEncoder(QStringEncoder::Utf8).encode(u"<title>新首页</title>"_s));
    m_server->route(u"/h1"_s, gbk);
    m_server->route(u"/h2"_s, moved);
    m_server->route(u"/h2/final"_s, utf8);
    m_server->requests.clear();
    runBatch({u"h1"_s, u"h2"_s}, {u"outbound"_s, u"home-status"_s, u"home-title"_s, u"home-icp"_s});
    QCOMPARE(m_server->requests, (QStringList {u"/h1"_s, u"/h2"_s, u"/h2/final"_s}));
    const int outbound = columnOf(*lookupByKey(u"outbound"_s));
    const int home = columnOf(*lookupByKey(u"home-status"_s));
    const QString address = u"http://"_s + m_server->hostPort();
    QCOMPARE((QStringList {results.text(0, outbound), results.text(0, home), results.text(0, home + 1),
                 results.text(0, home + 2)}),
        (QStringList {u"1"_s, u"200 → "_s + address + u"/h1"_s, u"首页 & more"_s, u"京ICP备12345678号-2"_s}));
    QCOMPARE((QStringList {results.text(1, outbound), results.text(1, home), results.text(1, home + 1),
                 results.text(1, home + 2)}),
        (QStringList {u"0"_s, u"200 → "_s + address + u"/h2/final"_s, u"新首页"_s, u"无"_s}));
}

void TestEngine::dnsFromAResolverOfOurOwn()
{
    if (QStandardPaths::findExecutable(u"dnsmasq"_s).isEmpty() || getuid() != 0)
        QSKIP("needs dnsmasq (tools/setup-debian.sh --tests) and root for port 53 on a loopback address");
    QTemporaryDir dir;
    QFile hosts(dir.filePath(u"hosts"_s));
    QVERIFY(hosts.open(QIODevice::WriteOnly));
    hosts.write("10.1.2.3 a.test\n2001:db8::1 a.test\n");
    hosts.close();
    QProcess dnsmasq;
    dnsmasq.start(u"dnsmasq"_s,
        {u"--keep-in-foreground"_s, u"--conf-file=/dev/null"_s, u"--no-resolv"_s, u"--no-hosts"_s,
            u"--addn-hosts="_s + hosts.fileName(), u"--listen-address=127.0.0.77"_s, u"--bind-interfaces"_s,
            u"--port=53"_s, u"--user=root"_s, u"--local=/test/"_s, u"--cname=alias.test,a.test"_s, u"--pid-file="_s});
    QVERIFY(dnsmasq.waitForStarted());
    QTest::qWait(300);
    qputenv("QUILLMARK_DNS_SERVER", "127.0.0.77");
    runBatch({u"a.test"_s, u"alias.test"_s, u"missing.test"_s, u"bad name"_s}, {u"dns"_s}, false);
    qunsetenv("QUILLMARK_DNS_SERVER");
    dnsmasq.kill();
    dnsmasq.waitForFinished();
    const int dns = columnOf(*lookupByKey(u"dns"_s));
    QCOMPARE(column(m_walker->results(), dns),
        (QStringList {
            u"10.1.2.3, 2001:db8::1"_s, u"CNAME a.test → 10.1.2.3, 2001:db8::1"_s, u"不存在"_s, u"无效域名"_s}));
    QCOMPARE(m_walker->results().problemCount(), 1);
}

QTEST_GUILESS_MAIN(TestEngine)
#include "test_engine.moc"
