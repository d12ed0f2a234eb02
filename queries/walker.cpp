#include "queries/walker.h"

#include <QTimer>
#include <climits>

using namespace Qt::Literals::StringLiterals;

namespace {
// Rows started ahead of the next one to write. While that one waits on a silent host, the ones behind it
// finish and wait their turn; this bounds how many.
constexpr int kLookahead = 256;
// Writing a run of finished rows yields to the window after about this long.
constexpr qint64 kSliceMs = 15;
} // namespace

Walker::Walker(Settings& settings, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_pumpTimer(new QTimer(this))
{
    m_context.stopRequested = [this] { return stopSeen(); };
    m_context.settings = &m_settings;
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
    QList<Turn> plan;
    QList<const Lookup*> wanted;
    for (const Lookup* lookup : lookups()) {
        plan.append({lookup, true, Rows::All});
        if (m_selection && m_selection(*lookup))
            wanted.append(lookup);
    }
    emit batchStarted(wanted);
    startPlan(plan);
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
    QList<Turn> plan;
    for (const Lookup* lookup : lookups)
        plan.append({lookup, false, Rows::Unwritten});
    startPlan(plan);
}

void Walker::runLookup(const Lookup& lookup)
{
    if (!isBusy() && !m_closed)
        startPlan({{&lookup, false, Rows::All}});
}

void Walker::rerunFailed()
{
    if (isBusy() || m_closed)
        return;
    QList<Turn> plan;
    for (const Lookup* lookup : lookups())
        plan.append({lookup, false, Rows::Marked});
    startPlan(plan);
}

void Walker::setStopFlag(bool stop)
{
    if (stop == m_stopFlag)
        return;
    m_stopFlag = stop;
    emit stopFlagChanged(stop);
    if (stop && m_walk)
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
    m_pumpTimer->stop();
    for (Slot& slot : m_window)
        drop(slot);
    m_window.clear();
    m_walk = nullptr;
    m_plan.clear();
}

void Walker::startPlan(const QList<Turn>& plan)
{
    m_prefetched.clear();
    m_plan = plan;
    m_turn = 0;
    m_batchStopping = false;
    m_planClock.start();
    emit busyChanged(true);
    nextTurn();
}

void Walker::nextTurn()
{
    while (m_turn < m_plan.size() && !m_batchStopping && !m_closed) {
        const Turn turn = m_plan.at(m_turn++);
        if (turn.askSelection && !(m_selection && m_selection(*turn.lookup)))
            continue;
        if (turn.rows == Rows::Marked && !m_results.hasProblems(columnOf(*turn.lookup)))
            continue;
        startWalk(turn);
        return;
    }
    if (m_closed)
        return;
    m_plan.clear();
    m_prefetched.clear();
    emit busyChanged(false);
    emit finished(m_planClock.elapsed());
}

void Walker::startWalk(const Turn& turn)
{
    m_walk = turn.lookup;
    m_stopping = false;
    m_committed = 0;
    m_reportedRow = -1;
    if (m_walk->walk == Walk::WithStop)
        setStopFlag(false);
    const int column = columnOf(*m_walk);
    // A lookup pressed before any batch finds queue entries without rows: it has nothing to write.
    const int count = qMin(int(m_queue.size()), m_results.rowCount());
    m_rows.clear();
    for (int row = 0; row < count; ++row) {
        if ((turn.rows == Rows::All) || (turn.rows == Rows::Marked && !m_results.problem(row, column).isEmpty())
            || (turn.rows == Rows::Unwritten && !m_results.isWritten(row, column)))
            m_rows.append(row);
    }
    m_walkPaces.clear();
    m_context.lookup = m_walk->key;
    if (m_walk->beforeWalk)
        m_walk->beforeWalk();
    pump();
}

void Walker::endWalk()
{
    for (Slot& slot : m_window)
        drop(slot);
    m_window.clear();
    m_walk = nullptr;
    setPaceNotice(QString());
    nextTurn();
}

void Walker::schedulePump(qint64 ms)
{
    if (!m_pumpTimer->isActive() || m_pumpTimer->remainingTime() > ms)
        m_pumpTimer->start(int(qMin<qint64>(ms, INT_MAX)));
}

bool Walker::stopSeen() const
{
    return m_batchStopping || (m_walk && m_walk->walk == Walk::WithStop && m_stopFlag);
}

ServicePace& Walker::pace(const QString& pool)
{
    // A pool "whois whois.cnnic.cn" keeps the whois settings; a plain one, its walk's service's.
    QString service = pool.section(u' ', 0, 0);
    if (!Settings::service(service))
        service = m_walk->service;
    auto setting = m_walkPaces.constFind(service);
    if (setting == m_walkPaces.cend())
        setting = m_walkPaces.insert(service, m_settings.pace(service));
    ServicePace& pace = m_paces[pool];
    pace.configure(setting->concurrency, setting->gapMs);
    return pace;
}

void Walker::pump()
{
    if (!m_walk)
        return;
    if (!m_stopping && stopSeen()) {
        // Requests for later rows are dropped; the row being written finishes as it would have, unless it
        // has not even started.
        m_stopping = true;
        while (m_window.size() > 1) {
            drop(m_window.back());
            m_window.pop_back();
        }
        if (m_window.empty() || !m_window.front().started) {
            endWalk();
            return;
        }
    }

    QElapsedTimer slice;
    slice.start();
    while (!m_window.empty() && m_window.front().result) {
        if (m_writeGate && !m_writeGate())
            break; // woken again when the gate opens
        const Slot slot = std::move(m_window.front());
        m_window.pop_front();
        m_results.setCell(slot.row, columnOf(*m_walk), slot.result->text, slot.result->problem, slot.result->note);
        ++m_committed;
        if (m_stopping || m_committed == m_rows.size()) {
            endWalk();
            return;
        }
        if (slice.elapsed() >= kSliceMs) {
            schedulePump(0);
            break;
        }
    }
    if (m_committed == m_rows.size()) {
        endWalk();
        return;
    }
    if (m_rows.at(m_committed) != m_reportedRow) {
        m_reportedRow = m_rows.at(m_committed);
        emit progress(*m_walk, m_reportedRow, int(m_queue.size()));
        if (!m_walk)
            return; // whoever heard it ended everything
    }
    if (m_stopping)
        return;

    QHash<int, CellResult>& prefetched = m_prefetched[m_walk->key];
    while (int(m_window.size()) < kLookahead && m_committed + int(m_window.size()) < m_rows.size()) {
        Slot& slot = m_window.emplace_back();
        slot.row = m_rows.at(m_committed + int(m_window.size()) - 1);
        const auto cached = prefetched.constFind(slot.row);
        if (cached != prefetched.cend()) {
            slot.result = *cached;
            slot.started = true;
        }
    }
    // Rows start in queue order as their service allows; where each domain has a service of its own, a
    // waiting one does not hold up the rows behind it.
    for (Slot& slot : m_window) {
        if (slot.started)
            continue;
        const QString& domain = m_queue.at(slot.row);
        if (domain.contains(QChar::ReplacementCharacter)) {
            slot.result = CellResult {u"无效域名"_s, m_unreadable.value(slot.row, u"域名里有无法识别的字符"_s)};
            slot.started = true;
            continue;
        }
        if (slot.pool.isEmpty())
            slot.pool = m_walk->pool ? m_walk->pool(domain, m_context) : m_walk->service;
        ServicePace& servicePace = pace(slot.pool);
        const qint64 now = m_clock.elapsed();
        const qint64 wait = servicePace.waitMs(now);
        if (wait != 0) {
            if (wait > 0)
                schedulePump(wait);
            if (!m_walk->pool)
                break;
            continue;
        }
        slot.started = true;
        slot.startedAt = now;
        slot.job = startJob(*m_walk, domain, m_context);
        slot.job->setParent(this);
        LookupJob* job = slot.job;
        connect(job, &LookupJob::finished, this, [this, job] { onJobFinished(job); });
        servicePace.started(now);
        job->start();
    }
    if (m_window.front().result && (!m_writeGate || m_writeGate()))
        schedulePump(0);
}

void Walker::wakeUp()
{
    if (m_walk)
        schedulePump(0);
}

void Walker::onJobFinished(LookupJob* job)
{
    for (Slot& slot : m_window) {
        if (slot.job != job)
            continue;
        const CellResult& result = job->result();
        ServicePace& servicePace = pace(slot.pool);
        servicePace.finished(
            slot.startedAt, m_clock.elapsed(), result.problem.isEmpty(), result.pushBack, result.retryAfterMs);
        for (auto sibling = job->siblings().cbegin(); sibling != job->siblings().cend(); ++sibling) {
            for (int turn = m_turn; turn < m_plan.size(); ++turn) {
                if (m_plan.at(turn).lookup->key == sibling.key()) {
                    m_prefetched[sibling.key()].insert(slot.row, sibling.value());
                    emit siblingFetched(slot.row, *m_plan.at(turn).lookup, sibling.value());
                    break;
                }
            }
        }
        if (result.pushBack != PushBack::None) {
            // The pool's own service: a WHOIS server that refuses is not "RDAP繁忙".
            const ServiceInfo* service = Settings::service(slot.pool.section(u' ', 0, 0));
            if (!service)
                service = Settings::service(m_walk->service);
            const QString name = service ? service->name : m_walk->service;
            setPaceNotice(result.pushBack == PushBack::Verification ? u"%1要求验证，放慢查询"_s.arg(name)
                                                                    : u"%1繁忙，放慢查询"_s.arg(name));
        } else if (!servicePace.isSlowed()) {
            setPaceNotice(QString());
        }
        slot.result = result;
        slot.job = nullptr;
        job->disconnect(this);
        job->deleteLater();
        // Written from the event loop, never from inside a job's own call chain.
        schedulePump(0);
        return;
    }
}

void Walker::drop(Slot& slot)
{
    if (!slot.job)
        return;
    slot.job->disconnect(this);
    delete slot.job;
    slot.job = nullptr;
    if (m_walk)
        pace(slot.pool).dropped();
}

void Walker::setPaceNotice(const QString& notice)
{
    if (notice == m_paceNotice)
        return;
    m_paceNotice = notice;
    emit paceNotice(notice);
}
