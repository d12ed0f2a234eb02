// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commandline.h"

#include "cli/console.h"
#include "cli/explain.h"
#include "cli/listinput.h"
#include "cli/options.h"
#include "cli/streamrun.h"
#include "cli/watchclaim.h"
#include "queries/lookups/builtin.h"
#include "queries/sources/whoisregistries.h"
#include "settings/language.h"
#include "store/store.h"

#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Ctrl-C and SIGTERM become a byte on this pipe, read by the event loop: a signal handler may do no more. They
// are caught before anything is claimed or waited for. Only a FIFO's open waits before the run (for the other
// end), and nothing but the signal's own end would stop that wait; the program then holds nothing and has
// written nothing, so it ends at once, with the status a run ended by the signal has.
int g_signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t g_endAtOnce = 0;

void onSignal(int signal)
{
    if (g_endAtOnce)
        _exit(int(endedBySignal(signal)));
    const char byte = char(signal);
    [[maybe_unused]] const ssize_t written = write(g_signalPipe[1], &byte, 1);
}

void catchSignals()
{
    if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
}

// The first signal caught so far, taken; 0 when none.
int takeSignal()
{
    char signal = 0;
    return g_signalPipe[0] >= 0 && read(g_signalPipe[0], &signal, 1) == 1 ? signal : 0;
}

void passSignals(QCoreApplication& app, StreamRun& run)
{
    if (g_signalPipe[0] < 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&run] {
        if (const int signal = takeSignal())
            run.interrupt(signal);
    });
}

bool isFifo(const QString& path)
{
    struct stat status = {};
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &status) == 0 && S_ISFIFO(status.st_mode);
}

QString duration(qint64 seconds)
{
    return seconds >= 3600
        ? QCoreApplication::translate("CommandLine", "%1 时 %2 分").arg(seconds / 3600).arg(seconds % 3600 / 60)
        : QCoreApplication::translate("CommandLine", "%1 分 %2 秒").arg(seconds / 60).arg(seconds % 60);
}

void showProgress(const StreamRun& run, bool terminal)
{
    const double rate = run.done() * 1000.0 / qMax<qint64>(1, run.clock().elapsed());
    const QString line = QCoreApplication::translate("CommandLine", "%1/%2 个单元格（%3%），每秒 %4 个，约剩 %5")
                             .arg(run.done())
                             .arg(run.total())
                             .arg(run.total() ? 100 * run.done() / run.total() : 100)
                             .arg(rate, 0, 'f', 1)
                             .arg(rate > 0 ? duration(qint64((run.total() - run.done()) / rate))
                                           : QCoreApplication::translate("CommandLine", "未知"));
    if (terminal)
        sayInPlace(u"\r"_s + line + u"\x1b[K"_s);
    else
        say(line + u'\n');
}

// The built-in lookups and the user's, with whatever of the user's or the registries' data could not be used.
std::shared_ptr<const LookupTable> loadTable()
{
    const CustomFile custom = readUserLookups();
    auto table = std::make_shared<const LookupTable>(makeLookupTable(custom.lookups));
    for (const QString& line : custom.skipped + table->problems())
        say(QCoreApplication::translate("CommandLine", "seo-quillmark: 自定义查询 %1\n").arg(line));
    for (const QString& line : whoisRegistryProblems())
        say(QCoreApplication::translate("CommandLine", "seo-quillmark: WHOIS 注册局数据 %1\n").arg(line));
    return table;
}

// Both ends before the first request: a list that cannot be read, or a target that cannot be written, fails
// now, not after hours of lookups. Nothing, or the status to end with.
std::optional<ExitStatus> openEnds(
    const Options& options, const LookupTable& table, ListInput& input, OutputTarget& output)
{
    QString problem;
    if (options.watch.isEmpty() && !input.open(options.batch, &problem)) {
        say(QCoreApplication::translate("CommandLine", "seo-quillmark: 无法读取 --batch %1：%2\n")
                .arg(options.batch, problem));
        return ExitStatus::Usage;
    }
    const QList<int> workbookColumns
        = options.format == Format::Xlsx ? QList<int> {PositionColumn, DomainColumn} + options.columns : QList<int>();
    output.neverReplace(ResultStore::files(ResultStore::defaultPath()),
        QCoreApplication::translate("CommandLine", "是本程序的结果数据库"));
    if (const QString error = output.open(table, workbookColumns); !error.isEmpty()) {
        say(QCoreApplication::translate("CommandLine", "seo-quillmark: 无法写入 --output %1：%2\n")
                .arg(options.output, error));
        return ExitStatus::Usage;
    }
    return std::nullopt;
}

// Runs the batch to its end, or to a signal's, with progress on standard error; the exit status.
ExitStatus runToEnd(QCoreApplication& app, StreamRun& run, ListInput& input, WatchClaim& watch)
{
    const bool terminal = isatty(fileno(stderr));
    QTimer progress;
    QObject::connect(&progress, &QTimer::timeout, &app, [&] { showProgress(run, terminal); });
    progress.start(terminal ? 250 : 10'000);
    run.start(input);
    app.exec();
    progress.stop();
    const ExitStatus status = run.finish();
    watch.release(run.batch(), int(status) < 128 && run.done() > 0);
    if (terminal)
        sayInPlace(u"\r\x1b[K"_s);
    say(QCoreApplication::translate("CommandLine", "%1/%2 个单元格，用时 %3\n")
            .arg(run.done())
            .arg(run.total())
            .arg(duration(run.clock().elapsed() / 1000)));
    if (!run.isSaved()) {
        // The database is held by another program: waiting for it would break the promise to end at once.
        say(QCoreApplication::translate("CommandLine", "最后的部分结果未能保存。\n"));
        std::fflush(stderr);
        std::_Exit(int(status));
    }
    return status;
}

} // namespace

bool isCommandLine(int argc, char** argv)
{
    // --lang alone is the window's too: `seo-quillmark --lang en` opens it in English.
    for (int i = 1; i < argc; ++i) {
        const CommandOption* option = commandOptionNamed(QString::fromLocal8Bit(argv[i]));
        if (option && option->role != CommandOption::Role::Language)
            return true;
    }
    return false;
}

ExitStatus runCommandLine(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Scripts keep the Chinese they have always read unless they ask: the window's 界面语言 is not followed.
    // Chinese installs nothing at all, so that even Qt's own words in --help (and the manual page made from
    // it) stay as they were. A --lang that names no language is told with the usage errors.
    Translators translators;
    QString languageProblem;
    const QString languageAsked = languageOption(app.arguments());
    if (chosenLanguage(languageAsked, nullptr, &languageProblem) == Language::English)
        translators.apply(Language::English);
    else if (!languageProblem.isEmpty() && languageAsked.isEmpty())
        say(u"seo-quillmark: "_s + languageProblem + u'\n');
    const std::shared_ptr<const LookupTable> table = loadTable();
    const QString explainOption = u"--"_s + commandOption(CommandOption::Role::Explain).names.first();
    if (const qsizetype explain = app.arguments().indexOf(explainOption); explain > 0) {
        if (explain + 1 >= app.arguments().size()) {
            say(QCoreApplication::translate("CommandLine", "seo-quillmark: %1 后应有一个域名\n").arg(explainOption));
            return ExitStatus::Usage;
        }
        return explainRegistration(app.arguments().at(explain + 1));
    }
    const std::variant<Options, ExitStatus> parsed = parseArguments(app.arguments(), *table);
    if (const ExitStatus* status = std::get_if<ExitStatus>(&parsed))
        return *status;
    Options options = std::get<Options>(parsed);
    options.language = translators.language();
    ListInput input;
    WatchClaim watch;
    catchSignals();
    if (!options.watch.isEmpty()) {
        if (const std::optional<ExitStatus> status = watch.take(options.watch, *table, &options, &input))
            return *status;
    }
    OutputTarget output(options.output);
    g_endAtOnce = isFifo(options.output) || isFifo(options.batch);
    const std::optional<ExitStatus> opened = openEnds(options, *table, input, output);
    g_endAtOnce = 0;
    if (opened)
        return *opened;
    if (const int signal = takeSignal())
        return endedBySignal(signal);
    // A reader that goes away shows as EPIPE on the next write, not as a signal that ends us unsaved.
    std::signal(SIGPIPE, SIG_IGN);
    StreamRun run(options, output, table);
    passSignals(app, run);
    if (!options.watch.isEmpty()) {
        if (const std::optional<ExitStatus> status = watch.claim())
            return *status;
    }
    return runToEnd(app, run, input, watch);
}
