// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/streamrun.h"

#include "cli/console.h"
#include "cli/listinput.h"
#include "cli/options.h"

#include <QCoreApplication>
#include <csignal>

using namespace Qt::Literals::StringLiterals;

namespace {

// After Ctrl-C or SIGTERM the program is gone within a second, whatever it was doing: saving what is
// queued gets this long, writing the rows the rest.
constexpr int kDrainOnSignalMs = 300;
constexpr int kExitOnSignalMs = 900;
// Rows read ahead of the first not yet written out: enough to keep every service busy.
constexpr int kRowsAhead = 4096;

} // namespace

StreamRun::StreamRun(const Options& options, OutputTarget& output, std::shared_ptr<const LookupTable> table)
    : m_options(options)
    , m_walker(m_settings, std::move(table))
    , m_rows(options, output, m_walker.results(), m_store)
{
    for (auto pace = m_options.paces.cbegin(); pace != m_options.paces.cend(); ++pace)
        m_settings.overridePace(pace.key(), pace.value());
    for (auto proxies = m_options.proxies.cbegin(); proxies != m_options.proxies.cend(); ++proxies)
        m_settings.overrideProxies(proxies.key(), proxies.value());
    m_walker.setPingProgram(u"ping"_s);
    if (!m_options.watch.isEmpty()) {
        m_store.setWatchList(m_options.watch);
        m_rows.setExpiringDays(m_options.expiringDays >= 0 ? m_options.expiringDays : m_settings.warnDays());
    }
    m_walker.setSelection([this](const Lookup& lookup) { return m_options.chosen.contains(&lookup); });
    m_store.setLanguage(m_options.language);
    m_store.attach(m_walker);
    if (!m_store.notice().isEmpty())
        say(m_store.notice() + u'\n');
    connect(&m_store, &ResultStore::problem, this, [](const QString& message) { say(message + u'\n'); });
    m_rows.onFailed = [this] { interrupt(0); };
    m_flush.setSingleShot(true);
    connect(&m_flush, &QTimer::timeout, this, [this] { writeRows(); });
    connect(&m_store, &ResultStore::committed, &m_flush, qOverload<>(&QTimer::start));
    connect(&m_walker.results(), &Results::cellChanged, this, [this] {
        m_done += m_counting ? 1 : 0;
        if (!m_flush.isActive())
            m_flush.start();
    });
    connect(&m_walker, &Walker::finished, qApp, &QCoreApplication::quit);
}

void StreamRun::start(ListInput& input)
{
    m_input = &input;
    m_clock.start();
    // A file can be read twice: the whole of it is held to the unfinished batch's before the first request.
    if (m_options.resume && input.isFile()) {
        begin();
        if (m_status || (m_resumed && !holdsToBatch(input)))
            return;
    }
    input.onNames = [this](const DomainFile& part, bool end) { append(part, end); };
    input.want(true);
}

void StreamRun::interrupt(int signal)
{
    if (std::exchange(m_stopping, true))
        return;
    m_signal = signal;
    m_walker.abortAll();
    m_store.detach();
    m_counting = false;
    if (m_input)
        m_input->want(false);
    Results& results = m_walker.results();
    for (int row = results.firstRow(); row < results.rowCount(); ++row) {
        for (int column : m_options.columns) {
            if (!results.isWritten(row, column))
                results.setCell(row, column, QString(), QCoreApplication::translate("CommandLine", "未查询（已中断）"));
        }
    }
    qApp->quit();
}

ExitStatus StreamRun::finish()
{
    if (m_status)
        return *m_status;
    QDeadlineTimer deadline(m_signal ? kExitOnSignalMs : -1);
    m_store.drain(m_signal ? kDrainOnSignalMs : 60'000);
    // A failure the writer met while draining is told, and counted, now.
    QCoreApplication::sendPostedEvents(&m_store, QEvent::MetaCall);
    writeRows(deadline);
    m_rows.finish();
    if (m_signal)
        return endedBySignal(m_signal);
    if (m_rows.readerGone())
        return ExitStatus::ReaderGone;
    // The rows are not where they were to go (a full disk, a rename refused): said, and told apart from a
    // failed cell, whose rows are all there.
    if (m_rows.hasFailed())
        return ExitStatus::OutputUnwritable;
    // A run that saved nothing (a database held by another program, unwritable, or a later program's) is no
    // run to rely on either: 0 says every cell was answered and saved.
    const bool failed = m_store.hasFailed() || !m_store.isSaving() || m_rows.anyProblem() || !m_input->atEnd()
        || m_rows.next() < m_walker.results().rowCount();
    // A domain about to lapse outweighs a failed cell elsewhere: a timer that mails on 3 must not miss it.
    if (m_rows.expiringRows() > 0)
        return ExitStatus::Expiring;
    return failed ? ExitStatus::SomeFailed : ExitStatus::Answered;
}

// Rows read: each joins the walks, with what the database already has of it when this goes on with an
// unfinished batch, which must then have had the very same names.
void StreamRun::append(const DomainFile& read, bool end)
{
    if (m_status || m_stopping)
        return;
    const qint64 before = std::exchange(m_read, m_read + read.domains.size());
    const DomainFile part = ourPart(read, before);
    // Wait for the first names: they start the batch.
    if (!m_started && part.domains.isEmpty() && !end)
        return;
    if (!m_started)
        begin();
    if (m_status)
        return;
    const int first = m_walker.results().rowCount();
    if (m_resumed) {
        // Held again as it is read: a file may have changed since it was first read.
        if (!sameAsBatch(part, first, m_read, end))
            return;
        const int rows = first + int(part.domains.size());
        const ReadResult<QList<Walker::SavedCell>> saved
            = m_store.savedCells(m_resumed->id, first, rows, m_walker.table());
        if (!saved.ok())
            return unreadable(saved.error());
        m_store.appendSaved(m_walker, part, saved.value());
    } else {
        m_walker.appendRows(part);
    }
    m_total += qsizetype(part.domains.size()) * m_options.chosen.size();
    if (end)
        m_walker.closeStream();
    else
        m_input->want(m_walker.results().rowCount() - m_rows.next() < kRowsAhead);
    if (!m_flush.isActive())
        m_flush.start();
}

// This run's share of the names read, `before` being how many were read before them.
DomainFile StreamRun::ourPart(const DomainFile& read, qint64 before) const
{
    return m_options.shards > 1 ? shardOf(read, m_options.shard, m_options.shards, before) : read;
}

// The whole list file against the unfinished batch's names, a piece at a time: memory holds a piece, whatever
// the list's length.
bool StreamRun::holdsToBatch(const ListInput& input)
{
    qint64 read = 0;
    int rows = 0;
    return input.scan([&](const DomainFile& piece, bool end) {
        const qint64 before = std::exchange(read, read + piece.domains.size());
        const DomainFile part = ourPart(piece, before);
        rows += int(part.domains.size());
        return sameAsBatch(part, rows - int(part.domains.size()), read, end);
    });
}

// Whether `part`, rows from `first` on, holds the unfinished batch's names there, and with `end` whether the
// batch ends with it too; if not, said, and nothing more is asked. `read`: the names read of the whole list.
bool StreamRun::sameAsBatch(const DomainFile& part, int first, qint64 read, bool end)
{
    const ReadResult<QStringList> names = m_store.savedNames(m_resumed->id, first, int(part.domains.size()));
    if (!names.ok()) {
        unreadable(names.error());
        return false;
    }
    const QStringList saved = names.value();
    for (qsizetype i = 0; i < saved.size(); ++i) {
        if (part.domains.at(i) != saved.at(i)) {
            differs(part.positions.isEmpty() ? qint64(first + i) : part.positions.at(i),
                QCoreApplication::translate("CommandLine", "这次是 %1，上次是 %2")
                    .arg(part.domains.at(i), saved.at(i)));
            return false;
        }
    }
    // A list that ends before the unfinished batch's did is another list too.
    const ReadResult<QStringList> after
        = end ? m_store.savedNames(m_resumed->id, first + int(part.domains.size()), 1) : QStringList();
    if (!after.ok()) {
        unreadable(after.error());
        return false;
    }
    const QStringList more = after.value();
    if (!more.isEmpty())
        differs(read, QCoreApplication::translate("CommandLine", "这次的列表到此为止，上次还有 %1").arg(more.first()));
    return more.isEmpty();
}

// --resume over a list that parts from the unfinished batch's: nothing more is asked.
void StreamRun::differs(qint64 position, const QString& how)
{
    stopResuming(QCoreApplication::translate("CommandLine",
                     "seo-quillmark: 第 %1 个域名与上次未完成的查询不同（%2），无法继续；不用 --resume 可从头开始。\n")
                     .arg(position + 1)
                     .arg(how),
        ExitStatus::Usage);
}

// --resume over a database whose saved batch cannot be read: going on afresh would ask again what was saved,
// and going on with it would take what could not be read for nothing saved. A database fault, so status 1.
void StreamRun::unreadable(const QString& why)
{
    stopResuming(QCoreApplication::translate("CommandLine",
                     "seo-quillmark: 无法读取上次未完成的查询（%1），无法继续；不用 --resume 可从头开始。\n")
                     .arg(why),
        ExitStatus::SomeFailed);
}

void StreamRun::stopResuming(const QString& message, ExitStatus status)
{
    say(message);
    m_status = status;
    m_input->want(false);
    m_walker.abortAll();
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

// Starts the batch: the unfinished one when it ran the same lookups (append() then holds its names to the
// list's), else a new one.
void StreamRun::begin()
{
    m_started = true;
    QStringList keys;
    for (const Lookup* lookup : m_options.chosen)
        keys.append(lookup->key);
    const ReadResult<std::optional<ResultStore::Batch>> last
        = m_options.resume ? m_store.unfinishedBatch(false) : std::optional<ResultStore::Batch>();
    const ReadResult<QStringList> first = last.value() ? m_store.savedNames(last.value()->id, 0, 1) : QStringList();
    if (!last.ok() || !first.ok())
        return unreadable(last.ok() ? first.error() : last.error());
    const std::optional<ResultStore::Batch> unfinished = last.value();
    if (unfinished && QSet(unfinished->lookups.begin(), unfinished->lookups.end()) == QSet(keys.begin(), keys.end())
        && !first.value().isEmpty()) {
        m_resumed = unfinished;
        m_store.continueStream(m_walker, *unfinished);
        return;
    }
    if (m_options.resume)
        say(QCoreApplication::translate(
            "CommandLine", "没有可继续的查询（上次的查询已完成，或查询不同）：从头开始。\n"));
    m_walker.runStream(m_options.chosen);
}

void StreamRun::writeRows(QDeadlineTimer deadline)
{
    // After a signal the rows go out whether saved or not: the program ends at once, and says what it could
    // not save.
    m_rows.write(m_signal != 0, deadline);
    // Rows out are let go of, and the list read on: memory holds the rows in flight, not the list.
    if (m_rows.next() - m_walker.results().firstRow() >= 1024)
        m_walker.results().releaseRowsBefore(m_rows.next());
    if (m_input && m_started && !m_stopping && !m_status)
        m_input->want(m_walker.results().rowCount() - m_rows.next() < kRowsAhead);
}
