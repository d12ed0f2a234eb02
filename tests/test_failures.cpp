// Cells that come from failed requests or verification pages: marked, explained, looked up again;
// the progress line; and the file and selection exports.
#include "ScriptedPlatform.h"
#include "TestHttpServer.h"
#include "app/Form1.h"
#include "app/ResultsGrid.h"
#include "export/export.h"
#include "testing.h"
#include "web/fetch.h"
#include "web/ping.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestFailures : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void failedCellsAreMarkedWithTheirReason_data();
    void failedCellsAreMarkedWithTheirReason();
    void refusedConnectionIsMarked();
    void rerunLooksUpOnlyMarkedCells();
    void progressAndSummary();
    void csvBytesAndAtomicWrite();
    void copySelectedRowsInRowOrder();

private:
    void trigger(const char* action) { m_form->findChild<QAction*>(QLatin1String(action))->trigger(); }

    ScriptedPlatform m_platform;
    std::unique_ptr<TestHttpServer> m_server;
    std::unique_ptr<Form1> m_form;
};

void TestFailures::init()
{
    m_server = std::make_unique<TestHttpServer>();
    for (const char* variable : {"QUILLMARK_HOST_REGISTRAR", "QUILLMARK_HOST_ICP", "QUILLMARK_HOST_BAIDU",
             "QUILLMARK_HOST_ALEXA", "QUILLMARK_HOST_YAHOO"})
        qputenv(variable, m_server->hostPort().toUtf8());
    m_platform = ScriptedPlatform();
    m_platform.pingProgramPath = testDataPath(u"fake-ping.sh"_s);
    m_form = makeWindow(m_platform);
}

void TestFailures::cleanup()
{
    m_form.reset();
    m_server.reset();
    setFetchLimits({});
    setPingLimits({});
}

void TestFailures::failedCellsAreMarkedWithTheirReason_data()
{
    using Mode = TestHttpServer::Mode;
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("domain");
    QTest::addColumn<TestHttpServer::Response>("response");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("problem");

    auto mode = [](Mode m, const QByteArray& body) {
        TestHttpServer::Response response = TestHttpServer::page(body);
        response.mode = m;
        return response;
    };
    const QByteArray filed = testData(u"icp-filed.gb2312.html"_s);
    QTest::newRow("time-out") << u"Command1"_s << int(IcpColumn) << u"a.test"_s << mode(Mode::NoAnswer, filed)
                              << u"未备案"_s << u"请求超时（0.5 秒）"_s;
    QTest::newRow("reset") << u"Command1"_s << int(IcpColumn) << u"a.test"_s << mode(Mode::CloseMidBody, filed)
                           << u"未备案"_s << u"连接中断"_s;
    QTest::newRow("HTTP 403") << u"Command2"_s << int(AlexaColumn) << u"a.test"_s
                              << TestHttpServer::page("<h1>Forbidden</h1>", 403) << u"0"_s << u"HTTP 403"_s;
    QTest::newRow("500 keeps its value") << u"Command3"_s << int(RegistrarColumn) << u"a.test"_s
                                         << TestHttpServer::page("original>210", 500) << u"可注册"_s << u"HTTP 500"_s;
    QTest::newRow("oversize") << u"Command1"_s << int(IcpColumn) << u"a.test"_s
                              << TestHttpServer::page(QByteArray(2 * 1024 * 1024, 'x')) << u"未备案"_s
                              << u"页面过大（超过 1 MB）"_s;
    QTest::newRow("Baidu verification") << u"Command6"_s << int(BaiduIndexColumn) << u"a.test"_s
                                        << TestHttpServer::page(testData(u"baidu-none.gb2312.html"_s)) << u"0"_s
                                        << u"搜索引擎要求验证"_s;
    QTest::newRow("ping cannot run") << u"Command4"_s << int(SiteIpColumn) << u"missing-ping"_s
                                     << TestHttpServer::page("") << u"无法运行 ping"_s << u"无法运行 ping"_s;
    QTest::newRow("ping silent") << u"Command4"_s << int(SiteIpColumn) << u"silent.test"_s << TestHttpServer::page("")
                                 << u"请求超时"_s << u"请求超时（0.5 秒）"_s;
    // Real answers, negative ones included, are never marked.
    QTest::newRow("not filed is an answer")
        << u"Command1"_s << int(IcpColumn) << u"a.test"_s << TestHttpServer::page(testData(u"icp-none.gb2312.html"_s))
        << u"未备案"_s << QString();
    QTest::newRow("taken is an answer") << u"Command3"_s << int(RegistrarColumn) << u"a.test"_s
                                        << TestHttpServer::page(testData(u"registrar-taken.xml"_s)) << u"已被注册"_s
                                        << QString();
    QTest::newRow("Baidu count") << u"Command7"_s << int(BaiduLinksColumn) << u"a.test"_s
                                 << TestHttpServer::page(testData(u"baidu-current.gb2312.html"_s)) << u"1,230,000"_s
                                 << QString();
    QTest::newRow("no Yahoo backlinks") << u"Command8"_s << int(YahooColumn) << u"a.test"_s
                                        << TestHttpServer::page("<html>没有结果</html>") << u"0"_s << QString();
    QTest::newRow("ping answered") << u"Command4"_s << int(SiteIpColumn) << u"a.test"_s << TestHttpServer::page("")
                                   << u"127.0.0.9"_s << QString();
}

void TestFailures::failedCellsAreMarkedWithTheirReason()
{
    QFETCH(QString, button);
    QFETCH(int, column);
    QFETCH(QString, domain);
    QFETCH(TestHttpServer::Response, response);
    QFETCH(QString, text);
    QFETCH(QString, problem);

    setFetchLimits({500, 1024 * 1024, 5});
    setPingLimits({500});
    if (domain == u"missing-ping"_s)
        m_platform.pingProgramPath = testDataPath(u"no-such-ping"_s);
    m_server->route(u"/"_s, response);
    setInput(*m_form, domain + u'\n');
    click(*m_form, "Command13");
    click(*m_form, button.toLatin1().constData());

    const ResultsGrid& grid = m_form->grid();
    QCOMPARE(grid.text(0, column), text);
    QCOMPARE(grid.problem(0, column), problem);
    const QModelIndex cell = grid.index(0, column);
    QCOMPARE(cell.data(Qt::ToolTipRole).toString(), problem);
    QCOMPARE(cell.data(Qt::FontRole).value<QFont>().italic(), !problem.isEmpty());
    // Marks are for the screen only: the export carries the text alone.
    QVERIFY(exportText(grid, 1).contains(u"："_s + text + u'|')
        || exportText(grid, 1).endsWith(u"："_s + text + u"\r\n"_s));
}

void TestFailures::refusedConnectionIsMarked()
{
    const QString closed = u"127.0.0.1:%1"_s.arg(TestHttpServer().port()); // nobody listens there any more
    qputenv("QUILLMARK_HOST_ALEXA", closed.toUtf8());
    setInput(*m_form, u"a.test\n"_s);
    click(*m_form, "Command13");
    click(*m_form, "Command2");
    QCOMPARE(m_form->grid().text(0, AlexaColumn), u"0"_s);
    QCOMPARE(m_form->grid().problem(0, AlexaColumn), u"连接被拒绝"_s);
}

void TestFailures::rerunLooksUpOnlyMarkedCells()
{
    // Odd rows fail the first time round.
    bool failOdd = true;
    m_server->setResponder([&](const QString& target) {
        const bool odd = target.contains(u"d1.test"_s) || target.contains(u"d3.test"_s);
        if (odd && failOdd)
            return TestHttpServer::page("busy", 503);
        return target.startsWith(u"/s?"_s) ? TestHttpServer::page(testData(u"baidu-current.gb2312.html"_s))
                                           : TestHttpServer::page(testData(u"icp-filed.gb2312.html"_s));
    });
    setBox(*m_form, "Check3", true);
    setBox(*m_form, "Check4", true);
    setInput(*m_form, u"d0.test\nd1.test\nd2.test\nd3.test\n"_s);
    click(*m_form, "Command13");
    QCOMPARE(column(*m_form, IcpColumn),
        (QStringList {u"京ICP备12345678号"_s, u"未备案"_s, u"京ICP备12345678号"_s, u"未备案"_s}));
    QCOMPARE(m_form->grid().problemCount(), 4);

    failOdd = false;
    m_server->clearRequests();
    m_form->grid().setText(0, DomainColumn, u"d0.test"_s); // an unmarked cell the re-run must not touch
    trigger("actionRerunFailed");
    QCOMPARE(m_server->requests(),
        (QStringList {u"/Api/?ApiVersion=2.0&Domain=d1.test&Certi=0&CertApi=0&CertInfo="_s,
            u"/Api/?ApiVersion=2.0&Domain=d3.test&Certi=0&CertApi=0&CertInfo="_s, u"/s?wd=site%3Ad1.test"_s,
            u"/s?wd=site%3Ad3.test"_s}));
    QCOMPARE(column(*m_form, IcpColumn), QStringList(4, u"京ICP备12345678号"_s));
    QCOMPARE(column(*m_form, BaiduIndexColumn), QStringList(4, u"1,230,000"_s));
    QCOMPARE(m_form->grid().problemCount(), 0);
    QCOMPARE(column(*m_form, RegistrarColumn), QStringList(4, u" "_s));
}

void TestFailures::progressAndSummary()
{
    m_server->route(u"/"_s, TestHttpServer::page(testData(u"icp-filed.gb2312.html"_s)));
    m_server->route(u"/Api/?ApiVersion=2.0&Domain=d7.test"_s, TestHttpServer::page("", 502));
    auto* label = m_form->findChild<QLabel*>(u"Label1"_s);
    auto* view = m_form->findChild<QTreeView*>(u"ListView1"_s);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    // Inside the designed client area, under Command15 and right of the check boxes, over no control.
    QVERIFY(m_form->rect().contains(label->geometry()));
    for (QWidget* other : m_form->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (other != label && other->isVisible())
            QVERIFY2(!other->geometry().intersects(label->geometry()), qPrintable(other->objectName()));
    }

    QStringList seen;
    bool rowInView = false;
    connect(m_server.get(), &TestHttpServer::requestReceived, this, [&] {
        seen.append(label->text());
        const QRect row = view->visualRect(m_form->grid().index(m_server->requestCount() - 1, IcpColumn));
        rowInView = view->viewport()->rect().contains(row.center());
    });
    QString input;
    for (int i = 0; i < 40; ++i)
        input += u"d%1.test\n"_s.arg(i);
    setInput(*m_form, input);
    setBox(*m_form, "Check3", true);
    click(*m_form, "Command13");

    QCOMPARE(seen.size(), 40);
    QCOMPARE(seen.at(0), u"域名是否备案 1/40"_s);
    QCOMPARE(seen.at(22), u"域名是否备案 23/40"_s);
    QVERIFY(rowInView);
    QVERIFY2(QRegularExpression(u"^查询完成，用时 \\d+\\.\\d 秒\n失败 1 项$"_s).match(label->text()).hasMatch(),
        qPrintable(label->text()));
}

void TestFailures::csvBytesAndAtomicWrite()
{
    setInput(*m_form, u"a.test\nb.test\n"_s);
    click(*m_form, "Command13");
    ResultsGrid& grid = m_form->grid();
    grid.setText(0, IcpColumn, u"京ICP备1号"_s);
    grid.setText(0, BaiduIndexColumn, u"1,230,000"_s);
    grid.setText(1, AlexaColumn, u"say \"hi\""_s);
    grid.setText(1, SiteIpColumn, u"ping: b.test\nsecond line"_s, u"无法运行 ping"_s);

    const QByteArray expected = "\xEF\xBB\xBF"
        + u",查询域名地址,域名注册,域名是否备案,百度收录,百度反链,Alexa排名,yahoo反链,出站链接,站点IP地址\r\n"
          u"0,a.test, ,京ICP备1号,\"1,230,000\", , , , , \r\n"
          u"1,b.test, , , , ,\"say \"\"hi\"\"\", , ,\"ping: b.test\nsecond line\"\r\n"_s.toUtf8();
    QCOMPARE(csvBytes(grid), expected);

    QTemporaryDir dir;
    const QString path = dir.filePath(u"results.csv"_s);
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("an older export");
    old.close();
    m_platform.savePath = path;
    trigger("actionExportCsv");
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), expected);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList {u"results.csv"_s}); // no temporary left over
    QVERIFY(m_platform.shown.isEmpty());

    m_platform.savePath = dir.filePath(u"no/such/folder/results.csv"_s);
    trigger("actionExportCsv");
    QCOMPARE(m_platform.shown.size(), 1);
    QVERIFY(m_platform.shown.at(0).text.startsWith(u"无法保存文件 results.csv："_s));
    QCOMPARE(m_platform.shown.at(0).icon, QMessageBox::Warning);

    m_platform.savePath.clear(); // the user cancels the dialog
    trigger("actionExportCsv");
    QCOMPARE(m_platform.shown.size(), 1);
}

void TestFailures::copySelectedRowsInRowOrder()
{
    setInput(*m_form, u"a.test\nb.test\nc.test\n"_s);
    click(*m_form, "Command13");
    m_form->grid().setText(2, IcpColumn, u"未备案"_s);
    auto* view = m_form->findChild<QTreeView*>(u"ListView1"_s);
    auto* selection = view->selectionModel();
    selection->select(m_form->grid().index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection->select(m_form->grid().index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    trigger("actionCopySelected");
    QCOMPARE(m_platform.clipboardHistory,
        QStringList {u"a.test|注册： |备案： |百度收录： |百度反链： |Alexa： |yahoo排名： |出站： |IP： \r\n"
                     u"c.test|注册： |备案：未备案|百度收录： |百度反链： |Alexa： |yahoo排名： |出站： |IP： \r\n"_s});
}

QTEST_MAIN(TestFailures)
#include "test_failures.moc"
