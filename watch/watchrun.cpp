#include "watch/watchrun.h"

#include "queries/engine/keys.h"
#include "queries/engine/walker.h"
#include "store/store.h"
#include "watch/changes.h"
#include "watch/expiry.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

namespace {
// The store's writer gets this long to commit the last cells once a run ends.
constexpr int kDrainMs = 10000;
} // namespace

QString watchNews(const QString& list, const WatchSummary& summary, int warnDays)
{
    QStringList parts;
    if (summary.changes > 0)
        parts.append(u"%1 项变化"_s.arg(summary.changes));
    if (summary.expiring > 0)
        parts.append(u"%1 个域名 %2 天内到期"_s.arg(summary.expiring).arg(warnDays));
    if (parts.isEmpty())
        return {};
    return u"监控列表「%1」：%2"_s.arg(list, parts.join(u"，"_s));
}

WatchRun::WatchRun(Settings& settings, std::shared_ptr<const LookupTable> table, const QString& storePath,
    const WatchList& list, int warnDays, QObject* parent)
    : QObject(parent)
    , m_list(list)
    , m_warnDays(warnDays)
    , m_walker(std::make_unique<Walker>(settings, std::move(table)))
    , m_store(std::make_unique<ResultStore>(storePath))
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

void WatchRun::onFinished()
{
    m_store->drain(kDrainMs);
    // What the writer found of the last cells (their earlier answers) is queued for this thread: taken now, or
    // the last rows' changes would go uncounted.
    QCoreApplication::sendPostedEvents(m_store.get(), QEvent::MetaCall);
    const Results& rows = results();
    const LookupTable& table = rows.table();
    const QDate today = QDate::currentDate();
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
