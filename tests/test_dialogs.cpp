// SPDX-License-Identifier: GPL-3.0-or-later
// The window's dialogs and what the result database adds to it: a cell's history and a batch resumed, a
// registration cell's answer, the settings (checked on entry and on read) and the user's own lookups.
#include "app/CustomLookupsDialog.h"
#include "app/HistoryChart.h"
#include "app/SettingsDialog.h"
#include "olddatabase.h"
#include "store/store.h"
#include "windowtesting.h"

#include <QChartView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QSpinBox>
#include <QValueAxis>

using namespace Qt::Literals::StringLiterals;

class TestDialogs : public QObject
{
    Q_OBJECT
private slots:
    void init() { f.emplace(); }
    void cleanup() { f.reset(); }
    void historyAndResume();
    void aFailedSaveIsToldOnce();
    void answerOfARegistrationCell();
    void settingsAreCheckedOnEntryAndOnRead();
    void customLookupsRefusedUntilSound();
    void historyChart();

private:
    std::optional<WindowFixture> f;
};

void TestDialogs::historyAndResume()
{
    ResultStore store(f->folder.filePath(u"results.db"_s));
    auto form = f->window(&store);
    // A batch cut short by closing: the next start offers to go on, and asks only for what is missing.
    f->slowIcp(200, *form);
    setInput(*form, u"c.test\nd.test\ne.test\n"_s);
    connect(&f->server, &TestHttpServer::requestReceived, form.get(), [&](const QString& target) {
        if (target.contains(u"d.test"_s))
            form->walker().abortAll();
    });
    QVERIFY(runToEnd(*form));
    form.reset();
    f->server.requests.clear();
    f->platform.answers = {QMessageBox::Yes};
    form = f->window(&store);
    form->offerToResume();
    QCOMPARE(f->platform.shown.last().text, u"上次的查询没有完成，是否继续？"_s);
    QVERIFY(waitIdle(form->walker()));
    QCOMPARE(column(form->walker().results(), FirstLookupColumn + 1), QStringList(3, u"京ICP备12345678号"_s));
    QCOMPARE(f->server.requests.size(), 2); // d.test and e.test: c.test was saved
}

void TestDialogs::aFailedSaveIsToldOnce()
{
    // A save that fails mid-batch is told once, in a box and under 访问官网, and the batch goes on.
    ResultStore store(f->folder.filePath(u"results.db"_s));
    QVERIFY(sqlOn(f->folder.filePath(u"results.db"_s),
        {u"CREATE TRIGGER refuse BEFORE INSERT ON cells BEGIN SELECT RAISE(ABORT, 'no'); END"_s}));
    auto form = f->window(&store);
    f->slowIcp(0, *form);
    setInput(*form, u"f.test\ng.test\n"_s);
    QVERIFY(runToEnd(*form));
    QTRY_COMPARE(f->platform.shown.size(), 1);
    QVERIFY2(
        f->platform.shown.first().text.startsWith(u"保存查询结果失败"_s), qPrintable(f->platform.shown.first().text));
    QCOMPARE(column(form->walker().results(), FirstLookupColumn + 1), QStringList(2, u"京ICP备12345678号"_s));
    QVERIFY(!store.isSaving() && store.hasFailed());
}

void TestDialogs::answerOfARegistrationCell()
{
    // The registry of ".test" is our server, the cached bootstrap says.
    QVERIFY(rdapOfTestAt(f->folder.filePath(u"cache"_s), f->server.hostPort()));
    f->server.route(
        u"/rdap/domain/a.test"_s, TestHttpServer::page(R"({"objectClassName":"domain","ldhName":"a.test"})"));
    auto form = f->window();
    form->findChild<QAction*>(u"lookup-reg-status"_s)->setChecked(true);
    setInput(*form, u"a.test\n"_s);
    QVERIFY(runToEnd(*form));
    auto* grid = form->findChild<QTreeView*>(u"ListView1"_s);
    grid->setCurrentIndex(grid->model()->index(0, columnOfKey(u"reg-status"_s)));
    form->findChild<QAction*>(u"actionAnswer"_s)->trigger();
    auto* text = form->findChild<QPlainTextEdit*>(u"answerText"_s);
    QVERIFY(text);
    QVERIFY2(text->toPlainText().contains(u"注册状态：已注册　← objectClassName：domain，ldhName：a.test"_s),
        qPrintable(text->toPlainText()));
    QVERIFY(text->toPlainText().contains(u"1  {\"objectClassName\":\"domain\",\"ldhName\":\"a.test\"}"_s));
}

void TestDialogs::settingsAreCheckedOnEntryAndOnRead()
{
    SettingsDialog dialog(f->settings, builtInTable()->services());
    auto* gap = dialog.findChild<QSpinBox*>(u"home/gapMs"_s);
    auto* baidu = dialog.findChild<QSpinBox*>(u"baidu/concurrency"_s);
    // What cannot be kept cannot be typed: letters, and numbers past the bounds, do not stick.
    for (auto [box, typed] : {std::pair {gap, "soon"}, std::pair {baidu, "65"}, std::pair {baidu, "0"}}) {
        box->selectAll();
        QTest::keyClicks(box, QString::fromLatin1(typed));
        box->interpretText();
        QVERIFY2(Settings::rangeProblem({baidu->value(), gap->value()}).isEmpty(), typed);
    }
    gap->setValue(250);
    baidu->setValue(2);
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(f->settings.pace(serviceOf(u"baidu"_s)).concurrency, 2);
    QCOMPARE(f->settings.pace(serviceOf(u"home"_s)).gapMs, 250);
    // 界面语言 is saved when chosen there, not by an OK meant for a pace while --lang speaks for this run only.
    SettingsDialog forOneRun(f->settings, builtInTable()->services());
    forOneRun.offerLanguage(Language::English);
    forOneRun.accept();
    QCOMPARE(f->settings.language(), Language::Chinese);
    SettingsDialog chosen(f->settings, builtInTable()->services());
    chosen.findChild<QComboBox*>(u"language"_s)->setCurrentIndex(1);
    chosen.accept();
    QCOMPARE(f->settings.language(), Language::English);
    // A hand-edited file: out of range or no number reads as the default.
    const QString hand = f->folder.filePath(u"hand.conf"_s);
    QVERIFY(writeFile(hand, "[home]\nconcurrency=500\n[ping]\ngapMs=fast\n"));
    QCOMPARE(Settings(hand).pace(serviceOf(u"home"_s)).concurrency, 32);
    QCOMPARE(Settings(hand).pace(serviceOf(u"ping"_s)).gapMs, 0);
}

void TestDialogs::customLookupsRefusedUntilSound()
{
    const QString path = f->folder.filePath(u"lookups.json"_s);
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

void TestDialogs::historyChart()
{
    // Counts and ranks as lines, a failure and a text left out; a rank's axis puts 1 at the top; the pointer
    // near a point names that answer's value and batch, not the place on the line between two answers.
    const QDateTime day(QDate(2026, 11, 1), QTime(9, 0));
    const QList<ChartAnswer> answers {
        {day, 1, u"baidu-index"_s, u"1,230,000"_s, false, CellValue::count(1'230'000)},
        {day.addDays(7), 2, u"baidu-index"_s, u"查询失败"_s, true},
        {day.addDays(14), 3, u"baidu-index"_s, u"1,242,300"_s, false, CellValue::count(1'242'300)},
        {day, 1, u"tranco"_s, u"52"_s, false, CellValue::rank(52)},
        {day.addDays(14), 3, u"tranco"_s, u"50"_s, false, CellValue::rank(50)},
        {day, 1, u"icp"_s, u"京ICP备12345678号"_s},
    };
    HistoryChart chart(answers, *builtInTable());
    QCOMPARE(chart.lineCount(), 2);
    QChart* drawn = chart.findChild<QChartView*>(u"chartView"_s)->chart();
    auto* counts = qobject_cast<QLineSeries*>(drawn->series().at(0));
    QCOMPARE(counts->count(), 2);
    auto* rank = qobject_cast<QValueAxis*>(drawn->series().at(1)->attachedAxes().at(1));
    QVERIFY(rank->isReverse());
    QCOMPARE(rank->min(), 1.0);

    const QPointF between((counts->at(0).x() + 3 * counts->at(1).x()) / 4, 1'239'000);
    emit counts->hovered(between, true);
    QVERIFY2(drawn->toolTip().contains(u"1,242,300"_s) && drawn->toolTip().contains(u"第 3 批"_s),
        qPrintable(drawn->toolTip()));
    emit counts->hovered(between, false);
    QVERIFY(drawn->toolTip().isEmpty());
}

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
