#include "cli/commandline.h"

#include "export/export.h"
#include "queries/domains.h"
#include "queries/walker.h"
#include "settings/settings.h"
#include "store/store.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

int g_interruptPipe[2] = {-1, -1};

void onInterrupt(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(g_interruptPipe[1], &byte, 1);
}

void say(const QString& text)
{
    std::fputs(qPrintable(text), stderr);
}

int usage(const QString& problem, const QCommandLineParser& parser)
{
    say(u"seo-quillmark: %1\n\n"_s.arg(problem) + parser.helpText());
    return 2;
}

QByteArray jsonLines(const Results& results, const QList<const Lookup*>& chosen)
{
    QByteArray lines;
    for (int row = 0; row < results.rowCount(); ++row) {
        QJsonObject object {{u"domain"_s, results.text(row, DomainColumn)}};
        QJsonObject problems;
        for (const Lookup* lookup : chosen) {
            object.insert(lookup->key, results.text(row, columnOf(*lookup)));
            if (!results.problem(row, columnOf(*lookup)).isEmpty())
                problems.insert(lookup->key, results.problem(row, columnOf(*lookup)));
        }
        object.insert(u"problems"_s, problems);
        lines += QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    }
    return lines;
}

QString duration(qint64 seconds)
{
    return seconds >= 3600 ? u"%1 时 %2 分"_s.arg(seconds / 3600).arg(seconds % 3600 / 60)
                           : u"%1 分 %2 秒"_s.arg(seconds / 60).arg(seconds % 60);
}

} // namespace

bool isCommandLine(int argc, char** argv)
{
    static const QList<QByteArray> ours {
        "--batch", "--lookups", "--format", "--output", "--resume", "--help", "-h", "--version", "-v", "--help-all"};
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (ours.contains(argument.split('=').first()))
            return true;
    }
    return false;
}

int runCommandLine(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(u"批量查询域名信息，结果写到标准输出或文件，进度写到标准错误。\n"
                                     u"Exit status: 0 every cell answered, 1 some failed, 2 bad usage, 130 Ctrl-C."_s);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    QStringList keys;
    for (const Lookup* lookup : lookups())
        keys.append(lookup->key);
    const QCommandLineOption batch(
        u"batch"_s, u"the domains, one a line (or the first column of a CSV); - reads standard input"_s, u"FILE|-"_s);
    const QCommandLineOption lookupsOption(u"lookups"_s, u"comma-separated, or all: "_s + keys.join(u','), u"LIST"_s);
    const QCommandLineOption format(
        u"format"_s, u"lines (the Export lines), csv or jsonl; lines by default"_s, u"FORMAT"_s, u"lines"_s);
    const QCommandLineOption output(u"output"_s, u"write the results there instead of standard output"_s, u"FILE"_s);
    const QCommandLineOption resume(
        u"resume"_s, u"go on with the last batch if it stopped short with the same domains and lookups"_s);
    parser.addOptions({batch, lookupsOption, format, output, resume});
    if (!parser.parse(app.arguments()))
        return usage(parser.errorText(), parser);
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
            qPrintable(QCoreApplication::applicationVersion()));
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return usage(u"多余的参数：%1"_s.arg(parser.positionalArguments().join(u' ')), parser);
    if (!parser.isSet(batch))
        return usage(u"缺少 --batch"_s, parser);
    if (!parser.isSet(lookupsOption))
        return usage(u"缺少 --lookups"_s, parser);
    const QString formatName = parser.value(format);
    if (formatName != u"lines"_s && formatName != u"csv"_s && formatName != u"jsonl"_s)
        return usage(u"--format 只能是 lines、csv 或 jsonl，不是“%1”"_s.arg(formatName), parser);
    QList<const Lookup*> chosen;
    for (const QString& name : parser.value(lookupsOption).split(u',', Qt::SkipEmptyParts)) {
        const Lookup* lookup = lookupByKey(name.trimmed());
        if (name.trimmed() == u"all"_s)
            chosen = QList<const Lookup*>(lookups().begin(), lookups().end());
        else if (!lookup)
            return usage(u"--lookups 里没有“%1”这种查询"_s.arg(name.trimmed()), parser);
        else if (!chosen.contains(lookup))
            chosen.append(lookup);
    }
    if (chosen.isEmpty())
        return usage(u"--lookups 是空的"_s, parser);
    // Columns in the grid's order, whatever the order they were named in.
    std::sort(
        chosen.begin(), chosen.end(), [](const Lookup* a, const Lookup* b) { return columnOf(*a) < columnOf(*b); });
    QFile input;
    const bool fromStandardInput = parser.value(batch) == u"-"_s;
    input.setFileName(parser.value(batch));
    if (!(fromStandardInput ? input.open(stdin, QIODevice::ReadOnly) : input.open(QIODevice::ReadOnly)))
        return usage(u"无法读取 --batch %1：%2"_s.arg(parser.value(batch), input.errorString()), parser);
    const QStringList domains = domainsFromFile(input.readAll());

    Settings settings;
    ResultStore store;
    if (!store.notice().isEmpty())
        say(store.notice() + u'\n');
    Walker walker(settings);
    walker.setPingProgram(u"ping"_s);
    walker.setSelection([&chosen](const Lookup& lookup) { return chosen.contains(&lookup); });
    store.attach(walker);

    // Ctrl-C drops what is in flight; what was written is already saved and goes out as usual.
    bool interrupted = false;
    if (pipe(g_interruptPipe) == 0) {
        auto* notifier = new QSocketNotifier(g_interruptPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [&] {
            interrupted = true;
            walker.abortAll();
            app.quit();
        });
        std::signal(SIGINT, onInterrupt);
        std::signal(SIGTERM, onInterrupt);
    }

    const qsizetype total = domains.size() * chosen.size();
    qsizetype done = 0;
    QObject::connect(&walker.results(), &Results::cellChanged, &app, [&] { ++done; });
    QElapsedTimer clock;
    clock.start();
    const bool terminal = isatty(fileno(stderr));
    QTimer progress;
    QObject::connect(&progress, &QTimer::timeout, &app, [&] {
        const double rate = done * 1000.0 / qMax<qint64>(1, clock.elapsed());
        const QString line = u"%1/%2 个单元格（%3%），每秒 %4 个，约剩 %5"_s.arg(done)
                                 .arg(total)
                                 .arg(total ? 100 * done / total : 100)
                                 .arg(rate, 0, 'f', 1)
                                 .arg(rate > 0 ? duration(qint64((total - done) / rate)) : u"未知"_s);
        say(terminal ? QString(u"\r"_s + line + u"\x1b[K"_s) : QString(line + u'\n'));
    });
    progress.start(terminal ? 250 : 10'000);
    QObject::connect(&walker, &Walker::finished, &app, &QCoreApplication::quit);

    const std::optional<ResultStore::Batch> unfinished = parser.isSet(resume) ? store.unfinishedBatch() : std::nullopt;
    QStringList chosenKeys;
    for (const Lookup* lookup : chosen)
        chosenKeys.append(lookup->key);
    if (unfinished && unfinished->domains == domains
        && QSet(unfinished->lookups.begin(), unfinished->lookups.end()) == QSet(chosenKeys.begin(), chosenKeys.end())) {
        store.resume(walker, *unfinished);
        for (int row = 0; row < walker.results().rowCount(); ++row) {
            for (const Lookup* lookup : chosen)
                done += walker.results().isWritten(row, columnOf(*lookup)) ? 1 : 0;
        }
    } else {
        if (parser.isSet(resume))
            say(u"没有可继续的查询（上次的查询已完成，或域名、查询不同）：从头开始。\n"_s);
        walker.setQueue(domains);
        walker.runBatch();
    }
    if (walker.isBusy())
        app.exec();
    progress.stop();
    if (terminal)
        say(u"\r\x1b[K"_s);
    say(u"%1/%2 个单元格，用时 %3\n"_s.arg(done).arg(total).arg(duration(clock.elapsed() / 1000)));

    const Results& results = walker.results();
    QList<int> columns {PositionColumn, DomainColumn};
    for (const Lookup* lookup : chosen)
        columns.append(columnOf(*lookup));
    const QByteArray bytes = formatName == u"lines"_s ? exportText(results, results.rowCount()).toUtf8()
        : formatName == u"csv"_s                      ? csvBytes(results, columns)
                                                      : jsonLines(results, chosen);
    if (parser.isSet(output)) {
        QSaveFile file(parser.value(output));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) < 0 || !file.commit()) {
            say(u"无法写入 %1：%2\n"_s.arg(parser.value(output), file.errorString()));
            return 1;
        }
    } else {
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        std::fflush(stdout);
    }
    if (interrupted)
        return 130;
    for (int row = 0; row < results.rowCount(); ++row) {
        for (const Lookup* lookup : chosen) {
            if (!results.problem(row, columnOf(*lookup)).isEmpty() || !results.isWritten(row, columnOf(*lookup)))
                return 1;
        }
    }
    return 0;
}
