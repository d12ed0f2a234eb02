// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as a user meets it: its controls, each box its column, Start and Stop from one button, the
// export gate, message boxes that must not hold up a batch, closing, the update question, and the frozen names
// on their rows while a batch fills the grid; the designed captions in English, in their boxes.
#include "app/UpdateController.h"
#include "app/designed.h"
#include "settings/language.h"
#include "update/update.h"
#include "update/version.h"
#include "windowtesting.h"

#include <QFontDatabase>
#include <QHeaderView>
#include <QMenuBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTreeView>

using namespace Qt::Literals::StringLiterals;

class TestWindow : public QObject
{
    Q_OBJECT
private slots:
    void init() { f.emplace(); }
    void cleanup() { f.reset(); }
    void controlsAtStartUp();
    void eachBoxItsColumn();
    void startThenStopFromTheSameButton_data();
    void startThenStopFromTheSameButton();
    void emptyInputAndExportGate();
    void boxesDoNotHoldUpTheBatchButClosingEndsIt();
    void updateQuestion_data();
    void updateQuestion();
    void frozenNamesFollowAFillingGrid_data();
    void frozenNamesFollowAFillingGrid();
    void englishCaptionsFitTheDesignedBoxes();

private:
    std::optional<WindowFixture> f;
};

void TestWindow::controlsAtStartUp()
{
    MainWindow& form = *f->form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.windowTitle(),
        u"seo-Quillmark"_s + QString::fromUtf16(kVersion)
            + u"     http://www.quillmark.example/ 羽墨网络工作室   010-5550-0188"_s);
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
}

void TestWindow::eachBoxItsColumn()
{
    // The boxes as the user reads them, and the column each must fill: a box wired to its neighbour's
    // lookup (the two Baidu ones look alike) shows here, whatever the lookup table says.
    const QList<QPair<QString, QString>> boxes {{u"未注册域名批量检测"_s, u"域名注册"_s},
        {u"备案批量查询"_s, u"域名是否备案"_s}, {u"百度收录批量查询"_s, u"百度收录"_s},
        {u"百度反链批量查询"_s, u"百度反链"_s}, {u"Alexa排名批量查询"_s, u"Alexa排名"_s},
        {u"雅虎反链批量查询"_s, u"yahoo反链"_s}, {u"出站链接批量查询"_s, u"出站链接"_s},
        {u"站点IP批量查询"_s, u"站点IP地址"_s}};
    f->server.route(u"/"_s, TestHttpServer::page(testData(u"markers-all.gb2312.html"_s)));
    setInput(*f->form, f->server.hostPort() + u"/a\n"_s);
    const QList<QCheckBox*> all = f->form->findChildren<QCheckBox*>();
    for (const auto& [caption, header] : boxes) {
        for (QCheckBox* box : all)
            box->setChecked(box->text() == caption);
        QVERIFY(runToEnd(*f->form));
        QStringList filled;
        for (int column = FirstLookupColumn; column < builtInTable()->columnCount(); ++column) {
            if (f->walker().results().isWritten(0, column))
                filled.append(builtInTable()->header(column));
        }
        QCOMPARE(filled, QStringList {header});
    }
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
    MainWindow& form = *f->form;
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    auto* start = form.findChild<QPushButton*>(u"Command13"_s);
    f->slowIcp(100, form);
    // A search walk beside it, which the stop flag of the classic lookups does not end: Stop ends it too.
    f->settings.setPace(u"baidu"_s, {1, 0});
    auto slowSearch = TestHttpServer::page(testData(u"markers-all.gb2312.html"_s));
    slowSearch.delayMs = 100;
    f->server.route(u"/s?"_s, slowSearch);
    setBox(form, u"Check4"_s, true);
    setInput(form, u"b.test\n\n  a.test \nb.test\nc.test\nd.test\n"_s);
    int filings = 0;
    connect(&f->server, &TestHttpServer::requestReceived, this, [&](const QString& target) {
        if (!target.startsWith(u"/Api/"_s) || ++filings != 2)
            return;
        QCOMPARE(start->text(), u"停  止"_s);
        // Nothing else may start while the batch runs, and the queue stays as it was.
        setInput(form, u"x.test\n"_s);
        for (const char* name : {"Command11", "Command1", "Command6"})
            click(form, QLatin1String(name));
        QCOMPARE(f->walker().queue().size(), 5);
        escape ? QTest::keyClick(&form, Qt::Key_Escape) : click(form, u"Command13"_s);
    });
    QVERIFY(runToEnd(form));
    // One row per non-empty line, as typed, numbered from 0; the two rows written before the stop, no more.
    const Results& results = f->walker().results();
    QCOMPARE(column(results, DomainColumn).join(u'|'), u"b.test|  a.test |b.test|c.test|d.test"_s);
    QCOMPARE(column(results, PositionColumn).join(u'|'), u"0|1|2|3|4"_s);
    QCOMPARE(column(results, FirstLookupColumn + 1).join(u'|'), u"京ICP备12345678号|京ICP备12345678号| | | "_s);
    QCOMPARE(filings, 2);
    QCOMPARE(column(results, columnOfKey(u"baidu-index"_s)).mid(3), QStringList(2, u" "_s));
    QCOMPARE(start->text(), u"开  始"_s);
    QVERIFY(form.findChild<QCheckBox*>(u"Check10"_s)->isChecked());
}

void TestWindow::emptyInputAndExportGate()
{
    MainWindow& form = *f->form;
    ScriptedPlatform& platform = f->platform;
    // Before any batch, whether Check10 is ticked by hand or not, there is nothing to copy.
    for (bool ticked : {false, true}) {
        setBox(form, u"Check10"_s, ticked);
        click(form, u"Command14"_s);
        QCOMPARE(platform.shown.last().text, u"请先查询"_s);
    }
    QVERIFY(platform.clipboard.isEmpty());
    form.findChild<QAction*>(u"actionCopySelected"_s)->trigger();
    QCOMPARE(platform.shown.last().text, u"请先在表格中选择要复制的行。"_s);
    QVERIFY(!form.findChild<QAction*>(u"actionRerunFailed"_s)->isEnabled());

    setInput(form, u"a.test\nb.test\n"_s);
    QVERIFY(runToEnd(form));
    setInput(form, QString());
    click(form, u"Command13"_s);
    // No title of its own: the desktop box shows the program's. OK only, no icon.
    QCOMPARE(platform.shown.last().summary, u"请输入查询域名||1024|0|1024"_s);
    QCOMPARE(f->walker().results().rowCount(), 2);

    // The box beside 导  出 only shows that a batch ran: unticked by hand, the rows are still there to copy.
    QVERIFY(form.findChild<QCheckBox*>(u"Check10"_s)->isChecked());
    setBox(form, u"Check10"_s, false);
    click(form, u"Command14"_s); // the lines' format is proved with the export itself
    QCOMPARE(platform.clipboard.value(0).count(u"\r\n"_s), 2);
    QCOMPARE(platform.shown.last().text, u"全部复制成功，您可以粘贴到任意处！"_s);
}

void TestWindow::boxesDoNotHoldUpTheBatchButClosingEndsIt()
{
    MainWindow& form = *f->form;
    form.show();
    f->platform.answers = {QMessageBox::Cancel};
    QVERIFY(!form.close() && form.isVisible());
    QCOMPARE(f->platform.shown.last().summary, u"真的退出吗?|退出|4195328|4|1024"_s); // OK, Cancel; question; OK
    // Export's box stays open for longer than a request may take (half a second): the batch goes on meanwhile,
    // and every page that arrives while it is open is an answer, not a time-out.
    f->walker().network().limits = {500, 1024 * 1024, 5};
    f->slowIcp(150, form);
    setInput(form, u"a\nb\nc\nd\ne\nf\ng\nh\ni\nj\nk\nl\n"_s);
    click(form, u"Command13"_s);
    f->platform.whileShown = [&] { QVERIFY(QTest::qWaitFor([&] { return f->server.requests.size() >= 6; })); };
    click(form, u"Command14"_s);
    f->platform.whileShown = nullptr;
    // Closing with OK in the middle of the batch ends it: the request in flight is dropped, so nothing more
    // is asked or written.
    const qsizetype asked = f->server.requests.size();
    const QStringList written = column(f->walker().results(), FirstLookupColumn + 1);
    form.close();
    QCOMPARE(f->platform.quitRequests, 1);
    QVERIFY(!f->walker().isBusy());
    QTRY_VERIFY(f->server.findChildren<QTcpSocket*>().isEmpty());
    QCOMPARE(f->server.requests.size(), asked);
    QCOMPARE(column(f->walker().results(), FirstLookupColumn + 1), written);
    QCOMPARE(written.last(), u" "_s);
    QCOMPARE(f->walker().results().problemCount(), 0);
}

void TestWindow::updateQuestion_data()
{
    // What the update host says (status 0: nothing listens there), whether the user asked from the menu and
    // what they answer to a question; then the boxes shown, and "→ download page" once it opens.
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("published");
    QTest::addColumn<bool>("fromMenu");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("outcome");
    const auto row
        = [](const char* name, int status, const QByteArray& published, bool fromMenu, int answer,
              const QString& outcome) { QTest::newRow(name) << status << published << fromMenu << answer << outcome; };
    const QString question = u"最新版本Fennory9.2，是否更新？"_s;
    const QByteArray own = QString::fromUtf16(kOwnVersion).toLatin1() + "\r\n";
    const QString unreached = u"无法连接更新服务器。"_s;
    row("newer, OK", 200, "9.2\r\n", false, QMessageBox::Ok, question + u" → download page"_s);
    row("newer, 取消", 200, "9.2\r\n", false, QMessageBox::Cancel, question);
    row("our own", 200, own, false, QMessageBox::Ok, QString());
    row("our own, from the menu", 200, own, true, QMessageBox::Ok,
        u"已是最新版本（%1）。"_s.arg(QString::fromUtf16(kVersion)));
    row("404 naming a version", 404, "9.2\r\n", false, QMessageBox::Ok, QString());
    row("404, from the menu", 404, "9.2\r\n", true, QMessageBox::Ok, unreached);
    row("no answer", 0, {}, false, QMessageBox::Ok, QString());
    row("no answer, from the menu", 0, {}, true, QMessageBox::Ok, unreached);
}

void TestWindow::updateQuestion()
{
    QFETCH(int, status);
    QFETCH(QByteArray, published);
    QFETCH(bool, fromMenu);
    QFETCH(int, answer);
    std::optional<ScopedEnv> nowhere;
    if (status == 0) {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        nowhere.emplace("QUILLMARK_HOST_UPDATE", "127.0.0.1:" + QByteArray::number(closed.serverPort()));
    }
    f->server.route(u"/fennory/vavuze.txt"_s, TestHttpServer::page(published, status));
    f->platform.answers = {QMessageBox::StandardButton(answer)};
    auto* check = f->form->findChild<UpdateCheck*>();
    QSignalSpy newer(check, &UpdateCheck::newVersion);
    QSignalSpy none(check, &UpdateCheck::noNewVersion);
    fromMenu ? f->form->findChild<QAction*>(u"actionCheckUpdate"_s)->trigger() : f->form->updates().checkOnTimer();
    QTRY_COMPARE(newer.size() + none.size(), 1);
    QStringList outcome;
    for (const ScriptedPlatform::Shown& box : f->platform.shown)
        outcome.append(box.text);
    for (const QUrl& opened : f->platform.opened)
        outcome.append(opened == QUrl(u"http://"_s + f->server.hostPort() + u"/fennory/"_s) ? u"download page"_s
                                                                                            : opened.toString());
    QTEST(outcome.join(u" → "_s), "outcome");
}

void TestWindow::frozenNamesFollowAFillingGrid_data()
{
    // Where the user takes the grid while a batch writes it (-1: nowhere, it follows the row being written),
    // at which row, and how tall the window is: the frozen names must stay on their rows all the while.
    QTest::addColumn<int>("scrollTo");
    QTest::addColumn<int>("atRow");
    QTest::addColumn<int>("taller");
    QTest::newRow("following the row being written") << -1 << 0 << 0;
    QTest::newRow("scrolled to the end while rows are written") << 1000 << 3 << 0;
    QTest::newRow("scrolled back to the top while rows are written") << 0 << 20 << 0;
    QTest::newRow("scrolled to the middle of a taller grid") << 30 << 10 << 300;
}

void TestWindow::frozenNamesFollowAFillingGrid()
{
    QFETCH(int, scrollTo);
    QFETCH(int, atRow);
    QFETCH(int, taller);
    MainWindow& form = *f->form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.resize(form.size() + QSize(0, taller));
    auto* view = form.findChild<QTreeView*>(u"ListView1"_s);
    auto* frozen = form.findChild<QTreeView*>(u"ListView1Frozen"_s);
    f->slowIcp(10, form);
    setInput(form, QString(u"a.test\n"_s).repeated(40));
    const auto rowsAt = [](const QTreeView* on) {
        QList<int> rows;
        for (int y = 2; y < on->viewport()->height(); y += 7)
            rows.append(on->indexAt(QPoint(2, y)).row());
        return rows;
    };
    int checked = 0;
    connect(&f->walker(), &Walker::progress, this, [&](const Lookup&, int row) {
        if (row == atRow && scrollTo >= 0)
            view->verticalScrollBar()->setValue(scrollTo);
        if (row < atRow || row % 10 != 0)
            return;
        QTRY_COMPARE(rowsAt(frozen), rowsAt(view));
        ++checked;
    });
    QVERIFY(runToEnd(form));
    QVERIFY(checked > 0);
    QVERIFY(scrollTo >= 0 || view->verticalScrollBar()->value() > 0); // it followed the rows down
    QTRY_COMPARE(rowsAt(frozen), rowsAt(view));
}

// With the English translation installed under an open window: every designed caption (and the Stop that Start
// becomes) changes to its English, and fits the designed box in the font the program ships for. A caption left
// untranslated, one the window does not set again, or one too long for its box fails here.
void TestWindow::englishCaptionsFitTheDesignedBoxes()
{
    const QString family = u"WenQuanYi Micro Hei"_s;
    if (!QFontDatabase::families().contains(family))
        QSKIP("WenQuanYi Micro Hei is not installed (fonts-wqy-microhei)");
    QFont font(family);
    font.setPixelSize(12);
    const QFontMetrics metrics(font);
    const auto isChinese = [](const QString& text) {
        return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x2e80; });
    };
    MainWindow& form = *f->form;
    Translators translators;
    QVERIFY(translators.apply(Language::English));
    QTRY_VERIFY(!isChinese(form.windowTitle()));
    QList<std::pair<QString, const char*>> captions {{designedNames().startStop, kStopCaption}};
    for (const DesignedControl& control : designedControls())
        captions.append({control.name, control.caption});
    for (const DesignedLookup& designed : designedLookups())
        captions += {{designed.box, designed.boxCaption}, {designed.button, designed.buttonCaption}};
    for (const auto& [name, source] : captions) {
        auto* control = form.findChild<QAbstractButton*>(name);
        // The designer's own names (Check10, Command11…) lie beyond their boxes as designed.
        if (!control || !isChinese(QString::fromUtf8(source)))
            continue;
        const QString caption = source == kStopCaption ? shownCaption(source) : control->text();
        QVERIFY2(!isChinese(caption), qPrintable(name + u": "_s + caption));
        const QStyle* style = control->style();
        const int room = qobject_cast<QCheckBox*>(control)
            ? control->width() - style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, control)
                - style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, control)
            : control->width() - style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, control)
                - 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, control);
        QVERIFY2(metrics.horizontalAdvance(caption) <= room,
            qPrintable(u"%1: \"%2\" needs %3 px, has %4"_s.arg(name, caption)
                           .arg(metrics.horizontalAdvance(caption))
                           .arg(room)));
    }
    for (const QAction* menu : form.menuBar()->actions())
        QVERIFY2(!isChinese(menu->text()), qPrintable(menu->text()));
    // The grid's headers are made for Chinese widths; in English each column makes room for its header.
    auto* grid = form.findChild<QTreeView*>(designedNames().grid);
    for (int column = FirstLookupColumn; column < grid->model()->columnCount(); ++column) {
        if (grid->isColumnHidden(column))
            continue;
        const QString header = grid->model()->headerData(column, Qt::Horizontal).toString();
        QVERIFY2(!isChinese(header), qPrintable(header));
        QVERIFY2(grid->header()->fontMetrics().horizontalAdvance(header) < grid->header()->sectionSize(column),
            qPrintable(header));
    }
}

QTEST_MAIN(TestWindow)
#include "test_window.moc"
