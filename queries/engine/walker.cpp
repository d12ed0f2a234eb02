#include "queries/engine/walker.h"


#include <QTimer>
#include <climits>

using namespace Qt::Literals::StringLiterals;

namespace {
// Rows started ahead of the next one to write, per walk. While that one waits on a silent host, the ones
// behind it finish and wait their turn; this bounds how many.
constexpr int kLookahead = 256;
// Writing runs of finished rows yields to the window after about this long.
constexpr qint64 kSliceMs = 15;
} // namespace

Walker::Walker(Settings& settings, std::shared_ptr<const LookupTable> lookups, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
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
        m_results.setCell(cell.row, cell.column, cell.text, cell.problem);
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

void Walker::appendRows(const DomainFile& part, const QList<SavedCell>& saved)
{
    if (!m_streamOpen || m_closed)
        return;
    const int first = m_results.rowCount();
    m_results.appendRows(part.domains, part.positions);
    emit rowsAppended(first, part.domains);
    for (auto it = part.unreadable.cbegin(); it != part.unreadable.cend(); ++it)
        m_unreadable.insert(first + it.key(), it.value());
    for (const SavedCell& cell : saved)
        m_results.setCell(cell.row, cell.column, cell.text, cell.problem);
    for (const auto& walk : m_walks) {
        for (int row = first; row < m_results.rowCount(); ++row) {
            bool needed = false;
            for (const Lookup* member : std::as_const(walk->members)) {
                if (m_results.isWritten(row, table().columnOf(*member))) {
                    walk->skip[member].insert(row);
                } else {
                    needed = true;
                    ++m_total;
                }
            }
            if (needed)
                walk->pending.push_back(row);
        }
    }
    schedulePump(0);
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
    context.network = &m_network;
    context.registries = &m_registries;
    context.answers = &m_answers;
    context.ranks = &m_ranks;
    context.lookup = lookup;
    return context;
}

void Walker::startPlan(const QList<const Lookup*>& wanted, Rows rows, bool askSelection)
{
    m_walks.clear();
    m_batchStopping = false;
    m_askSelection = askSelection;
    m_planPaces.clear();
    m_planProxies.clear();
    m_written = m_total = 0;
    m_reportedLookup = nullptr;
    m_reportedRow = -1;
    m_planClock.start();
    // A lookup pressed before any batch finds queue entries without rows: it has nothing to write.
    const int count = qMin(int(m_queue.size()), m_results.rowCount());
    for (const Lookup* lookup : wanted) {
        const int column = table().columnOf(*lookup);
        QSet<int> skip;
        for (int row = 0; row < count; ++row) {
            const bool needed = rows == Rows::All || (rows == Rows::Marked && !m_results.problem(row, column).isEmpty())
                || (rows == Rows::Unwritten && !m_results.isWritten(row, column));
            if (!needed)
                skip.insert(row);
        }
        // A list read as it comes starts empty: every lookup waits for its rows.
        if (skip.size() == count && !m_streamOpen)
            continue;
        m_total += count - skip.size();
        // Lookups one answer serves share a walk, and so one request per domain.
        auto shared = std::find_if(m_walks.begin(), m_walks.end(), [&](const auto& walk) {
            return lookup->job && walk->members.first()->job == lookup->job && walk->service == lookup->service;
        });
        if (shared == m_walks.end()) {
            auto walk = std::make_unique<WalkState>();
            walk->service = lookup->service;
            walk->kind = lookup->walk;
            WalkState* self = walk.get();
            walk->context = jobContext({});
            walk->context.stopRequested = [this, self] { return stopSeen(*self); };
            m_walks.push_back(std::move(walk));
            shared = std::prev(m_walks.end());
        }
        (*shared)->members.append(lookup);
        (*shared)->skip.insert(lookup, skip);
    }
    bool stoppable = false;
    for (const auto& walk : m_walks) {
        for (int row = 0; row < count; ++row) {
            if (std::any_of(walk->members.begin(), walk->members.end(),
                    [&](const Lookup* member) { return !walk->skip.value(member).contains(row); }))
                walk->pending.push_back(row);
        }
        stoppable = stoppable || walk->kind == Walk::WithStop;
        if (walk->members.first()->beforeWalk)
            walk->members.first()->beforeWalk(walk->context);
    }
    if (stoppable)
        setStopFlag(false);
    m_busy = true;
    emit busyChanged(true);
    if (m_walks.empty())
        finishIfDone();
    else
        pump();
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

QString Walker::serviceOf(const WalkState& walk, const QString& pool) const
{
    // A pool "whois whois.cnnic.cn" keeps the whois settings; a plain one, its walk's service's.
    const QString service = pool.section(u' ', 0, 0);
    return table().services().find(service) ? service : walk.service;
}

ServiceInfo Walker::serviceInfo(const QString& key) const
{
    // Every service a lookup asks is in its table (the table says so when not): this is for the impossible.
    return table().services().find(key).value_or(ServiceInfo {key, key, {}});
}

void Walker::setTable(std::shared_ptr<const LookupTable> lookups)
{
    if (!m_busy)
        m_results.setTable(std::move(lookups));
}

ProxyRotation& Walker::proxies(const QString& service)
{
    ProxyRotation& rotation = m_proxies[service];
    if (!m_planProxies.contains(service)) {
        rotation.configure(m_settings.proxies(service));
        m_planProxies.insert(service);
    }
    return rotation;
}

ServicePace& Walker::pace(const WalkState& walk, const QString& pool)
{
    const QString service = serviceOf(walk, pool);
    auto setting = m_planPaces.constFind(service);
    if (setting == m_planPaces.cend())
        setting = m_planPaces.insert(service, m_settings.pace(serviceInfo(service)));
    ServicePace& pace = m_paces[pool];
    pace.configure(setting->concurrency, setting->gapMs);
    return pace;
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
        pumpWalk(*walk, slice);
        if (m_closed)
            return;
    }
    reportProgress();
    if (!m_closed)
        finishIfDone();
}

void Walker::pumpWalk(WalkState& walk, QElapsedTimer& slice)
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
            return;
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
        if (m_closed)
            return;
        ++walk.committed;
        for (auto skip = walk.skip.begin(); skip != walk.skip.end(); ++skip)
            skip->remove(slot.row);
        if (walk.stopping || (walk.pending.empty() && !m_streamOpen)) {
            endWalk(walk);
            return;
        }
    }
    if (walk.pending.empty() && !m_streamOpen) {
        endWalk(walk);
        return;
    }
    if (!walk.stopping)
        startRows(walk);
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
        m_results.setCell(slot.row, table().columnOf(*member), cell->text, cell->problem, cell->note);
        if (m_closed)
            return;
    }
}

void Walker::startRows(WalkState& walk)
{
    while (walk.window.size() < size_t(kLookahead) && walk.window.size() < walk.pending.size()) {
        Slot& slot = walk.window.emplace_back();
        slot.row = walk.pending.at(walk.window.size() - 1);
    }
    const Lookup& asking = *walk.members.first();
    // Rows start in queue order as their service allows; where each domain has a service of its own, a
    // waiting one does not hold up the rows behind it.
    for (Slot& slot : walk.window) {
        if (slot.started)
            continue;
        const QString domain = m_results.text(slot.row, DomainColumn);
        const bool overlong = isOverlongName(domain);
        if (overlong || domain.contains(QChar::ReplacementCharacter)) {
            slot.result = CellResult {u"无效域名"_s,
                m_unreadable.value(slot.row,
                    overlong ? u"过长，不是域名（域名最长 %1 字）"_s.arg(kLongestName) : u"域名里有无法识别的字符"_s)};
            slot.started = true;
            continue;
        }
        // Asked again on every pass: what the pool is may change meanwhile (a referral that failed).
        slot.pool = asking.pool ? asking.pool(domain, walk.context) : asking.service;
        ServicePace& servicePace = pace(walk, slot.pool);
        const qint64 now = m_clock.elapsed();
        const qint64 wait = servicePace.waitMs(now);
        if (wait != 0) {
            if (wait > 0)
                schedulePump(wait);
            if (!asking.pool)
                break;
            continue;
        }
        // A service with proxies of its own asks through them in turn; while all are set aside, it waits.
        ProxyRotation& rotation = proxies(serviceOf(walk, slot.pool));
        std::optional<ProxyAddress> proxy;
        if (!rotation.isEmpty()) {
            qint64 back = 0;
            proxy = rotation.next(now, &back);
            if (!proxy) {
                schedulePump(back);
                if (!asking.pool)
                    break;
                continue;
            }
        }
        slot.started = true;
        slot.startedAt = now;
        JobContext context = walk.context;
        context.lookup = asking.key;
        if (proxy) {
            context.proxy = proxy->proxy;
            slot.proxy = proxy->name;
        }
        slot.asked = asking.key;
        slot.job = startJob(asking, domain, context);
        slot.job->setParent(this);
        LookupJob* job = slot.job;
        connect(job, &LookupJob::finished, this, [this, job] { onJobFinished(job); });
        servicePace.started(now);
        job->start();
    }
    if (!walk.window.empty() && walk.window.front().result && (!m_writeGate || m_writeGate()))
        schedulePump(0);
}

void Walker::reportProgress()
{
    // The column furthest behind is where the user waits.
    const WalkState* behind = nullptr;
    for (const auto& walk : m_walks) {
        if (walk->members.isEmpty() || walk->pending.empty())
            continue;
        const qint64 all = walk->committed + qint64(walk->pending.size());
        if (!behind
            || walk->committed * (behind->committed + qint64(behind->pending.size())) < behind->committed * all)
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

void Walker::onJobFinished(LookupJob* job)
{
    for (const auto& walk : m_walks) {
        for (Slot& slot : walk->window) {
            if (slot.job != job)
                continue;
            const CellResult& result = job->result();
            ServicePace& servicePace = pace(*walk, slot.pool);
            servicePace.finished(
                slot.startedAt, m_clock.elapsed(), result.problem.isEmpty(), result.pushBack, result.retryAfterMs);
            if (result.pushBack != PushBack::None) {
                // The pool's own service: a WHOIS server that refuses is not "RDAP繁忙".
                const QString name = serviceInfo(serviceOf(*walk, slot.pool)).name;
                setPaceNotice(result.pushBack == PushBack::Verification ? u"%1要求验证，放慢查询"_s.arg(name)
                                                                        : u"%1繁忙，放慢查询"_s.arg(name));
            } else if (!servicePace.isSlowed()) {
                setPaceNotice(QString());
            }
            slot.result = result;
            slot.siblings = job->siblings();
            if (!slot.proxy.isEmpty()) {
                ProxyRotation& rotation = proxies(serviceOf(*walk, slot.pool));
                rotation.report(
                    slot.proxy, result.unreachable || result.pushBack == PushBack::Verification, m_clock.elapsed());
                // Which way the request went is part of why it failed.
                const QString through = u"（经代理 %1）"_s.arg(slot.proxy);
                if (!slot.result->problem.isEmpty())
                    slot.result->problem += through;
                for (CellResult& sibling : slot.siblings) {
                    if (!sibling.problem.isEmpty())
                        sibling.problem += through;
                }
                const int inUse = rotation.inUse(m_clock.elapsed());
                if (inUse < rotation.size()) {
                    setPaceNotice(u"%1的代理 %2/%3 在用"_s.arg(serviceInfo(serviceOf(*walk, slot.pool)).name)
                                      .arg(inUse)
                                      .arg(rotation.size()));
                }
            }
            slot.job = nullptr;
            job->disconnect(this);
            job->deleteLater();
            // Written from the event loop, never from inside a job's own call chain.
            schedulePump(0);
            return;
        }
    }
}

void Walker::drop(WalkState& walk, Slot& slot)
{
    if (!slot.job)
        return;
    slot.job->disconnect(this);
    delete slot.job;
    slot.job = nullptr;
    pace(walk, slot.pool).dropped();
}

void Walker::setPaceNotice(const QString& notice)
{
    if (notice == m_paceNotice)
        return;
    m_paceNotice = notice;
    emit paceNotice(notice);
}
