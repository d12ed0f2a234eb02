// The engine without a window, against a server of our own: boxes read at their turn, the order cells are
// written in while requests run together, Stop, marked failures and their re-run, and the
// newer sources.
#include "TestDnsServer.h"
#include "TestHttpServer.h"
#include "TestTlsServer.h"
#include "TestWhoisServer.h"
#include "queries/lookups/registration.h"
#include "export/export.h"
#include "queries/lookups/custom.h"
#include "queries/sources/tranco.h"
#include "testing.h"

#include <QUdpSocket>
#include <QtTest>
#include <numeric>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

class TestEngine : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void untickedEndsTickedIsNotAdded();
    void writesInQueueOrderWhileRequestsRunTogether();
    void stop_data();
    void stop();
    void failuresAreMarkedSlowDownAndRerun();
    void newerSourcesAskOncePerDomain();
    void dnsFromAResolverOfOurOwn();
    void dnsReasons_data();
    void dnsReasons();
    void rankListDownloadedAndAsked();
    void requestsThroughProxiesAndOneSetAside();
    void userDefinedLookups();
    void certificatesAndRobots();

private:
    QString domain(const QString& name) const { return m_server->hostPort() + u'/' + name; }
    // Names are paths on our server unless `onOurServer` is false.
    void runBatch(const QStringList& names, const QSet<QString>& wanted, bool onOurServer = true);
    // A row's cells of the named lookups, "|" between them, and the first one's mark after a "!".
    QString cells(int row, const QStringList& keys) const;

    std::unique_ptr<TestHttpServer> m_server;
    std::unique_ptr<Walker> m_walker;
    QSet<QString> m_wanted;
};

void TestEngine::init()
{
    m_server = std::make_unique<TestHttpServer>();
    serveEverythingFrom(m_server->hostPort());
    for (const ServiceInfo& service : builtInTable()->services().all())
        testSettings().setPace(service.key, {service.pace.concurrency, 0});
    m_walker = std::make_unique<Walker>(testSettings(), builtInTable());
    m_walker->setPingProgram(kFakePing);
    m_walker->setSelection([this](const Lookup& lookup) { return m_wanted.contains(lookup.key); });
}

void TestEngine::cleanup()
{
    m_walker.reset();
    m_server.reset();
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

QString TestEngine::cells(int row, const QStringList& keys) const
{
    const LookupTable& table = m_walker->table();
    const auto column = [&](const QString& key) { return table.columnOf(*table.byKey(key)); };
    QStringList texts;
    for (const QString& key : keys)
        texts.append(m_walker->results().text(row, column(key)));
    const QString problem = m_walker->results().problem(row, column(keys.first()));
    return texts.join(u'|') + (problem.isEmpty() ? QString() : u" !"_s + problem);
}

void TestEngine::untickedEndsTickedIsNotAdded()
{
    // Every lookup wanted at Start runs at once. One unticked meanwhile ends at its next row; one ticked
    // meanwhile is not added.
    auto slow = TestHttpServer::page(testData(u"markers-all.gb2312.html"_s));
    slow.delayMs = 300;
    m_server->route(u"/Api/"_s, slow);
    m_server->route(u"/"_s, TestHttpServer::page(testData(u"markers-all.gb2312.html"_s)));
    connect(m_server.get(), &TestHttpServer::requestReceived, this, [this](const QString& target) {
        if (target.startsWith(u"/Api/"_s)) {
            m_wanted.insert(u"alexa"_s);
            m_wanted.remove(u"icp"_s);
        }
    });
    runBatch({u"a"_s, u"b"_s}, {u"registrar"_s, u"icp"_s, u"baidu-index"_s});
    QCOMPARE(exportText(m_walker->results(), 2),
        domain(u"a"_s) + u"|注册：可注册|备案： |百度收录：5|百度反链： |Alexa： |yahoo排名： |出站： |IP： \r\n"_s
            + domain(u"b"_s) + u"|注册：可注册|备案： |百度收录：5|百度反链： |Alexa： |yahoo排名： |出站： |IP： \r\n"_s);
    QVERIFY(!m_server->requests.join(u' ').contains(u"/data/"_s)); // Alexa never asked
}

void TestEngine::writesInQueueOrderWhileRequestsRunTogether()
{
    // Two services at once, eight requests each in flight, answers in any order: each column in queue order.
    testSettings().setPace(u"icp"_s, {8, 0});
    testSettings().setPace(u"alexa"_s, {8, 0});
    QRandomGenerator random(20261207);
    const QByteArray numbered = testData(u"numbered-answer.gb2312.html"_s);
    m_server->responder = [&](const QString& target) {
        const int n = target.section(u"/d"_s, 1).section(u'&', 0, 0).toInt();
        auto answer = target.startsWith(u"/data/"_s)
            ? TestHttpServer::page(testData(u"alexa-ranked.xml"_s))
            : TestHttpServer::page(QByteArray(numbered).replace("ICPNUM", QByteArray::number(10'000'000 + n)));
        answer.delayMs = int(random.bounded(30, 80)); // the first eight all arrive before any is answered
        return answer;
    };
    QHash<int, QList<int>> written; // by column, rows in the order written
    connect(&m_walker->results(), &Results::cellChanged, this,
        [&](int row, int column) { written[column].append(row); });
    QStringList names;
    for (int n = 0; n < 60; ++n)
        names.append(u"d%1"_s.arg(n));
    runBatch(names, {u"icp"_s, u"alexa"_s});
    QList<int> inOrder(60);
    std::iota(inOrder.begin(), inOrder.end(), 0);
    QCOMPARE(written.value(columnOfKey(u"icp"_s)), inOrder);
    QCOMPARE(written.value(columnOfKey(u"alexa"_s)), inOrder);
    for (int row = 0; row < 60; ++row)
        QCOMPARE(cells(row, {u"icp"_s}), u"京ICP备%1号"_s.arg(10'000'000 + row));
    QCOMPARE(m_server->busiest, 16);
}

void TestEngine::stop_data()
{
    QTest::addColumn<QStringList>("lookups"); // the batch's two lookups, in table order; the stop comes in the first
    QTest::addColumn<bool>("wholeBatch"); // the 停 止 button rather than the stop flag
    // Each row's cells' first characters, "." for one left blank. Both walks run at once, one request at a
    // time each: where the second stands when the first is stopped may differ by a row.
    QTest::addColumn<QString>("written");
    const auto row = [](const char* name, const char* lookups, bool whole, const char* written) {
        QTest::newRow(name) << QString::fromLatin1(lookups).split(u' ') << whole << QString::fromUtf8(written);
    };
    row("flag ends every stoppable walk", "icp alexa", false, "京7 京[7.] \\.[7.] \\.\\. \\.\\.");
    row("flag does not end a search walk", "icp baidu-index", false, "京5 京5 \\.5 \\.5 \\.5");
    row("stop ends the whole batch", "icp alexa", true, "京7 京[7.] \\.[7.] \\.\\. \\.\\.");
    row("stop ends a search walk too", "baidu-index alexa", true, "57 5[7.] \\.[7.] \\.\\. \\.\\.");
    row("a home page in flight counts nothing more", "outbound ip", false, "11 01 \\.1 \\.1 \\.1");
}

void TestEngine::stop()
{
    QFETCH(QStringList, lookups);
    QFETCH(bool, wholeBatch);
    QFETCH(QString, written);
    for (const ServiceInfo& service : builtInTable()->services().all())
        testSettings().setPace(service.key, {service.key == u"ping"_s ? 16 : 1, 0});
    auto slow = TestHttpServer::page(testData(u"markers-all.gb2312.html"_s));
    slow.delayMs = 50;
    m_server->route(u"/"_s, slow);
    m_walker->setStopFlag(true);
    // The first lookup's second request: its first row is written, its second in flight.
    const QString first = lookups.at(0) == u"icp"_s ? u"/Api/"_s : lookups.at(0) == u"baidu-index"_s ? u"/s?"_s : u"/"_s;
    int seen = 0;
    connect(m_server.get(), &TestHttpServer::requestReceived, this, [&](const QString& target) {
        if (target.startsWith(first) && ++seen == 2)
            wholeBatch ? m_walker->stopBatch() : m_walker->setStopFlag(true);
    });
    runBatch({u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}, {lookups.at(0), lookups.at(1)});
    QStringList rows;
    for (int row = 0; row < 5; ++row) {
        QString firsts;
        for (const QString& key : lookups)
            firsts += cells(row, {key}) == u" "_s ? u'.' : cells(row, {key}).at(0);
        rows.append(firsts);
    }
    QVERIFY2(QRegularExpression(u"^"_s + written + u"$"_s).match(rows.join(u' ')).hasMatch(), qPrintable(rows.join(u' ')));
    // A batch with walks with stop clears the flag as it begins; whoever set it later finds it set.
    QCOMPARE(m_walker->stopFlag(), !wholeBatch);
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
    QCOMPARE(cells(0, {u"baidu-index"_s, u"icp"_s}), u"0|京ICP备12345678号 !搜索引擎要求验证"_s);
    QCOMPARE(cells(1, {u"icp"_s}) + cells(3, {u"icp"_s}), u"未备案 !HTTP 503未备案 !HTTP 503"_s);
    QCOMPARE(m_walker->results().problemCount(), 3);
    // Both walks ran at once: either notice may come first.
    QVERIFY(notices.contains(QVariantList {u"备案查询繁忙，放慢查询"_s}));
    QVERIFY(notices.contains(QVariantList {u"百度要求验证，放慢查询"_s}));

    refuseOdd = false;
    m_server->requests.clear();
    m_walker->rerunFailed();
    QVERIFY(waitIdle(*m_walker));
    const QString icp = u"/Api/?ApiVersion=2.0&Domain=%1&Certi=0&CertApi=0&CertInfo="_s;
    m_server->requests.sort(); // the filing and search walks ran at once
    QCOMPARE(m_server->requests,
        (QStringList {icp.arg(domain(u"d1"_s)), icp.arg(domain(u"d3"_s)), u"/s?wd=site%3A"_s + domain(u"d0"_s)}));
    QCOMPARE(m_walker->results().problemCount(), 0);
    QCOMPARE(column(m_walker->results(), columnOfKey(u"icp"_s)), QStringList(4, u"京ICP备12345678号"_s));
}

void TestEngine::newerSourcesAskOncePerDomain()
{
    // The registry of ".test" is our server, the cached bootstrap says.
    QTemporaryDir folders;
    qputenv("XDG_CACHE_HOME", folders.filePath(u"cache"_s).toUtf8());
    QVERIFY(QDir().mkpath(folders.filePath(u"cache/seo-quillmark"_s)));
    QFile bootstrap(folders.filePath(u"cache/seo-quillmark/rdap-dns.json"_s));
    QVERIFY(bootstrap.open(QIODevice::WriteOnly));
    bootstrap.write(R"({"services":[[["test"],["http://)" + m_server->hostPort().toUtf8() + R"(/rdap/"]]]})");
    bootstrap.close();
    m_server->route(u"/rdap/domain/example.test"_s,
        TestHttpServer::page(R"({"objectClassName":"domain","ldhName":"example.test","events":[{"eventAction":
            "registration","eventDate":"2001-01-01T00:00:00Z"},{"eventAction":"expiration","eventDate":"2030-01-02T00:00:00Z"}]})"));
    m_server->route(u"/rdap/domain/xn--fsqu00a.test"_s, TestHttpServer::page(R"({"errorCode":404})", 404));
    // Suffixes without RDAP are asked over WHOIS: ".cn" from the table, ".zz" where IANA refers us.
    TestWhoisServer whois;
    whois.answers.insert("example.cn", "Domain Name: example.cn\r\nSponsoring Registrar: 示例注册商\r\n"
                                       "Registration Time: 2003-03-17 12:20:05\r\nExpiration Time: 2027-03-17 12:48:36\r\n");
    whois.answers.insert("zz", "domain: ZZ\n\nrefer: whois.nic.zz\n");
    qputenv("QUILLMARK_HOST_WHOIS", whois.hostPort().toUtf8());
    const QStringList registration {u"reg-status"_s, u"reg-registrar"_s, u"reg-created"_s, u"reg-expiry"_s};
    runBatch({u"example.test"_s, u"www.例子.test"_s, u"http://www.example.cn/"_s, u"com.cn"_s, u"bad name"_s,
                 u"example.zz"_s, u"127.0.0.9:8080/x"_s},
        QSet<QString>(registration.begin(), registration.end()), false);
    qunsetenv("QUILLMARK_HOST_WHOIS");
    QCOMPARE(cells(0, registration), u"已注册|无|2001-01-01|2030-01-02"_s);
    QCOMPARE(cells(1, registration), u"未注册|无|无|无"_s);
    QCOMPARE(cells(2, registration), u"已注册|示例注册商|2003-03-17|2027-03-17"_s);
    QCOMPARE(cells(3, registration), u"无效域名|无效域名|无效域名|无效域名 !com.cn 是公共后缀，没有可注册的部分"_s);
    QCOMPARE(cells(4, registration), u"无效域名|无效域名|无效域名|无效域名 !无效域名"_s);
    QCOMPARE(cells(5, registration), u"未注册|无|无|无"_s);
    QCOMPARE(cells(6, registration), u"无效域名|无效域名|无效域名|无效域名 !127.0.0.9 是 IP 地址，没有注册信息"_s);
    // The cell says which name the registry was asked about where it is not the row's.
    const int status = columnOfKey(u"reg-status"_s);
    QCOMPARE(m_walker->results().note(2, status), u"查询的是 example.cn"_s);
    QCOMPARE(m_walker->results().note(0, status), QString());
    m_server->requests.sort(); // two at once: either may come first
    QCOMPARE(m_server->requests, (QStringList {u"/rdap/domain/example.test"_s, u"/rdap/domain/xn--fsqu00a.test"_s}));
    std::sort(whois.queries.begin(), whois.queries.end());
    QCOMPARE(whois.queries, (QList<QByteArray> {"example.cn", "example.zz", "zz"}));
    // 查看应答原文: the answer as the registry sent it, and the lines each cell came from.
    const auto kept = m_walker->answers().find(u"example.cn"_s);
    QVERIFY(kept);
    QCOMPARE(kept->source, u"WHOIS whois.cnnic.cn"_s);
    QVERIFY(explainAnswer(*kept).contains(u"注册商：示例注册商　← 第 2 行\n"_s));
    QVERIFY(explainAnswer(*kept).contains(u"\n▶ 2  Sponsoring Registrar: 示例注册商"_s));
    // Asked again outside the batch, as for a row whose answer is no longer kept.
    RegistrationQuestion again(u"www.example.cn"_s, m_walker->jobContext(u"reg-status"_s));
    QSignalSpy answered(&again, &RegistrationQuestion::finished);
    qputenv("QUILLMARK_HOST_WHOIS", whois.hostPort().toUtf8());
    QVERIFY(answered.wait());
    QCOMPARE(again.answer().cells.value(u"reg-expiry"_s).text, u"2027-03-17"_s);
    // A relay that cannot be read is said in the cells; nothing is asked of a port wrapped into range.
    qputenv("QUILLMARK_HOST_WHOIS", "127.0.0.1:85652");
    RegistrationQuestion wrapped(u"example.cn"_s, m_walker->jobContext(u"reg-status"_s));
    QVERIFY(QSignalSpy(&wrapped, &RegistrationQuestion::finished).wait());
    qunsetenv("QUILLMARK_HOST_WHOIS");
    QVERIFY(wrapped.answer().cells.value(u"reg-status"_s).problem.startsWith(u"QUILLMARK_HOST_WHOIS=127.0.0.1:85652 不能用"_s));

    // One fetch of each home page answers the outbound count, its status, title and filing number.
    m_server->route(u"/h1"_s,
        TestHttpServer::page("<meta charset=\"gbk\"><title>\xca\xd7\xd2\xb3 &amp; more</title>"
                             "<a href=\"http://x.test/\">x</a> \xbe\xa9ICP\xb1\xb8"
                             "12345678\xba\xc5-2"));
    auto moved = TestHttpServer::page("", 302);
    moved.headers.append(qMakePair(QByteArray("Location"), QByteArray("/h2/final")));
    m_server->route(u"/h2"_s, moved);
    // Declares nothing and is UTF-8: read as such, though the designed lookups would take it for GB2312.
    m_server->route(
        u"/h2/final"_s, TestHttpServer::page(QStringEncoder(QStringEncoder::Utf8).encode(u"<title>新首页</title>"_s)));
    // A home page that answers with an error status was reached: its status and title are the answer.
    m_server->route(u"/h3"_s, TestHttpServer::page("<title>Not Found</title>", 404));
    m_server->requests.clear();
    const QStringList home {u"outbound"_s, u"home-status"_s, u"home-title"_s, u"home-icp"_s};
    runBatch({u"h1"_s, u"h2"_s, u"h3"_s}, QSet<QString>(home.begin(), home.end()));
    m_server->requests.sort();
    QCOMPARE(m_server->requests, (QStringList {u"/h1"_s, u"/h2"_s, u"/h2/final"_s, u"/h3"_s}));
    QCOMPARE(cells(0, home), u"1|200 → http://%1/h1|首页 & more|京ICP备12345678号-2"_s.arg(m_server->hostPort()));
    QCOMPARE(cells(1, home), u"0|200 → http://%1/h2/final|新首页|无"_s.arg(m_server->hostPort()));
    QCOMPARE(cells(2, {u"home-status"_s, u"home-title"_s}), u"404 → http://%1/h3|Not Found"_s.arg(m_server->hostPort()));
}

void TestEngine::dnsFromAResolverOfOurOwn()
{
    if (QStandardPaths::findExecutable(u"dnsmasq"_s).isEmpty())
        QSKIP("needs dnsmasq (tools/setup-debian.sh --tests)");
    // A resolver on a port of its own (any user may listen there), and one that takes queries and never
    // answers them.
    QUdpSocket silent;
    QVERIFY(silent.bind(QHostAddress::LocalHost, 0));
    QUdpSocket probe;
    QVERIFY(probe.bind(QHostAddress::LocalHost, 0));
    const quint16 port = probe.localPort();
    probe.close();
    QProcess dnsmasq;
    dnsmasq.start(u"dnsmasq"_s,
        {u"--keep-in-foreground"_s, u"--conf-file=/dev/null"_s, u"--no-resolv"_s, u"--no-hosts"_s,
            u"--host-record=a.test,10.1.2.3,2001:db8::1"_s, u"--cname=alias.test,a.test"_s, u"--local=/test/"_s,
            u"--listen-address=127.0.0.1"_s, u"--bind-interfaces"_s, u"--port=%1"_s.arg(port), u"--pid-file="_s,
            u"--user=root"_s});
    QVERIFY(dnsmasq.waitForStarted());
    QTest::qWait(300);
    const auto answers = [this](const QByteArray& server, const QStringList& names) {
        qputenv("QUILLMARK_DNS_SERVER", server);
        runBatch(names, {u"dns"_s}, false);
        qunsetenv("QUILLMARK_DNS_SERVER");
        QStringList cells;
        for (int row = 0; row < names.size(); ++row)
            cells.append(this->cells(row, {u"dns"_s}));
        return cells.join(u" / "_s);
    };
    QCOMPARE(answers("127.0.0.1:" + QByteArray::number(port),
                 {u"a.test"_s, u"alias.test"_s, u"missing.test"_s, u"bad name"_s}),
        u"10.1.2.3, 2001:db8::1 / CNAME a.test → 10.1.2.3, 2001:db8::1 / 不存在 / 无效域名 !无效域名"_s);
    dnsmasq.kill();
    dnsmasq.waitForFinished();
    // A port we cannot use is said, not swapped for the system's resolver.
    QCOMPARE(answers("127.0.0.1:99999", {u"a.test"_s}),
        u"解析失败 !QUILLMARK_DNS_SERVER=127.0.0.1:99999 不能用：应为 IP 地址，或“地址:端口”（IPv6 写作 [地址]:端口）"_s);
    // Seventeen names against silence: each waits its own limit from when it was sent, sixteen at a time, so
    // two rounds of the limit and not a queue of abandoned queries behind them.
    QElapsedTimer clock;
    clock.start();
    QStringList names;
    for (int n = 0; n < 17; ++n)
        names.append(u"n%1.test"_s.arg(n));
    QCOMPARE(answers("127.0.0.1:" + QByteArray::number(silent.localPort()), names),
        QStringList(17, u"解析失败 !请求超时（10 秒）"_s).join(u" / "_s));
    QVERIFY2(clock.elapsed() < 2 * 10'000 + 5'000, qPrintable(QString::number(clock.elapsed())));
}

void TestEngine::dnsReasons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("cell");
    QTest::newRow("CNAME loop") << u"loop1.test"_s << u"解析失败 !CNAME 循环：loop1.test → loop2.test → loop1.test"_s;
    QTest::newRow("another name's address")
        << u"other.test"_s << u"解析失败 !DNS 应答里没有 other.test 的记录，只有 elsewhere.test 的"_s;
    QTest::newRow("SERVFAIL") << u"servfail.test"_s << u"解析失败 !DNS 服务器无法完成解析（SERVFAIL）"_s;
    QTest::newRow("REFUSED") << u"refused.test"_s << u"解析失败 !DNS 服务器拒绝了查询（REFUSED）"_s;
    QTest::newRow("a chain among strangers") << u"www.chain.test"_s << u"CNAME cdn.test → 10.0.0.7"_s;
}

void TestEngine::dnsReasons()
{
    // Replies that prove nothing about the name, or refuse to, are failures said in Chinese.
    QFETCH(QString, name);
    QFETCH(QString, cell);
    TestDnsServer server;
    server.replies[u"loop1.test"_s].records
        = {{u"loop1.test"_s, "CNAME", u"loop2.test"_s}, {u"loop2.test"_s, "CNAME", u"loop1.test"_s}};
    server.replies[u"other.test"_s].records = {{u"elsewhere.test"_s, "A", u"10.9.8.7"_s}};
    server.replies[u"servfail.test"_s].rcode = 2;
    server.replies[u"refused.test"_s].rcode = 5;
    server.replies[u"www.chain.test"_s].records = {{u"x.test"_s, "A", u"10.9.9.9"_s},
        {u"www.chain.test"_s, "CNAME", u"cdn.test"_s}, {u"cdn.test"_s, "A", u"10.0.0.7"_s}};
    qputenv("QUILLMARK_DNS_SERVER", server.hostPort());
    runBatch({name}, {u"dns"_s}, false);
    qunsetenv("QUILLMARK_DNS_SERVER");
    QCOMPARE(cells(0, {u"dns"_s}), cell);
}

void TestEngine::rankListDownloadedAndAsked()
{
    QTemporaryDir folders;
    qputenv("XDG_DATA_HOME", folders.path().toUtf8());
    qputenv("QUILLMARK_HOST_TRANCO", "http://" + m_server->hostPort().toUtf8());
    m_server->route(u"/top-1m.csv.zip"_s, TestHttpServer::page(testData(u"tranco-sample.zip"_s)));
    TrancoStore& ranks = m_walker->ranks();
    QSignalSpy installed(&ranks, &TrancoStore::installed);
    QSignalSpy activity(&ranks, &TrancoStore::activity);
    ranks.download();
    QVERIFY(installed.wait(10'000));
    QCOMPARE(installed.first(), (QVariantList {true, QString()}));
    QVERIFY(activity.contains({u"正在读取排名列表…"_s})); // the progress line while it was checked
    QVERIFY(ranks.isInstalled() && ranks.date() == QDate::currentDate());
    // www. names take their domain's rank; capitals are the same name; "not listed" is no rank of 0.
    runBatch({u"www.example.com"_s, u"BAIDU.com"_s, u"example.co"_s}, {u"tranco"_s}, false);
    QCOMPARE(column(m_walker->results(), columnOfKey(u"tranco"_s)),
        (QStringList {u"2"_s, u"4"_s, u"未上榜"_s}));
    // A broken download leaves the installed list as it was.
    m_server->route(u"/top-1m.csv.zip"_s, TestHttpServer::page("PK\x03\x04 broken"));
    ranks.download();
    QVERIFY(installed.wait(10'000));
    QCOMPARE(installed.last().first().toBool(), false);
    QCOMPARE(ranks.list()->rank("example.com"), 2);
    qunsetenv("QUILLMARK_HOST_TRANCO");
}

void TestEngine::requestsThroughProxiesAndOneSetAside()
{
    // Our server is the proxy too: a request through a proxy names the whole address. The other proxy
    // refuses every connection; after three failures in a row it is set aside and the good one takes all.
    m_server->responder = [](const QString&) { return TestHttpServer::page(testData(u"icp-filed.gb2312.html"_s)); };
    testSettings().setPace(u"icp"_s, {1, 0});
    testSettings().setProxies(u"icp"_s, {u"http://127.0.0.1:1"_s, u"http://"_s + m_server->hostPort()});
    QSignalSpy notices(m_walker.get(), &Walker::paceNotice);
    QStringList names;
    for (int n = 0; n < 8; ++n)
        names.append(u"p%1"_s.arg(n));
    runBatch(names, {u"icp"_s});
    testSettings().setProxies(u"icp"_s, {});
    QStringList rows;
    for (int row = 0; row < 8; ++row)
        rows.append(cells(row, {u"icp"_s}));
    const QString refused = u"未备案 !连接被拒绝（经代理 http://127.0.0.1:1）"_s;
    const QString filed = u"京ICP备12345678号"_s;
    QCOMPARE(rows, (QStringList {refused, filed, refused, filed, refused, filed, filed, filed}));
    QCOMPARE(m_server->requests.size(), 5);
    QVERIFY(m_server->requests.first().startsWith(u"http://"_s + m_server->hostPort() + u"/Api/"_s));
    QVERIFY(notices.contains(QVariantList {u"备案查询的代理 1/2 在用"_s}));
}

QTEST_GUILESS_MAIN(TestEngine)
void TestEngine::userDefinedLookups()
{
    const QString base = u"http://"_s + m_server->hostPort();
    m_server->responder = [](const QString& target) {
        const QString name = target.section(u"d="_s, 1).section(u'&', 0, 0);
        if (target.startsWith(u"/api"_s)) {
            if (name == u"broken.test"_s)
                return TestHttpServer::page("{\"data\": ");
            if (name == u"down.test"_s)
                return TestHttpServer::page("{}", 500);
            return TestHttpServer::page(R"({"data":{"weight":7,"a/b":[1,{"x":"深"}],"ratio":0.25,"no":null},"list":[]})");
        }
        if (name == u"xn--fsqu00a.test"_s) // GBK that declares nothing: read as a home page is
            return TestHttpServer::page("<b>\xc8\xa8\xd6\xd8 9</b>");
        if (name == u"huge.test"_s) // no match, and a pattern whose backtracking has no end on it
            return TestHttpServer::page(QByteArray(3 * 1024 * 1024, 'a'));
        return TestHttpServer::page("<span id=w>12,345</span><p>&lt;top&gt;</p><i>x</i>");
    };
    const auto define = [&](const QString& key, const QString& url, Extraction kind, const QString& pattern,
                            const QString& closing = {}) {
        CustomLookup lookup;
        lookup.key = lookup.header = key;
        lookup.url = base + url;
        lookup.extraction = kind;
        lookup.pattern = pattern;
        lookup.closing = closing;
        return lookup;
    };
    std::vector<CustomLookup> custom {
        define(u"weight"_s, u"/api?d={ascii}"_s, Extraction::Json, u"/data/weight"_s),
        define(u"escaped"_s, u"/api?d={ascii}"_s, Extraction::Json, u"/data/a~1b/1/x"_s),
        define(u"ratio"_s, u"/api?d={ascii}"_s, Extraction::Json, u"/data/ratio"_s),
        define(u"absent"_s, u"/api?d={ascii}"_s, Extraction::Json, u"/list/0"_s),
        define(u"page"_s, u"/page?d={ascii}"_s, Extraction::Regex, u"<span id=w>([\\d,]+)</span>"_s),
        define(u"between"_s, u"/page?d={ascii}&r={registrable}"_s, Extraction::Between, u"<p>"_s, u"</p>"_s),
        define(u"nothing"_s, u"/page?d={ascii}"_s, Extraction::Regex, u"<u>(.*)</u>"_s),
        define(u"runaway"_s, u"/page?d={ascii}"_s, Extraction::Regex, u"(\\w+\\s?)*[^\\w\\s]"_s),
    };
    custom[0].headers = {{u"X-Api-Key"_s, u"k-123"_s}};
    custom[4].pattern = u"(?:<span id=w>|<b>权重 )([\\d,]+)"_s;
    m_walker->setTable(std::make_shared<const LookupTable>(makeLookupTable(custom)));
    QStringList keys;
    for (const CustomLookup& lookup : custom)
        keys.append(lookup.key);
    runBatch({u"a.test"_s, u"例子.test"_s, u"broken.test"_s, u"down.test"_s, u"huge.test"_s},
        QSet<QString>(keys.begin(), keys.end()), false);
    // The last: its capture group took no part in the first match (at the first "<"), so nothing was found.
    QCOMPARE(cells(0, keys), u"7|深|0.25|无|12,345|<top>|无|无"_s);
    QCOMPARE(cells(1, {u"page"_s}), u"9"_s);
    QCOMPARE(cells(2, {u"weight"_s}).section(u" !"_s, 0, 0), u"查询失败"_s);
    QVERIFY(cells(2, {u"weight"_s}).contains(u"JSON 无法解析"_s));
    QVERIFY(cells(3, {u"weight"_s}).startsWith(u"查询失败 !"_s));
    QCOMPARE(cells(4, {u"nothing"_s}), u"无"_s);
    QVERIFY2(cells(4, {u"runaway"_s}).contains(u"超出匹配限制"_s), qPrintable(cells(4, {u"runaway"_s})));
    const auto head = [&](const QByteArray& target) {
        const auto found = std::find_if(m_server->heads.cbegin(), m_server->heads.cend(),
            [&](const QByteArray& head) { return head.startsWith(QByteArray("GET " + target + " ")); });
        return found == m_server->heads.cend() ? QByteArray() : *found;
    };
    QVERIFY(head("/api?d=a.test").contains("X-Api-Key: k-123"));
    QVERIFY(!head("/page?d=a.test").isEmpty() && !head("/page?d=a.test").contains("X-Api-Key"));
    QVERIFY(m_server->requests.contains(u"/page?d=a.test&r=a.test"_s));
}

void TestEngine::certificatesAndRobots()
{
    TestAuthority authority;
    QTemporaryDir dir;
    QFile trusted(dir.filePath(u"ca.pem"_s));
    QVERIFY(trusted.open(QIODevice::WriteOnly));
    trusted.write(authority.pem());
    trusted.close();
    qputenv("QUILLMARK_CA_FILE", trusted.fileName().toUtf8());
    TestTlsServer valid(authority.issue({u"localhost"_s}, -1, 90));
    TestTlsServer expired(authority.issue({u"localhost"_s}, -60, -3));
    TestTlsServer wrongName(authority.issue({u"other.test"_s}, -1, 90));
    TestTlsServer selfSigned(TestAuthority::selfSigned(u"localhost"_s, -1, 10));
    QTcpServer silent; // takes the connection, never answers the handshake
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    m_walker->network().limits = {.timeLimitMs = 1500};
    const auto at = [](quint16 port) { return u"localhost:%1"_s.arg(port); };
    const QStringList keys {u"tls-expiry"_s, u"tls-issuer"_s};
    runBatch({at(valid.port()), at(expired.port()), at(wrongName.port()), at(selfSigned.port()), at(silent.serverPort())},
        QSet<QString>(keys.begin(), keys.end()), false);
    qunsetenv("QUILLMARK_CA_FILE");
    const auto day = [](int days) { return QDate::currentDate().addDays(days).toString(u"yyyy-MM-dd"_s); };
    QCOMPARE(cells(0, keys), day(90) + u"（剩 90 天）|Quill Test CA"_s);
    QCOMPARE(cells(1, keys), day(-3) + u"（已过期 3 天）|Quill Test CA !证书已过期"_s);
    QCOMPARE(cells(2, keys), day(90) + u"（剩 90 天）|Quill Test CA !证书与域名不符"_s);
    // No organisation: the issuer's common name.
    QCOMPARE(cells(3, keys), day(10) + u"（剩 10 天）|localhost !自签名证书"_s);
    QCOMPARE(cells(4, keys), u"无法访问|无法访问 !连接超时（1 秒）"_s);
    // Both columns from one handshake per site.
    for (const TestTlsServer* server : {&valid, &expired, &wrongName, &selfSigned})
        QCOMPARE(server->handshakes, 1);

    // Through a proxy that wants a password: said in Chinese.
    m_server->route(u"localhost:"_s, {407, {}, {{"Proxy-Authenticate", "Basic realm=\"q\""}}});
    testSettings().setProxies(u"tls"_s, {u"http://"_s + m_server->hostPort()});
    runBatch({at(valid.port())}, QSet<QString>(keys.begin(), keys.end()), false);
    testSettings().setProxies(u"tls"_s, {});
    QCOMPARE(cells(0, keys),
        u"无法访问|无法访问 !代理要求身份验证（用户名或密码不对）（经代理 http://"_s + m_server->hostPort() + u"）"_s);

    // robots.txt: read, missing, a server error that is no answer, and a 1 MB file judged by its start.
    m_server->route(u"/r1/robots.txt"_s, TestHttpServer::page("User-agent: Baiduspider\nDisallow: /\nSitemap: /s.xml\n"));
    m_server->route(u"/r2/robots.txt"_s, TestHttpServer::page("<h1>Not Found</h1>", 404));
    m_server->route(u"/r3/robots.txt"_s, TestHttpServer::page("", 503));
    // Compressed a thousandfold, which Qt takes for a bomb unless told.
    m_server->route(u"/r4/robots.txt"_s, {200, testData(u"robots-1mb.txt.gz"_s), {{"Content-Encoding", "gzip"}}});
    runBatch({u"r1"_s, u"r2"_s, u"r3"_s, u"r4"_s}, {u"robots"_s});
    QCOMPARE(cells(0, {u"robots"_s}), u"禁止百度，Sitemap 1"_s);
    QCOMPARE(cells(1, {u"robots"_s}), u"无 robots.txt"_s);
    QVERIFY(cells(2, {u"robots"_s}).startsWith(u"无法访问 !"_s));
    QCOMPARE(cells(3, {u"robots"_s}), u"禁止百度 !robots.txt 超过 512 KB，只读了前 512 KB，其后的规则未读"_s);
}

#include "test_engine.moc"
