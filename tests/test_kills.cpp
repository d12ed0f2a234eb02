// SPDX-License-Identifier: GPL-3.0-or-later
// What a run that is cut short keeps: the database under kill -9 and Ctrl-C, --resume asking only for what is
// missing, a signal at the worst moment, and what bounds a kill's loss: no row shown before its
// cells are saved, no more than so many cells written ahead of the database.
#include "cli/options.h"
#include "cli/rowoutput.h"
#include "commandlinetesting.h"
#include "store/store.h"

#include <QUdpSocket>
#include <QtTest>
#include <csignal>

using namespace Qt::Literals::StringLiterals;

class TestKills : public CommandLineTest
{
    Q_OBJECT
private slots:
    void init() { makeHome(); }
    void survivesKillCtrlCAndResumesOnlyWhatIsMissing();
    void aSignalEndsTheRunAtOnce();
    void nothingShownIsLost();
};

void TestKills::survivesKillCtrlCAndResumesOnlyWhatIsMissing()
{
    const QByteArray domains = numberedNames("slow", 40);
    const QStringList arguments {u"--batch"_s, u"-"_s, u"--lookups"_s, u"icp"_s, u"--resume"_s};
    // Runs the program until the database holds `cells` cells, then sends it `signal`.
    const auto runUntil = [&](int cells, int signal) {
        auto program = std::make_unique<QProcess>();
        start(*program, arguments, domains);
        const bool reached = QTest::qWaitFor([&] { return savedCells() >= cells; }, 20'000);
        ::kill(pid_t(program->processId()), signal);
        return ended(*program) && reached ? std::move(program) : nullptr;
    };
    QVERIFY(runUntil(8, SIGKILL));
    // What was committed before the kill is all there, and the run did not get to the end.
    const int killed = savedCells();
    QVERIFY2(killed >= 8 && killed < 40, qPrintable(QString::number(killed)));

    // Ctrl-C: what was in flight is dropped, every row still goes out, and every answer written is saved.
    const auto interrupted = runUntil(killed + 4, SIGINT);
    QVERIFY(interrupted);
    QCOMPARE(interrupted->exitCode(), 130);
    const QByteArray out = interrupted->readAllStandardOutput();
    QCOMPARE(out.count("\r\n"), 40);
    QCOMPARE(savedCells(), out.count("|备案：京ICP备12345678号|"));

    // The same batch over a list changed at row 30 (far inside the first piece read) stops before asking.
    const int saved = savedCells();
    m_server->requests.clear();
    QByteArray output, error;
    QCOMPARE(run(arguments, QByteArray(domains).replace("slow29.test", "other.test"), {}, &error), 2);
    QVERIFY(error.contains("第 30 个域名与上次未完成的查询不同（这次是 other.test，上次是 slow29.test）"));
    QCOMPARE(m_server->requests.size(), 0);
    QCOMPARE(run(arguments, domains, &output, &error), 0);
    QCOMPARE(m_server->requests.size(), 40 - saved); // nothing asked twice
    QCOMPARE(output.count("|备案：京ICP备12345678号|"), 40);
    QVERIFY(error.contains("40/40 个单元格")); // the saved cells counted once
}

void TestKills::aSignalEndsTheRunAtOnce()
{
    // A resolver that takes every query and never answers: the worst moment to be asked to stop. Ended by the
    // resolver's time limit instead, the cells would be failures, not 未查询（已中断）. SIGTERM here, as Ctrl-C is
    // above: one handler takes both.
    QUdpSocket silent;
    QVERIFY(silent.bind(QHostAddress::LocalHost, 0));
    QProcess program;
    {
        const ScopedEnv resolver("QUILLMARK_DNS_SERVER", "127.0.0.1:" + QByteArray::number(silent.localPort()));
        start(program, {u"--batch"_s, u"-"_s, u"--lookups"_s, u"dns,icp"_s, u"--format"_s, u"jsonl"_s},
            "a.test\nb.test\n");
    }
    // Both filing numbers are in (that lookup runs beside the silent one), the DNS queries are on their way.
    QVERIFY(QTest::qWaitFor([&] { return silent.hasPendingDatagrams() && savedCells() == 2; }, 10'000));
    ::kill(pid_t(program.processId()), SIGTERM);
    QVERIFY(ended(program));
    QCOMPARE(program.exitCode(), 143);
    // The filing numbers came first; the cells never answered read as such, not as answers.
    const QList<QByteArray> rows = program.readAllStandardOutput().split('\n');
    QCOMPARE(QString::fromUtf8(rows.value(1)),
        u"{\"dns\":\"\",\"domain\":\"b.test\",\"icp\":\"京ICP备12345678号\",\"problems\":{\"dns\":\"未查询（已中断）\"}}"_s);
    QCOMPARE(rows.size(), 3);
}

void TestKills::nothingShownIsLost()
{
    // The two promises behind "a kill loses nothing printed": while the writer is held up, the walker writes so
    // many cells ahead of what is committed and no more, and no row goes out however complete; once the cells
    // are committed, the rows follow.
    const std::shared_ptr<const LookupTable> table = builtInTable();
    const auto parsed = parseArguments({u"seo-quillmark"_s, u"--batch"_s, u"-"_s, u"--lookups"_s, u"icp"_s}, *table);
    QVERIFY(std::holds_alternative<Options>(parsed));
    const Options& options = std::get<Options>(parsed);
    OutputTarget target(m_home->filePath(u"rows.txt"_s));
    QCOMPARE(target.open(*table, {}), QString());
    ResultStore store(databasePath());
    TestSettings own;
    Walker walker(own.settings, table);
    store.attach(walker);
    RowOutput rows(options, target, walker.results(), store);
    // Another program takes the write lock once the batch is in, before its first name or cell.
    std::optional<DatabaseLock> lock;
    connect(&walker, &Walker::batchStarted, this, [&] { lock.emplace(databasePath()); });
    qint64 most = 0;
    connect(&walker.results(), &Results::cellChanged, this, [&] { most = std::max(most, store.unsaved()); });
    // Names no request is made for, read as the command line reads them: each cell written at once.
    DomainFile list;
    for (int n = 0; n < 600; ++n)
        list.domains.append(u"d%1\uFFFD.test"_s.arg(n));
    walker.runStream(options.chosen);
    walker.appendRows(list);
    walker.closeStream();
    QVERIFY(lock && lock->isLocked());
    QTRY_VERIFY(store.unsaved() >= ResultStore::kMostUnsaved);
    rows.write(false);
    QCOMPARE(rows.next(), 0);
    lock.reset();
    QVERIFY(waitIdle(walker));
    QTRY_VERIFY(store.isCommitted(store.mark()));
    rows.write(false);
    QCOMPARE(rows.next(), 600);
    QVERIFY2(most <= ResultStore::kMostUnsaved, qPrintable(QString::number(most)));
}

QTEST_GUILESS_MAIN(TestKills)
#include "test_kills.moc"
