// SPDX-License-Identifier: GPL-3.0-or-later
// The command line's outputs: its formats byte for byte, its exit statuses and usage errors, the targets it
// writes to, rows streamed whole and in order, shards that make the whole run, a reader that goes away, and
// the options and statuses as --help and the documentation give them.
#include "cli/commandline.h"
#include "cli/options.h"
#include "commandlinetesting.h"
#include "store/store.h"
#include "store/watchlists.h"

#include <QtTest>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

class TestCommandLine : public CommandLineTest
{
    Q_OBJECT
private slots:
    void init() { makeHome(); }
    void commandLine_data();
    void commandLine();
    void outputTargets_data();
    void outputTargets();
    void outputsAndStatuses_data();
    void outputsAndStatuses();
    void streamedRowsCompleteAndInOrder();
    void shardsMakeTheWholeRun();
    void closedPipeEndsQuietly();
    void languageAloneOpensTheWindow();
    void optionsAndStatusesAsDocumented_data();
    void optionsAndStatusesAsDocumented();

private:
    void prepareOutputRun(
        const QString& setup, const QString& folder, QString& target, QStringList& arguments, QString& program);
};

void TestCommandLine::commandLine_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QByteArray>("output"); // standard output exactly, or what standard error must name
    QTest::addColumn<int>("status");
    const auto row = [](const char* name, const char* arguments, const QString& output, int status) {
        QTest::newRow(name) << QString::fromUtf8(arguments) << output.toUtf8() << status;
    };
    const QString lines
        = u"a.test|注册：已被注册|备案：京ICP备12345678号|百度收录： |百度反链： |Alexa： |yahoo排名： |出站： "
          u"|IP： \r\n"_s;
    row("lines", "--batch - --lookups icp,registrar", lines, 0);
    // A list as people type it: a space after the comma ("␣" stands for it in these rows).
    row("lookups with spaces", "--batch - --lookups icp,␣registrar", lines, 0);
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
    row("a usage error in English", "--batch - --lookups icp,bogus --lang en",
        u"--lookups: there is no lookup \"bogus\""_s, 2);
    row("a language that is none", "--batch - --lookups icp --lang=fr", u"不是“fr”"_s, 2);
    // Said before the first request, not after hours of them.
    row("output into a missing folder", "--batch - --lookups icp --output /nonexistent/out.txt",
        u"文件夹 /nonexistent 不存在"_s, 2);
    row("output onto a folder", "--batch - --lookups icp --output /tmp", u"/tmp：是一个文件夹"_s, 2);
    row("pace out of range", "--batch - --lookups icp --pace icp=2,baidu=0/100", u"baidu=0/100"_s, 2);
    row("pace of no service", "--batch - --lookups icp --pace nosuch=1", u"nosuch"_s, 2);
    row("shard past the last", "--batch - --lookups icp --shard 4/3", u"4/3"_s, 2);
    row("proxy that is no address", "--batch - --lookups icp --proxy icp=ftp://p.test:21", u"ftp://p.test:21"_s, 2);
}

void TestCommandLine::commandLine()
{
    QFETCH(QString, arguments);
    QFETCH(QByteArray, output);
    QFETCH(int, status);
    const QByteArray tag = QTest::currentDataTag();
    const QByteArray input = tag == "a failed cell" ? "fail.test\n"
        : tag.contains("GB18030")                   ? "a.test\n\xc0\xfd\xd7\xd3.test\n"
        : tag.contains("overlong")                  ? QByteArray(300, 'a')
                                                    : "a.test\n";
    const QString list = m_home->filePath(u"list.txt"_s);
    QVERIFY(writeFile(list, input));
    QByteArray out, error;
    QCOMPARE(run(arguments.split(u' ').replaceInStrings(u"␣"_s, u" "_s).replaceInStrings(u"LIST"_s, list),
                 arguments.contains(u"LIST"_s) ? QByteArray() : input, &out, &error),
        status);
    if (status == 2) {
        out = error;
        QCOMPARE(m_server->requests.size(), 0);
    }
    if (status == 0 && arguments != u"--help"_s)
        QCOMPARE(out, output);
    else
        QVERIFY2(out.contains(output), out.constData());
}

void TestCommandLine::outputTargets_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("holds"); // how what the reader or the linked file got begins
    // Each used to be replaced by a regular file (as root, /dev/null itself), or refused for the wrong reason.
    QTest::newRow("a character device stays one") << u"device"_s << u"lines"_s << 0 << QByteArray();
    QTest::newRow("a FIFO's reader gets the rows") << u"fifo"_s << u"csv"_s << 0 << "\xEF\xBB\xBF,"_ba;
    QTest::newRow("a link stays, its file holds the workbook") << u"link"_s << u"xlsx"_s << 0 << "PK"_ba;
    QTest::newRow("a link to a FIFO") << u"link-fifo"_s << u"jsonl"_s << 0 << "{\"domain\":\"a.test\""_ba;
    QTest::newRow("a block device is refused") << u"block"_s << u"lines"_s << 2 << QByteArray();
}

void TestCommandLine::outputTargets()
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
    QCOMPARE(
        run({u"--batch"_s, u"-"_s, u"--lookups"_s, u"icp"_s, u"--format"_s, format, u"--output"_s, path}, "a.test\n"),
        status);
    // Still what it was, and written through.
    struct stat was = {};
    QVERIFY(::lstat(QFile::encodeName(path).constData(), &was) == 0);
    const mode_t kind = target == u"device"_s ? S_IFCHR
        : target == u"block"_s                ? S_IFBLK
        : target == u"fifo"_s                 ? S_IFIFO
                                              : S_IFLNK;
    QCOMPARE(was.st_mode & S_IFMT, kind);
    QByteArray got(64, '\0');
    if (reader >= 0) {
        got.resize(std::max<ssize_t>(0, ::read(reader, got.data(), size_t(got.size()))));
        ::close(reader);
    } else {
        got = readFile(QString::fromLocal8Bit(file)).left(64);
    }
    QVERIFY2(got.startsWith(holds), got.constData());
}

void TestCommandLine::outputsAndStatuses_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("told"); // on standard error
    // Each replaced the whole history with rows, status 0.
    QTest::newRow("output onto the program's database") << u"database"_s << 2 << u"结果数据库"_s;
    QTest::newRow("the database through a link") << u"link"_s << 2 << u"结果数据库"_s;
    QTest::newRow("the database through a linked folder") << u"folder link"_s << 2 << u"结果数据库"_s;
    QTest::newRow("the database's write-ahead log") << u"wal"_s << 2 << u"结果数据库"_s;
    QTest::newRow("another SQLite database") << u"sqlite"_s << 2 << u"SQLite"_s;
    // The rename over another user's file in a sticky folder was refused at the end, the rows deleted, status 1.
    QTest::newRow("a sticky folder's file written in place") << u"sticky"_s << 0 << QString();
    QTest::newRow("a finished run kept when its rename fails") << u"rename"_s << 4 << u".part-"_s;
    // The batch ran to its end, told at the end with the status of a failed cell.
    QTest::newRow("a full disk stops the run at once") << u"full"_s << 4 << u"磁盘已满"_s;
    QTest::newRow("a full disk stops a workbook's run at once") << u"full xlsx"_s << 4 << u"磁盘已满"_s;
    // Claimed and stamped a newer program's database, ran the list, status 0.
    QTest::newRow("a newer database left alone by --watch") << u"newer"_s << 1 << u"由更新版本的程序建立"_s;
    // Thousands of requests before the end of the list was read.
    QTest::newRow("resume over a shorter list file") << u"resume"_s << 2 << u"这次的列表到此为止"_s;
}

// The run of an outputsAndStatuses row: its target, list and database made as the row says.
void TestCommandLine::prepareOutputRun(
    const QString& setup, const QString& folder, QString& target, QStringList& arguments, QString& program)
{
    QVERIFY(writeFile(m_home->filePath(u"list.txt"_s),
        numberedNames(setup == u"rename"_s ? "slow" : "d",
            setup == u"resume"_s              ? 10'000
                : setup.startsWith(u"full"_s) ? 3000
                                              : 3)));
    if (setup == u"database"_s || setup == u"wal"_s)
        target = databasePath() + (setup == u"wal"_s ? u"-wal"_s : QString());
    if (setup == u"link"_s)
        QVERIFY(QFile::link(databasePath(), target));
    if (setup == u"folder link"_s) {
        QVERIFY(QFile::link(m_home->filePath(u"data"_s), m_home->filePath(u"alias"_s)));
        target = m_home->filePath(u"alias/./seo-quillmark/results.db"_s);
    }
    arguments = {u"--batch"_s, m_home->filePath(u"list.txt"_s), u"--lookups"_s, u"icp"_s, u"--pace"_s, u"icp=32"_s,
        u"--output"_s, target};
    if (setup == u"sqlite"_s) {
        QFile::copy(databasePath(), target);
    } else if (setup == u"sticky"_s) {
        // Ours, writable by all, in a folder like /tmp; the run is another user's.
        const passwd* nobody = ::getpwnam("nobody");
        QVERIFY(nobody && writeFile(target, "old\n"));
        QVERIFY(::chmod(QFile::encodeName(target).constData(), 0666) == 0
            && ::chmod(QFile::encodeName(folder).constData(), 01777) == 0
            && ::chmod(QFile::encodeName(m_home->path()).constData(), 0755) == 0);
        QVERIFY(QDir().mkpath(m_home->filePath(u"config"_s)));
        for (const QString& own : {m_home->filePath(u"data"_s), m_home->filePath(u"data/seo-quillmark"_s),
                 databasePath(), m_home->filePath(u"config"_s)})
            QVERIFY(::chown(QFile::encodeName(own).constData(), nobody->pw_uid, nobody->pw_gid) == 0);
        arguments = QStringList {u"-u"_s, u"nobody"_s, u"--"_s, program} + arguments;
        program = u"runuser"_s;
    } else if (setup.startsWith(u"full"_s)) {
        // 4 KiB left, and rows for far more.
        if (setup == u"full xlsx"_s)
            arguments << u"--format"_s << u"xlsx"_s;
        QVERIFY(QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=64k"_s, u"tmpfs"_s, folder}) == 0);
        QVERIFY(writeFile(folder + u"/filler"_s, QByteArray(60 * 1024, 'x')));
    } else if (setup == u"newer"_s) {
        QVERIFY(WatchLists(databasePath()).save({u"daily"_s, {u"a.test"_s}, {u"icp"_s}, {}, {}, 0}));
        QVERIFY(sqlOn(databasePath(), {u"PRAGMA user_version = 99"_s}));
        arguments = QStringList {u"--watch"_s, u"daily"_s};
    } else if (setup == u"resume"_s) {
        // A batch cut short after its names were read, none of them asked; this list is its first half.
        QVERIFY(sqlOn(databasePath(),
            {u"INSERT INTO batches (id, started, domains, lookups) VALUES (7, '2026-12-01T00:00:00Z', '[]', '[\"icp\"]')"_s,
                u"WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 19999) "
                u"INSERT INTO names SELECT 7, i, 'd' || i || '.test' FROM n"_s}));
        arguments << u"--resume"_s;
    }
}

void TestCommandLine::outputsAndStatuses()
{
    QFETCH(QString, setup);
    QFETCH(int, status);
    QFETCH(QString, told);
    const bool full = setup.startsWith(u"full"_s);
    if ((setup == u"sticky"_s || full) && ::geteuid() != 0)
        QSKIP("another user's file and a tiny file system need root");
    QVERIFY(ResultStore(databasePath()).isSaving());
    const QString folder = m_home->filePath(u"files"_s);
    QVERIFY(QDir().mkpath(folder));
    const auto unmount = qScopeGuard([&] {
        if (full)
            QProcess::execute(u"umount"_s, {folder});
    });
    QString target = folder + u"/out.txt"_s;
    QStringList arguments;
    QString program = QStringLiteral(QUILLMARK_PROGRAM);
    prepareOutputRun(setup, folder, target, arguments, program);
    if (QTest::currentTestFailed())
        return;
    const QByteArray before = readFile(databasePath());
    QVERIFY(!before.isEmpty());
    QProcess run;
    start(run, arguments, {}, program);
    if (setup == u"rename"_s) {
        // Another program puts a folder where the rows are to go while the run is under way.
        QVERIFY(QTest::qWaitFor([&] { return !m_server->requests.isEmpty(); }, 20'000));
        QVERIFY(QDir().mkdir(target));
    }
    QVERIFY(ended(run));
    const QString error = QString::fromUtf8(run.readAllStandardError());
    QCOMPARE(run.exitCode(), status);
    QVERIFY2(error.contains(told), qPrintable(error));
    const qsizetype asked = m_server->requests.size();
    // Asked nothing, the database as it was.
    if (status == 2 || setup == u"newer"_s)
        QCOMPARE(asked, 0);
    if ((status == 2 && setup != u"resume"_s) || setup == u"newer"_s) // no store opened
        QVERIFY(readFile(databasePath()) == before);
    QFile written(
        setup == u"rename"_s ? folder + u'/' + QDir(folder).entryList({u"out.txt.part-*"_s}).value(0) : target);
    if (setup == u"sticky"_s || setup == u"rename"_s)
        QVERIFY(written.open(QIODevice::ReadOnly) && written.readAll().count("|备案：京ICP备12345678号|") == 3);
    if (full) {
        QVERIFY2(asked < 1500, qPrintable(QString::number(asked)));
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList {u"filler"_s}); // nothing half-written left
    }
}

void TestCommandLine::streamedRowsCompleteAndInOrder()
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
    start(program,
        {u"--batch"_s, u"-"_s, u"--lookups"_s, u"icp,registrar"_s, u"--format"_s, u"jsonl"_s, u"--pace"_s, u"icp=8"_s},
        {}, QStringLiteral(QUILLMARK_PROGRAM), false);
    QByteArray output;
    program.write(numberedNames("d", 15));
    QVERIFY(QTest::qWaitFor([&] { return (output += program.readAllStandardOutput()).count('\n') == 15; }, 20'000));
    program.write(numberedNames("d", 30, 15));
    program.closeWriteChannel();
    QVERIFY(ended(program));
    output += program.readAllStandardOutput();
    const QList<QByteArray> rows = output.trimmed().split('\n');
    QCOMPARE(rows.size(), 30);
    for (int n = 0; n < 30; ++n) {
        QCOMPARE(QString::fromUtf8(rows.at(n)),
            u"{\"domain\":\"d%1.test\",\"icp\":\"京ICP备12345678号\",\"problems\":{},\"registrar\":\"已被注册\"}"_s.arg(
                n));
    }
}

void TestCommandLine::shardsMakeTheWholeRun()
{
    // As CSV, merged as the README says: the header once, the parts' rows sorted by their position.
    const QByteArray domains = numberedNames("d", 60);
    const auto csv = [&](const QStringList& extra) {
        QByteArray output;
        run(u"--batch - --lookups icp --pace icp=8 --format csv"_s.split(u' ') + extra, domains, &output);
        return output.split('\n');
    };
    const QList<QByteArray> whole = csv({});
    QList<QByteArray> rows;
    for (const QString& shard : {u"1/3"_s, u"2/3"_s, u"3/3"_s}) {
        const QList<QByteArray> part = csv({u"--shard"_s, shard});
        QVERIFY(part.size() > 2 && part.size() < whole.size() && part.first() == whole.first());
        rows += part.mid(1, part.size() - 2);
    }
    std::sort(rows.begin(), rows.end(), [](const QByteArray& a, const QByteArray& b) {
        return a.left(a.indexOf(',')).toInt() < b.left(b.indexOf(',')).toInt();
    });
    QCOMPARE(QList<QByteArray> {whole.first()} + rows + QList<QByteArray> {QByteArray()}, whole);
}

void TestCommandLine::closedPipeEndsQuietly()
{
    // `| head -1`: the reader takes one row and goes away.
    const QByteArray domains = numberedNames("slow", 40);
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

// --lang is the window's option too: listed with the command line's, it must not take the window away.
void TestCommandLine::languageAloneOpensTheWindow()
{
    QByteArray program = "seo-quillmark", lang = "--lang", en = "en", batch = "--batch=-";
    char* alone[] = {program.data(), lang.data(), en.data()};
    char* run[] = {program.data(), lang.data(), en.data(), batch.data()};
    QVERIFY(!isCommandLine(3, alone));
    QVERIFY(isCommandLine(4, run));
}

void TestCommandLine::optionsAndStatusesAsDocumented_data()
{
    QTest::addColumn<QString>("text");
    QFile page(QStringLiteral(QUILLMARK_DOCS_DIR "/command-line.md"));
    QVERIFY(page.open(QIODevice::ReadOnly));
    // The prose only: the examples show other programs' options too (GNU parallel's).
    QString prose;
    bool fenced = false;
    for (const QString& line : QString::fromUtf8(page.readAll()).split(u'\n')) {
        fenced = line.startsWith(u"```"_s) ? !fenced : fenced;
        prose += fenced ? QString() : line + u'\n';
    }
    QTest::newRow("--help out of step with the options or statuses") << helpText(*builtInTable());
    QTest::newRow("docs/command-line.md out of step with the options or statuses") << prose;
}

void TestCommandLine::optionsAndStatusesAsDocumented()
{
    QFETCH(QString, text);
    const auto words = [](const QString& pattern, const QString& in) {
        QStringList found;
        for (auto match = QRegularExpression(pattern).globalMatch(in); match.hasNext();)
            found.append(match.next().captured(1));
        return found;
    };
    const QStringList given = words(u"(?<![\\w-])(--[a-z][a-z-]*)"_s, text);
    QStringList ours;
    for (const CommandOption& option : commandOptions()) {
        for (const QString& name : option.names) {
            ours.append((name.size() == 1 ? u"-"_s : u"--"_s) + name);
            QVERIFY2(words(u"(?<![\\w-])(%1)(?![\\w-])"_s.arg(ours.last()), text).size() > 0, qPrintable(ours.last()));
            // As typed, alone or with its value: the command line runs, not the window.
            QVERIFY2(isCommandOption(ours.last()) && isCommandOption(ours.last() + u"=x"_s), qPrintable(ours.last()));
        }
    }
    for (const QString& word : given)
        QVERIFY2(ours.contains(word), qPrintable(word + u" is no option"_s));
    QVERIFY(!isCommandOption(u"-platform"_s) && !isCommandOption(u"--h"_s) && !isCommandOption(u"-help"_s));
    const QString statuses = text.section(u"Exit status:"_s, 1).section(u"\n\n"_s, 0, 0);
    const QStringList numbers = words(u"(?<![\\d.,])(\\d+)(?![\\d.,])"_s, statuses);
    QStringList known;
    for (const ExitStatus status : kExitStatuses) {
        known.append(QString::number(int(status)));
        QVERIFY2(numbers.contains(known.last()), qPrintable(known.last() + u" is not given"_s));
    }
    for (const QString& number : numbers)
        QVERIFY2(known.contains(number), qPrintable(number + u" is no status"_s));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
