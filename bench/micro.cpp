// SPDX-License-Identifier: GPL-3.0-or-later
// Throughput of the hot paths on realistic and hostile inputs (Google Benchmark).
// Run: QT_QPA_PLATFORM=offscreen build/bench/bench_quillmark [--benchmark_filter=NAME]
#include "ScriptedPlatform.h"
#include "TestHttpServer.h"
#include "app/MainWindow.h"
#include "export/export.h"
#include "queries/engine/walker.h"
#include "queries/lookups/alexa.h"
#include "queries/lookups/baidu.h"
#include "queries/lookups/custom.h"
#include "queries/lookups/icp.h"
#include "queries/lookups/yahoo.h"
#include "queries/sources/registrable.h"
#include "queries/sources/tranco.h"
#include "settings/settings.h"
#include "store/store.h"
#include "web/fetch.h"
#include "web/links.h"
#include "windowtesting.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <numeric>
#include <zip.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// A benchmark is one program of one run: one settings file of its own serves all of it.
Settings& testSettings()
{
    static TestSettings settings;
    return settings.settings;
}

// About 200 KB of result-page markup with the marker near the end, as Baidu's pages have it.
QString resultPage(const QString& marker)
{
    QString page = u"<html><head><title>百度搜索</title></head><body>"_s;
    while (page.size() < 200'000)
        page += u"<div class=\"result\"><a href=\"http://x.test/\">结果标题</a><p>摘要文字 summary</p></div>\n"_s;
    return page + marker + u"</body></html>"_s;
}

void cut(benchmark::State& state, QString (*cut)(const QString&), const char16_t* marker)
{
    const QString page = resultPage(QString::fromUtf16(marker));
    for (auto _ : state)
        benchmark::DoNotOptimize(cut(page));
}
BENCHMARK_CAPTURE(cut, icp, icpCellText, u"<td>京ICP备12345678号</td>");
BENCHMARK_CAPTURE(cut, baidu, baiduCellText, u"百度为您找到相关结果约1,230,000个");
BENCHMARK_CAPTURE(cut, alexa, alexaCellText, u"<POPULARITY URL=\"a.test/\" TEXT=\"12345\"/>");
BENCHMARK_CAPTURE(cut, yahoo, yahooCellText, u"链向该地址的网页 共 <strong>1,234</strong>");

void testRegExp(benchmark::State& state, bool closed)
{
    // 200,000 links, or one line of anchors that never close: every start then scans to the end of the line.
    QString page;
    while (page.size() < 10'000'000)
        page += closed ? u"<li><a href=\"http://site.test/\">链接</a></li>\n"_s : u"<a href=\"http://x.test/\">x "_s;
    for (auto _ : state)
        benchmark::DoNotOptimize(TestRegExp(QString::fromUtf16(kLinkPattern), page));
    state.SetBytesProcessed(state.iterations() * page.size() * 2);
}
BENCHMARK_CAPTURE(testRegExp, links, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(testRegExp, unclosed, false)->Unit(benchmark::kMillisecond);

void decode(benchmark::State& state, const char* charset, bool undeclared)
{
    // 10 MB of page bytes in the charset, Chinese and ASCII mixed as on a real result page; read by the
    // charset named, or as a page that names none is (what its bytes say).
    QStringEncoder encoder(qstrcmp(charset, "gb2312") == 0 ? "GB18030" : "UTF-8");
    const QByteArray piece = encoder.encode(u"百度为您找到相关结果约1,230,000个 plain ascii text "_s);
    const QByteArray bytes = piece.repeated(10'000'000 / piece.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(undeclared ? decodePage(bytes, {}, Charset::Gb2312, true)
                                            : BytesToBstr(bytes, QString::fromLatin1(charset)));
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK_CAPTURE(decode, gb18030, "gb2312", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, utf8, "utf-8", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, gb18030_undeclared, "gb2312", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, utf8_undeclared, "utf-8", true)->Unit(benchmark::kMillisecond);

// A user's regular expression over a 3 MB page (searched to 2 Mi characters): a sane one that finds nothing,
// and one whose backtracking has no end, which the match limit stops.
void userRegex(benchmark::State& state, const char16_t* pattern)
{
    const PageRegex regex(QString::fromUtf16(pattern));
    const QString page(3 * 1024 * 1024, u'a');
    for (auto _ : state)
        benchmark::DoNotOptimize(regex.firstCapture(page));
}
BENCHMARK_CAPTURE(userRegex, sane, u"<b>(\\d+)</b>")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(userRegex, runaway, u"(\\w+\\s?)*[^\\w\\s]")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(userRegex, nested, u"((a+)+)+[^a]")->Unit(benchmark::kMillisecond);

QStringList domains(int count, const QString& prefix = u"domain"_s)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list.append(prefix + QString::number(i) + u".test"_s);
    return list;
}

void startWithHundredThousand(benchmark::State& state)
{
    ScriptedPlatform platform;
    auto form = makeWindow(platform, nullptr, testSettings());
    setInput(*form, domains(100'000).join(u'\n'));
    for (auto _ : state)
        click(*form, u"Command13"_s);
}
BENCHMARK(startWithHundredThousand)->Unit(benchmark::kMillisecond);

void exportHundredThousand(benchmark::State& state)
{
    Results results;
    results.setTable(builtInTable());
    results.reset(domains(100'000));
    for (auto _ : state)
        benchmark::DoNotOptimize(exportText(results, 100'000));
}
BENCHMARK(exportHundredThousand)->Unit(benchmark::kMillisecond);

// A million-row top-sites list, read from disk plain or zipped and made ready for look-ups.
void trancoMillionRows(benchmark::State& state, bool zipped)
{
    QByteArray csv;
    csv.reserve(32'000'000);
    for (qint64 rank = 1; rank <= 1'000'000; ++rank)
        csv.append(QByteArray::number(rank))
            .append(",site")
            .append(QByteArray::number(rank * 7919 % 1'000'003))
            .append(".example.com\r\n");
    QTemporaryDir dir;
    const QString path = dir.filePath(zipped ? u"top-1m.csv.zip"_s : u"top-1m.csv"_s);
    if (zipped) {
        zip_t* archive = zip_open(path.toLocal8Bit().constData(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
        zip_file_add(
            archive, "top-1m.csv", zip_source_buffer(archive, csv.constData(), zip_uint64_t(csv.size()), 0), 0);
        zip_close(archive);
    } else {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(csv);
    }
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        QString problem;
        TrancoList list;
        list.parse(trancoListBytes(file.readAll(), &problem), &problem);
        benchmark::DoNotOptimize(list.rank("site1.example.com"));
    }
    state.counters["file_MB"] = double(QFileInfo(path).size()) / 1e6;
}
BENCHMARK_CAPTURE(trancoMillionRows, plain, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(trancoMillionRows, zipped, true)->Unit(benchmark::kMillisecond);

void trancoLookUp(benchmark::State& state)
{
    QByteArray csv;
    csv.reserve(32'000'000);
    for (int rank = 1; rank <= 1'000'000; ++rank)
        csv.append(QByteArray::number(rank)).append(",site").append(QByteArray::number(rank)).append(".example.com\n");
    TrancoList list;
    QString problem;
    list.parse(csv, &problem);
    int rank = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(list.rank("site" + QByteArray::number(++rank % 1'200'000) + ".example.com"));
}
BENCHMARK(trancoLookUp);

// The test's sample rank list, installed where the data folder now points.
void installSampleRanks()
{
    Network network;
    TrancoStore ranks(network);
    QEventLoop installing;
    QObject::connect(&ranks, &TrancoStore::installed, &installing, &QEventLoop::quit);
    ranks.install(QStringLiteral(QUILLMARK_TEST_DATA_DIR "/tranco-sample.csv"), QDate::currentDate());
    installing.exec();
}

// 100,000 domains with a lookup that answers at once (a Tranco rank), the database on or off: what saving
// every cell costs a batch, and how big the database grows.
void hundredThousandSaved(benchmark::State& state, bool saving)
{
    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", dir.filePath(u"data"_s).toUtf8());
    installSampleRanks();
    std::optional<ResultStore> store;
    if (saving)
        store.emplace(dir.filePath(u"results.db"_s));
    Walker walker(testSettings(), builtInTable());
    walker.setSelection([](const Lookup& lookup) { return lookup.key == u"tranco"_s; });
    if (store)
        store->attach(walker);
    walker.setQueue(domains(100'000));
    for (auto _ : state) {
        QEventLoop loop;
        QObject::connect(&walker, &Walker::finished, &loop, &QEventLoop::quit);
        walker.runBatch();
        loop.exec();
    }
    state.counters["database_MB"] = saving
        ? double(QFileInfo(dir.filePath(u"results.db"_s)).size() + QFileInfo(dir.filePath(u"results.db-wal"_s)).size())
            / 1e6
        : 0;
}
BENCHMARK_CAPTURE(hundredThousandSaved, without_store, false)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(hundredThousandSaved, with_store, true)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// 200,000 domains of a lookup that answers at once, saved: at random moments of the batch, how many cells
// were on screen but not yet committed (what a kill -9 at that moment would lose), and that in milliseconds
// of the batch's own pace.
void unsavedAtRandomMoments(benchmark::State& state)
{
    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", dir.filePath(u"data"_s).toUtf8());
    installSampleRanks();
    ResultStore store(dir.filePath(u"results.db"_s));
    Walker walker(testSettings(), builtInTable());
    walker.setSelection([](const Lookup& lookup) { return lookup.key == u"tranco"_s; });
    store.attach(walker);
    walker.setQueue(domains(200'000));
    QList<qint64> samples;
    qint64 written = 0;
    QObject::connect(&walker.results(), &Results::cellChanged, [&] { ++written; });
    for (auto _ : state) {
        QEventLoop loop;
        QObject::connect(&walker, &Walker::finished, &loop, &QEventLoop::quit);
        QTimer sampler;
        QObject::connect(&sampler, &QTimer::timeout, [&] {
            if (written > 0 && written < 200'000)
                samples.append(store.unsaved());
            sampler.start(5 + std::rand() % 200);
        });
        sampler.start(5);
        QElapsedTimer clock;
        clock.start();
        walker.runBatch();
        loop.exec();
        state.counters["cells_per_s"] = 200'000 * 1000.0 / double(qMax<qint64>(1, clock.elapsed()));
    }
    const qint64 most = samples.isEmpty() ? 0 : *std::max_element(samples.begin(), samples.end());
    const double mean = samples.isEmpty() ? 0 : std::accumulate(samples.begin(), samples.end(), 0.0) / samples.size();
    state.counters["samples"] = double(samples.size());
    state.counters["unsaved_most"] = double(most);
    state.counters["unsaved_mean"] = mean;
    state.counters["unsaved_most_ms"] = most * 1000.0 / state.counters["cells_per_s"];
}
BENCHMARK(unsavedAtRandomMoments)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// The registration columns' first step for a million names: the host out of what was typed, its ASCII form
// and its registrable domain under the Public Suffix List.
void registrableMillion(benchmark::State& state)
{
    QStringList names;
    names.reserve(1'000'000);
    const QStringList shapes {
        u"www.site%1.com.cn"_s, u"a.b.site%1.co.uk"_s, u"site%1.test"_s, u"http://site%1.net/x"_s};
    for (int n = 0; n < 1'000'000; ++n)
        names.append(shapes.at(n % shapes.size()).arg(n));
    for (auto _ : state) {
        qsizetype found = 0;
        for (const QString& name : names)
            found += registrableDomain(asciiName(typedHost(name))).size();
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(registrableMillion)->Iterations(3)->Unit(benchmark::kMillisecond);

qint64 residentKb(const char* field)
{
    QFile status(u"/proc/self/status"_s);
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// 20,000 domains with all eight lookups against a local server at the default paces: a long batch's time
// and memory.
void twentyThousandDomains(benchmark::State& state)
{
    TestHttpServer server;
    const QByteArray page = testData(u"markers-all.gb2312.html"_s);
    server.responder = [&](const QString&) { return TestHttpServer::page(page); };
    const auto hosts = serveEverythingFrom(server.hostPort());
    for (const Service& service : builtInTable()->services().all())
        testSettings().setPace(service.key, {service.pace.concurrency, 0});
    Walker walker(testSettings(), builtInTable());
    walker.setPingProgram(kFakePing);
    // The eight designed lookups, the first of the table: the newer ones ask servers the local one does not
    // stand in for (WHOIS, TLS, DNS), and would time the timeouts instead.
    const std::vector<const Lookup*>& all = builtInTable()->lookups();
    const QSet<const Lookup*> designed(all.begin(), all.begin() + 8);
    walker.setSelection([&](const Lookup& lookup) { return designed.contains(&lookup); });
    walker.setQueue(domains(
        qEnvironmentVariableIntValue("N") ? qEnvironmentVariableIntValue("N") : 20000, server.hostPort() + u"/d"_s));
    for (auto _ : state) {
        QEventLoop loop;
        QObject::connect(&walker, &Walker::finished, &loop, &QEventLoop::quit);
        walker.runBatch();
        loop.exec();
    }
    state.counters["requests"] = double(server.requests.size());
    state.counters["marked"] = walker.results().problemCount();
    state.counters["peak_RSS_MiB"] = double(residentKb("VmHWM:")) / 1024;
}
BENCHMARK(twentyThousandDomains)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
