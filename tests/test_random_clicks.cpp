// SPDX-License-Identifier: GPL-3.0-or-later
// Thousands of random clicks, ticks, new lists and attempts to close while batches run: every cell must stay
// in its row, and the window must never quit without being told to.
#include "windowtesting.h"

#include <QRandomGenerator>

using namespace Qt::Literals::StringLiterals;

// Eight digits, as a full filing number has: the filing cell shows the thirteen characters before 号.
constexpr char kUnnumbered[] = "00000000";

class TestRandomClicks : public QObject
{
    Q_OBJECT
private slots:
    void everyCellStaysInItsRow();

private:
    static void checkEachCellNamesItsRow(const Results& results);
};

void TestRandomClicks::everyCellStaysInItsRow()
{
    WindowFixture f;
    MainWindow& form = *f.form;
    // Domain "host:port/mN" gets answers that all carry N, so each cell names the row it belongs to.
    const QByteArray numbered = testData(u"numbered-answer.gb2312.html"_s);
    f.server.responder = [&](const QString& target) {
        // The box's sample names (a batch over List1 before any list of the test's own) carry no number: they
        // get one of the same width, so their cells can be checked too.
        const QByteArray n = target.section(u"/m"_s, 1).section(u'&', 0, 0).toLatin1();
        const QByteArray number = n.isEmpty() ? QByteArray(kUnnumbered) : n;
        return TestHttpServer::page(
            QByteArray(numbered).replace("ICPNUM", number).replace("COUNT", number).replace("LINKS", ""));
    };
    f.platform.answerer = [](const ScriptedPlatform::Shown& box) {
        return box.title == u"退出"_s ? QMessageBox::Cancel : QMessageBox::Ok;
    };
    QRandomGenerator random(20261207);
    int actions = 0;
    int duringBatches = 0;
    QTimer monkey;
    QEventLoop clicking;
    connect(&monkey, &QTimer::timeout, this, [&] {
        // However fast the machine: so many clicks, and so many of them while a batch runs.
        if (actions >= 3000 && duringBatches >= 500) {
            monkey.stop();
            clicking.quit();
            return;
        }
        ++actions;
        duringBatches += f.walker().isBusy() ? 1 : 0;
        const int dice = int(random.bounded(100));
        QString input;
        for (int i = int(random.bounded(1, 25)); dice < 10 && i > 0; --i)
            input += f.server.hostPort() + u"/m%1\n"_s.arg(random.bounded(10'000'000, 10'000'060));
        if (dice < 10)
            setInput(form, input);
        else if (dice < 40)
            setBox(form, u"Check%1"_s.arg(random.bounded(1, 11)), random.bounded(2));
        else if (dice < 45)
            form.close();
        else
            click(form, u"Command%1"_s.arg(random.bounded(1, 16)));
    });
    // The box's own sample names would be looked up on the real network until the first new list.
    setInput(form, f.server.hostPort() + u"/m10000000\n"_s);
    form.show();
    monkey.start(1);
    clicking.exec();
    QVERIFY(waitIdle(f.walker()));
    checkEachCellNamesItsRow(f.walker().results());
    QCOMPARE(f.platform.quitRequests, 0);
}

void TestRandomClicks::checkEachCellNamesItsRow(const Results& results)
{
    for (int row = 0; row < results.rowCount(); ++row) {
        const QString domain = results.text(row, DomainColumn);
        const QString n = domain.contains(u"/m"_s) ? domain.section(u"/m"_s, 1) : QString::fromLatin1(kUnnumbered);
        const QStringList own {u" "_s, u"可注册"_s, u"已被注册"_s, u"京ICP备"_s + n + u"号"_s, n, u"0"_s, domain};
        QCOMPARE(results.text(row, PositionColumn), QString::number(row));
        for (int column = FirstLookupColumn; column < builtInTable()->columnCount(); ++column)
            QVERIFY2(own.contains(results.text(row, column)),
                qPrintable(u"row %1: %2"_s.arg(row).arg(results.text(row, column))));
    }
}

QTEST_MAIN(TestRandomClicks)
#include "test_random_clicks.moc"
