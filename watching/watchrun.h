// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/language.h"
#include "store/watchlists.h"

#include <QObject>

#include <memory>

class EngineServices;
class Clock;
class LookupTable;
class Results;
class ResultStore;
class Settings;
class Walker;

// What a finished run of a watch list found.
struct WatchSummary
{
    int changes = 0; // cells that differ from their last real answer
    int expiring = 0; // domains whose name or certificate expires within the warning days, or has
    int failed = 0; // cells whose request failed
    qint64 batch = 0; // where its answers are saved; 0 when none were
    bool stopped = false; // stopped before its end (the user started a batch of their own, or quit)
};

// "监控列表「客户站点」：3 项变化，1 个域名 10 天内到期"; empty when there is nothing to tell.
QString watchNews(const QString& list, const WatchSummary& summary, int warnDays);

// One run of a watch list away from the window's grid: a walker and a store of its own, asking each service at
// its usual pace through the services the program shares. The caller claims the list before and gives it back after
// (WatchLists).
class WatchRun : public QObject
{
    Q_OBJECT
public:
    WatchRun(Settings& settings, std::shared_ptr<const LookupTable> table, std::shared_ptr<EngineServices> services,
        const QString& storePath, const WatchList& list, int warnDays, const Clock& clock, QObject* parent = nullptr);
    ~WatchRun() override;

    // What its cells are made in; said to the store before start().
    void setLanguage(Language language);
    void start();
    void stop();
    bool isRunning() const { return m_running; }
    const WatchList& list() const { return m_list; }
    const Results& results() const;
    WatchSummary summary() const { return m_summary; }

signals:
    void finished();

private:
    void onFinished();
    void onDrained();

    WatchList m_list;
    int m_warnDays;
    std::unique_ptr<Walker> m_walker;
    std::unique_ptr<ResultStore> m_store;
    WatchSummary m_summary;
    bool m_running = false;
};
