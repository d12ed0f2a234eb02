// SPDX-License-Identifier: GPL-3.0-or-later
// Whole-program figures: the real window, real sockets, real ping. Each scenario prints what it measured.
// Run them under a display with a window manager: bench/window-figures.sh does.
//   bench_figures outbound-100k | round-trips | silent-homes | box-35s | many-hosts
#include "ScriptedPlatform.h"
#include "TestHttpServer.h"
#include "app/MainWindow.h"
#include "queries/engine/walker.h"
#include "settings/settings.h"
#include "web/fetch.h"
#include "web/ping.h"
#include "windowtesting.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMessageBox>
#include <QPushButton>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// A benchmark is one program of one run: one settings file of its own serves all of it.
Settings& testSettings()
{
    static TestSettings settings;
    return settings.settings;
}

const QStringList kBoxes {
    u"Check2"_s, u"Check3"_s, u"Check4"_s, u"Check5"_s, u"Check6"_s, u"Check7"_s, u"Check8"_s, u"Check9"_s};

// The longest time the event loop went without handling a 10 ms tick: what the user feels as a frozen window.
struct PauseMeter
{
    PauseMeter()
    {
        since.start();
        QObject::connect(&ticker, &QTimer::timeout, [this] { longest = qMax(longest, since.restart()); });
        ticker.start(10);
    }
    QTimer ticker;
    QElapsedTimer since;
    qint64 longest = 0;
};

int openFiles()
{
    return int(QDir(u"/proc/self/fd"_s).entryList(QDir::NoDotAndDotDot | QDir::System).size());
}

struct Batch
{
    qint64 ms;
    qint64 longestPauseMs;
};

Batch runBatch(MainWindow& form, const QStringList& domains, const QStringList& boxes)
{
    setInput(form, domains.join(u'\n'));
    for (const QString& box : kBoxes)
        setBox(form, box, boxes.contains(box));
    PauseMeter pauses;
    QElapsedTimer clock;
    clock.start();
    click(form, u"Command13"_s);
    QEventLoop loop;
    QObject::connect(&form.walker(), &Walker::finished, &loop, &QEventLoop::quit);
    if (form.walker().isBusy())
        loop.exec();
    return {clock.elapsed(), pauses.longest};
}

QString writePingScript(const QTemporaryDir& dir, const char* body)
{
    const QString path = dir.filePath(u"ping"_s);
    QFile script(path);
    script.open(QIODevice::WriteOnly);
    script.write(QByteArray("#!/bin/sh\nfor host; do :; done\n") + body);
    script.setPermissions(script.permissions() | QFile::ExeOwner);
    return path;
}

void setAllPaces(int concurrency)
{
    for (const Service& service : builtInTable()->services().all())
        testSettings().setPace(service.key, {concurrency > 0 ? concurrency : service.pace.concurrency, 0});
}

int outbound100k(MainWindow& form, TestHttpServer& server)
{
    QString page;
    for (int i = 0; i < 100'000; ++i)
        page += u"<li><a href=\"http://site%1.test/\">链接 %1</a></li>\n"_s.arg(i);
    server.route(u"/big"_s, TestHttpServer::page(QStringEncoder("GB18030").encode(page)));
    const Batch batch = runBatch(form, {server.hostPort() + u"/big"_s}, {u"Check8"_s});
    std::printf(
        "outbound lookup, one home page of 100,000 links (%lld KB): %lld ms, cell \"%s\", longest pause %lld ms\n",
        qint64(page.size()) / 1024, batch.ms, qPrintable(form.walker().results().text(0, FirstLookupColumn + 6)),
        batch.longestPauseMs);
    return 0;
}

int roundTrips(MainWindow& form, TestHttpServer& server, ScriptedPlatform& platform)
{
    // Every service, every home page and every ping answers after 150 ms; each home page on a host of its own.
    server.responder = [](const QString&) {
        auto answer = TestHttpServer::page(testData(u"markers-all.gb2312.html"_s));
        answer.delayMs = 150;
        return answer;
    };
    QTemporaryDir dir;
    platform.ping = writePingScript(dir, "sleep 0.15; echo \"PING $host ($host) 56(84) bytes of data.\"\n");
    form.walker().setPingProgram(platform.ping);
    QStringList domains;
    for (int n = 0; n < 30; ++n)
        domains.append(u"127.0.0.%1:%2/d%1"_s.arg(n + 2).arg(server.port()));
    const double sumMs = 30 * 8 * 150;
    for (int concurrency : {8, 0}) {
        setAllPaces(concurrency);
        const Batch batch = runBatch(form, domains, kBoxes);
        std::printf("30 domains x 8 lookups, 150 ms each (sum of round trips %.0f ms), %s: %lld ms = %.2f of the sum, "
                    "%d marked cells\n",
            sumMs, concurrency ? "every service 8 at once" : "default paces", batch.ms, batch.ms / sumMs,
            form.walker().results().problemCount());
    }
    return 0;
}

int silentHomes(MainWindow& form, TestHttpServer& server)
{
    const int limitMs = 2000;
    form.walker().network().limits = {limitMs, 16 * 1024 * 1024, 5};
    server.route(u"/"_s, TestHttpServer::page("", 200, TestHttpServer::Mode::NoAnswer));
    QStringList domains;
    for (int n = 0; n < 100; ++n)
        domains.append(u"127.0.1.%1:%2"_s.arg(n + 1).arg(server.port()));
    const Batch batch = runBatch(form, domains, {u"Check8"_s});
    std::printf("100 home pages that never answer, %d ms limit, home pages %d at once: %lld ms = %.2f x the limit\n",
        limitMs, testSettings().pace(serviceOf(u"home"_s)).concurrency, batch.ms, double(batch.ms) / limitMs);
    return 0;
}

int box35s(MainWindow& form, TestHttpServer& server)
{
    // A batch that takes about 45 s; Export's real box opens after two seconds and stays open for 35.
    testSettings().setPace(u"icp"_s, {1, 0});
    auto slow = TestHttpServer::page(testData(u"icp-filed.gb2312.html"_s));
    slow.delayMs = 150;
    server.route(u"/Api/"_s, slow);
    QStringList domains;
    for (int n = 0; n < 300; ++n)
        domains.append(u"d%1.test"_s.arg(n));
    int writtenWhileOpen = 0;
    bool open = false;
    QObject::connect(&form.walker().results(), &Results::cellChanged, [&] { writtenWhileOpen += open ? 1 : 0; });
    QTimer::singleShot(2000, &form, [&] {
        QTimer::singleShot(35'000, &form, [&] {
            open = false;
            qobject_cast<QMessageBox*>(QApplication::activeModalWidget())->button(QMessageBox::Ok)->click();
        });
        open = true;
        click(form, u"Command14"_s);
    });
    const Batch batch = runBatch(form, domains, {u"Check3"_s});
    const Results& results = form.walker().results();
    int answered = 0;
    for (int row = 0; row < results.rowCount(); ++row)
        answered += results.text(row, FirstLookupColumn + 1) == u"京ICP备12345678号"_s ? 1 : 0;
    std::printf("box open for 35 s during a %lld ms batch: %d cells written meanwhile; %d of 300 answered, %d marked\n",
        batch.ms, writtenWhileOpen, answered, results.problemCount());
    return 0;
}

int manyHosts(MainWindow& form, const char* port)
{
    // bench/loopback-hosts.py answers on 127.10.x.y and holds 127.20.x.y silent; nothing listens on 127.30.x.y.
    const int limitMs = 3000;
    form.walker().network().limits = {limitMs, 16 * 1024 * 1024, 5};
    QStringList domains;
    for (int n = 0; n < 5000; ++n) {
        const int kind = n % 3;
        domains.append(u"127.%1.%2.%3%4"_s.arg(10 * (kind + 1))
                           .arg(n / 3 / 250)
                           .arg(n / 3 % 250 + 1)
                           .arg(QLatin1String(port) == u"80"_s ? QString() : u":"_s + QLatin1String(port)));
    }
    int peakFiles = 0;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] { peakFiles = qMax(peakFiles, openFiles()); });
    sampler.start(20);
    const Batch batch = runBatch(form, domains, {u"Check8"_s, u"Check9"_s});
    const Results& results = form.walker().results();
    int pingsRun = 0;
    int answered = 0;
    for (int row = 0; row < results.rowCount(); ++row) {
        pingsRun += results.text(row, FirstLookupColumn + 7) != u"无法运行 ping"_s ? 1 : 0;
        answered += results.text(row, FirstLookupColumn + 6) == u"1"_s ? 1 : 0;
    }
    rlimit limit {};
    getrlimit(RLIMIT_NOFILE, &limit);
    std::printf("5,000 hosts (a third answering, silent, refusing), outbound + site IP, %d ms limit, open-file limit "
                "%llu: %lld s, peak open files %d, pings run %d of 5000, pages answered %d, longest pause %lld ms\n",
        limitMs, (unsigned long long)limit.rlim_cur, batch.ms / 1000, peakFiles, pingsRun, answered,
        batch.longestPauseMs);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QString scenario = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    TestHttpServer server(nullptr, true);
    const auto hosts = serveEverythingFrom(server.hostPort());
    setAllPaces(0);
    ScriptedPlatform scripted;
    scripted.answerer = [](const ScriptedPlatform::Shown&) { return QMessageBox::Ok; };
    DesktopPlatform desktop;
    Platform& platform = scenario == u"box-35s"_s ? static_cast<Platform&>(desktop) : scripted;
    MainWindow form(platform, testSettings());
    form.show();

    if (scenario == u"outbound-100k"_s)
        return outbound100k(form, server);
    if (scenario == u"round-trips"_s)
        return roundTrips(form, server, scripted);
    if (scenario == u"silent-homes"_s)
        return silentHomes(form, server);
    if (scenario == u"box-35s"_s)
        return box35s(form, server);
    if (scenario == u"many-hosts"_s)
        return manyHosts(form, argc > 2 ? argv[2] : "80");
    std::fprintf(stderr, "usage: %s outbound-100k|round-trips|silent-homes|box-35s|many-hosts [port]\n", argv[0]);
    return 2;
}
