// SPDX-License-Identifier: GPL-3.0-or-later
#include "watching/watchrun.h"

#include "queries/engine/keys.h"
#include "queries/engine/walker.h"
#include "store/store.h"
#include "watch/changes.h"
#include "watch/expiry.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

QString watchNews(const QString& list, const WatchSummary& summary, int warnDays)
{
    QStringList parts;
    if (summary.changes > 0)
        parts.append(QCoreApplication::translate("Watch", "%1 项变化").arg(summary.changes));
    if (summary.expiring > 0)
        parts.append(QCoreApplication::translate("Watch", "%1 个域名 %2 天内到期").arg(summary.expiring).arg(warnDays));
    if (parts.isEmpty())
        return {};
    return QCoreApplication::translate("Watch", "监控列表「%1」：%2")
        .arg(list, parts.join(QCoreApplication::translate("Watch", "，")));
}

WatchRun::WatchRun(Settings& settings, std::shared_ptr<const LookupTable> table,
    std::shared_ptr<EngineServices> services, const QString& storePath, const WatchList& list, int warnDays,
    const Clock& clock, QObject* parent)
    : QObject(parent)
    , m_list(list)
    , m_warnDays(warnDays)
    , m_walker(std::make_unique<Walker>(settings, std::move(table), std::move(services), nullptr, clock))
    , m_store(std::make_unique<ResultStore>(storePath, clock))
{
}

WatchRun::~WatchRun()
{
    m_walker->abortAll();
    m_store->detach();
}

const Results& WatchRun::results() const
{
    return std::as_const(*m_walker).results();
}

void WatchRun::setLanguage(Language language)
{
    m_store->setLanguage(language);
}

void WatchRun::start()
{
    const QStringList keys = m_list.lookups;
    m_walker->setSelection([keys](const Lookup& lookup) { return keys.contains(lookup.key); });
    m_walker->setQueue(m_list.domains);
    m_store->setWatchList(m_list.name);
    if (m_store->isSaving())
        m_store->attach(*m_walker);
    // After the store's own: it marks the batch finished when the walker ends, and the drain then commits that.
    connect(m_walker.get(), &Walker::finished, this, &WatchRun::onFinished, Qt::UniqueConnection);
    connect(m_store.get(), &ResultStore::drained, this, &WatchRun::onDrained, Qt::UniqueConnection);
    m_running = true;
    m_walker->runBatch();
}

void WatchRun::stop()
{
    if (!m_running)
        return;
    m_summary.stopped = true;
    m_walker->stopBatch();
}

// The window goes on while the writer commits the last cells; the summary waits for them, since what the writer
// finds of them (their earlier answers) is what the changes are counted from.
void WatchRun::onFinished()
{
    m_store->drainLater();
}

void WatchRun::onDrained()
{
    const Results& rows = results();
    const LookupTable& table = rows.table();
    const QDate today = m_store->clock().today();
    for (int row = 0; row < rows.rowCount(); ++row) {
        bool expiring = false;
        for (int column = FirstLookupColumn; column < table.columnCount(); ++column) {
            if (!rows.isWritten(row, column))
                continue;
            if (!rows.problem(row, column).isEmpty()) {
                ++m_summary.failed;
                continue;
            }
            const std::optional<Results::Earlier> earlier = rows.earlier(row, column);
            if (earlier && earlier->changed)
                ++m_summary.changes;
            const Lookup* lookup = table.lookupAt(column);
            const std::optional<QDate> day = lookup && (lookup->key == Key::RegExpiry || lookup->key == Key::TlsExpiry)
                ? rows.value(row, column).day()
                : std::nullopt;
            expiring = expiring || (day && urgencyOf(*day, today, m_warnDays) != Urgency::None);
        }
        m_summary.expiring += expiring ? 1 : 0;
    }
    m_summary.batch = m_store->isSaving() ? m_store->currentBatch() : 0;
    m_store->detach();
    m_running = false;
    emit finished();
}
