// The eight lookups walking a real queue against our own server, alone and in batches, with Stop.
#include "ScriptedPlatform.h"
#include "TestHttpServer.h"
#include "app/Form1.h"
#include "app/ResultsGrid.h"
#include "testing.h"

#include <QCheckBox>
#include <QListWidget>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;

namespace {
const char* const kHostVariables[] = {"QUILLMARK_HOST_REGISTRAR", "QUILLMARK_HOST_ICP", "QUILLMARK_HOST_BAIDU",
    "QUILLMARK_HOST_ALEXA", "QUILLMARK_HOST_YAHOO"};
}

class TestLookups : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void eachLookupFillsOnlyItsColumn_data();
    void eachLookupFillsOnlyItsColumn();
    void fullBatchThenExport();
    void boxesAreReadAtTheirTurn();
    void stopEndsOnlyTheStoppableLookupInProgress();
    void stopInsideTheOutboundLinksQuery();
    void lookupsWithoutRowsOrDomains();

private:
    // Domains that lead back to the test server, so the home-page fetch of the outbound query lands there too.
    QString domain(const char* name) const { return m_server->hostPort() + u'/' + QLatin1String(name); }
    void serveDomain(const char* name, const QString& registrar, const QString& icp, const QString& baiduSite,
        const QString& baiduDomain, const QString& alexa, const QString& yahoo);
    void startWith(const QStringList& names);
    QStringList cells(std::initializer_list<const char*> texts) const;

    ScriptedPlatform m_platform;
    std::unique_ptr<TestHttpServer> m_server;
    std::unique_ptr<Form1> m_form;
};

void TestLookups::init()
{
    m_platform = ScriptedPlatform();
    m_platform.pingProgramPath = testDataPath(u"fake-ping.sh"_s);
    m_server = std::make_unique<TestHttpServer>();
    for (const char* variable : kHostVariables)
        qputenv(variable, m_server->hostPort().toUtf8());
    m_form = makeWindow(m_platform);

    QByteArray home = testData(u"home.gb2312.html"_s);
    home.replace("SELF", m_server->hostPort().toLatin1());
    m_server->route(u"/"_s, TestHttpServer::page(home));
    serveDomain("a", u"registrar-available.xml"_s, u"icp-filed.gb2312.html"_s, u"baidu-current.gb2312.html"_s,
        u"baidu-older.gb2312.html"_s, u"alexa-ranked.xml"_s, u"yahoo-count.utf8.html"_s);
    serveDomain("b", u"registrar-taken.xml"_s, u"icp-none.gb2312.html"_s, u"baidu-older.gb2312.html"_s,
        u"baidu-none.gb2312.html"_s, u"alexa-unranked.xml"_s, u"yahoo-bom.utf8.html"_s);
    m_server->route(u"/b"_s, TestHttpServer::page(testData(u"baidu-none.gb2312.html"_s)));
}

void TestLookups::cleanup()
{
    m_form.reset();
    m_server.reset();
}

void TestLookups::serveDomain(const char* name, const QString& registrar, const QString& icp, const QString& baiduSite,
    const QString& baiduDomain, const QString& alexa, const QString& yahoo)
{
    const QString d = domain(name);
    m_server->route(u"/cgi-bin/check.cgi?area_domain="_s + d, TestHttpServer::page(testData(registrar)));
    m_server->route(u"/Api/?ApiVersion=2.0&Domain="_s + d, TestHttpServer::page(testData(icp)));
    m_server->route(u"/s?wd=site%3A"_s + d, TestHttpServer::page(testData(baiduSite)));
    m_server->route(u"/s?wd=domain%3A"_s + d, TestHttpServer::page(testData(baiduDomain)));
    m_server->route(u"/data/?cli=10&dat=snba&ver=7.0&url="_s + d, TestHttpServer::page(testData(alexa)));
    // The sitemap search answers its misses with an error page; the status is never read.
    m_server->route(u"/search?bwm=i&p="_s + d, TestHttpServer::page(testData(yahoo), name[0] == 'b' ? 404 : 200));
}

void TestLookups::startWith(const QStringList& names)
{
    QString input;
    for (const QString& name : names)
        input += domain(name.toLatin1().constData()) + u'\n';
    setInput(*m_form, input);
    click(*m_form, "Command13");
}

void TestLookups::eachLookupFillsOnlyItsColumn_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("expected"); // for a, b, a
    QTest::newRow("registrar") << u"Command3"_s << int(RegistrarColumn)
                               << QStringList {u"可注册"_s, u"已被注册"_s, u"可注册"_s};
    QTest::newRow("icp") << u"Command1"_s << int(IcpColumn)
                         << QStringList {u"京ICP备12345678号"_s, u"未备案"_s, u"京ICP备12345678号"_s};
    QTest::newRow("baidu site") << u"Command6"_s << int(BaiduIndexColumn)
                                << QStringList {u"1,230,000"_s, u"约12,300"_s, u"1,230,000"_s};
    QTest::newRow("baidu domain") << u"Command7"_s << int(BaiduLinksColumn)
                                  << QStringList {u"约12,300"_s, u"0"_s, u"约12,300"_s};
    QTest::newRow("alexa") << u"Command2"_s << int(AlexaColumn) << QStringList {u"12345"_s, u"0"_s, u"12345"_s};
    QTest::newRow("yahoo") << u"Command8"_s << int(YahooColumn) << QStringList {u"1,234"_s, u"56"_s, u"1,234"_s};
    QTest::newRow("outbound") << u"Command5"_s << int(OutboundColumn) << QStringList {u"4"_s, u"0"_s, u"4"_s};
    QTest::newRow("site ip") << u"Command4"_s << int(SiteIpColumn)
                             << QStringList {u"127.0.0.9"_s, u"127.0.0.9"_s, u"127.0.0.9"_s};
}

void TestLookups::eachLookupFillsOnlyItsColumn()
{
    QFETCH(QString, button);
    QFETCH(int, column);
    QFETCH(QStringList, expected);
    startWith({u"a"_s, u"b"_s, u"a"_s});
    click(*m_form, button.toLatin1().constData());

    QCOMPARE(::column(*m_form, column), expected);
    for (int other = RegistrarColumn; other < GridColumnCount; ++other) {
        if (other != column)
            QCOMPARE(::column(*m_form, other), (QStringList {u" "_s, u" "_s, u" "_s}));
    }
    QVERIFY(m_form->findChild<QListWidget*>(u"List3"_s)->count() == 0);
}

void TestLookups::fullBatchThenExport()
{
    for (const char* box : {"Check2", "Check3", "Check4", "Check5", "Check6", "Check7", "Check8", "Check9"})
        setBox(*m_form, box, true);
    startWith({u"a"_s, u"b"_s, u"b"_s, u"a"_s, u"b"_s});
    click(*m_form, "Command14");

    const QString a = domain("a")
        + u"|注册：可注册|备案：京ICP备12345678号|百度收录：1,230,000|百度反链：约12,300"
          u"|Alexa：12345|yahoo排名：1,234|出站：4|IP：127.0.0.9\r\n"_s;
    const QString b = domain("b")
        + u"|注册：已被注册|备案：未备案|百度收录：约12,300|百度反链：0"
          u"|Alexa：0|yahoo排名：56|出站：0|IP：127.0.0.9\r\n"_s;
    QCOMPARE(m_platform.clipboardHistory.size(), 1);
    QCOMPARE(m_platform.clipboardHistory.at(0).toUtf8(), (a + b + b + a + b).toUtf8());
    QCOMPARE(m_server->requests().size(), 7 * 5);
}

void TestLookups::boxesAreReadAtTheirTurn()
{
    setBox(*m_form, "Check9", true);
    setBox(*m_form, "Check3", true);
    // While ICP runs: site IP (a later turn) is unticked, Alexa ticked; nothing of the later turns has run yet.
    connect(m_server.get(), &TestHttpServer::requestReceived, this, [this](const QString& target) {
        if (!target.startsWith(u"/Api/"_s))
            return;
        QCOMPARE(::column(*m_form, AlexaColumn), (QStringList {u" "_s, u" "_s}));
        setBox(*m_form, "Check9", false);
        setBox(*m_form, "Check6", true);
    });
    startWith({u"a"_s, u"b"_s});
    QCOMPARE(::column(*m_form, SiteIpColumn), (QStringList {u" "_s, u" "_s}));
    QCOMPARE(::column(*m_form, AlexaColumn), (QStringList {u"12345"_s, u"0"_s}));
    QCOMPARE(::column(*m_form, IcpColumn), (QStringList {u"京ICP备12345678号"_s, u"未备案"_s}));
}

void TestLookups::stopEndsOnlyTheStoppableLookupInProgress()
{
    setBox(*m_form, "Check3", true);
    setBox(*m_form, "Check6", true);
    connect(m_server.get(), &TestHttpServer::requestReceived, this, [this] {
        if (m_server->requests().size() == 2)
            click(*m_form, "Command9");
    });
    startWith({u"a"_s, u"b"_s, u"a"_s, u"b"_s, u"a"_s});
    QCOMPARE(::column(*m_form, IcpColumn), (QStringList {u"京ICP备12345678号"_s, u"未备案"_s, u" "_s, u" "_s, u" "_s}));
    QCOMPARE(::column(*m_form, AlexaColumn), (QStringList {u"12345"_s, u"0"_s, u"12345"_s, u"0"_s, u"12345"_s}));
    QVERIFY(!isTicked(*m_form, "Check1"));

    // Stop during a Baidu walk: no effect there, and the Alexa walk after it clears the flag and runs in full.
    setBox(*m_form, "Check3", false);
    setBox(*m_form, "Check4", true);
    m_server->clearRequests();
    startWith({u"a"_s, u"b"_s, u"a"_s});
    QCOMPARE(::column(*m_form, BaiduIndexColumn), (QStringList {u"1,230,000"_s, u"约12,300"_s, u"1,230,000"_s}));
    QCOMPARE(::column(*m_form, AlexaColumn), (QStringList {u"12345"_s, u"0"_s, u"12345"_s}));
}

void TestLookups::stopInsideTheOutboundLinksQuery()
{
    auto* list3 = m_form->findChild<QListWidget*>(u"List3"_s);
    // Stop once the second outbound link of the first page is collected.
    QMetaObject::Connection stopper = connect(list3->model(), &QAbstractItemModel::rowsInserted, this, [&] {
        if (list3->count() == 2)
            click(*m_form, "Command9");
    });
    startWith({u"a"_s, u"a"_s});
    click(*m_form, "Command5");
    QCOMPARE(::column(*m_form, OutboundColumn), (QStringList {u"2"_s, u" "_s}));
    QCOMPARE(list3->count(), 0);
    disconnect(stopper);

    // Stop while the page itself is awaited: nothing collected, "0", no further page asked for.
    m_server->clearRequests();
    connect(m_server.get(), &TestHttpServer::requestReceived, this, [this] { click(*m_form, "Command9"); });
    click(*m_form, "Command5");
    QCOMPARE(::column(*m_form, OutboundColumn), (QStringList {u"0"_s, u" "_s}));
    QCOMPARE(m_server->requests().size(), 1);
}

void TestLookups::lookupsWithoutRowsOrDomains()
{
    // Before any batch the queue holds its sample entries and the grid no rows: nothing is asked or written.
    click(*m_form, "Command1");
    click(*m_form, "Command6");
    QVERIFY(m_server->requests().isEmpty());
    QCOMPARE(m_form->grid().rowCount(), 0);

    setInput(*m_form, u"\n"_s);
    click(*m_form, "Command13");
    click(*m_form, "Command9");
    click(*m_form, "Command3");
    QVERIFY(!isTicked(*m_form, "Check1"));
    QVERIFY(m_server->requests().isEmpty());
}

QTEST_MAIN(TestLookups)
#include "test_lookups.moc"
