// The window as a user meets it: its controls, Start, the batch run, Export, closing.
#include "ScriptedPlatform.h"
#include "TestHttpServer.h"
#include "app/Form1.h"
#include "app/ResultsGrid.h"
#include "testing.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void layoutAtStartUp();
    void startBuildsQueueAndGrid();
    void emptyInputOnlyWarns();
    void exportGateAndBytes();
    void busyWindowIgnoresSecondBatchAndLookups();
    void closingAsksAndOkAbandonsTheBatch();
    void smallButtonsAndUntitledBoxes();
    void hundredThousandDomains();

private:
    ScriptedPlatform m_platform;
    std::unique_ptr<Form1> m_form;
    std::unique_ptr<TestHttpServer> m_server;
};

void TestWindow::init()
{
    m_platform = ScriptedPlatform();
    m_server = std::make_unique<TestHttpServer>();
    qputenv("QUILLMARK_HOST_ICP", m_server->hostPort().toUtf8());
    m_form = makeWindow(m_platform);
}

void TestWindow::cleanup()
{
    m_form.reset();
    m_server.reset();
}

void TestWindow::layoutAtStartUp()
{
    Form1& form = *m_form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(
        form.windowTitle(), u"seo-Quillmark8.0     http://www.quillmark.example/ 羽墨网络工作室   010-5550-0188"_s);
    QCOMPARE(form.size(), QSize(738, 273));
    QCOMPARE(form.windowIcon().availableSizes().size(), 4);

    // Twips divided by fifteen, and only the first table's controls inside the client area.
    const struct
    {
        const char* name;
        QRect geometry;
        bool seen;
    } expected[] = {
        {"Text1", {8, 8, 145, 89}, true},
        {"Command13", {168, 8, 81, 33}, true},
        {"Command14", {168, 56, 81, 33}, true},
        {"Check10", {232, 72, 17, 17}, true},
        {"Check2", {264, 8, 129, 17}, true},
        {"Check9", {408, 80, 121, 17}, true},
        {"Command15", {624, 8, 105, 33}, true},
        {"ListView1", {8, 104, 729, 161}, true},
        {"List1", {16, 8, 137, 76}, true},
        {"Command1", {128, 296, 105, 57}, false},
        {"Command9", {528, 384, 65, 33}, false},
        {"Check1", {560, 400, 17, 17}, false},
        {"List3", {552, 392, 25, 28}, false},
        {"Command12", {200, 424, 65, 25}, false},
    };
    for (const auto& control : expected) {
        auto* widget = form.findChild<QWidget*>(QLatin1String(control.name));
        QVERIFY2(widget, control.name);
        QCOMPARE(widget->geometry(), control.geometry);
        QCOMPARE(form.rect().intersects(widget->geometry()), control.seen);
    }
    QCOMPARE(form.findChild<QPushButton*>(u"Command13"_s)->text(), u"开  始"_s);
    QCOMPARE(form.findChild<QPushButton*>(u"Command14"_s)->text(), u"导  出"_s);
    QCOMPARE(form.findChild<QCheckBox*>(u"Check6"_s)->text(), u"Alexa排名批量查询"_s);

    // Stacking: Text1 over List1, Text2 over the grid; Text2 hidden from the start.
    QCOMPARE(form.childAt(30, 30), form.findChild<QPlainTextEdit*>(u"Text1"_s)->viewport());
    QVERIFY(!form.findChild<QPlainTextEdit*>(u"Text2"_s)->isVisible());
    QVERIFY(form.findChild<QTreeView*>(u"ListView1"_s)->isVisible());

    // Tab order follows the design's tab indices, the hidden controls included.
    QList<int> tabIndices;
    QWidget* step = form.findChild<QWidget*>(u"Command1"_s);
    do {
        if (step->property("tabIndex").isValid())
            tabIndices.append(step->property("tabIndex").toInt());
        step = step->nextInFocusChain();
    } while (step != form.findChild<QWidget*>(u"Command1"_s));
    QCOMPARE(tabIndices.size(), 30);
    for (int i = 0; i < tabIndices.size(); ++i)
        QCOMPARE(tabIndices.at(i), i);

    auto* view = form.findChild<QTreeView*>(u"ListView1"_s);
    QCOMPARE(form.grid().columnCount(), 10);
    QCOMPARE(form.grid().rowCount(), 0);
    const QList<int> widths {10, 100, 70, 100, 65, 65, 70, 75, 65, 105};
    const QStringList headers {QString(), u"查询域名地址"_s, u"域名注册"_s, u"域名是否备案"_s, u"百度收录"_s,
        u"百度反链"_s, u"Alexa排名"_s, u"yahoo反链"_s, u"出站链接"_s, u"站点IP地址"_s};
    for (int i = 0; i < 10; ++i) {
        QCOMPARE(view->header()->sectionSize(i), widths.at(i));
        QCOMPARE(form.grid().headerData(i, Qt::Horizontal, Qt::DisplayRole).toString(), headers.at(i));
    }
    QVERIFY(!isTicked(form, "Check10"));
    QCOMPARE(queue(form).size(), 41);
    QCOMPARE(form.findChild<QListWidget*>(u"List1"_s)->item(40)->data(Qt::UserRole).toInt(), 0);
}

void TestWindow::startBuildsQueueAndGrid()
{
    Form1& form = *m_form;
    auto* view = form.findChild<QTreeView*>(u"ListView1"_s);
    view->header()->resizeSection(3, 300); // a user dragging a column wider
    setInput(form, u"b.test\n\n  a.test \nb.test\n"_s);
    click(form, "Command13");

    QCOMPARE(queue(form), (QStringList {u"b.test"_s, u"  a.test "_s, u"b.test"_s}));
    QCOMPARE(column(form, PositionColumn), (QStringList {u"0"_s, u"1"_s, u"2"_s}));
    QCOMPARE(column(form, DomainColumn), queue(form));
    for (int c = RegistrarColumn; c < GridColumnCount; ++c)
        QCOMPARE(column(form, c), (QStringList {u" "_s, u" "_s, u" "_s}));
    QVERIFY(isTicked(form, "Check10"));
    QCOMPARE(view->header()->sectionSize(3), 100);
    QVERIFY(m_platform.shown.isEmpty());
    QVERIFY(m_server->requests().isEmpty());

    // Start never changes the input: a second press runs the same batch again.
    click(form, "Command13");
    QCOMPARE(form.grid().rowCount(), 3);
    QCOMPARE(form.findChild<QPlainTextEdit*>(u"Text1"_s)->toPlainText(), u"b.test\n\n  a.test \nb.test\n"_s);

    // Only line breaks: an empty queue and a grid of headers alone, Check10 still set.
    setBox(form, "Check10", false);
    setBox(form, "Check3", true);
    setInput(form, u"\n"_s);
    click(form, "Command13");
    QVERIFY(queue(form).isEmpty());
    QCOMPARE(form.grid().rowCount(), 0);
    QCOMPARE(form.grid().columnCount(), 10);
    QVERIFY(isTicked(form, "Check10"));
    QVERIFY(m_server->requests().isEmpty());
}

void TestWindow::emptyInputOnlyWarns()
{
    Form1& form = *m_form;
    setInput(form, u"a.test\n"_s);
    click(form, "Command13");
    auto* text2 = form.findChild<QPlainTextEdit*>(u"Text2"_s);
    text2->setVisible(true);

    setInput(form, QString());
    click(form, "Command13");
    QCOMPARE(m_platform.shown.size(), 1);
    QCOMPARE(m_platform.shown.at(0).text, u"请输入查询域名"_s);
    QCOMPARE(m_platform.shown.at(0).title, QString());
    QCOMPARE(m_platform.shown.at(0).buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(m_platform.shown.at(0).icon, QMessageBox::NoIcon);
    QCOMPARE(queue(form), QStringList {u"a.test"_s});
    QCOMPARE(form.grid().rowCount(), 1);
    QVERIFY(!text2->isVisible());
}

void TestWindow::exportGateAndBytes()
{
    Form1& form = *m_form;
    click(form, "Command14");
    QCOMPARE(m_platform.shown.size(), 1);
    QCOMPARE(m_platform.shown.at(0).text, u"请先查询"_s);
    QVERIFY(m_platform.clipboardHistory.isEmpty());

    // Ticked by hand before any batch: 41 sample entries and no rows give an empty export, no crash.
    setBox(form, "Check10", true);
    click(form, "Command14");
    QCOMPARE(m_platform.clipboardHistory, QStringList {QString()});

    setInput(form, u"a.test\nb.test\n"_s);
    click(form, "Command13");
    form.grid().setText(0, IcpColumn, u"京ICP备12345678号"_s);
    click(form, "Command14");
    QCOMPARE(m_platform.clipboardHistory.last(),
        u"a.test|注册： |备案：京ICP备12345678号|百度收录： |百度反链： |Alexa： |yahoo排名： |出站： |IP： \r\n"
        u"b.test|注册： |备案： |百度收录： |百度反链： |Alexa： |yahoo排名： |出站： |IP： \r\n"_s);
    QCOMPARE(m_platform.shown.last().text, u"全部复制成功，您可以粘贴到任意处！"_s);
    QCOMPARE(m_platform.shown.last().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

    setBox(form, "Check10", false);
    click(form, "Command14");
    QCOMPARE(m_platform.shown.last().text, u"请先查询"_s);
    QCOMPARE(m_platform.clipboardHistory.size(), 2);
}

void TestWindow::busyWindowIgnoresSecondBatchAndLookups()
{
    Form1& form = *m_form;
    auto slow = TestHttpServer::page(testData(u"icp-filed.gb2312.html"_s));
    slow.delayMs = 150;
    m_server->route(u"/Api/"_s, slow);
    setInput(form, u"a.test\nb.test\n"_s);
    setBox(form, "Check3", true);

    int interruptions = 0;
    connect(m_server.get(), &TestHttpServer::requestReceived, this, [&] {
        if (interruptions++ > 0)
            return;
        // Everything a user could press while the first answer is awaited.
        setInput(form, u"x.test\n"_s);
        click(form, "Command13");
        click(form, "Command11");
        click(form, "Command1");
        click(form, "Command6");
        QCOMPARE(queue(form), (QStringList {u"a.test"_s, u"b.test"_s}));
        QCOMPARE(form.grid().rowCount(), 2);
    });
    click(form, "Command13");

    QCOMPARE(m_server->requests().size(), 2);
    QCOMPARE(column(form, IcpColumn), (QStringList {u"京ICP备12345678号"_s, u"京ICP备12345678号"_s}));
    QVERIFY(!form.isBusy());
    // Once the batch is over, the same buttons work again.
    click(form, "Command13");
    QCOMPARE(queue(form), QStringList {u"x.test"_s});
}

void TestWindow::closingAsksAndOkAbandonsTheBatch()
{
    Form1& form = *m_form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    m_platform.answers = {QMessageBox::Cancel};
    QVERIFY(!form.close());
    QVERIFY(form.isVisible());
    const auto& question = m_platform.shown.last();
    QCOMPARE(question.text, u"真的退出吗?"_s);
    QCOMPARE(question.title, u"退出"_s);
    QCOMPARE(question.buttons, QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(question.icon, QMessageBox::Question);
    QCOMPARE(question.defaultButton, QMessageBox::Ok);
    QCOMPARE(m_platform.quitRequests, 0);

    auto slow = TestHttpServer::page(testData(u"icp-filed.gb2312.html"_s));
    slow.delayMs = 100;
    m_server->route(u"/Api/"_s, slow);
    setInput(form, u"a.test\nb.test\nc.test\nd.test\n"_s);
    setBox(form, "Check3", true);
    setBox(form, "Check6", true);
    qputenv("QUILLMARK_HOST_ALEXA", m_server->hostPort().toUtf8());
    connect(m_server.get(), &TestHttpServer::requestReceived, this, [&] {
        if (m_server->requests().size() == 2) {
            m_platform.answers = {QMessageBox::Ok};
            form.close();
        }
    });
    click(form, "Command13");

    QCOMPARE(m_platform.quitRequests, 1);
    QCOMPARE(m_server->requests().size(), 2); // no third ICP request, no Alexa request
    QCOMPARE(column(form, IcpColumn), (QStringList {u"京ICP备12345678号"_s, u" "_s, u" "_s, u" "_s}));
    QVERIFY(!form.isVisible());
    qunsetenv("QUILLMARK_HOST_ALEXA");
}

void TestWindow::smallButtonsAndUntitledBoxes()
{
    Form1& form = *m_form;
    setInput(form, u"a.test\n"_s);
    click(form, "Command13");
    click(form, "Command12");
    QCOMPARE(column(form, RegistrarColumn), QStringList {u" "_s});

    click(form, "Command15");
    click(form, "Command15");
    QCOMPARE(m_platform.openedUrls,
        (QList<QUrl> {QUrl(u"http://www.quillmark.example/"_s), QUrl(u"http://www.quillmark.example/"_s)}));

    // The real desktop box: no title given, the program's title shown.
    QString seenTitle;
    QTimer::singleShot(0, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        seenTitle = box->windowTitle();
        box->button(QMessageBox::Ok)->click();
    });
    DesktopPlatform desktop;
    QCOMPARE(desktop.messageBox(&form, u"请先查询"_s, QString(), QMessageBox::Ok, QMessageBox::NoIcon, QMessageBox::Ok),
        QMessageBox::Ok);
    QCOMPARE(seenTitle, u"seo-Quillmark"_s);
}

void TestWindow::hundredThousandDomains()
{
    Form1& form = *m_form;
    QString input;
    for (int i = 0; i < 100'000; ++i)
        input += u"d%1.test\n"_s.arg(i);
    setInput(form, input);

    QElapsedTimer clock;
    clock.start();
    click(form, "Command13");
    qInfo("Start with 100,000 domains: %lld ms", clock.elapsed());
    QCOMPARE(form.grid().rowCount(), 100'000);
    QCOMPARE(form.grid().text(99'999, PositionColumn), u"99999"_s);
    QCOMPARE(form.grid().text(99'999, DomainColumn), u"d99999.test"_s);
    QCOMPARE(form.grid().text(32'767, DomainColumn), u"d32767.test"_s);
}

QTEST_MAIN(TestWindow)
#include "test_window.moc"
