// SPDX-License-Identifier: GPL-3.0-or-later
// The results database: one that cannot be used at the start or fails during a run (each told, the status
// non-zero where cells went unsaved, every row still out), one that cannot be read once open (told, not taken
// for nothing saved), an older one brought up to date, and sibling cells saved with their cell.
#include "commandlinetesting.h"
#include "store/cellwriter.h"
#include "store/store.h"
#include "store/watchlists.h"
#include "watching/watchrun.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestDatabase : public CommandLineTest
{
    Q_OBJECT
private slots:
    void init() { makeHome(); }
    void olderDatabaseBroughtUpToDate();
    void valuesFromOlderTexts_data();
    void valuesFromOlderTexts();
    void olderBatchesCompareAsChinese();
    void siblingAnswersSavedWithTheirCell();
    void watchRunEndLeavesTheWindowFree();
    void failedSavesAreTold_data();
    void failedSavesAreTold();
    void failedReadsAreTold_data();
    void failedReadsAreTold();
    void resumingWhatCannotBeRead();

private:
    void prepare(const QString& state, const QString& folder);
    void leaveUnfinished(const QString& path, const QString& damage);
};

void TestDatabase::olderDatabaseBroughtUpToDate()
{
    // As the first version with saved results left it: no version stamp, registration cells under rdap-*.
    const QString path = m_home->filePath(u"old.db"_s);
    QVERIFY(makeOldDatabase(path, 0, [](QSqlQuery& query) {
        return query.exec(u"INSERT INTO batches VALUES (1, '2026-11-02T10:00:00', '[\"a.test\"]', "
                          u"'[\"rdap-status\",\"dns\"]', 0)"_s)
            && query.exec(u"INSERT INTO cells VALUES (1, 0, 'a.test', 'rdap-status', '已注册', '', "
                          u"'2026-11-02T10:00:01.000')"_s);
    }));
    ResultStore store(path);
    QVERIFY2(store.isSaving(), qPrintable(store.notice()));
    const QList<ResultStore::Answer> history = store.history(u"a.test"_s).value();
    QCOMPARE(history.size(), 1);
    QCOMPARE(history.first().lookup, u"reg-status"_s);
    QCOMPARE(store.unfinishedBatch().value()->lookups, (QStringList {u"reg-status"_s, u"dns"_s}));
}

void TestDatabase::valuesFromOlderTexts_data()
{
    QTest::addColumn<QString>("lookup");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("problem");
    QTest::addColumn<int>("kind");
    QTest::addColumn<qint64>("number"); // -1: none
    QTest::addColumn<QDate>("day");
    QTest::addColumn<int>("days"); // -1000: none
    using K = CellValue::Kind;
    const auto add = [](const char* fault, const QString& lookup, const QString& text, K kind, qint64 number = -1,
                         const QDate& day = {}, int days = -1000, const QString& problem = {}) {
        QTest::newRow(fault) << lookup << text << problem << int(kind) << number << day << days;
    };
    // Counts are read as the page's were (test_values has their forms: plain, 约, leading zeros).
    add("a grouped count left a text", u"baidu-index"_s, u"1,230,000"_s, K::Count, 1'230'000);
    add("a rank read as a count", u"tranco"_s, u"52"_s, K::Rank, 52);
    add("未上榜 read as a rank", u"tranco"_s, u"未上榜"_s, K::Rank);
    add("a date left a text", u"reg-expiry"_s, u"2027-03-17"_s, K::Date, -1, QDate(2027, 3, 17));
    add("a padded date missed", u"reg-expiry"_s, u" 2027-03-17"_s, K::Date, -1, QDate(2027, 3, 17));
    add("the days left lost", u"tls-expiry"_s, u"2027-03-01（剩 84 天）"_s, K::Date, -1, QDate(2027, 3, 1), 84);
    add("lapsed read as left", u"tls-expiry"_s, u"2026-11-30（已过期 0 天）"_s, K::Date, -1, QDate(2026, 11, 30), 0);
    add("an impossible date read as one", u"reg-created"_s, u"2027-02-30"_s, K::Text);
    add("无 left a text", u"reg-registrar"_s, u"无"_s, K::Nothing);
    add("a verdict left a text", u"reg-status"_s, u"未注册"_s, K::Verdict);
    add("a failure given a value", u"baidu-index"_s, u"0"_s, K::Text, -1, {}, -1000, u"请求超时（30 秒）"_s);
    add("a text read as a number", u"icp"_s, u"京ICP备12345678号"_s, K::Text);
}

void TestDatabase::valuesFromOlderTexts()
{
    QFETCH(QString, lookup);
    QFETCH(QString, text);
    QFETCH(QString, problem);
    QFETCH(int, kind);
    QFETCH(qint64, number);
    QFETCH(QDate, day);
    QFETCH(int, days);
    // As version 4 left it: cells with texts only.
    const QString path = m_home->filePath(u"v4.db"_s);
    QVERIFY(makeOldDatabase(path, 4, [&](QSqlQuery& query) {
        return query.exec(u"INSERT INTO batches VALUES (1, '2026-11-02T10:00:00', '', '[]', 1, NULL)"_s)
            && query.exec(
                u"INSERT INTO cells VALUES (1, 0, 'a.test', '%1', '%2', '%3', '2026-11-02T10:00:01.000')"_s.arg(
                    lookup, text, problem));
    }));
    ResultStore store(path);
    QVERIFY2(store.isSaving(), qPrintable(store.notice()));
    const QList<ResultStore::Answer> history = store.history(u"a.test"_s).value();
    QCOMPARE(history.size(), 1);
    const CellValue value = history.first().value;
    QCOMPARE(history.first().text, text);
    QCOMPARE(int(value.kind()), kind);
    QCOMPARE(value.number().value_or(-1), number);
    QCOMPARE(value.day().value_or(QDate()), day);
    QCOMPARE(value.daysLeft().value_or(-1000), qint64(days));
    // The value shows as the cell did.
    QCOMPARE(displayText(value, text), text);
}

void TestDatabase::olderBatchesCompareAsChinese()
{
    // Version 5 kept no language: its 允许 was Chinese, and today's "Allowed" is no change; a new count still is.
    const QString path = m_home->filePath(u"v5.db"_s);
    QVERIFY(ResultStore(path).isSaving());
    QVERIFY(sqlOn(path,
        {u"ALTER TABLE batches DROP COLUMN language"_s, u"PRAGMA user_version = 5"_s,
            u"INSERT INTO batches (id, started, domains, lookups) VALUES (1, '', '[]', '[]')"_s,
            u"INSERT INTO cells (batch, row, domain, lookup, text, problem, at, value) VALUES "
            u"(1, 0, 'a.test', 'robots', '允许', '', '', ''), (1, 0, 'a.test', 'baidu-index', '1', '', '', '%1')"_s.arg(
                CellValue::written(u"1"_s).stored())}));
    QVERIFY(ResultStore(path).isSaving());
    CellWriter writer(path, 1000);
    QSignalSpy earlier(&writer, &CellWriter::earlierFound);
    QCOMPARE(writer.open(), QString());
    for (const auto& [lookup, text, measure] :
        {std::tuple(u"robots"_s, u"Allowed"_s, Measure::Text), std::tuple(u"baidu-index"_s, u"2"_s, Measure::Count)})
        writer.enqueue(CellWriter::Cell {2, 0, u"a.test"_s, lookup, text, u""_s, QDateTime::currentDateTimeUtc(),
            measure, CellValue::written(text), Language::English});
    writer.write();
    QCOMPARE(earlier.size(), 1);
    QCOMPARE(earlier.first().at(2), u"baidu-index"_s);
}

void TestDatabase::siblingAnswersSavedWithTheirCell()
{
    // One fetch of a home page answers the outbound count and the title, and both are saved at once: a batch
    // cut short after the first row does not fetch that row's page again for its title.
    TestHttpServer homes;
    homes.route(u"/"_s, TestHttpServer::page("<title>首页</title><a href=\"http://elsewhere.test/\">x</a>"));
    const QString path = m_home->filePath(u"results.db"_s);
    const QSet<QString> wanted {u"outbound"_s, u"home-title"_s};
    TestSettings own;
    own.settings.setPace(u"home"_s, {1, 0});
    {
        ResultStore store(path);
        Walker walker(own.settings, builtInTable());
        walker.setSelection([&](const Lookup& lookup) { return wanted.contains(lookup.key); });
        store.attach(walker);
        connect(&walker.results(), &Results::cellChanged, &walker, [&](int row) {
            if (row == 1)
                walker.abortAll(); // as a kill would, in the middle of the second row
        });
        walker.setQueue({homes.hostPort() + u"/a"_s, homes.hostPort() + u"/b"_s});
        walker.runBatch();
        QVERIFY(QTest::qWaitFor([&] { return !walker.isBusy(); }, 10'000));
        QCOMPARE(homes.requests.size(), 2);
    }
    ResultStore store(path);
    const std::optional<ResultStore::Batch> unfinished = store.unfinishedBatch().value();
    QVERIFY(unfinished);
    Walker walker(own.settings, builtInTable());
    store.attach(walker);
    QCOMPARE(store.resume(walker, *unfinished), QString());
    QVERIFY(waitIdle(walker));
    QCOMPARE(homes.requests.size(), 3); // the second row's page once more, for its title
    QCOMPARE(column(walker.results(), columnOfKey(u"home-title"_s)), QStringList(2, u"首页"_s));
}

void TestDatabase::watchRunEndLeavesTheWindowFree()
{
    // The run's end waits for the writer to commit its last cells without holding up the window's thread: what
    // the window queued as the last cell came in runs before the run tells its summary.
    const ScopedEnv icp("QUILLMARK_HOST_ICP", m_server->hostPort().toUtf8());
    Settings settings(m_home->filePath(u"seo-quillmark.conf"_s));
    settings.setPace(u"icp"_s, {1, 0});
    const QString path = m_home->filePath(u"results.db"_s);
    const WatchList list {u"客户站点"_s, {u"a.test"_s, u"last.test"_s}, {u"icp"_s}, {}, {}, 0};
    QVERIFY(ResultStore(path).isSaving() && WatchLists(path).save(list));
    WatchRun run(settings, builtInTable(), std::make_shared<EngineServices>(), path, list, 30, systemClock());
    QSignalSpy finished(&run, &WatchRun::finished);
    int finishedAtWindowsTurn = -1;
    connect(&run.results(), &Results::cellChanged, this, [&](int row) {
        if (row == 1)
            QMetaObject::invokeMethod(
                this, [&] { finishedAtWindowsTurn = int(finished.size()); }, Qt::QueuedConnection);
    });
    run.start();
    QVERIFY(finished.wait());
    QCOMPARE(finishedAtWindowsTurn, 0);
    QVERIFY(run.summary().batch > 0);
}

void TestDatabase::failedSavesAreTold_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("told"); // on standard error
    QTest::addColumn<int>("saved"); // cells found in the database afterwards, -1: not looked at
    // Named columns: a column added by hand or a later version, with a default, takes our rows.
    QTest::newRow("a table with an extra column") << u"extra column"_s << 0 << QString() << 30;
    QTest::newRow("a table with an extra column we cannot fill")
        << u"extra required column"_s << 1 << u"保存查询结果失败"_s << 0;
    // Said, and never written: a later program keeps its own format.
    QTest::newRow("a newer program's database") << u"newer"_s << 1 << u"由更新版本的程序建立"_s << 0;
    // Moved aside as it was, a new database in its place.
    QTest::newRow("damaged pages") << u"damaged"_s << 0 << u"结果数据库已损坏，已移到"_s << 30;
    QTest::newRow("no database at all") << u"garbage"_s << 0 << u"结果数据库已损坏，已移到"_s << 30;
    // Not saving from the start: the run goes on as it would, and ends saying nothing was saved.
    QTest::newRow("held by another program at the start") << u"locked"_s << 1 << u"正被另一个程序占用"_s << -1;
    QTest::newRow("a file where its folder should be") << u"unwritable"_s << 1 << u"无法写入结果数据库"_s << -1;
    QTest::newRow("a lock held mid-batch past our patience") << u"held"_s << 1 << u"保存查询结果失败"_s << -1;
    QTest::newRow("a full disk") << u"full"_s << 1 << u"保存查询结果失败"_s << -1;
}

// The database in `folder` as the row has it before the run.
void TestDatabase::prepare(const QString& state, const QString& folder)
{
    const QString path = folder + u"/results.db"_s;
    QVERIFY(QDir().mkpath(state == u"unwritable"_s ? QFileInfo(folder).path() : folder));
    if (state == u"unwritable"_s || state == u"garbage"_s) {
        QVERIFY(writeFile(state == u"unwritable"_s ? folder : path, QByteArray(4096, 'x')));
        return;
    }
    if (state == u"held"_s || state == u"locked"_s || state == u"full"_s)
        return;
    QVERIFY(ResultStore(path).isSaving());
    // SQLite adds no NOT NULL column without a default: a new table.
    const QHash<QString, QStringList> changes {
        {u"extra column"_s, {u"ALTER TABLE cells ADD COLUMN note TEXT DEFAULT ''"_s}},
        {u"extra required column"_s,
            {u"DROP TABLE cells"_s,
                u"CREATE TABLE cells (batch, row, domain, lookup, text, problem, at, at_offset, value, note NOT NULL)"_s}},
        {u"newer"_s, {u"PRAGMA user_version = 99"_s}}};
    QVERIFY(sqlOn(path, changes.value(state)));
    QFile file(path);
    if (state == u"damaged"_s) {
        QVERIFY(file.size() > 4096 && file.open(QIODevice::ReadWrite) && file.seek(4096));
        file.write(QByteArray(file.size() - 4096, '\xA5')); // every page after the first
    }
}

void TestDatabase::failedSavesAreTold()
{
    QFETCH(QString, state);
    QFETCH(QString, told);
    QFETCH(int, saved);
    const QString folder = m_home->filePath(u"data/seo-quillmark"_s);
    // Slow answers only where the lock must find the batch under way.
    QByteArray domains = numberedNames(state == u"held"_s ? "slow" : "d", 30);
    prepare(state, folder);
    if (QTest::currentTestFailed())
        return;
    const auto unmount = qScopeGuard([&] {
        if (state == u"full"_s)
            QProcess::execute(u"umount"_s, {folder});
    });
    if (state == u"full"_s) {
        // A file system too small for what the batch writes.
        if (QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=200k"_s, u"tmpfs"_s, folder}) != 0)
            QSKIP("a tiny file system needs mount (root)");
        domains = numberedNames("a-rather-long-domain-name-to-fill-the-disk-", 3000);
    }
    std::optional<DatabaseLock> holder;
    if (state == u"locked"_s)
        QVERIFY(holder.emplace(databasePath()).isLocked());
    QProcess program;
    start(program,
        {u"--batch"_s, u"-"_s, u"--lookups"_s, u"icp"_s, u"--format"_s, u"jsonl"_s, u"--pace"_s, u"icp=32"_s}, domains);
    QByteArray said;
    if (state == u"held"_s) {
        // Another program takes the write lock once the batch is under way, and keeps it past our patience.
        QVERIFY(QTest::qWaitFor([&] { return m_server->requests.size() >= 5; }, 20'000));
        QVERIFY(holder.emplace(databasePath()).isLocked());
        QVERIFY(QTest::qWaitFor(
            [&] { return (said += program.readAllStandardError()).contains("保存查询结果失败"); }, 60'000));
        holder.reset();
    }
    QVERIFY(ended(program, 120'000));
    const QString error = QString::fromUtf8(said + program.readAllStandardError());
    QTEST(program.exitCode(), "status");
    QVERIFY2(told.isEmpty() ? !error.contains(u"失败"_s) : error.contains(told), qPrintable(error));
    // Every row still goes out, saved or not.
    QCOMPARE(program.readAllStandardOutput().count('\n'), domains.count('\n'));
    if (saved >= 0)
        QCOMPARE(savedCells(), saved);
    if (state == u"garbage"_s) // kept as it was
        QVERIFY(readFile(folder + u'/' + QDir(folder).entryList({u"results.db.corrupt-*"_s}).value(0))
            == QByteArray(4096, 'x'));
}

void TestDatabase::failedReadsAreTold_data()
{
    QTest::addColumn<QString>("damage"); // done by another program once the store is open; empty: none
    QTest::addColumn<QString>("read");
    const QString noNames = u"DROP TABLE names"_s;
    const QString noCells = u"DROP TABLE cells"_s;
    const QString renamed = u"ALTER TABLE cells RENAME COLUMN problem TO reason"_s;
    const QString noLists = u"DROP TABLE watchlists"_s;
    for (const QString& read :
        {u"history"_s, u"cells"_s, u"names"_s, u"batch"_s, u"resume"_s, u"watch lists"_s, u"watch list"_s})
        QTest::addRow("%s read from a sound database", qPrintable(read)) << QString() << read;
    QTest::newRow("history with its table gone") << noCells << u"history"_s;
    QTest::newRow("history with a column renamed") << renamed << u"history"_s;
    QTest::newRow("saved cells with a column renamed") << renamed << u"cells"_s;
    QTest::newRow("saved names with their table gone") << noNames << u"names"_s;
    QTest::newRow("the unfinished batch with a column renamed")
        << u"ALTER TABLE batches RENAME COLUMN finished TO done"_s << u"batch"_s;
    QTest::newRow("the unfinished batch's names with their table gone") << noNames << u"batch"_s;
    QTest::newRow("resuming with the cells table gone") << noCells << u"resume"_s;
    QTest::newRow("watch lists with their table gone") << noLists << u"watch lists"_s;
    QTest::newRow("a watch list with a column renamed")
        << u"ALTER TABLE watchlists RENAME COLUMN domains TO names"_s << u"watch list"_s;
}

void TestDatabase::failedReadsAreTold()
{
    QFETCH(QString, damage);
    QFETCH(QString, read);
    const QString path = m_home->filePath(u"results.db"_s);
    ResultStore store(path);
    QVERIFY2(store.isSaving(), qPrintable(store.notice()));
    WatchLists lists(path);
    QVERIFY(lists.save({.name = u"l"_s, .domains = {u"a.test"_s}, .lookups = {u"dns"_s}}));
    leaveUnfinished(path, damage);
    if (QTest::currentTestFailed())
        return;
    TestSettings settings;
    Walker walker(settings.settings, builtInTable());
    QString error;
    qsizetype found = 0;
    const auto take = [&](const auto& done) { std::tie(error, found) = std::pair(done.error(), done.value().size()); };
    if (read == u"history"_s) {
        take(store.history(u"a.test"_s));
    } else if (read == u"cells"_s) {
        take(store.savedCells(1, 0, 1, walker.table()));
    } else if (read == u"names"_s) {
        take(store.savedNames(1, 0, 1));
    } else if (read == u"batch"_s) {
        const auto batch = store.unfinishedBatch();
        std::tie(error, found) = std::pair(batch.error(), batch.value() ? batch.value()->domains.size() : 0);
    } else if (read == u"watch lists"_s) {
        const auto names = lists.names();
        std::tie(error, found) = std::pair(names.error(), names.value().size());
    } else if (read == u"watch list"_s) {
        const auto list = lists.find(u"l"_s);
        std::tie(error, found) = std::pair(list.error(), qsizetype(list.value().has_value()));
    } else {
        error = store.resume(walker, {1, {}, {u"a.test"_s}, {u"dns"_s}});
        found = walker.results().rowCount();
    }
    // Damaged, a read says why and holds nothing; sound, it holds the saved row.
    QCOMPARE(error.isEmpty(), damage.isEmpty());
    QCOMPARE(found, damage.isEmpty() ? 1 : 0);
}

// Another program's doing, behind the back of a store that is open: a batch cut short whose names are in rows
// of their own, a.test's filing number saved, then `damage`.
void TestDatabase::leaveUnfinished(const QString& path, const QString& damage)
{
    QVERIFY(sqlOn(path,
        QStringList {u"INSERT INTO batches (id, started, domains, lookups, finished) "
                     u"VALUES (1, '2026-11-02T10:00:00', '[]', '[\"icp\"]', 0)"_s,
            u"INSERT INTO names (batch, row, domain) VALUES (1, 0, 'a.test')"_s,
            u"INSERT INTO cells (batch, row, domain, lookup, text, problem, at) "
            u"VALUES (1, 0, 'a.test', 'icp', '备案：京ICP备12345678号', '', '2026-11-02T10:00:01.000')"_s}
            + (damage.isEmpty() ? QStringList() : QStringList {damage})));
}

void TestDatabase::resumingWhatCannotBeRead()
{
    // --resume over a database it cannot read stops, asking nothing, rather than starting afresh as though
    // nothing were saved. Whether the batch ended is read before the writer's statements on names and cells
    // (what is damaged there stops saving at the start, told as such); its other columns are read by the same
    // query.
    QVERIFY(ResultStore(databasePath()).isSaving());
    leaveUnfinished(databasePath(), u"ALTER TABLE batches RENAME COLUMN finished TO done"_s);
    QByteArray error;
    QCOMPARE(run({u"--batch"_s, u"-"_s, u"--lookups"_s, u"icp"_s, u"--resume"_s}, "a.test\nb.test\n", {}, &error), 1);
    QVERIFY2(error.contains("无法读取上次未完成的查询"), error.constData());
    QCOMPARE(m_server->requests.size(), 0);
}

QTEST_GUILESS_MAIN(TestDatabase)
#include "test_database.moc"
