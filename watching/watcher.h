// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/clock.h"
#include "settings/language.h"
#include "store/watchlists.h"
#include "watching/watchrun.h"

#include <QHash>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class LookupTable;
class EngineServices;
class Settings;

// The saved watch lists, run when due while the program runs (its window open, or closed to the tray): one
// list at a time, in the background, at the usual paces. The user's own batch comes first: none starts while
// it runs, and one running gives way to it and is due again once it ends. Each list is claimed in the store
// first, so a timer's command line never runs it at the same time; a machine that slept past due times runs it
// once on waking.
class Watcher : public QObject
{
    Q_OBJECT
public:
    using TableSource = std::function<std::shared_ptr<const LookupTable>()>;
    // Its runs ask through `services`, those of the window's walker; due times are read against `clock`, and the
    // runs' answers stamped by it.
    Watcher(Settings& settings, TableSource table, std::shared_ptr<EngineServices> services, const QString& storePath,
        const Clock& clock = systemClock(), QObject* parent = nullptr);
    ~Watcher() override;

    void start();
    // 立即检查: every list once, due or not.
    void checkNow();
    void setUserBusy(bool busy);

    ReadResult<QStringList> lists();
    bool isRunning() const { return m_run != nullptr; }
    // The last finished run of a list in this session, its rows kept for showing; null when none.
    std::shared_ptr<const WatchRun> lastRun(const QString& name) const { return m_finished.value(name); }
    WatchLists& store() { return *m_lists; }
    // A run's cells are made in the language these speak as it begins (Chinese without them); its store says so.
    void setTranslators(const Translators* translators) { m_translators = translators; }

signals:
    // A run ended; `news` is what a notification says ("监控列表「X」：3 项变化…"), empty when nothing is new.
    void runFinished(const QString& name, const WatchSummary& summary, const QString& news);
    void runStarted(const QString& name);

private:
    void tick();
    void begin(const WatchList& list, const QDateTime& lastStarted);
    void onRunFinished();

    Settings& m_settings;
    TableSource m_table;
    std::shared_ptr<EngineServices> m_services;
    const QString m_storePath;
    std::unique_ptr<WatchLists> m_lists;
    const Clock& m_clock;
    const Translators* m_translators = nullptr;
    QTimer m_tick;
    QTimer m_beat;
    std::shared_ptr<WatchRun> m_run;
    QDateTime m_runLastStarted; // the run before this one began then: given back if this one gives way
    QHash<QString, std::shared_ptr<const WatchRun>> m_finished;
    QStringList m_forced; // lists 立即检查 still owes a run
    bool m_userBusy = false;
};
