// SPDX-License-Identifier: GPL-3.0-or-later
// How a batch is planned: which lookups share a walk (one answer serving several columns), which rows each walk
// still writes, and the rows a list read as it comes adds to every walk.
#include "queries/engine/walker.h"

void Walker::startPlan(const QList<const Lookup*>& wanted, Rows rows, bool askSelection)
{
    resetPlan(askSelection);
    // A lookup pressed before any batch finds queue entries without rows: it has nothing to write.
    const int count = qMin(int(m_queue.size()), m_results.rowCount());
    for (const Lookup* lookup : wanted) {
        const QSet<int> skip = rowsNotNeeded(*lookup, rows, count);
        // A list read as it comes starts empty: every lookup waits for its rows.
        if (skip.size() == count && !m_streamOpen)
            continue;
        m_total += count - skip.size();
        WalkState& walk = walkFor(*lookup);
        walk.members.append(lookup);
        walk.skip.insert(lookup, skip);
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

void Walker::resetPlan(bool askSelection)
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
}

QSet<int> Walker::rowsNotNeeded(const Lookup& lookup, Rows rows, int count) const
{
    const int column = table().columnOf(lookup);
    QSet<int> skip;
    for (int row = 0; row < count; ++row) {
        const bool needed = rows == Rows::All || (rows == Rows::Marked && !m_results.problem(row, column).isEmpty())
            || (rows == Rows::Unwritten && !m_results.isWritten(row, column));
        if (!needed)
            skip.insert(row);
    }
    return skip;
}

Walker::WalkState& Walker::walkFor(const Lookup& lookup)
{
    // Lookups one answer serves share a walk, and so one request per domain.
    const auto shared = std::find_if(m_walks.begin(), m_walks.end(), [&](const auto& walk) {
        return !lookup.answerGroup.isEmpty() && walk->members.first()->answerGroup == lookup.answerGroup;
    });
    if (shared != m_walks.end())
        return **shared;
    auto walk = std::make_unique<WalkState>();
    walk->service = lookup.service.key;
    walk->kind = lookup.walk;
    WalkState* self = walk.get();
    walk->context = jobContext({});
    walk->context.stopRequested = [this, self] { return stopSeen(*self); };
    m_walks.push_back(std::move(walk));
    return *self;
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
        m_results.setCell(cell.row, cell.column, cell.text, cell.problem, {}, cell.value);
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
