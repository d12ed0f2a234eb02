// SPDX-License-Identifier: GPL-3.0-or-later
#include "watching/watcher.h"

#include "settings/settings.h"

using namespace Qt::Literals::StringLiterals;

namespace {
// Due times are looked at every minute: a list due at 9:00 starts by 9:01, and a machine waking from sleep
// finds its lists due within the minute.
constexpr int kTickMs = 60'000;
constexpr int kBeatMs = 60'000;
} // namespace

Watcher::Watcher(Settings& settings, TableSource table, std::shared_ptr<EngineServices> services,
    const QString& storePath, const Clock& clock, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_table(std::move(table))
    , m_services(std::move(services))
    , m_storePath(storePath)
    , m_lists(std::make_unique<WatchLists>(storePath, clock))
    , m_clock(clock)
{
    connect(&m_tick, &QTimer::timeout, this, &Watcher::tick);
    connect(&m_beat, &QTimer::timeout, this, [this] {
        if (m_run)
            m_lists->beat(m_run->list().name, m_clock.now());
    });
}

Watcher::~Watcher()
{
    if (m_run) {
        // Quitting mid-run: the list is due again as before, and the claim is given back.
        m_run->stop();
        m_lists->abandon(m_run->list().name, m_runLastStarted);
    }
}

void Watcher::start()
{
    m_tick.start(kTickMs);
    QTimer::singleShot(0, this, &Watcher::tick);
}

void Watcher::checkNow()
{
    m_forced = m_lists->names().value();
    tick();
}

void Watcher::setUserBusy(bool busy)
{
    m_userBusy = busy;
    if (busy && m_run) {
        const QString name = m_run->list().name;
        disconnect(m_run.get(), nullptr, this, nullptr);
        m_run->stop();
        m_lists->abandon(name, m_runLastStarted);
        m_beat.stop();
        m_run.reset();
    }
    if (!busy)
        QTimer::singleShot(0, this, &Watcher::tick);
}

ReadResult<QStringList> Watcher::lists()
{
    return m_lists->names();
}

void Watcher::tick()
{
    if (m_userBusy || m_run)
        return;
    const QDateTime now = m_clock.now();
    // A list that cannot be read now is looked at again at the next tick.
    for (const QString& name : m_lists->names().value()) {
        const std::optional<WatchList> list = m_lists->find(name).value();
        if (!list)
            continue;
        const bool forced = m_forced.contains(name);
        if (m_lists->claim(name, now, forced) != WatchLists::Claim::Started)
            continue;
        m_forced.removeAll(name);
        begin(*list, list->times.lastStarted);
        return;
    }
}

void Watcher::begin(const WatchList& list, const QDateTime& lastStarted)
{
    m_runLastStarted = lastStarted;
    m_run = std::make_shared<WatchRun>(
        m_settings, m_table(), m_services, m_storePath, list, m_settings.warnDays(), m_clock);
    if (m_translators)
        m_run->setLanguage(m_translators->language());
    connect(m_run.get(), &WatchRun::finished, this, &Watcher::onRunFinished, Qt::QueuedConnection);
    m_beat.start(kBeatMs);
    emit runStarted(list.name);
    m_run->start();
}

void Watcher::onRunFinished()
{
    const std::shared_ptr<WatchRun> run = std::exchange(m_run, nullptr);
    m_beat.stop();
    if (!run)
        return;
    const WatchSummary summary = run->summary();
    m_lists->finish(run->list().name, summary.batch, m_clock.now());
    m_finished.insert(run->list().name, run);
    emit runFinished(run->list().name, summary, watchNews(run->list().name, summary, m_settings.warnDays()));
    QTimer::singleShot(0, this, &Watcher::tick); // another list may have fallen due meanwhile
}
