// The host address through ping, and the link listing the outbound-links count is built on.
#include "testing.h"
#include "web/links.h"
#include "web/ping.h"

#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestPingLinks : public QObject
{
    Q_OBJECT
private slots:
    void bracketCut_data();
    void bracketCut();
    void getIpWithFakePing();
    void hostTextIsOneArgument_data();
    void hostTextIsOneArgument();
    void getIpWithRealPing();
    void testRegExp_data();
    void testRegExp();

private:
    QString fakePing() const { return testDataPath(u"fake-ping.sh"_s); }
};

void TestPingLinks::bracketCut_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("open");
    QTest::addColumn<QString>("address");
    QTest::newRow("linux") << u"PING a.test (1.2.3.4) 56(84) bytes"_s << u"("_s << u"1.2.3.4"_s;
    QTest::newRow("windows") << u"Pinging a.test [1.2.3.4] with 32 bytes"_s << u"["_s << u"1.2.3.4"_s;
    QTest::newRow("no brackets") << u"unknown host\r\nline 2"_s << u"["_s << u"unknown host\r\nline 2"_s;
    QTest::newRow("open only") << u"x [1.2.3.4 tail"_s << u"["_s << u"1.2.3.4 tail"_s;
    QTest::newRow("close first") << u"abc] x [y"_s << u"["_s << u"abc"_s;
    QTest::newRow("close is first char") << u"]abc"_s << u"["_s << QString();
    QTest::newRow("linux close first") << u"abc) (x"_s << u"("_s << u"abc"_s;
}

void TestPingLinks::bracketCut()
{
    QFETCH(QString, output);
    QFETCH(QString, open);
    QFETCH(QString, address);
    const QChar close = open == u"("_s ? u')' : u']';
    QCOMPARE(cutBracketed(output, open.at(0), close), address);
}

void TestPingLinks::getIpWithFakePing()
{
    QCOMPARE(GetIP(u"a.test"_s, fakePing()), u"127.0.0.9"_s);
    QCOMPARE(GetIP(u"unknown.test"_s, fakePing()), u"ping: unknown.test: Name or service not known\n"_s);
    // Windows-style output holds no parenthesised address: it comes back whole.
    QCOMPARE(GetIP(u"windows.test"_s, fakePing()),
        u"Pinging windows.test [10.9.8.7] with 32 bytes of data:\r\nRequest timed out.\r\n"_s);

    QElapsedTimer clock;
    clock.start();
    // The address line is enough: a ping that lingers afterwards is not waited for.
    QCOMPARE(GetIP(u"linger.test"_s, fakePing()), u"10.1.2.3"_s);
    QVERIFY(clock.elapsed() < 5000);

    // The window keeps handling events while ping is silent.
    setPingLimits({500});
    bool tickedMeanwhile = false;
    QTimer::singleShot(100, this, [&] { tickedMeanwhile = true; });
    clock.restart();
    QCOMPARE(GetIP(u"silent.test"_s, fakePing()), u"请求超时"_s);
    QVERIFY(clock.elapsed() < 5000);
    QVERIFY(tickedMeanwhile);
    setPingLimits({});

    QCOMPARE(GetIP(u"a.test"_s, testDataPath(u"no-such-ping"_s)), u"无法运行 ping"_s);
}

void TestPingLinks::hostTextIsOneArgument_data()
{
    QTest::addColumn<QString>("host");
    QTest::newRow("option-like") << u"-f"_s;
    QTest::newRow("semicolon") << u"a.test; touch pwned"_s;
    QTest::newRow("ampersand") << u"a.test & del x"_s;
    QTest::newRow("substitution") << u"$(touch pwned)"_s;
    QTest::newRow("quote") << u"a'b\"c"_s;
}

void TestPingLinks::hostTextIsOneArgument()
{
    QFETCH(QString, host);
    QTemporaryDir dir;
    const QString log = dir.filePath(u"args"_s);
    qputenv("FAKE_PING_LOG", log.toLocal8Bit());
    QVERIFY(QDir::setCurrent(dir.path()));
    GetIP(host, fakePing());
    qunsetenv("FAKE_PING_LOG");

    QFile file(log);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList args = QString::fromLocal8Bit(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(args, (QStringList {u"-4"_s, u"-c"_s, u"1"_s, u"--"_s, host}));
    QVERIFY(!QFile::exists(dir.filePath(u"pwned"_s)));
}

void TestPingLinks::getIpWithRealPing()
{
    if (QStandardPaths::findExecutable(u"ping"_s).isEmpty())
        QSKIP("ping is not installed");
    // Loopback only: a test never sends name lookups off the machine.
    QCOMPARE(GetIP(u"127.0.0.1"_s, u"ping"_s), u"127.0.0.1"_s);
    QCOMPARE(GetIP(u"127.0.0.2"_s, u"ping"_s), u"127.0.0.2"_s);
}

void TestPingLinks::testRegExp_data()
{
    const QString pattern = u"<a.*?href=.*?>.*?</a>"_s;
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("matches");
    QTest::newRow("no anchor") << u"<p>plain</p>"_s << u"匹配失败"_s;
    QTest::newRow("empty") << QString() << u"匹配失败"_s;
    QTest::newRow("one") << u"x<a href=\"/a\">A</a>y"_s << u"<a href=\"/a\">A</a>\r\n"_s;
    QTest::newRow("two on a line") << u"<a href=1>a</a><a href=2>b</a>"_s
                                   << u"<a href=1>a</a>\r\n<a href=2>b</a>\r\n"_s;
    QTest::newRow("capitals kept") << u"<A HREF=\"X\">Y</A>"_s << u"<A HREF=\"X\">Y</A>\r\n"_s;
    QTest::newRow("broken across lines") << u"<a href=1>\na</a>"_s << u"匹配失败"_s;
    QTest::newRow("CR inside a match") << u"<a href=1>\ra</a>"_s << u"<a href=1>\ra</a>\r\n"_s;
    QTest::newRow("anchor without href first")
        << u"<a name=x>n</a> <a href=1>b</a>"_s << u"<a name=x>n</a> <a href=1>b</a>\r\n"_s;
    QTest::newRow("abbr starts a match") << u"<abbr>h</abbr><a href=1>b</a>"_s
                                         << u"<abbr>h</abbr><a href=1>b</a>\r\n"_s;
}

void TestPingLinks::testRegExp()
{
    QFETCH(QString, subject);
    QFETCH(QString, matches);
    QCOMPARE(TestRegExp(u"<a.*?href=.*?>.*?</a>"_s, subject), matches);
}

QTEST_GUILESS_MAIN(TestPingLinks)
#include "test_ping_links.moc"
