// Results that outlive the program: the database under kill -9 and Ctrl-C, resuming only what is missing,
// a database that cannot be used, and the command line's output, statuses and usage errors.
#include "TestHttpServer.h"
#include "export/workbook.h"
#include "store/store.h"
#include "testing.h"

#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUdpSocket>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

class TestStore : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void survivesKillCtrlCAndResumesOnlyWhatIsMissing();
    void commandLine_data();
    void commandLine();
    void outputTargets_data();
    void outputTargets();
    void unusableDatabase_data();
    void unusableDatabase();
    void olderDatabaseBroughtUpToDate();
    void shardsMakeTheWholeRun();
    void streamedRowsCompleteAndInOrder();
    void siblingAnswersSavedWithTheirCell();
    void closedPipeEndsQuietly();
    void signalsEndTheRunAtOnce_data();
    void signalsEndTheRunAtOnce();
    void failedSavesAreTold_data();
    void failedSavesAreTold();

private:
    // The real program's command line, against our server, with folders of its own.
    void start(QProcess& program, const QStringList& arguments, const QByteArray& input,
        const QString& executable = QStringLiteral(QUILLMARK_PROGRAM), bool closeInput = true);
    int savedCells();
    // Waits with the event loop running: our server answers the program from this thread.
    static bool ended(QProcess& program, int timeoutMs = 60'000)
    {
        return QTest::qWaitFor([&] { return program.state() == QProcess::NotRunning; }, timeoutMs);
    }

    std::unique_ptr<TestHttpServer> m_server;
    std::unique_ptr<QTemporaryDir> m_home;
};

void TestStore::init()
{
    m_server = std::make_unique<TestHttpServer>();
    m_home = std::make_unique<QTemporaryDir>();
    m_server->responder = [](const QString& target) {
        if (target.contains(u"fail.test"_s))
            return TestHttpServer::page("", 503);
        auto answer = TestHttpServer::page(testData(u"icp-filed.gb2312.html"_s));
        answer.delayMs = target.contains(u"slow"_s) ? 300 : 0;
        return answer;
    };
}

void TestStore::start(
    QProcess& program, const QStringList& arguments, const QByteArray& input, const QString& executable, bool closeInput)
{
    program.setEnvironment(QProcess::systemEnvironment()
        << u"XDG_DATA_HOME="_s + m_home->filePath(u"data"_s) << u"XDG_CONFIG_HOME="_s + m_home->filePath(u"config"_s)
        << u"QUILLMARK_HOST_ICP="_s + m_server->hostPort() << u"QUILLMARK_HOST_REGISTRAR="_s + m_server->hostPort());
    program.start(executable, arguments);
    program.write(input);
    if (closeInput)
        program.closeWriteChannel();
}

int TestStore::savedCells()
{
    // Read as anyone else would read it: a store of our own over the same file.
    ResultStore store(m_home->filePath(u"data/seo-quillmark/results.db"_s));
    int count = 0;
    for (int n = 0; n < 40; ++n)
        count += int(store.history(u"slow%1.test"_s.arg(n)).size());
    return count;
}

void TestStore::survivesKillCtrlCAndResumesOnlyWhatIsMissing()
{
    QByteArray domains;
    for (int n = 0; n < 40; ++n)
        domains += "slow" + QByteArray::number(n) + ".test\n";
    const QStringList arguments {u"--batch"_s, u"-"_s, u"--lookups"_s, u"icp"_s, u"--resume"_s};
    // Runs the program until our server has had `requests` of its requests, then sends it `signal`.
    const auto runUntil = [&](int requests, int signal) {
        m_server->requests.clear();
        auto program = std::make_unique<QProcess>();
        start(*program, arguments, domains);
        const bool reached = QTest::qWaitFor([&] { return m_server->requests.size() >= requests; }, 20'000);
        QTest::qWait(100);
        ::kill(pid_t(program->processId()), signal);
        return ended(*program) && reached ? std::move(program) : nullptr;
    };
    QVERIFY(runUntil(12, SIGKILL));
    // Every answer that came before the kill is there; only the four in flight may be missing.
    const int killed = savedCells();
    QVERIFY2(killed >= 12 - 4 && killed < 40, qPrintable(QString::number(killed)));

    // Ctrl-C: what was in flight is dropped, every row still goes out, and every answer written is saved.
    const auto interrupted = runUntil(8, SIGINT);
    QVERIFY(interrupted);
    QCOMPARE(interrupted->exitCode(), 130);
    const QByteArray out = interrupted->readAllStandardOutput();
    QCOMPARE(out.count("\r\n"), 40);
    QCOMPARE(savedCells(), out.count("|备案：京ICP备12345678号|"));
    QVERIFY(savedCells() >= killed + 4);

    // The same batch over a list changed at row 30 (far inside the first piece read) stops before asking.
    const int saved = savedCells();
    m_server->requests.clear();
    QProcess changed;
    start(changed, arguments, QByteArray(domains).replace("slow29.test", "other.test"));
    QVERIFY(ended(changed));
    QCOMPARE(changed.exitCode(), 2);
    QVERIFY(changed.readAllStandardError().contains(
        "第 30 个域名与上次未完成的查询不同（这次是 other.test，上次是 slow29.test）"));
    QCOMPARE(m_server->requests.size(), 0);
    QProcess again;
    start(again, arguments, domains);
    QVERIFY(ended(again));
    QCOMPARE(again.exitCode(), 0);
    QCOMPARE(m_server->requests.size(), 40 - saved); // nothing asked twice
    QCOMPARE(again.readAllStandardOutput().count("|备案：京ICP备12345678号|"), 40);
    QVERIFY(again.readAllStandardError().contains("40/40 个单元格")); // the saved cells counted once
}

void TestStore::commandLine_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QByteArray>("output"); // standard output exactly, or what standard error must name
    QTest::addColumn<int>("status");
    const auto row = [](const char* name, const char* arguments, const QString& output, int status) {
        QTest::newRow(name) << QString::fromUtf8(arguments) << output.toUtf8() << status;
    };
    row("lines", "--batch - --lookups icp,registrar",
        u"a.test|注册：已被注册|备案：京ICP备12345678号|百度收录： |百度反链： |Alexa： |yahoo排名： |出站： |IP： \r\n"_s,
        0);
    // A list as people type it: a space after the comma ("␣" stands for it in these rows).
    row("lookups with spaces", "--batch - --lookups icp,␣registrar",
        u"a.test|注册：已被注册|备案：京ICP备12345678号|百度收录： |百度反链： |Alexa： |yahoo排名： |出站： |IP： \r\n"_s,
        0);
    row("csv", "--batch - --lookups icp,registrar --format csv",
        u"\ufeff,查询域名地址,域名注册,域名是否备案\r\n0,a.test,已被注册,京ICP备12345678号\r\n"_s, 0);
    row("jsonl", "--batch - --lookups icp,registrar --format=jsonl",
        u"{\"domain\":\"a.test\",\"icp\":\"京ICP备12345678号\",\"problems\":{},\"registrar\":\"已被注册\"}\n"_s, 0);
    row("a failed cell", "--batch - --lookups icp --format jsonl", u"\"problems\":{\"icp\":\"HTTP 503\"}"_s, 1);
    // The same GB18030 bytes by name and down a pipe: the file's were read as UTF-8 (例子 as U+FFFD, 无效域名).
    const QString filed
        = u"|注册： |备案：京ICP备12345678号|百度收录： |百度反链： |Alexa： |yahoo排名： |出站： |IP： \r\n"_s;
    row("a GB18030 list by name", "--batch LIST --lookups icp", u"a.test"_s + filed + u"例子.test"_s + filed, 0);
    row("a GB18030 list down a pipe", "--batch - --lookups icp", u"a.test"_s + filed + u"例子.test"_s + filed, 0);
    row("an overlong line asks nothing", "--batch - --lookups icp --format jsonl",
        u"{\"domain\":\"%1…（共 300 字）\",\"icp\":\"无效域名\",\"problems\":{\"icp\":\"第 1 行过长（共 300 字），不是域名\"}}"_s
            .arg(QString(40, u'a')),
        1);
    row("unknown lookup", "--batch - --lookups icp,bogus", u"bogus"_s, 2);
    row("unknown format", "--batch - --lookups icp --format xml", u"xml"_s, 2);
    row("workbook to standard output", "--batch - --lookups icp --format xlsx", u"--output"_s, 2);
    row("no batch", "--lookups icp", u"--batch"_s, 2);
    row("unknown option", "--batch - --lookups icp --frobnicate", u"frobnicate"_s, 2);
    row("help", "--help", u"--lookups <LIST>"_s, 0);
    // Said before the first request, not after hours of them.
    row("output into a missing folder", "--batch - --lookups icp --output /nonexistent/out.txt",
        u"文件夹 /nonexistent 不存在"_s, 2);
    row("output onto a folder", "--batch - --lookups icp --output /tmp", u"/tmp：是一个文件夹"_s, 2);
    row("pace out of range", "--batch - --lookups icp --pace icp=2,baidu=0/100", u"baidu=0/100"_s, 2);
    row("pace of no service", "--batch - --lookups icp --pace nosuch=1", u"nosuch"_s, 2);
    row("shard past the last", "--batch - --lookups icp --shard 4/3", u"4/3"_s, 2);
    row("proxy that is no address", "--batch - --lookups icp --proxy icp=ftp://p.test:21", u"ftp://p.test:21"_s, 2);
}

void TestStore::commandLine()
{
    QFETCH(QString, arguments);
    QFETCH(QByteArray, output);
    QFETCH(int, status);
    QProcess program;
    m_server->requests.clear();
    const QByteArray tag = QTest::currentDataTag();
    const QByteArray input = tag == "a failed cell" ? "fail.test\n"
        : tag.contains("GB18030")                   ? "a.test\n\xc0\xfd\xd7\xd3.test\n"
        : tag.contains("overlong")                  ? QByteArray(300, 'a')
                                                    : "a.test\n";
    QFile list(m_home->filePath(u"list.txt"_s));
    QVERIFY(list.open(QIODevice::WriteOnly) && list.write(input) == input.size());
    list.close();
    start(program, arguments.split(u' ').replaceInStrings(u"␣"_s, u" "_s).replaceInStrings(u"LIST"_s, list.fileName()),
        arguments.contains(u"LIST"_s) ? QByteArray() : input);
    QVERIFY(ended(program));
    QCOMPARE(program.exitCode(), status);
    const QByteArray out = status == 2 ? program.readAllStandardError() : program.readAllStandardOutput();
    if (status == 2)
        QCOMPARE(m_server->requests.size(), 0);
    if (status == 0 && arguments != u"--help"_s)
        QCOMPARE(out, output);
    else
        QVERIFY2(out.contains(output), out.constData());
}

void TestStore::outputTargets_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("format"); // "window": the window's workbook export
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("holds"); // how what the reader or the linked file got begins
    // Each used to be replaced by a regular file (as root, /dev/null itself), or refused for the wrong reason.
    QTest::newRow("a character device stays one") << u"device"_s << u"lines"_s << 0 << QByteArray();
    QTest::newRow("a FIFO's reader gets the rows") << u"fifo"_s << u"csv"_s << 0 << "\xEF\xBB\xBF,"_ba;
    QTest::newRow("a link stays, its file holds the workbook") << u"link"_s << u"xlsx"_s << 0 << "PK"_ba;
    QTest::newRow("the window's workbook export through a link") << u"link"_s << u"window"_s << 0 << "PK"_ba;
    QTest::newRow("a link to a FIFO") << u"link-fifo"_s << u"jsonl"_s << 0 << "{\"domain\":\"a.test\""_ba;
    QTest::newRow("a block device is refused") << u"block"_s << u"lines"_s << 2 << QByteArray();
}

void TestStore::outputTargets()
{
    QFETCH(QString, target);
    QFETCH(QString, format);
    QFETCH(int, status);
    QFETCH(QByteArray, holds);
    const QByteArray file = QFile::encodeName(m_home->filePath(u"file"_s));
    const QByteArray fifo = QFile::encodeName(m_home->filePath(u"fifo"_s));
    QString path = m_home->filePath(u"out"_s);
    const QByteArray named = QFile::encodeName(path);
    const bool root = ::geteuid() == 0;
    if (target == u"block"_s && !root)
        QSKIP("making a block device needs root");
    if (target == u"device"_s && !root)
        path = u"/dev/null"_s;
    else if (target == u"device"_s || target == u"block"_s)
        QVERIFY(
            ::mknod(named.constData(), target == u"device"_s ? S_IFCHR | 0666 : S_IFBLK | 0600, makedev(1, 3)) == 0);
    int reader = -1;
    if (target.contains(u"fifo"_s)) {
        QVERIFY(::mkfifo(fifo.constData(), 0600) == 0);
        reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
        path = target == u"fifo"_s ? QString::fromLocal8Bit(fifo) : path;
    }
    if (target.startsWith(u"link"_s))
        QVERIFY(::symlink((target == u"link"_s ? file : fifo).constData(), named.constData()) == 0);
    if (format == u"window"_s) {
        Results results;
        results.setTable(builtInTable());
        results.reset({u"a.test"_s});
        QCOMPARE(writeWorkbook(path, results, {PositionColumn, DomainColumn}), QString());
    } else {
        QProcess program;
        start(program, {u"--batch"_s, u"-"_s, u"--lookups"_s, u"icp"_s, u"--format"_s, format, u"--output"_s, path},
            "a.test\n");
        QVERIFY(ended(program));
        QCOMPARE(program.exitCode(), status);
    }
    // Still what it was, and written through.
    struct stat was {};
    QVERIFY(::lstat(QFile::encodeName(path).constData(), &was) == 0);
    const mode_t kind = target == u"device"_s ? S_IFCHR : target == u"block"_s ? S_IFBLK : target == u"fifo"_s ? S_IFIFO
                                                                                                               : S_IFLNK;
    QCOMPARE(was.st_mode & S_IFMT, kind);
    QByteArray got(64, '\0');
    if (reader >= 0) {
        got.resize(std::max<ssize_t>(0, ::read(reader, got.data(), size_t(got.size()))));
        ::close(reader);
    } else {
        QFile linked(QString::fromLocal8Bit(file));
        got = linked.open(QIODevice::ReadOnly) ? linked.read(64) : QByteArray();
    }
    QVERIFY2(got.startsWith(holds), got.constData());
}

void TestStore::unusableDatabase_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("notice"); // what the user is told
    QTest::newRow("locked") << u"locked"_s << u"正被另一个程序占用"_s;
    QTest::newRow("unwritable") << u"unwritable"_s << u"无法写入结果数据库"_s;
    QTest::newRow("corrupt, kept aside, a new one in its place") << u"corrupt"_s << u"结果数据库已损坏，已移到"_s;
}

void TestStore::unusableDatabase()
{
    QFETCH(QString, state);
    QFETCH(QString, notice);
    QString path = m_home->filePath(u"results.db"_s);
    QSqlDatabase holder = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"holder"_s);
    if (state == u"locked"_s) {
        holder.setDatabaseName(path);
        QVERIFY(holder.open());
        QSqlQuery(u"PRAGMA locking_mode=EXCLUSIVE"_s, holder);
        QSqlQuery(u"CREATE TABLE t (x)"_s, holder); // the first write takes the lock for good
    } else if (state == u"unwritable"_s) {
        QFile blocker(m_home->filePath(u"file"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly)); // a file where the database's folder should be
        path = blocker.fileName() + u"/results.db"_s;
    } else {
        QFile garbage(path);
        QVERIFY(garbage.open(QIODevice::WriteOnly) && garbage.write(QByteArray(4096, 'x')) > 0);
    }
    {
        ResultStore store(path);
        QVERIFY2(store.notice().contains(notice), qPrintable(store.notice()));
        QCOMPARE(store.isSaving(), state == u"corrupt"_s);
        Walker walker(testSettings(), builtInTable()); // the program works on, saving or not
        store.attach(walker);
        walker.runBatch();
        QVERIFY(!walker.isBusy());
    }
    // A corrupt file is kept aside as it was.
    QFile kept(m_home->filePath(QDir(m_home->path()).entryList({u"results.db.corrupt-*"_s}).value(0)));
    QCOMPARE(kept.open(QIODevice::ReadOnly) && kept.readAll() == QByteArray(4096, 'x'), state == u"corrupt"_s);
    holder.close();
    holder = QSqlDatabase();
    QSqlDatabase::removeDatabase(u"holder"_s);
}

void TestStore::streamedRowsCompleteAndInOrder()
{
    // Filing numbers answer slowly and out of order, the registrar at once: each row still goes out whole,
    // in the list's order, and the first ones before the rest of the list has even been written.
    QRandomGenerator random(7);
    m_server->responder = [&](const QString& target) {
        const bool filing = target.startsWith(u"/Api/"_s);
        auto answer = TestHttpServer::page(testData(filing ? u"icp-filed.gb2312.html"_s : u"registrar-taken.xml"_s));
        answer.delayMs = filing ? int(random.bounded(0, 60)) : 0;
        return answer;
    };
    QProcess program;
    start(program, {u"--batch"_s, u"-"_s, u"--lookups"_s, u"icp,registrar"_s, u"--format"_s, u"jsonl"_s, u"--pace"_s,
                       u"icp=8"_s},
        {}, QStringLiteral(QUILLMARK_PROGRAM), false);
    QByteArray output;
    const auto names = [](int from, int to) {
        QByteArray list;
        for (int n = from; n < to; ++n)
            list += "d" + QByteArray::number(n) + ".test\n";
        return list;
    };
    program.write(names(0, 15));
    QVERIFY(QTest::qWaitFor([&] { return (output += program.readAllStandardOutput()).count('\n') == 15; }, 20'000));
    program.write(names(15, 30));
    program.closeWriteChannel();
    QVERIFY(ended(program));
    output += program.readAllStandardOutput();
    const QList<QByteArray> rows = output.trimmed().split('\n');
    QCOMPARE(rows.size(), 30);
    for (int n = 0; n < 30; ++n) {
        QCOMPARE(rows.at(n), "{\"domain\":\"d" + QByteArray::number(n)
                + ".test\",\"icp\":\"\xe4\xba\xac" "ICP\xe5\xa4\x87" "12345678\xe5\x8f\xb7\",\"problems\":{},"
                  "\"registrar\":\"\xe5\xb7\xb2\xe8\xa2\xab\xe6\xb3\xa8\xe5\x86\x8c\"}");
    }
}

void TestStore::shardsMakeTheWholeRun()
{
    // As CSV, merged as the README says: the header once, the parts' rows sorted by their position.
    QByteArray domains;
    for (int n = 0; n < 60; ++n)
        domains += "d" + QByteArray::number(n) + ".test\n";
    const auto run = [&](const QStringList& extra) {
        QProcess program;
        start(program,
            QStringList {u"--batch"_s, u"-"_s, u"--lookups"_s, u"icp"_s, u"--pace"_s, u"icp=8"_s, u"--format"_s, u"csv"_s}
                + extra,
            domains);
        return ended(program) ? program.readAllStandardOutput().split('\n') : QList<QByteArray>();
    };
    const QList<QByteArray> whole = run({});
    QList<QByteArray> rows;
    for (const QString& shard : {u"1/3"_s, u"2/3"_s, u"3/3"_s}) {
        const QList<QByteArray> part = run({u"--shard"_s, shard});
        QVERIFY(part.size() > 2 && part.size() < whole.size() && part.first() == whole.first());
        rows += part.mid(1, part.size() - 2);
    }
    std::sort(rows.begin(), rows.end(), [](const QByteArray& a, const QByteArray& b) {
        return a.left(a.indexOf(',')).toInt() < b.left(b.indexOf(',')).toInt();
    });
    QCOMPARE(QList<QByteArray> {whole.first()} + rows + QList<QByteArray> {QByteArray()}, whole);
}

void TestStore::olderDatabaseBroughtUpToDate()
{
    // As the first version with saved results left it: no version stamp, registration cells under rdap-*.
    const QString path = m_home->filePath(u"old.db"_s);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"old"_s);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY(query.exec(u"CREATE TABLE batches (id INTEGER PRIMARY KEY, started TEXT NOT NULL, domains TEXT NOT NULL, "
                           u"lookups TEXT NOT NULL, finished INTEGER NOT NULL DEFAULT 0)"_s));
        QVERIFY(query.exec(u"CREATE TABLE cells (batch INTEGER NOT NULL, row INTEGER NOT NULL, domain TEXT NOT NULL, "
                           u"lookup TEXT NOT NULL, text TEXT NOT NULL, problem TEXT NOT NULL, at TEXT NOT NULL, "
                           u"PRIMARY KEY (batch, row, lookup))"_s));
        QVERIFY(query.exec(u"INSERT INTO batches VALUES (1, '2026-11-02T10:00:00', '[\"a.test\"]', "
                           u"'[\"rdap-status\",\"dns\"]', 0)"_s));
        QVERIFY(query.exec(u"INSERT INTO cells VALUES (1, 0, 'a.test', 'rdap-status', '已注册', '', "
                           u"'2026-11-02T10:00:01.000')"_s));
        query.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(u"old"_s);
    ResultStore store(path);
    QVERIFY2(store.isSaving(), qPrintable(store.notice()));
    const QList<ResultStore::Answer> history = store.history(u"a.test"_s);
    QCOMPARE(history.size(), 1);
    QCOMPARE(history.first().lookup, u"reg-status"_s);
    QCOMPARE(store.unfinishedBatch()->lookups, (QStringList {u"reg-status"_s, u"dns"_s}));
}

void TestStore::siblingAnswersSavedWithTheirCell()
{
    // One fetch of a home page answers the outbound count and the title, and both are saved at once: a batch
    // cut short after the first row does not fetch that row's page again for its title.
    TestHttpServer homes;
    homes.route(u"/"_s, TestHttpServer::page("<title>首页</title><a href=\"http://elsewhere.test/\">x</a>"));
    const QString path = m_home->filePath(u"results.db"_s);
    const QStringList queue {homes.hostPort() + u"/a"_s, homes.hostPort() + u"/b"_s};
    const QSet<QString> wanted {u"outbound"_s, u"home-title"_s};
    testSettings().setPace(u"home"_s, {1, 0});
    {
        ResultStore store(path);
        Walker walker(testSettings(), builtInTable());
        walker.setSelection([&](const Lookup& lookup) { return wanted.contains(lookup.key); });
        store.attach(walker);
        connect(&walker.results(), &Results::cellChanged, &walker, [&](int row) {
            if (row == 1)
                walker.abortAll(); // as a kill would, in the middle of the second row
        });
        walker.setQueue(queue);
        walker.runBatch();
        QVERIFY(QTest::qWaitFor([&] { return !walker.isBusy(); }, 10'000));
        QCOMPARE(homes.requests.size(), 2);
    }
    ResultStore store(path);
    const std::optional<ResultStore::Batch> unfinished = store.unfinishedBatch();
    QVERIFY(unfinished);
    Walker walker(testSettings(), builtInTable());
    store.attach(walker);
    store.resume(walker, *unfinished);
    QVERIFY(waitIdle(walker));
    QCOMPARE(homes.requests.size(), 3); // the second row's page once more, for its title
    QCOMPARE(column(walker.results(), columnOfKey(u"home-title"_s)), QStringList(2, u"首页"_s));
    testSettings().setPace(u"home"_s, {32, 0});
}

void TestStore::closedPipeEndsQuietly()
{
    // `| head -1`: the reader takes one row and goes away.
    QByteArray domains;
    for (int n = 0; n < 40; ++n)
        domains += "slow" + QByteArray::number(n) + ".test\n";
    QProcess shell;
    start(shell,
        {u"-c"_s, u"\"$0\" --batch - --lookups icp | head -1; echo \"status ${PIPESTATUS[0]}\" >&2"_s,
            QStringLiteral(QUILLMARK_PROGRAM)},
        domains, u"bash"_s);
    QVERIFY(ended(shell));
    QCOMPARE(shell.readAllStandardOutput().count("\r\n"), 1);
    const QByteArray error = shell.readAllStandardError();
    QVERIFY2(error.endsWith("status 141\n") && !error.contains("无法") && !error.contains("失败"), error.constData());
    QVERIFY(savedCells() >= 1 && savedCells() < 40); // what was written is saved, and the run ended early
}

void TestStore::signalsEndTheRunAtOnce_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("status");
    QTest::newRow("Ctrl-C") << int(SIGINT) << 130;
    QTest::newRow("SIGTERM") << int(SIGTERM) << 143;
}

void TestStore::signalsEndTheRunAtOnce()
{
    // A resolver that takes every query and never answers: the worst moment to be asked to stop.
    QFETCH(int, signal);
    QFETCH(int, status);
    QUdpSocket silent;
    QVERIFY(silent.bind(QHostAddress::LocalHost, 0));
    qputenv("QUILLMARK_DNS_SERVER", "127.0.0.1:" + QByteArray::number(silent.localPort()));
    QProcess program;
    start(program, {u"--batch"_s, u"-"_s, u"--lookups"_s, u"dns,icp"_s, u"--format"_s, u"jsonl"_s},
        "a.test\nb.test\n");
    qunsetenv("QUILLMARK_DNS_SERVER");
    // Both filing numbers are in (that lookup runs beside the silent one), the DNS queries are on their way.
    QVERIFY(QTest::qWaitFor([&] { return silent.hasPendingDatagrams() && m_server->requests.size() >= 2; }, 10'000));
    QTest::qWait(300);
    QElapsedTimer clock;
    clock.start();
    ::kill(pid_t(program.processId()), signal);
    QVERIFY(ended(program, 5'000));
    QVERIFY2(clock.elapsed() < 1'500, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(program.exitCode(), status);
    // The filing numbers came first; the cells never answered read as such, not as answers.
    const QList<QByteArray> rows = program.readAllStandardOutput().split('\n');
    QCOMPARE(QString::fromUtf8(rows.value(1)),
        u"{\"dns\":\"\",\"domain\":\"b.test\",\"icp\":\"京ICP备12345678号\",\"problems\":{\"dns\":\"未查询（已中断）\"}}"_s);
    QCOMPARE(rows.size(), 3);
}

void TestStore::failedSavesAreTold_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("told"); // on standard error
    QTest::addColumn<int>("saved"); // cells found in the database afterwards, -1: not looked at
    // Named columns: a column added by hand or a later version, with a default, takes our rows.
    QTest::newRow("a table with an extra column") << u"extra column"_s << 0 << QString() << 30;
    QTest::newRow("a table with an extra column we cannot fill")
        << u"extra required column"_s << 1 << u"保存查询结果失败"_s << 0;
    QTest::newRow("a newer program's database") << u"newer"_s << 0 << u"由更新版本的程序建立"_s << 0;
    QTest::newRow("damaged pages") << u"damaged"_s << 0 << u"结果数据库已损坏，已移到"_s << 30;
    QTest::newRow("a lock held for 8 s mid-batch") << u"held"_s << 1 << u"保存查询结果失败"_s << -1;
    QTest::newRow("a full disk") << u"full"_s << 1 << u"保存查询结果失败"_s << -1;
}

void TestStore::failedSavesAreTold()
{
    QFETCH(QString, state);
    QFETCH(int, status);
    QFETCH(QString, told);
    QFETCH(int, saved);
    const QString folder = m_home->filePath(u"data/seo-quillmark"_s);
    const QString path = folder + u"/results.db"_s;
    QVERIFY(QDir().mkpath(folder));
    QByteArray domains;
    for (int n = 0; n < 30; ++n)
        domains += "slow" + QByteArray::number(n) + ".test\n";
    if (state == u"full"_s) {
        // A file system too small for what the batch writes.
        if (QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=200k"_s, u"tmpfs"_s, folder}) != 0)
            QSKIP("a tiny file system needs mount (root)");
        domains.clear();
        for (int n = 0; n < 3000; ++n)
            domains += "a-rather-long-domain-name-to-fill-the-disk-" + QByteArray::number(n) + ".test\n";
    } else if (state != u"held"_s) {
        { ResultStore made(path); }
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"setup"_s);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        if (state == u"extra column"_s)
            QVERIFY(query.exec(u"ALTER TABLE cells ADD COLUMN note TEXT DEFAULT ''"_s));
        if (state == u"extra required column"_s) // SQLite adds no NOT NULL column without a default: a new table
            QVERIFY(query.exec(u"DROP TABLE cells"_s)
                && query.exec(u"CREATE TABLE cells (batch, row, domain, lookup, text, problem, at, note NOT NULL)"_s));
        if (state == u"newer"_s)
            QVERIFY(query.exec(u"PRAGMA user_version = 99"_s));
        query.finish();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(u"setup"_s);
        if (state == u"damaged"_s) {
            QFile file(path);
            QVERIFY(file.size() > 4096 && file.open(QIODevice::ReadWrite) && file.seek(4096));
            file.write(QByteArray(file.size() - 4096, '\xA5')); // every page after the first
        }
    }
    QProcess program;
    QSqlDatabase holder;
    start(program, {u"--batch"_s, u"-"_s, u"--lookups"_s, u"icp"_s, u"--format"_s, u"jsonl"_s}, domains);
    if (state == u"held"_s) {
        // Another program takes the write lock once the batch is under way, and keeps it past our patience.
        QVERIFY(QTest::qWaitFor([&] { return m_server->requests.size() >= 5; }, 20'000));
        holder = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"holder"_s);
        holder.setDatabaseName(path);
        QVERIFY(holder.open());
        QVERIFY(QSqlQuery(holder).exec(u"BEGIN EXCLUSIVE"_s));
        QTest::qWait(8000);
        QSqlQuery(holder).exec(u"ROLLBACK"_s);
    }
    QVERIFY(ended(program, 120'000));
    const QString error = QString::fromUtf8(program.readAllStandardError());
    if (state == u"full"_s)
        QProcess::execute(u"umount"_s, {folder});
    QCOMPARE(program.exitCode(), status);
    QVERIFY2(told.isEmpty() ? !error.contains(u"失败"_s) : error.contains(told), qPrintable(error));
    // Every row still goes out, saved or not.
    QCOMPARE(program.readAllStandardOutput().count('\n'), domains.count('\n'));
    if (saved >= 0)
        QCOMPARE(savedCells(), saved);
    if (holder.isValid()) {
        holder.close();
        holder = QSqlDatabase();
        QSqlDatabase::removeDatabase(u"holder"_s);
    }
}

QTEST_GUILESS_MAIN(TestStore)
#include "test_store.moc"
