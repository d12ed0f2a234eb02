// Whole lookups against servers that never answer, trickle, flood, reset or loop: each lookup writes its
// fallback text within the time bound, and the window keeps answering meanwhile.
#include "ScriptedPlatform.h"
#include "TestHttpServer.h"
#include "app/Form1.h"
#include "app/ResultsGrid.h"
#include "testing.h"
#include "web/fetch.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestHostile : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void lookupsSurvive_data();
    void lookupsSurvive();
};

namespace {
constexpr int kTimeLimitMs = 1000;
const char* const kHttpBoxes[] = {"Check2", "Check3", "Check4", "Check5", "Check6", "Check7", "Check8"};
const char* const kHostVariables[] = {"QUILLMARK_HOST_REGISTRAR", "QUILLMARK_HOST_ICP", "QUILLMARK_HOST_BAIDU",
    "QUILLMARK_HOST_ALEXA", "QUILLMARK_HOST_YAHOO"};
} // namespace

void TestHostile::initTestCase()
{
    setFetchLimits({kTimeLimitMs, 1024 * 1024, 5});
}

void TestHostile::cleanupTestCase()
{
    setFetchLimits({});
}

void TestHostile::lookupsSurvive_data()
{
    using Mode = TestHttpServer::Mode;
    QTest::addColumn<TestHttpServer::Response>("response");
    QTest::addColumn<bool>("answered"); // true: the markers in the body count

    const QStringList fallback {u"已被注册"_s, u"未备案"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s};
    const QByteArray markers = testData(u"markers-all.gb2312.html"_s);
    auto with = [&](Mode mode, const QByteArray& body = QByteArray("x")) {
        TestHttpServer::Response response = TestHttpServer::page(body);
        response.mode = mode;
        response.trickleIntervalMs = 100;
        return response;
    };
    TestHttpServer::Response bomb = TestHttpServer::page(testData(u"bomb.gz"_s));
    bomb.headers.append(qMakePair(QByteArray("Content-Encoding"), QByteArray("gzip")));

    QTest::newRow("no answer at all") << with(Mode::NoAnswer) << false;
    QTest::newRow("one byte at a time") << with(Mode::Trickle, markers) << false;
    QTest::newRow("endless body") << with(Mode::Endless) << false;
    QTest::newRow("gzip bomb") << bomb << false;
    QTest::newRow("reset mid-body") << with(Mode::CloseMidBody, markers) << false;
    QTest::newRow("redirect loop") << TestHttpServer::redirect("/loop") << false;
    QTest::newRow("HTTP/1.0 without length") << with(Mode::NoContentLength, markers) << true;
    QTest::newRow("500 holding the markers") << TestHttpServer::page(markers, 500) << true;
}

void TestHostile::lookupsSurvive()
{
    QFETCH(TestHttpServer::Response, response);
    QFETCH(bool, answered);

    TestHttpServer server;
    server.route(u"/"_s, response);
    if (answered) // Yahoo's page is UTF-8 and has markers of its own
        server.route(u"/search"_s, TestHttpServer::page(testData(u"yahoo-count.utf8.html"_s), 500));
    for (const char* variable : kHostVariables)
        qputenv(variable, server.hostPort().toUtf8());

    ScriptedPlatform platform;
    auto form = makeWindow(platform);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    for (const char* box : kHttpBoxes)
        setBox(*form, box, true);
    setInput(*form, server.hostPort() + u"/x\n"_s);

    // A user clicking about while the answers are awaited.
    // A frozen wait shows as a long gap between two ticks of a timer.
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] { longestGap = qMax(longestGap, sinceTick.restart()); });
    sinceTick.start();
    ticker.start(50);
    auto* check10 = form->findChild<QCheckBox*>(u"Check10"_s);
    bool clickTookEffect = false;
    connect(&server, &TestHttpServer::requestReceived, this, [&] {
        if (server.requestCount() != 1)
            return;
        QTimer::singleShot(0, this, [&] {
            const bool before = check10->isChecked();
            QTest::mouseClick(check10, Qt::LeftButton, {}, QPoint(8, 8));
            clickTookEffect = check10->isChecked() != before;
        });
    });

    QElapsedTimer clock;
    clock.start();
    click(*form, "Command13");
    const qint64 elapsed = clock.elapsed();

    QStringList row;
    for (int column = RegistrarColumn; column <= OutboundColumn; ++column)
        row.append(form->grid().text(0, column));
    const QStringList expected = answered
        ? QStringList {u"可注册"_s, u"京ICP备12345678号"_s, u"5"_s, u"5"_s, u"7"_s, u"1,234"_s, u"1"_s}
        : QStringList {u"已被注册"_s, u"未备案"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s};
    QCOMPARE(row, expected);
    QVERIFY2(elapsed < 7 * (kTimeLimitMs + 700), qPrintable(u"%1 ms"_s.arg(elapsed)));
    QVERIFY(clickTookEffect);
    QVERIFY2(longestGap < 500, qPrintable(u"the window did not answer for %1 ms"_s.arg(longestGap)));
}

QTEST_MAIN(TestHostile)
#include "test_hostile.moc"
