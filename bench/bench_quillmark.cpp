// Throughput of the hot paths on realistic and hostile inputs. Run: build/bench/bench_quillmark
#include "ScriptedPlatform.h"
#include "TestHttpServer.h"
#include "app/Form1.h"
#include "app/ResultsGrid.h"
#include "export/export.h"
#include "queries/alexa.h"
#include "queries/baidu.h"
#include "queries/icp.h"
#include "queries/yahoo.h"
#include "testing.h"
#include "web/fetch.h"
#include "web/links.h"
#include "web/ping.h"

#include <QApplication>
#include <QStringEncoder>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// About 200 KB of result-page markup with the marker near the end, as Baidu's pages have it.
QString resultPage(const QString& marker)
{
    QString page = u"<html><head><title>百度搜索</title></head><body>"_s;
    while (page.size() < 200'000)
        page += u"<div class=\"result\"><a href=\"http://x.test/\">结果标题</a><p>摘要文字 summary</p></div>\n"_s;
    return page + marker + u"</body></html>"_s;
}

QString linkPage(int links)
{
    QString page;
    page.reserve(links * 52);
    for (int i = 0; i < links; ++i)
        page += u"<li><a href=\"http://site%1.test/\">链接 %1</a></li>\n"_s.arg(i);
    return page;
}

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void cutIcp(benchmark::State& state)
{
    const QString page = resultPage(u"<td>京ICP备12345678号</td>"_s);
    for (auto _ : state)
        benchmark::DoNotOptimize(icpCellText(page));
}
BENCHMARK(cutIcp);

void cutBaidu(benchmark::State& state)
{
    const QString page = resultPage(u"百度为您找到相关结果约1,230,000个"_s);
    for (auto _ : state)
        benchmark::DoNotOptimize(baiduCellText(page));
}
BENCHMARK(cutBaidu);

void cutAlexa(benchmark::State& state)
{
    const QString page = resultPage(u"<POPULARITY URL=\"a.test/\" TEXT=\"12345\"/>"_s);
    for (auto _ : state)
        benchmark::DoNotOptimize(alexaCellText(page));
}
BENCHMARK(cutAlexa);

void cutYahoo(benchmark::State& state)
{
    const QString page = resultPage(u"链向该地址的网页 共 <strong>1,234</strong>"_s);
    for (auto _ : state)
        benchmark::DoNotOptimize(yahooCellText(page));
}
BENCHMARK(cutYahoo);

void testRegExpManyLinks(benchmark::State& state)
{
    const QString page = linkPage(200'000); // about 10 MB of UTF-16
    for (auto _ : state)
        benchmark::DoNotOptimize(TestRegExp(u"<a.*?href=.*?>.*?</a>"_s, page));
    state.counters["page_MB"] = double(page.size() * 2) / 1e6;
}
BENCHMARK(testRegExpManyLinks)->Unit(benchmark::kMillisecond);

void testRegExpUnclosedLine(benchmark::State& state)
{
    // One line of unclosed anchors: every start scans to the end of the line.
    QString line;
    while (line.size() < state.range(0))
        line += u"<a href=\"http://x.test/\">x "_s;
    for (auto _ : state)
        benchmark::DoNotOptimize(TestRegExp(u"<a.*?href=.*?>.*?</a>"_s, line));
}
BENCHMARK(testRegExpUnclosedLine)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void decode(benchmark::State& state, const char* charset)
{
    // 10 MB of page bytes in the charset, a mix of Chinese and ASCII as on a real result page.
    const QString piece = u"百度为您找到相关结果约1,230,000个 plain ascii text "_s;
    QStringEncoder encoder(charset == std::string("gb2312") ? "GB18030" : "UTF-8");
    const QByteArray pieceBytes = encoder.encode(piece);
    const QByteArray bytes = pieceBytes.repeated(10'000'000 / pieceBytes.size());
    const QString name = QString::fromLatin1(charset);
    for (auto _ : state)
        benchmark::DoNotOptimize(BytesToBstr(bytes, name));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK_CAPTURE(decode, gb18030, "gb2312")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, utf8, "utf-8")->Unit(benchmark::kMillisecond);

QStringList domains(int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list.append(u"domain%1.test"_s.arg(i));
    return list;
}

void buildGrid(benchmark::State& state)
{
    const QStringList list = domains(100'000);
    for (auto _ : state) {
        ResultsGrid grid;
        grid.appendRows(list);
        benchmark::DoNotOptimize(grid.rowCount());
    }
}
BENCHMARK(buildGrid)->Unit(benchmark::kMillisecond);

void startWithHundredThousand(benchmark::State& state)
{
    ScriptedPlatform platform;
    auto form = makeWindow(platform);
    setInput(*form, domains(100'000).join(u'\n'));
    for (auto _ : state)
        click(*form, "Command13");
}
BENCHMARK(startWithHundredThousand)->Unit(benchmark::kMillisecond);

void exportHundredThousand(benchmark::State& state)
{
    ResultsGrid grid;
    grid.appendRows(domains(100'000));
    for (auto _ : state)
        benchmark::DoNotOptimize(exportText(grid, 100'000));
}
BENCHMARK(exportHundredThousand)->Unit(benchmark::kMillisecond);

void lookupPerDomain(benchmark::State& state, const char* button)
{
    TestHttpServer server;
    server.route(u"/"_s, TestHttpServer::page(testData(u"baidu-current.gb2312.html"_s)));
    for (const char* variable : {"QUILLMARK_HOST_REGISTRAR", "QUILLMARK_HOST_ICP", "QUILLMARK_HOST_BAIDU",
                                 "QUILLMARK_HOST_ALEXA", "QUILLMARK_HOST_YAHOO"})
        qputenv(variable, server.hostPort().toUtf8());
    ScriptedPlatform platform;
    platform.pingProgramPath = testDataPath(u"fake-ping.sh"_s);
    auto form = makeWindow(platform);
    QString input;
    for (int i = 0; i < 100; ++i)
        input += server.hostPort() + u"/d%1\n"_s.arg(i);
    setInput(*form, input);
    click(*form, "Command13");
    for (auto _ : state)
        click(*form, button);
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK_CAPTURE(lookupPerDomain, registrar, "Command3")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(lookupPerDomain, icp, "Command1")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(lookupPerDomain, baidu_site, "Command6")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(lookupPerDomain, baidu_domain, "Command7")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(lookupPerDomain, alexa, "Command2")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(lookupPerDomain, yahoo, "Command8")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(lookupPerDomain, outbound, "Command5")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(lookupPerDomain, site_ip_fake_ping, "Command4")->UseRealTime()->Unit(benchmark::kMillisecond);

void getIpRealPing(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(GetIP(u"127.0.0.1"_s, u"ping"_s));
}
BENCHMARK(getIpRealPing)->UseRealTime()->Unit(benchmark::kMillisecond);

void cpuWhileWaiting(benchmark::State& state)
{
    TestHttpServer server;
    TestHttpServer::Response silent;
    silent.mode = TestHttpServer::Mode::NoAnswer;
    server.route(u"/"_s, silent);
    FetchLimits limits;
    limits.timeLimitMs = 10'000;
    setFetchLimits(limits);
    double cpu = 0;
    for (auto _ : state) {
        const double before = processCpuSeconds();
        benchmark::DoNotOptimize(getHTTPPage(u"http://"_s + server.hostPort() + u"/silent"_s));
        cpu = processCpuSeconds() - before;
    }
    state.counters["process_cpu_s"] = cpu;
    setFetchLimits({});
}
BENCHMARK(cpuWhileWaiting)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
