// The window as a user meets it: its controls, Start and Stop, Export, message boxes that must not hold up
// a batch, closing, the settings dialog, and thousands of random clicks that must leave every cell in its row.
#include "TestHttpServer.h"
#include "app/ResultsGrid.h"
#include "app/CustomLookupsDialog.h"
#include "app/SettingsDialog.h"
#include "app/intake.h"
#include "store/store.h"
#include "windowtesting.h"
#include "update/update.h"
#include "web/fetch.h"

#include <QAction>
#include <QScrollBar>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTextDocument>
#include <QTreeView>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void layoutAtStartUp();
    void boxTextAndCellDisplay();
    void eachBoxItsColumnAndTheUpdateQuestion();
    void startThenStopFromTheSameButton_data();
    void startThenStopFromTheSameButton();
    void emptyInputAndExportGate();
    void boxesDoNotHoldUpTheBatchButClosingEndsIt();
    void historyAndResume();
    void answerOfARegistrationCell();
    void settingsAreCheckedOnEntryAndOnRead();
    void customLookupsRefusedUntilSound();
    void monkeyDuringBatches();

private:
    void slowIcp(int delayMs, Form1* form = nullptr);
    Walker& walker() { return m_form->walker(); }

    ScriptedPlatform m_platform;
    std::unique_ptr<TestHttpServer> m_server;
    std::unique_ptr<Form1> m_form;
};

void TestWindow::init()
{
    m_platform = ScriptedPlatform();
    m_platform.ping = kFakePing;
    m_server = std::make_unique<TestHttpServer>();
    serveEverythingFrom(m_server->hostPort());
    m_form = makeWindow(m_platform);
}

void TestWindow::cleanup()
{
    m_form.reset();
    m_server.reset();
}

void TestWindow::slowIcp(int delayMs, Form1* form)
{
    testSettings().setPace(u"icp"_s, {1, 0});
    auto slow = TestHttpServer::page(testData(u"icp-filed.gb2312.html"_s));
    slow.delayMs = delayMs;
    m_server->route(u"/Api/"_s, slow);
    setBox(form ? *form : *m_form, u"Check3"_s, true);
}

void TestWindow::layoutAtStartUp()
{
    Form1& form = *m_form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(
        form.windowTitle(), u"seo-Quillmark8.0     http://www.quillmark.example/ 羽墨网络工作室   010-5550-0188"_s);
    // The designed client area keeps its size under the menu bar.
    QCOMPARE(form.centralWidget()->size(), QSize(738, 273));
    QCOMPARE(form.minimumSize(), form.size());
    // Tab walks the visible controls only, in the design's order: none below the designed height.
    QStringList chain;
    for (QWidget* step = form.findChild<QWidget*>(u"Check2"_s); chain.size() < 13; step = step->nextInFocusChain()) {
        if (step->isVisible() && step->focusPolicy() & Qt::TabFocus)
            chain.append(step->objectName());
    }
    QCOMPARE(chain.join(u' '),
        u"Check2 Check3 Check4 Check5 Check6 Check7 Check8 Check9 Command13 Text1 Command14 Check10 Command15"_s);
    // The window may grow; the grid takes the room, and the newer lookups' columns show only once ticked.
    auto* view = form.findChild<QTreeView*>(u"ListView1"_s);
    form.resize(form.size() + QSize(262, 327));
    QTRY_COMPARE(view->geometry(), QRect(8, 104, 729 + 262, 161 + 327));
    QVERIFY(!form.findChild<QWidget*>(u"Command9"_s)->isVisible());
    QVERIFY(view->isColumnHidden(FirstLookupColumn + 8) && !view->isColumnHidden(FirstLookupColumn + 7));

    // Rows keep their names while the grid scrolls: the position and the domain stay over its left edge,
    // on the same rows.
    // The domain column grows for a long name, to a third of the grid at most.
    const QString longName = u"www.a-name-far-longer-than-the-designed-column.example.com.cn\n"_s;
    setInput(form, longName + QString(u"a.test\n"_s).repeated(199));
    click(form, u"Command13"_s);
    QVERIFY(waitIdle(form.walker()));
    auto* frozen = form.findChild<QTreeView*>(u"ListView1Frozen"_s);
    QVERIFY(frozen && frozen->isVisible());
    QCOMPARE(view->columnWidth(DomainColumn), view->viewport()->width() / 3 - view->columnWidth(PositionColumn));
    QCOMPARE(frozen->width(), view->columnWidth(PositionColumn) + view->columnWidth(DomainColumn));
    QVERIFY(frozen->isColumnHidden(FirstLookupColumn) && !frozen->isColumnHidden(DomainColumn));
    QTRY_VERIFY(view->verticalScrollBar()->maximum() > 120); // once the grid has laid its rows out
    view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
    view->verticalScrollBar()->setValue(120);
    QTRY_COMPARE(frozen->verticalScrollBar()->value(), 120);
    QCOMPARE(frozen->indexAt(QPoint(60, 5)).row(), view->indexAt(QPoint(60, 5)).row());
    QCOMPARE(frozen->geometry().topLeft(), QPoint(view->frameWidth(), view->frameWidth()));
    // In the designed size the grid scrolls sideways; at its end the first column in view starts where the
    // frozen ones end, its header whole.
    form.resize(form.minimumSize());
    QTRY_VERIFY(view->horizontalScrollBar()->maximum() > 0);
    view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
    bool atTheEdge = false;
    for (int column = FirstLookupColumn; column < view->model()->columnCount(); ++column)
        atTheEdge |= !view->isColumnHidden(column) && view->columnViewportPosition(column) == frozen->width();
    QVERIFY(atTheEdge);
}

void TestWindow::startThenStopFromTheSameButton_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("click 停  止") << false;
    QTest::newRow("Esc") << true;
}

void TestWindow::startThenStopFromTheSameButton()
{
    QFETCH(bool, escape);
    Form1& form = *m_form;
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    auto* start = form.findChild<QPushButton*>(u"Command13"_s);
    slowIcp(100);
    setInput(form, u"b.test\n\n  a.test \nb.test\nc.test\nd.test\n"_s);
    int requests = 0;
    connect(m_server.get(), &TestHttpServer::requestReceived, this, [&] {
        if (++requests != 2)
            return;
        QCOMPARE(start->text(), u"停  止"_s);
        // Nothing else may start while the batch runs, and the queue stays as it was.
        setInput(form, u"x.test\n"_s);
        for (const char* name : {"Command11", "Command1", "Command6"})
            click(form, QLatin1String(name));
        QCOMPARE(walker().queue().size(), 5);
        escape ? QTest::keyClick(&form, Qt::Key_Escape) : click(form, u"Command13"_s);
    });
    click(form, u"Command13"_s);
    QVERIFY(waitIdle(walker()));
    // One row per non-empty line, as typed, numbered from 0; the two rows written before the stop, no more.
    QCOMPARE(column(walker().results(), DomainColumn).join(u'|'), u"b.test|  a.test |b.test|c.test|d.test"_s);
    QCOMPARE(column(walker().results(), PositionColumn).join(u'|'), u"0|1|2|3|4"_s);
    QCOMPARE(
        column(walker().results(), FirstLookupColumn + 1).join(u'|'), u"京ICP备12345678号|京ICP备12345678号| | | "_s);
    QCOMPARE(requests, 2);
    QCOMPARE(start->text(), u"开  始"_s);
    QVERIFY(form.findChild<QCheckBox*>(u"Check10"_s)->isChecked());
}

void TestWindow::emptyInputAndExportGate()
{
    Form1& form = *m_form;
    // Before any batch, whether Check10 is ticked by hand or not, there is nothing to copy.
    for (bool ticked : {false, true}) {
        setBox(form, u"Check10"_s, ticked);
        click(form, u"Command14"_s);
        QCOMPARE(m_platform.shown.last().text, u"请先查询"_s);
    }
    QVERIFY(m_platform.clipboard.isEmpty());
    form.findChild<QAction*>(u"actionCopySelected"_s)->trigger();
    QCOMPARE(m_platform.shown.last().text, u"请先在表格中选择要复制的行。"_s);
    QVERIFY(!form.findChild<QAction*>(u"actionRerunFailed"_s)->isEnabled());

    setInput(form, u"a.test\nb.test\n"_s);
    click(form, u"Command13"_s);
    QVERIFY(waitIdle(walker()));
    setInput(form, QString());
    click(form, u"Command13"_s);
    // No title of its own: the desktop box shows the program's. OK only, no icon.
    QCOMPARE(m_platform.shown.last().summary, u"请输入查询域名||1024|0|1024"_s);
    QCOMPARE(walker().results().rowCount(), 2);

    click(form, u"Command14"_s); // the lines' format is proved with the export itself
    QCOMPARE(m_platform.clipboard.value(0).count(u"\r\n"_s), 2);
    QCOMPARE(m_platform.shown.last().text, u"全部复制成功，您可以粘贴到任意处！"_s);
}

void TestWindow::boxesDoNotHoldUpTheBatchButClosingEndsIt()
{
    Form1& form = *m_form;
    form.show();
    m_platform.answers = {QMessageBox::Cancel};
    QVERIFY(!form.close() && form.isVisible());
    QCOMPARE(m_platform.shown.last().summary, u"真的退出吗?|退出|4195328|4|1024"_s); // OK, Cancel; question; OK
    // Export's box stays open for longer than a request may take: the batch goes on meanwhile, and every
    // page that arrives while it is open is an answer, not a time-out.
    form.walker().network().limits = {500, 1024 * 1024, 5};
    slowIcp(150);
    setInput(form, u"a\nb\nc\nd\ne\nf\ng\nh\ni\nj\nk\nl\n"_s);
    click(form, u"Command13"_s);
    m_platform.whileShown = [&] { QTest::qWait(1500); };
    click(form, u"Command14"_s);
    m_platform.whileShown = nullptr;
    QVERIFY2(m_server->requests.size() >= 4, qPrintable(QString::number(m_server->requests.size())));
    // Closing with OK in the middle of the batch ends it: nothing more is asked or written.
    const qsizetype asked = m_server->requests.size();
    const QStringList written = column(walker().results(), FirstLookupColumn + 1);
    form.close();
    QCOMPARE(m_platform.quitRequests, 1);
    QTest::qWait(500);
    QCOMPARE(m_server->requests.size(), asked);
    QCOMPARE(column(walker().results(), FirstLookupColumn + 1), written);
    QCOMPARE(written.last(), u" "_s);
    QCOMPARE(walker().results().problemCount(), 0);
}

void TestWindow::boxTextAndCellDisplay()
{
    // The box's text: CR LF between lines (Shift+Enter's too), and a no-break space stays one.
    QTextDocument document(u"a.test\nb\u00a0.test\u2028c.test\n"_s);
    QCOMPARE(inputText(document), u"a.test\r\nb\u00a0.test\r\nc.test\r\n"_s);
    // A cell on screen: one line, line breaks marked, a long one elided (the exports keep it whole).
    QCOMPARE(displayText(u"ping: x\r\nline\nend\r"_s), u"ping: x↵line↵end↵"_s);
    QCOMPARE(displayText(QString(1500, u'x')), QString(1000, u'x') + u'…');
}

void TestWindow::eachBoxItsColumnAndTheUpdateQuestion()
{
    // The boxes as the user reads them, and the column each must fill: a box wired to its neighbour's
    // lookup (the two Baidu ones look alike) shows here, whatever the lookup table says.
    const QList<QPair<QString, QString>> boxes {{u"未注册域名批量检测"_s, u"域名注册"_s}, {u"备案批量查询"_s, u"域名是否备案"_s},
        {u"百度收录批量查询"_s, u"百度收录"_s}, {u"百度反链批量查询"_s, u"百度反链"_s}, {u"Alexa排名批量查询"_s, u"Alexa排名"_s},
        {u"雅虎反链批量查询"_s, u"yahoo反链"_s}, {u"出站链接批量查询"_s, u"出站链接"_s}, {u"站点IP批量查询"_s, u"站点IP地址"_s}};
    m_server->route(u"/"_s, TestHttpServer::page(testData(u"markers-all.gb2312.html"_s)));
    setInput(*m_form, m_server->hostPort() + u"/a\n"_s);
    const QList<QCheckBox*> all = m_form->findChildren<QCheckBox*>();
    for (const auto& [caption, header] : boxes) {
        for (QCheckBox* box : all)
            box->setChecked(box->text() == caption);
        click(*m_form, u"Command13"_s);
        QVERIFY(waitIdle(walker()));
        QStringList filled;
        for (int column = FirstLookupColumn; column < builtInTable()->columnCount(); ++column) {
            if (walker().results().isWritten(0, column))
                filled.append(builtInTable()->header(column));
        }
        QCOMPARE(filled, QStringList {header});
    }

    // A newer version on the update host asks once, and OK opens the download page; our own asks nothing.
    m_server->route(u"/fennory/vavuze.txt"_s, TestHttpServer::page("9.2\r\n"));
    m_platform.shown.clear();
    m_platform.answers = {QMessageBox::Ok};
    m_form->Timer1_Timer();
    QTRY_COMPARE(m_platform.shown.size(), 1);
    QCOMPARE(m_platform.shown.first().text, u"最新版本Fennory9.2，是否更新？"_s);
    QCOMPARE(m_platform.opened.size(), 1);
    QVERIFY(m_platform.opened.first().toString().contains(m_server->hostPort() + u"/fennory/"_s));
    m_server->route(u"/fennory/vavuze.txt"_s, TestHttpServer::page(QString::fromUtf16(kOwnVersion).toLatin1() + "\r\n"));
    m_form->Timer1_Timer();
    QTest::qWait(500);
    QCOMPARE(m_platform.shown.size(), 1);
    // Asked from the menu, the answer names the program's version, the one in the title, not the channel's.
    m_form->checkForUpdates();
    QTRY_COMPARE(m_platform.shown.size(), 2);
    QCOMPARE(m_platform.shown.last().text, u"已是最新版本（%1）。"_s.arg(m_form->windowTitle().section(u' ', 0, 0).mid(13)));
}

void TestWindow::historyAndResume()
{
    QTemporaryDir dir;
    ResultStore store(dir.filePath(u"results.db"_s));
    auto form = makeWindow(m_platform, &store);
    slowIcp(0, form.get());
    setInput(*form, u"a.test\nb.test\n"_s);
    click(*form, u"Command13"_s);
    QVERIFY(waitIdle(form->walker()));
    // The next batch finds b.test no longer filed: the cell stands out and says what it was.
    m_server->route(u"/Api/?ApiVersion=2.0&Domain=b.test"_s, TestHttpServer::page(testData(u"icp-none.gb2312.html"_s)));
    click(*form, u"Command13"_s);
    QVERIFY(waitIdle(form->walker()));
    const QAbstractItemModel* grid = form->findChild<QTreeView*>(u"ListView1"_s)->model();
    const QModelIndex changed = grid->index(1, FirstLookupColumn + 1);
    QCOMPARE(changed.data().toString(), u"未备案"_s);
    QTRY_COMPARE(changed.data(Qt::ToolTipRole).toString(), // the writer thread finds it a moment later
        u"上次：京ICP备12345678号（%1）"_s.arg(QDate::currentDate().toString(Qt::ISODate)));
    QVERIFY(changed.data(Qt::ForegroundRole).isValid());
    QVERIFY(!grid->index(0, FirstLookupColumn + 1).data(Qt::ToolTipRole).isValid());

    // A batch cut short by closing: the next start offers to go on, and asks only for what is missing.
    slowIcp(200, form.get());
    setInput(*form, u"c.test\nd.test\ne.test\n"_s);
    connect(m_server.get(), &TestHttpServer::requestReceived, form.get(), [&] {
        if (m_server->requests.last().contains(u"d.test"_s))
            form->walker().abortAll();
    });
    click(*form, u"Command13"_s);
    QTRY_VERIFY(!form->walker().isBusy());
    form.reset();
    m_server->requests.clear();
    m_platform.answers = {QMessageBox::Yes};
    form = makeWindow(m_platform, &store);
    form->offerToResume();
    QCOMPARE(m_platform.shown.last().text, u"上次的查询没有完成，是否继续？"_s);
    QVERIFY(waitIdle(form->walker()));
    QCOMPARE(column(form->walker().results(), FirstLookupColumn + 1), QStringList(3, u"京ICP备12345678号"_s));
    QCOMPARE(m_server->requests.size(), 2); // d.test and e.test: c.test was saved
    form.reset();

    // A save that fails mid-batch is told once, in a box and under 访问官网, and the batch goes on.
    QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"breaker"_s);
    db.setDatabaseName(dir.filePath(u"results.db"_s));
    QVERIFY(db.open());
    QVERIFY(QSqlQuery(db).exec(u"CREATE TRIGGER refuse BEFORE INSERT ON cells BEGIN SELECT RAISE(ABORT, 'no'); END"_s));
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(u"breaker"_s);
    form = makeWindow(m_platform, &store);
    slowIcp(0, form.get());
    m_platform.shown.clear();
    setInput(*form, u"f.test\ng.test\n"_s);
    click(*form, u"Command13"_s);
    QVERIFY(waitIdle(form->walker()));
    QTRY_COMPARE(m_platform.shown.size(), 1);
    QVERIFY2(m_platform.shown.first().text.startsWith(u"保存查询结果失败"_s), qPrintable(m_platform.shown.first().text));
    QCOMPARE(column(form->walker().results(), FirstLookupColumn + 1), QStringList(2, u"京ICP备12345678号"_s));
    QVERIFY(!store.isSaving() && store.hasFailed());
}

void TestWindow::answerOfARegistrationCell()
{
    // The registry of ".test" is our server, the cached bootstrap says.
    QTemporaryDir folders;
    qputenv("XDG_CACHE_HOME", folders.path().toUtf8());
    QVERIFY(QDir().mkpath(folders.filePath(u"seo-quillmark"_s)));
    QFile bootstrap(folders.filePath(u"seo-quillmark/rdap-dns.json"_s));
    QVERIFY(bootstrap.open(QIODevice::WriteOnly));
    bootstrap.write(R"({"services":[[["test"],["http://)" + m_server->hostPort().toUtf8() + R"(/rdap/"]]]})");
    bootstrap.close();
    m_server->route(u"/rdap/domain/a.test"_s, TestHttpServer::page(R"({"objectClassName":"domain","ldhName":"a.test"})"));
    auto form = makeWindow(m_platform);
    form->findChild<QAction*>(u"lookup-reg-status"_s)->setChecked(true);
    setInput(*form, u"a.test\n"_s);
    click(*form, u"Command13"_s);
    QVERIFY(waitIdle(form->walker()));
    auto* grid = form->findChild<QTreeView*>(u"ListView1"_s);
    grid->setCurrentIndex(grid->model()->index(0, columnOfKey(u"reg-status"_s)));
    form->findChild<QAction*>(u"actionAnswer"_s)->trigger();
    auto* text = form->findChild<QPlainTextEdit*>(u"answerText"_s);
    QVERIFY(text);
    QVERIFY2(text->toPlainText().contains(u"注册状态：已注册　← objectClassName：domain，ldhName：a.test"_s),
        qPrintable(text->toPlainText()));
    QVERIFY(text->toPlainText().contains(u"1  {\"objectClassName\":\"domain\",\"ldhName\":\"a.test\"}"_s));
    // Ticks are kept in the settings: the next test starts without this one's.
    form->findChild<QAction*>(u"lookup-reg-status"_s)->setChecked(false);
    qunsetenv("XDG_CACHE_HOME");
}

void TestWindow::settingsAreCheckedOnEntryAndOnRead()
{
    SettingsDialog dialog(testSettings(), builtInTable()->services());
    auto* gap = dialog.findChild<QSpinBox*>(u"home/gapMs"_s);
    auto* baidu = dialog.findChild<QSpinBox*>(u"baidu/concurrency"_s);
    // What cannot be kept cannot be typed: letters, and numbers past the bounds, do not stick.
    for (auto [box, typed] : {std::pair {gap, "soon"}, std::pair {baidu, "65"}, std::pair {baidu, "0"}}) {
        box->selectAll();
        QTest::keyClicks(box, QString::fromLatin1(typed));
        box->interpretText();
        QVERIFY2(Settings::rangeProblem({baidu->value(), gap->value()}).isEmpty(), typed);
    }
    QCOMPARE(baidu->maximum(), Settings::kMaxConcurrency);
    QCOMPARE(gap->maximum(), Settings::kMaxGapMs);
    gap->setValue(250);
    baidu->setValue(2);
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(testSettings().pace(serviceOf(u"baidu"_s)).concurrency, 2);
    QCOMPARE(testSettings().pace(serviceOf(u"home"_s)).gapMs, 250);
    // A hand-edited file: out of range or no number reads as the default.
    QTemporaryDir dir;
    QFile file(dir.filePath(u"hand.conf"_s));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[home]\nconcurrency=500\n[ping]\ngapMs=fast\n") > 0);
    file.close();
    QCOMPARE(Settings(file.fileName()).pace(serviceOf(u"home"_s)).concurrency, 32);
    QCOMPARE(Settings(file.fileName()).pace(serviceOf(u"ping"_s)).gapMs, 0);
}

void TestWindow::customLookupsRefusedUntilSound()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"lookups.json"_s);
    CustomLookupsDialog dialog({}, path);
    click(dialog, u"add"_s);
    const auto field = [&](const QString& name) { return dialog.findChild<QLineEdit*>(name); };
    field(u"key"_s)->setText(u"dns"_s); // a built-in lookup's
    field(u"header"_s)->setText(u"权重"_s);
    field(u"url"_s)->setText(u"https://api.test/w?d={ascii}"_s);
    dialog.findChild<QComboBox*>(u"extraction"_s)->setCurrentIndex(int(Extraction::Json));
    field(u"pattern"_s)->setText(u"/data/weight"_s);
    dialog.accept();
    QCOMPARE(dialog.findChild<QLabel*>(u"message"_s)->text(), u"“权重”：键名“dns”已被占用"_s);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!QFile::exists(path));
    // A second one left half done is named too, and nothing is saved while it is.
    field(u"key"_s)->setText(u"weight"_s);
    click(dialog, u"add"_s);
    dialog.accept();
    QVERIFY2(dialog.findChild<QLabel*>(u"message"_s)->text().contains(u"地址须以 http://"_s),
        qPrintable(dialog.findChild<QLabel*>(u"message"_s)->text()));
    QVERIFY(!QFile::exists(path));
    click(dialog, u"remove"_s);
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    const CustomFile saved = readCustomLookups(path, [](const QString&) { return false; });
    QCOMPARE(saved.lookups.size(), size_t(1));
    QCOMPARE(customToJson(saved.lookups.front()), customToJson(dialog.lookups().front()));
    QCOMPARE(saved.lookups.front().pattern, u"/data/weight"_s);
}

void TestWindow::monkeyDuringBatches()
{
    // Domain "host:port/mN" gets answers that all carry N, so each cell names the row it belongs to.
    const QByteArray numbered = testData(u"numbered-answer.gb2312.html"_s);
    m_server->responder = [&](const QString& target) {
        const QByteArray n = target.section(u"/m"_s, 1).section(u'&', 0, 0).toLatin1();
        return TestHttpServer::page(QByteArray(numbered).replace("ICPNUM", n).replace("COUNT", n).replace("LINKS", ""));
    };
    m_platform.answerer = [](const ScriptedPlatform::Shown& box) {
        return box.title == u"退出"_s ? QMessageBox::Cancel : QMessageBox::Ok;
    };
    QRandomGenerator random(20261207);
    int actions = 0;
    int duringBatches = 0;
    QTimer monkey;
    connect(&monkey, &QTimer::timeout, this, [&] {
        ++actions;
        duringBatches += walker().isBusy() ? 1 : 0;
        const int dice = int(random.bounded(100));
        QString input;
        for (int i = int(random.bounded(1, 25)); dice < 10 && i > 0; --i)
            input += m_server->hostPort() + u"/m%1\n"_s.arg(random.bounded(10'000'000, 10'000'060));
        if (dice < 10)
            setInput(*m_form, input);
        else if (dice < 40)
            setBox(*m_form, u"Check%1"_s.arg(random.bounded(1, 11)), random.bounded(2));
        else if (dice < 45)
            m_form->close();
        else
            click(*m_form, u"Command%1"_s.arg(random.bounded(1, 16)));
    });
    m_form->show();
    monkey.start(1);
    QTRY_VERIFY_WITH_TIMEOUT(actions >= 3000, 240'000);
    monkey.stop();
    QVERIFY(waitIdle(walker()));
    const Results& results = walker().results();
    for (int row = 0; row < results.rowCount(); ++row) {
        const QString domain = results.text(row, DomainColumn);
        const QString n = domain.section(u"/m"_s, 1);
        const QStringList own {u" "_s, u"可注册"_s, u"已被注册"_s, u"京ICP备"_s + n + u"号"_s, n, u"0"_s, domain};
        QCOMPARE(results.text(row, PositionColumn), QString::number(row));
        for (int column = FirstLookupColumn; column < builtInTable()->columnCount(); ++column)
            QVERIFY2(own.contains(results.text(row, column)),
                qPrintable(u"row %1: %2"_s.arg(row).arg(results.text(row, column))));
    }
    QVERIFY2(duringBatches > 500, qPrintable(QString::number(duringBatches)));
    QCOMPARE(m_platform.quitRequests, 0);
}

QTEST_MAIN(TestWindow)
#include "test_window.moc"
