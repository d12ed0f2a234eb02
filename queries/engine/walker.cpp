// SPDX-License-Identifier: GPL-3.0-or-later
// The walker: a batch's life from Start to its end (run, stream, resume, re-run, stop, abort), and its pump,
// which writes each walk's finished rows in queue order and says how far the batch has come.
#include "queries/engine/walker.h"

#include <QPointer>
#include <QTimer>
#include <climits>

using namespace Qt::Literals::StringLiterals;

namespace {
// Writing runs of finished rows yields to the window after about this long.
constexpr qint64 kSliceMs = 15;
} // namespace

Walker::Walker(Settings& settings, std::shared_ptr<const LookupTable> lookups, QObject* parent, const Clock& clock)
    : Walker(settings, std::move(lookups), std::make_shared<EngineServices>(), parent, clock)
{
}

Walker::Walker(Settings& settings, std::shared_ptr<const LookupTable> lookups, std::shared_ptr<EngineServices> services,
    QObject* parent, const Clock& clock)
    : QObject(parent)
    , m_settings(settings)
    , m_wallClock(clock)
    , m_services(std::move(services))
    , m_pumpTimer(new QTimer(this))
{
    m_results.setTable(std::move(lookups));
    m_pumpTimer->setSingleShot(true);
    connect(m_pumpTimer, &QTimer::timeout, this, &Walker::pump);
    m_clock.start();
}

Walker::~Walker()
{
    abortAll();
}

void Walker::setQueue(const QStringList& domains, const QHash<int, QString>& unreadable)
{
    if (isBusy())
        return;
    m_queue = domains;
    m_unreadable = unreadable;
}

void Walker::runBatch()
{
    if (isBusy() || m_closed)
        return;
    m_results.reset(m_queue);
    QList<const Lookup*> wanted;
    for (const Lookup* lookup : table().lookups()) {
        if (m_selection && m_selection(*lookup))
            wanted.append(lookup);
    }
    emit batchStarted(wanted);
    startPlan(wanted, Rows::All, true);
}

void Walker::resume(const QStringList& queue, const QList<SavedCell>& cells, const QList<const Lookup*>& lookups)
{
    if (isBusy() || m_closed)
        return;
    m_queue = queue;
    m_unreadable.clear();
    m_results.reset(m_queue);
    for (const SavedCell& cell : cells)
        m_results.setCell(cell.row, cell.column, cell.text, cell.problem, {}, cell.value);
    startPlan(lookups, Rows::Unwritten, false);
}

void Walker::runStream(const QList<const Lookup*>& wanted)
{
    if (isBusy() || m_closed)
        return;
    m_queue.clear();
    m_unreadable.clear();
    m_results.reset({});
    emit batchStarted(wanted);
    m_streamOpen = true;
    startPlan(wanted, Rows::All, false);
}

void Walker::closeStream()
{
    if (!m_streamOpen)
        return;
    m_streamOpen = false;
    schedulePump(0);
}

void Walker::runLookup(const Lookup& lookup)
{
    if (!isBusy() && !m_closed)
        startPlan({&lookup}, Rows::All, false);
}

void Walker::rerunFailed()
{
    if (isBusy() || m_closed)
        return;
    startPlan(QList<const Lookup*>(table().lookups().begin(), table().lookups().end()), Rows::Marked, false);
}

void Walker::setStopFlag(bool stop)
{
    if (stop == m_stopFlag)
        return;
    m_stopFlag = stop;
    emit stopFlagChanged(stop);
    if (stop && m_busy)
        schedulePump(0);
}

void Walker::stopBatch()
{
    if (!isBusy())
        return;
    m_batchStopping = true;
    schedulePump(0);
}

void Walker::abortAll()
{
    m_closed = true;
    m_busy = false;
    m_streamOpen = false;
    m_pumpTimer->stop();
    // The walks stay until the walker goes: one may be in the middle of writing a cell right now.
    for (const auto& walk : m_walks) {
        for (Slot& slot : walk->window)
            drop(*walk, slot);
        walk->window.clear();
        walk->members.clear();
    }
}

JobContext Walker::jobContext(const QString& lookup)
{
    JobContext context;
    context.pingProgram = m_pingProgram;
    context.settings = &m_settings;
    context.clock = &m_wallClock;
    context.network = &m_services->network;
    context.registries = &m_services->registries;
    context.answers = &m_answers;
    context.ranks = &m_services->ranks;
    context.lookup = lookup;
    return context;
}

void Walker::setTable(std::shared_ptr<const LookupTable> lookups)
{
    if (!m_busy)
        m_results.setTable(std::move(lookups));
}

void Walker::endWalk(WalkState& walk)
{
    for (Slot& slot : walk.window)
        drop(walk, slot);
    walk.window.clear();
    walk.members.clear();
}

void Walker::finishIfDone()
{
    if (m_closed || !m_busy)
        return;
    if (std::any_of(m_walks.begin(), m_walks.end(), [](const auto& walk) { return !walk->members.isEmpty(); }))
        return;
    m_busy = false;
    setPaceNotice(QString());
    emit busyChanged(false);
    emit finished(m_planClock.elapsed());
}

void Walker::schedulePump(qint64 ms)
{
    if (!m_pumpTimer->isActive() || m_pumpTimer->remainingTime() > ms)
        m_pumpTimer->start(int(qMin<qint64>(ms, INT_MAX)));
}

void Walker::wakeUp()
{
    if (m_busy)
        schedulePump(0);
}

bool Walker::stopSeen(const WalkState& walk) const
{
    return m_batchStopping || (walk.kind == Walk::WithStop && m_stopFlag);
}

void Walker::pump()
{
    if (!m_busy || m_closed)
        return;
    QElapsedTimer slice;
    slice.start();
    const size_t first = m_firstWalk++;
    for (size_t i = 0; i < m_walks.size(); ++i) {
        WalkState* walk = m_walks.at((first + i) % m_walks.size()).get();
        if (walk->members.isEmpty())
            continue;
        // A lookup unticked during the batch ends at its next row; what it wrote stays.
        if (m_askSelection && m_selection) {
            for (const Lookup* member : QList<const Lookup*>(walk->members)) {
                if (m_selection(*member))
                    continue;
                for (const int row : walk->pending)
                    m_total -= walk->skip.value(member).contains(row) ? 0 : 1;
                walk->members.removeOne(member);
            }
            if (walk->members.isEmpty()) {
                endWalk(*walk);
                continue;
            }
        }
        if (!pumpWalk(*walk, slice))
            return;
    }
    reportProgress();
    finishIfDone();
}

bool Walker::pumpWalk(WalkState& walk, QElapsedTimer& slice)
{
    if (!walk.stopping && stopSeen(walk)) {
        // Requests for later rows are dropped; the row being written finishes as it would have, unless it
        // has not even started.
        walk.stopping = true;
        while (walk.window.size() > 1) {
            drop(walk, walk.window.back());
            walk.window.pop_back();
        }
        if (walk.window.empty() || !walk.window.front().started) {
            endWalk(walk);
            return true;
        }
    }
    while (!walk.window.empty() && walk.window.front().result) {
        if (m_writeGate && !m_writeGate())
            break; // woken again when the gate opens
        if (slice.elapsed() >= kSliceMs) {
            schedulePump(0); // the window's turn; this walk's rows wait for the next pass
            break;
        }
        const Slot slot = std::move(walk.window.front());
        walk.window.pop_front();
        walk.pending.pop_front();
        commit(walk, slot);
        ++walk.committed;
        for (auto skip = walk.skip.begin(); skip != walk.skip.end(); ++skip)
            skip->remove(slot.row);
        const bool ended = walk.stopping || (walk.pending.empty() && !m_streamOpen);
        if (ended)
            endWalk(walk);
        if (!tellWritten())
            return false;
        if (ended)
            return true;
    }
    if (walk.pending.empty() && !m_streamOpen) {
        endWalk(walk);
        return true;
    }
    if (!walk.stopping)
        startRows(walk);
    return true;
}

void Walker::commit(WalkState& walk, const Slot& slot)
{
    for (const Lookup* member : QList<const Lookup*>(walk.members)) {
        if (walk.skip.value(member).contains(slot.row))
            continue;
        // The lookup that asked has the answer; the others find theirs among its siblings.
        const auto sibling = slot.siblings.constFind(member->key);
        const bool own = slot.asked.isEmpty() || member->key == slot.asked;
        if (!own && sibling == slot.siblings.cend())
            continue;
        const CellResult* cell = own ? &*slot.result : &*sibling;
        ++m_written;
        const int column = table().columnOf(*member);
        m_results.writeCell(slot.row, column, cell->text, cell->problem, cell->note, cell->value);
        m_untold.emplace_back(slot.row, column);
    }
}

// A row's cells are told once the walker has done with the row, so a listener finds it whole and the walker
// settled: it may stop the walker, or let go of it, from inside the notice. The row's cells after that are not
// told (nothing is saved any more once the walker is closed).
bool Walker::tellWritten()
{
    const QPointer<Walker> self(this);
    const std::vector<std::pair<int, int>> cells = std::exchange(m_untold, {});
    for (const auto& [row, column] : cells) {
        if (!self || m_closed)
            return false;
        emit m_results.cellChanged(row, column);
    }
    return self && !m_closed;
}

void Walker::reportProgress()
{
    // The column furthest behind is where the user waits.
    const WalkState* behind = nullptr;
    for (const auto& walk : m_walks) {
        if (walk->members.isEmpty() || walk->pending.empty())
            continue;
        const qint64 all = walk->committed + qint64(walk->pending.size());
        if (!behind || walk->committed * (behind->committed + qint64(behind->pending.size())) < behind->committed * all)
            behind = walk.get();
    }
    if (!behind)
        return;
    const Lookup* lookup = behind->members.first();
    const int row = behind->pending.front();
    // The row moved on, or the counts did: said at most ten times a second.
    const qint64 now = m_clock.elapsed();
    if (lookup == m_reportedLookup && row == m_reportedRow && now - m_reportedAt < 100)
        return;
    m_reportedLookup = lookup;
    m_reportedRow = row;
    m_reportedAt = now;
    emit progress(*lookup, row, m_results.rowCount(), m_written, m_total);
}

void Walker::setPaceNotice(const QString& notice)
{
    if (notice == m_paceNotice)
        return;
    m_paceNotice = notice;
    emit paceNotice(notice);
}
