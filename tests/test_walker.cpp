// SPDX-License-Identifier: GPL-3.0-or-later
// The walker without a window: every wanted lookup at once (one unticked ends, one ticked is not added), each
// column written in queue order while two services answer out of order, Stop in all its forms, marked failures,
// slowing down and the re-run, requests through proxies, one set aside; and a service's pace on its own (once
// per slowdown, Retry-After obeyed up to ten minutes, recovery after good answers).
#include "export/export.h"
#include "queries/engine/pace.h"

#include "walkerfixture.h"

#include <QtTest>
#include <numeric>

using namespace Qt::Literals::StringLiterals;

class TestWalker : public QObject
{
    Q_OBJECT
private slots:
    void init() { m_engine = std::make_unique<WalkerFixture>(); }
    void cleanup() { m_engine.reset(); }
    void untickedEndsTickedIsNotAdded();
    void writesInQueueOrderWhileRequestsRunTogether();
    void stop_data();
    void stop();
    void failuresAreMarkedSlowDownAndRerun();
    void requestsThroughProxiesAndOneSetAside();
    void paceSlowsDownAndRecovers();
    void listenerInsideACellNotice_data();
    void listenerInsideACellNotice();

private:
    void run(const QStringList& names, const QSet<QString>& wanted) { QVERIFY(m_engine->run(names, wanted)); }

    std::unique_ptr<WalkerFixture> m_engine;
};

void TestWalker::untickedEndsTickedIsNotAdded()
{
    // Every lookup wanted at Start runs at once. One unticked meanwhile ends at its next row; one ticked
    // meanwhile is not added.
    auto slow = TestHttpServer::page(testData(u"markers-all.gb2312.html"_s));
    slow.delayMs = 300;
    m_engine->server.route(u"/Api/"_s, slow);
    m_engine->server.route(u"/"_s, TestHttpServer::page(testData(u"markers-all.gb2312.html"_s)));
    connect(&m_engine->server, &TestHttpServer::requestReceived, this, [this](const QString& target) {
        if (target.startsWith(u"/Api/"_s)) {
            m_engine->wanted.insert(u"alexa"_s);
            m_engine->wanted.remove(u"icp"_s);
        }
    });
    run({u"a"_s, u"b"_s}, {u"registrar"_s, u"icp"_s, u"baidu-index"_s});
    QCOMPARE(exportText(m_engine->walker->results(), 2),
        m_engine->domain(u"a"_s)
            + u"|注册：可注册|备案： |百度收录：5|百度反链： |Alexa： |yahoo排名： |出站： |IP： \r\n"_s
            + m_engine->domain(u"b"_s)
            + u"|注册：可注册|备案： |百度收录：5|百度反链： |Alexa： |yahoo排名： |出站： |IP： \r\n"_s);
    QVERIFY(!m_engine->server.requests.join(u' ').contains(u"/data/"_s)); // Alexa never asked
}

void TestWalker::writesInQueueOrderWhileRequestsRunTogether()
{
    // Two services at once, eight requests each in flight, answers in any order: each column in queue order.
    m_engine->settings.setPace(u"icp"_s, {8, 0});
    m_engine->settings.setPace(u"alexa"_s, {8, 0});
    QRandomGenerator random(20261207);
    const QByteArray numbered = testData(u"numbered-answer.gb2312.html"_s);
    m_engine->server.responder = [&](const QString& target) {
        const int n = target.section(u"/d"_s, 1).section(u'&', 0, 0).toInt();
        auto answer = target.startsWith(u"/data/"_s)
            ? TestHttpServer::page(testData(u"alexa-ranked.xml"_s))
            : TestHttpServer::page(QByteArray(numbered).replace("ICPNUM", QByteArray::number(10'000'000 + n)));
        answer.delayMs = int(random.bounded(30, 80));
        return answer;
    };
    // The first eight of each service all arrive before any is answered.
    m_engine->server.holdAnswers();
    connect(&m_engine->server, &TestHttpServer::requestReceived, this, [this] {
        if (m_engine->server.waiting() == 16)
            m_engine->server.releaseAnswers();
    });
    QHash<int, QList<int>> written; // by column, rows in the order written
    connect(&m_engine->walker->results(), &Results::cellChanged, this,
        [&](int row, int column) { written[column].append(row); });
    QStringList names;
    for (int n = 0; n < 60; ++n)
        names.append(u"d%1"_s.arg(n));
    run(names, {u"icp"_s, u"alexa"_s});
    QList<int> inOrder(60);
    std::iota(inOrder.begin(), inOrder.end(), 0);
    QCOMPARE(written.value(columnOfKey(u"icp"_s)), inOrder);
    QCOMPARE(written.value(columnOfKey(u"alexa"_s)), inOrder);
    for (int row = 0; row < 60; ++row)
        QCOMPARE(m_engine->cells(row, {u"icp"_s}), u"京ICP备%1号"_s.arg(10'000'000 + row));
    QCOMPARE(m_engine->server.busiest, 16);
}

void TestWalker::stop_data()
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
    row("stop ends a search walk too", "baidu-index alexa", true, "57 5[7.] \\.[7.] \\.\\. \\.\\.");
    row("a home page in flight counts nothing more", "outbound ip", false, "11 01 \\.1 \\.1 \\.1");
}

void TestWalker::stop()
{
    QFETCH(QStringList, lookups);
    QFETCH(bool, wholeBatch);
    QFETCH(QString, written);
    for (const Service& service : builtInTable()->services().all())
        m_engine->settings.setPace(service.key, {service.key == u"ping"_s ? 16 : 1, 0});
    auto slow = TestHttpServer::page(testData(u"markers-all.gb2312.html"_s));
    slow.delayMs = 50;
    m_engine->server.route(u"/"_s, slow);
    m_engine->walker->setStopFlag(true);
    // The first lookup's second request: its first row is written, its second in flight.
    const QString first = lookups.at(0) == u"icp"_s ? u"/Api/"_s
        : lookups.at(0) == u"baidu-index"_s         ? u"/s?"_s
                                                    : u"/"_s;
    int seen = 0;
    connect(&m_engine->server, &TestHttpServer::requestReceived, this, [&](const QString& target) {
        if (target.startsWith(first) && ++seen == 2)
            wholeBatch ? m_engine->walker->stopBatch() : m_engine->walker->setStopFlag(true);
    });
    run({u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}, {lookups.at(0), lookups.at(1)});
    QStringList rows;
    for (int row = 0; row < 5; ++row) {
        QString firsts;
        for (const QString& key : lookups)
            firsts += m_engine->cells(row, {key}) == u" "_s ? u'.' : m_engine->cells(row, {key}).at(0);
        rows.append(firsts);
    }
    QVERIFY2(
        QRegularExpression(u"^"_s + written + u"$"_s).match(rows.join(u' ')).hasMatch(), qPrintable(rows.join(u' ')));
    // A batch with walks with stop clears the flag as it begins; whoever set it later finds it set.
    QCOMPARE(m_engine->walker->stopFlag(), !wholeBatch);
}

void TestWalker::failuresAreMarkedSlowDownAndRerun()
{
    // The filing service refuses odd rows the first time round; Baidu asks for verification once.
    bool refuseOdd = true;
    bool verified = false;
    m_engine->server.responder = [&](const QString& target) {
        if (target.startsWith(u"/Api/"_s) && (target.contains(u"d1&"_s) || target.contains(u"d3&"_s)) && refuseOdd)
            return TestHttpServer::page("busy", 503);
        if (target.startsWith(u"/s?"_s) && !std::exchange(verified, true))
            return TestHttpServer::page(testData(u"baidu-none.gb2312.html"_s));
        return TestHttpServer::page(testData(u"markers-all.gb2312.html"_s));
    };
    QSignalSpy notices(m_engine->walker.get(), &Walker::paceNotice);
    run({u"d0"_s, u"d1"_s, u"d2"_s, u"d3"_s}, {u"icp"_s, u"baidu-index"_s});
    QCOMPARE(m_engine->cells(0, {u"baidu-index"_s, u"icp"_s}), u"0|京ICP备12345678号 !搜索引擎要求验证"_s);
    QCOMPARE(m_engine->cells(1, {u"icp"_s}) + m_engine->cells(3, {u"icp"_s}), u"未备案 !HTTP 503未备案 !HTTP 503"_s);
    QCOMPARE(m_engine->walker->results().problemCount(), 3);
    // Both walks ran at once: either notice may come first.
    QVERIFY(notices.contains(QVariantList {u"备案查询繁忙，放慢查询"_s}));
    QVERIFY(notices.contains(QVariantList {u"百度要求验证，放慢查询"_s}));

    refuseOdd = false;
    m_engine->server.requests.clear();
    m_engine->walker->rerunFailed();
    QVERIFY(waitIdle(*m_engine->walker));
    const QString icp = u"/Api/?ApiVersion=2.0&Domain=%1&Certi=0&CertApi=0&CertInfo="_s;
    m_engine->server.requests.sort(); // the filing and search walks ran at once
    QCOMPARE(m_engine->server.requests,
        (QStringList {icp.arg(m_engine->domain(u"d1"_s)), icp.arg(m_engine->domain(u"d3"_s)),
            u"/s?wd=site%3A"_s + m_engine->domain(u"d0"_s)}));
    QCOMPARE(m_engine->walker->results().problemCount(), 0);
    QCOMPARE(column(m_engine->walker->results(), columnOfKey(u"icp"_s)), QStringList(4, u"京ICP备12345678号"_s));
}

void TestWalker::requestsThroughProxiesAndOneSetAside()
{
    // Our server is the proxy too: a request through a proxy names the whole address. The other proxy
    // refuses every connection; after three failures in a row it is set aside and the good one takes all.
    m_engine->server.responder
        = [](const QString&) { return TestHttpServer::page(testData(u"icp-filed.gb2312.html"_s)); };
    m_engine->settings.setPace(u"icp"_s, {1, 0});
    m_engine->settings.setProxies(u"icp"_s, {u"http://127.0.0.1:1"_s, u"http://"_s + m_engine->server.hostPort()});
    QSignalSpy notices(m_engine->walker.get(), &Walker::paceNotice);
    QStringList names;
    for (int n = 0; n < 8; ++n)
        names.append(u"p%1"_s.arg(n));
    run(names, {u"icp"_s});
    QStringList rows;
    for (int row = 0; row < 8; ++row)
        rows.append(m_engine->cells(row, {u"icp"_s}));
    const QString refused = u"未备案 !连接被拒绝（经代理 http://127.0.0.1:1）"_s;
    const QString filed = u"京ICP备12345678号"_s;
    QCOMPARE(rows, (QStringList {refused, filed, refused, filed, refused, filed, filed, filed}));
    QCOMPARE(m_engine->server.requests.size(), 5);
    QVERIFY(m_engine->server.requests.first().startsWith(u"http://"_s + m_engine->server.hostPort() + u"/Api/"_s));
    QVERIFY(notices.contains(QVariantList {u"备案查询的代理 1/2 在用"_s}));
}

void TestWalker::paceSlowsDownAndRecovers()
{
    ServicePace pace;
    pace.configure(2, 100);
    pace.started(0);
    QCOMPARE(pace.waitMs(0), 100); // the gap
    pace.started(100);
    QCOMPARE(pace.waitMs(200), -1); // both places taken
    // Two answers of one slowdown, both from before it: they slow us once, not twice.
    pace.finished(0, 300, false, PushBack::Busy, -1);
    pace.finished(100, 310, false, PushBack::Verification, -1);
    QVERIFY(pace.isSlowed());
    QCOMPARE(pace.waitMs(300), 1000);
    pace.started(1300);
    pace.finished(1300, 1400, false, PushBack::Busy, 5000);
    QCOMPARE(pace.waitMs(1400), 5000); // Retry-After rules
    pace.started(6400);
    QCOMPARE(pace.waitMs(6400), 2000); // the doubled gap between starts
    for (int good = 0; good < 10; ++good) {
        QVERIFY(pace.isSlowed());
        pace.started(10'000);
        pace.finished(10'000, 10'000, true, PushBack::None, -1);
    }
    QVERIFY(!pace.isSlowed());
    // A service asking for an hour is waited for ten minutes at most.
    pace.started(20'000);
    pace.finished(20'000, 20'100, false, PushBack::Busy, 3'600'000);
    QCOMPARE(pace.waitMs(20'100), 600'000);
    // Retry-After in seconds or as an HTTP date.
    const QDateTime now(QDate(2026, 12, 7), QTime(8, 0), Qt::UTC);
    QCOMPARE(retryAfterMs("120", now), qint64(120'000));
    QCOMPARE(retryAfterMs("Mon, 07 Dec 2026 08:00:30 GMT", now), qint64(30'000));
}

void TestWalker::listenerInsideACellNotice_data()
{
    QTest::addColumn<QString>("action"); // what the listener does at the first notice
    QTest::addColumn<int>("told"); // notices it hears in all
    // One home page answers both columns: a notice comes once the walker has written the whole row.
    QTest::newRow("a notice told before its sibling cell is written") << u"nothing"_s << 6;
    QTest::newRow("a listener aborting the walker hears no later cell") << u"abort"_s << 1;
    QTest::newRow("a listener letting go of the walker pulls nothing from under it") << u"delete"_s << 1;
}

void TestWalker::listenerInsideACellNotice()
{
    QFETCH(QString, action);
    QFETCH(int, told);
    m_engine->server.route(u"/"_s, TestHttpServer::page("<title>首页</title><a href=\"http://elsewhere.test/\">x</a>"));
    m_engine->wanted = {u"outbound"_s, u"home-title"_s};
    const int columns[] = {columnOfKey(u"outbound"_s), columnOfKey(u"home-title"_s)};
    int heard = 0;
    int whole = 0;
    QPointer<Walker> walker = m_engine->walker.get();
    connect(&walker->results(), &Results::cellChanged, this, [&](int row) {
        ++heard;
        whole += walker->results().isWritten(row, columns[0]) && walker->results().isWritten(row, columns[1]);
        if (heard == 1 && action == u"abort"_s)
            walker->abortAll();
        if (heard == 1 && action == u"delete"_s)
            m_engine->walker.reset();
    });
    walker->setQueue({m_engine->domain(u"a"_s), m_engine->domain(u"b"_s), m_engine->domain(u"c"_s)});
    walker->runBatch();
    QTRY_VERIFY(!walker || !walker->isBusy());
    QCOMPARE(heard, told);
    QCOMPARE(whole, told);
}

QTEST_GUILESS_MAIN(TestWalker)
#include "test_walker.moc"
