// SPDX-License-Identifier: GPL-3.0-or-later
// Watching from the command line and the store: --changes prints what changed since the last real answer (a
// failure or a first answer is none), --expiring DAYS and its status 3, --watch NAME runs a saved list once and
// never beside another run of it, and the expiry days kept per domain (a newer answer wins, one without a day
// takes the domain out, an older database filled on opening). Runs of a list in the window and on the command
// line, and the claims on it, against a clock of the test's own where the run is in this process.
#include "app/Notifier.h"
#include "commandlinetesting.h"
#include "settings/settings.h"
#include "store/store.h"
#include "store/watchlists.h"
#include "watching/watcher.h"

#include <QDBusConnection>
#include <QtTest>
#include <csignal>
#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

// A desktop's notification server that reads markup in a notification's body, as GNOME's and KDE's do.
class MarkupNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList bodies;
public slots:
    QStringList GetCapabilities() { return {u"body"_s, u"body-markup"_s, u"actions"_s}; }
    uint Notify(const QString&, uint, const QString&, const QString&, const QString& body, const QStringList&,
        const QVariantMap&, int)
    {
        bodies.append(body);
        return uint(bodies.size());
    }
};

class TestWatching : public CommandLineTest
{
    Q_OBJECT
public:
    ~TestWatching() override
    {
        m_bus.kill();
        m_bus.waitForFinished();
    }

private slots:
    void init();
    void changesPrintOnlyChangedCells_data();
    void changesPrintOnlyChangedCells();
    void expiringRowsAndStatus_data();
    void expiringRowsAndStatus();
    void watchRunsASavedListOnce();
    void watchRunsAndClaims_data();
    void watchRunsAndClaims();
    void expiryDaysKeptPerDomain();
    void notificationsShowNamesAsText();

private:
    static QString inDays(int days) { return QDate::currentDate().addDays(days).toString(Qt::ISODate); }
    // Each of watchRunsAndClaims' ways of running the list: what it ended with, "key=value" each.
    QStringList runInWindow(QDateTime* now);
    QStringList runStopped(const QStringList& arguments, int signal, const QByteArray& waitFor);

    QHash<QString, QString> m_expiry; // by name; 2030-01-02 when not given, none for "free"
    QSet<QString> m_failing; // names whose filing request fails
    QSet<QString> m_unfiled; // names whose filing request finds no filing
    int m_delayMs = 0; // before each filing answer
    QProcess m_bus; // the session bus of notificationsShowNamesAsText
};

void TestWatching::init()
{
    makeHome();
    m_expiry.clear();
    m_failing.clear();
    m_unfiled.clear();
    m_delayMs = 0;
    // The registry of ".test" is our server, by the RDAP bootstrap in the program's cache.
    QVERIFY(rdapOfTestAt(m_home->filePath(u"cache"_s), m_server->hostPort()));
    m_environment = {u"XDG_CACHE_HOME="_s + m_home->filePath(u"cache"_s)};
    m_server->responder = [this](const QString& target) {
        const QString name = target.startsWith(u"/rdap/"_s)
            ? target.section(u'/', -1)
            : QUrlQuery(QUrl(target).query()).queryItemValue(u"Domain"_s);
        if (!target.startsWith(u"/rdap/"_s)) {
            auto answer = m_failing.contains(name)
                ? TestHttpServer::page("", 503)
                : TestHttpServer::page(
                    testData(m_unfiled.contains(name) ? u"icp-none.gb2312.html"_s : u"icp-filed.gb2312.html"_s));
            answer.delayMs = m_delayMs;
            return answer;
        }
        if (m_expiry.value(name) == u"free"_s)
            return TestHttpServer::page(R"({"errorCode":404})", 404);
        if (m_expiry.value(name) == u"broken"_s)
            return TestHttpServer::page("", 503);
        const QString day = m_expiry.value(name, u"2030-01-02"_s);
        return TestHttpServer::page(QStringLiteral(R"({"objectClassName":"domain","ldhName":"%1","status":["active"],
            "events":[{"eventAction":"expiration","eventDate":"%2T00:00:00Z"}]})")
                                        .arg(name, day)
                                        .toUtf8());
    };
}

void TestWatching::changesPrintOnlyChangedCells_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray since = QDate::currentDate().toString(Qt::ISODate).toUtf8();
    QTest::newRow("JSON Lines")
        << u"jsonl"_s
        << R"({"domain":"a.test","key":"reg-expiry","before":"2027-01-02","after":"2028-01-02","since":")" + since
            + "\"}\n";
    QTest::newRow("CSV") << u"csv"_s
                         << "\xEF\xBB\xBF"
                            "domain,key,before,after,since\r\na.test,reg-expiry,2027-01-02,2028-01-02,"
            + since + "\r\n";
}

void TestWatching::changesPrintOnlyChangedCells()
{
    QFETCH(QString, format);
    const QStringList arguments {u"--batch"_s, u"-"_s, u"--lookups"_s, u"reg-expiry,icp"_s};
    for (const QString& name : {u"a.test"_s, u"b.test"_s, u"c.test"_s})
        m_expiry.insert(name, u"2027-01-02"_s);
    QCOMPARE(run(arguments, "a.test\nb.test\nc.test\n"), 0);
    // a renewed; b's filing request fails today (a failure is no change); c as it was; d answers first.
    m_expiry.insert(u"a.test"_s, u"2028-01-02"_s);
    m_failing.insert(u"b.test"_s);
    QByteArray output;
    QCOMPARE(run(arguments + QStringList {u"--changes"_s, u"--format"_s, format}, "a.test\nb.test\nc.test\nd.test\n",
                 &output),
        1); // b's failure, as without --changes
    QTEST(output, "expected");
}

void TestWatching::expiringRowsAndStatus_data()
{
    QTest::addColumn<int>("days");
    QTest::addColumn<QByteArray>("names");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("status");
    const QByteArray names = "soon.test\nfar.test\ngone.test\nfree.test\n";
    QTest::newRow("within 30 days and expired") << 30 << names << QStringList {u"gone.test"_s, u"soon.test"_s} << 3;
    QTest::newRow("only the expired within 5") << 5 << names << QStringList {u"gone.test"_s} << 3;
    QTest::newRow("--expiring N leaves out exactly N days left")
        << 10 << names << QStringList {u"gone.test"_s, u"soon.test"_s} << 3;
    QTest::newRow("--expiring 0 leaves out one expiring today") << 0 << names + "today.test\n"
                                                                << QStringList {u"gone.test"_s, u"today.test"_s} << 3;
    QTest::newRow("a failed cell beside a lapsing domain ends 1") << 30 << names + "broken.test\n"
                                                                  << QStringList {u"gone.test"_s, u"soon.test"_s} << 3;
    QTest::newRow("nothing near: no row, status 0") << 30 << "far.test\n"_ba << QStringList() << 0;
}

void TestWatching::expiringRowsAndStatus()
{
    QFETCH(int, days);
    QFETCH(QByteArray, names);
    QFETCH(int, status);
    m_expiry = {{u"gone.test"_s, inDays(-3)}, {u"soon.test"_s, inDays(10)}, {u"far.test"_s, inDays(400)},
        {u"free.test"_s, u"free"_s}, {u"today.test"_s, inDays(0)}, {u"broken.test"_s, u"broken"_s}};
    QByteArray output;
    QCOMPARE(run({u"--batch"_s, u"-"_s, u"--lookups"_s, u"reg-expiry"_s, u"--format"_s, u"csv"_s, u"--expiring"_s,
                     QString::number(days)},
                 names, &output),
        status);
    QStringList printed;
    for (const QByteArray& line : output.split('\n').mid(1))
        if (!line.isEmpty())
            printed.append(QString::fromUtf8(line).section(u',', 1, 1));
    printed.sort();
    QTEST(printed, "rows");
}

void TestWatching::watchRunsASavedListOnce()
{
    QVERIFY(ResultStore(databasePath()).isSaving()); // the database made, as the window makes it
    WatchLists lists(databasePath());
    QVERIFY2(lists.problem().isEmpty(), qPrintable(lists.problem()));
    QVERIFY(lists.save({u"客户站点"_s, {u"a.test"_s, u"soon.test"_s}, {u"reg-expiry"_s}, {}, {}, 0}));
    m_expiry = {{u"a.test"_s, u"2027-01-02"_s}, {u"soon.test"_s, inDays(10)}};
    QByteArray output;
    // First answers are no change; soon.test is within the default 30 days.
    QCOMPARE(run({u"--watch"_s, u"客户站点"_s}, {}, &output), 3);
    QCOMPARE(output, QByteArray());
    m_expiry.insert(u"a.test"_s, u"2028-01-02"_s);
    QCOMPARE(run({u"--watch"_s, u"客户站点"_s, u"--expiring"_s, u"5"_s}, {}, &output), 0);
    QVERIFY2(output.startsWith(R"({"domain":"a.test","key":"reg-expiry","before":"2027-01-02","after":"2028-01-02")"),
        output.constData());
    QCOMPARE(output.count('\n'), 1);
    const std::optional<WatchList> after = lists.find(u"客户站点"_s).value();
    QVERIFY(after && after->lastBatch > 0 && !after->times.runningSince.isValid());
    // Held by another program's run (the window's): not run a second time, nothing asked.
    QCOMPARE(lists.claim(u"客户站点"_s, QDateTime::currentDateTimeUtc(), true), WatchLists::Claim::Started);
    const qsizetype asked = m_server->requests.size();
    QCOMPARE(run({u"--watch"_s, u"客户站点"_s}, {}, &output), 1);
    QCOMPARE(m_server->requests.size(), asked);
    QCOMPARE(run({u"--watch"_s, u"无此列表"_s}), 2);
}

void TestWatching::watchRunsAndClaims_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("name"); // as saved
    QTest::addColumn<QString>("expected"); // the run's end and the list's state after it, "key=value" each
    QTest::newRow("the last, quickly answered row's change untold; the window's batch left unfinished")
        << u"window"_s << u"客户站点"_s << u"changes=1 finished=1 due=0 held=0"_s;
    QTest::newRow("a --watch that asked nothing stamped as run")
        << u"output into a missing folder"_s << u"客户站点"_s << u"status=2 due=1 held=0"_s;
    QTest::newRow("a --watch ended by SIGTERM counted as done")
        << u"SIGTERM"_s << u"客户站点"_s << u"status=143 due=1 held=0"_s;
    QTest::newRow("Ctrl-C waiting for a FIFO's reader keeps the claim")
        << u"Ctrl-C at a FIFO"_s << u"客户站点"_s << u"status=130 due=1 held=0"_s;
    QTest::newRow("a heartbeat from the future holds the list past a quarter of an hour")
        << u"clock set back"_s << u"客户站点"_s << u"due=0 held=0"_s;
    QTest::newRow("the window's claim written into a later program's database")
        << u"later database"_s << u"客户站点"_s << u"claim=failed due=1 held=0"_s;
    QTest::newRow("a list saved with spaces around its name cannot be run")
        << u"--watch sp"_s << u" sp "_s << u"status=0,0 due=0 held=0"_s;
}

void TestWatching::watchRunsAndClaims()
{
    QFETCH(QString, how);
    QFETCH(QString, name);
    QVERIFY(ResultStore(databasePath()).isSaving());
    WatchLists lists(databasePath());
    QVERIFY(lists.save({name, {u"a.test"_s, u"b.test"_s, u"c.test"_s}, {u"icp"_s}, {}, {}, 0}));
    const QString saved = name.trimmed();
    QDateTime now = QDateTime::currentDateTimeUtc();
    if (!how.startsWith(u"--"_s)) {
        // Last run a day and an hour ago: due now, unless something stamps it.
        QCOMPARE(lists.claim(saved, now.addSecs(-25 * 3600)), WatchLists::Claim::Started);
        QVERIFY(lists.finish(saved, 0, now.addSecs(-25 * 3600)));
    }
    QStringList state;
    if (how == u"window"_s) {
        state = runInWindow(&now);
    } else if (how == u"output into a missing folder"_s) {
        const QString output = m_home->filePath(u"missing/changes.jsonl"_s);
        state = {u"status=%1"_s.arg(run({u"--watch"_s, saved, u"--output"_s, output}))};
    } else if (how == u"SIGTERM"_s) {
        m_delayMs = 60'000;
        state = runStopped({u"--watch"_s, saved}, SIGTERM, {});
    } else if (how == u"Ctrl-C at a FIFO"_s) {
        const QString fifo = m_home->filePath(u"changes.fifo"_s);
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        state = runStopped({u"--watch"_s, saved, u"--output"_s, fifo}, SIGINT, "等待读取");
    } else if (how == u"clock set back"_s) {
        // A run whose clock was two hours ahead said it was alive, then died; the clock is put right.
        QCOMPARE(lists.claim(saved, now, true), WatchLists::Claim::Started);
        QVERIFY(lists.beat(saved, now.addSecs(2 * 3600)));
        now = now.addSecs(60);
        QCOMPARE(lists.claim(saved, now), WatchLists::Claim::Running);
        now = now.addSecs(kStaleRunSecs + 60);
    } else if (how == u"later database"_s) {
        QVERIFY(sqlOn(databasePath(), {u"PRAGMA user_version = 99"_s}));
        WatchLists later(databasePath());
        state = {later.claim(saved, now) != WatchLists::Claim::Failed ? u"claim=taken"_s : u"claim=failed"_s};
    } else {
        state = {u"status=%1,%2"_s.arg(run({u"--watch"_s, u"sp"_s})).arg(run({u"--watch"_s, u" sp "_s}))};
    }
    const std::optional<WatchList> after = lists.find(saved).value();
    QVERIFY2(after, qPrintable(lists.problem()));
    WatchTimes idle = after->times;
    idle.lastStarted = {};
    state << u"due=%1"_s.arg(int(shouldStart(after->times, now))) << u"held=%1"_s.arg(int(!shouldStart(idle, now)));
    QTEST(state.join(u' '), "expected");
}

// Two runs in the window with a clock of the test's own, a day apart: only the last row's filing goes.
QStringList TestWatching::runInWindow(QDateTime* now)
{
    const ScopedEnv host("QUILLMARK_HOST_ICP", m_server->hostPort().toUtf8());
    Settings settings(m_home->filePath(u"window.conf"_s));
    for (const Service& service : builtInTable()->services().all())
        settings.setPace(service.key, {service.pace.concurrency, 0});
    SetClock clock(*now);
    Watcher watcher(
        settings, [] { return builtInTable(); }, std::make_shared<EngineServices>(), databasePath(), clock);
    QSignalSpy finished(&watcher, &Watcher::runFinished);
    watcher.start();
    if (!finished.wait(30'000))
        return {u"the first run never ended"_s};
    m_unfiled.insert(u"c.test"_s);
    *now = now->addSecs(25 * 3600);
    clock.set(*now);
    watcher.checkNow();
    if (!finished.wait(30'000))
        return {u"the second run never ended"_s};
    const WatchSummary summary = finished.last().at(1).value<WatchSummary>();
    return {u"changes=%1"_s.arg(summary.changes),
        u"finished="_s + firstRow(databasePath(), u"SELECT finished FROM batches WHERE id = %1"_s.arg(summary.batch))};
}

// The program stopped by `signal` once it asked its first question, or once it said `waitFor`.
QStringList TestWatching::runStopped(const QStringList& arguments, int signal, const QByteArray& waitFor)
{
    QProcess program;
    start(program, arguments, {});
    QByteArray said;
    const auto there = [&] {
        said += program.readAllStandardError();
        return waitFor.isEmpty() ? !m_server->requests.isEmpty() : said.contains(waitFor);
    };
    if (!QTest::qWaitFor(there, 30'000))
        return {u"never got that far: "_s + QString::fromUtf8(said)};
    ::kill(pid_t(program.processId()), signal);
    if (!ended(program))
        return {u"still running"_s};
    return {program.exitStatus() == QProcess::CrashExit ? u"status=killed"_s : u"status=%1"_s.arg(program.exitCode())};
}

void TestWatching::expiryDaysKeptPerDomain()
{
    // An older database (version 3) with answers of its own: filled on opening, the latest real answer each.
    QDir().mkpath(QFileInfo(databasePath()).path());
    QVERIFY(makeOldDatabase(databasePath(), 3, [](QSqlQuery& step) {
        return step.exec(u"INSERT INTO cells VALUES (1, 0, 'old.test', 'reg-expiry', '%1', '', '2026-01-01T00:00:00'),"
                         u"(2, 0, 'old.test', 'reg-expiry', '%2', '', '2026-02-01T00:00:00'),"
                         u"(3, 0, 'old.test', 'reg-expiry', '2020-01-01', 'HTTP 503', '2026-03-01T00:00:00'),"
                         u"(2, 1, 'cert.test', 'tls-expiry', '%3（剩 3 天）', '', '2026-02-01T00:00:00'),"
                         u"(2, 2, 'lapsed.test', 'reg-expiry', '%4', '', '2026-02-01T00:00:00'),"
                         u"(2, 3, 'gone.test', 'reg-expiry', '%5', '', '2026-02-01T00:00:00')"_s.arg(
                             inDays(100), inDays(20), inDays(3), inDays(-10), inDays(-200)));
    }));
    const auto due = [this](int days) {
        ResultStore store(databasePath());
        QStringList found;
        const QDate today = QDate::currentDate();
        for (const expiries::Expiring& entry : store.expiringBetween(today.addDays(-days), today.addDays(days)))
            found.append(entry.domain + u' ' + entry.lookup + u' ' + entry.day.toString(Qt::ISODate));
        return found;
    };
    // Lapsed as far back as ahead: gone.test, lapsed long ago, is no longer "soon".
    const QString lapsed = u"lapsed.test reg-expiry "_s + inDays(-10);
    QCOMPARE(due(30),
        (QStringList {lapsed, u"cert.test tls-expiry "_s + inDays(3), u"old.test reg-expiry "_s + inDays(20)}));
    // Answers of today: old.test's registry no longer knows it (no day: out), new.test soon.
    m_expiry = {{u"old.test"_s, u"free"_s}, {u"new.test"_s, inDays(1)}};
    QCOMPARE(run({u"--batch"_s, u"-"_s, u"--lookups"_s, u"reg-expiry"_s}, "old.test\nnew.test\n"), 0);
    QCOMPARE(
        due(30), (QStringList {lapsed, u"new.test reg-expiry "_s + inDays(1), u"cert.test tls-expiry "_s + inDays(3)}));
}

void TestWatching::notificationsShowNamesAsText()
{
    // A list's name that would fetch a local file, were it read as markup.
    const QString name = u"<b>客户</b>站点<img src=\"file:///etc/hostname\">"_s;
    // A session bus of the test's own, before anything in this program has used one.
    m_bus.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address"_s});
    if (!m_bus.waitForStarted() || !m_bus.waitForReadyRead())
        QSKIP("no dbus-daemon to run a session bus with");
    const ScopedEnv address("DBUS_SESSION_BUS_ADDRESS", m_bus.readLine().trimmed());
    MarkupNotifications server;
    QDBusConnection session = QDBusConnection::sessionBus();
    QVERIFY(session.registerService(u"org.freedesktop.Notifications"_s));
    QVERIFY(session.registerObject(u"/org/freedesktop/Notifications"_s, &server, QDBusConnection::ExportAllSlots));
    const QString news = watchNews(name, WatchSummary {1, 0, 0, 0, false}, 30);
    Notifier(nullptr).show(u"seo-Quillmark"_s, news, name);
    session.unregisterObject(u"/org/freedesktop/Notifications"_s);
    session.unregisterService(u"org.freedesktop.Notifications"_s);
    QCOMPARE(server.bodies, QStringList {news.toHtmlEscaped()});
}

QTEST_GUILESS_MAIN(TestWatching)
#include "test_watching.moc"
