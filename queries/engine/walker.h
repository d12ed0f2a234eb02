// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The walker: runs a batch's lookups over the domain queue and writes the results in queue order.
#include "input/domains.h"
#include "queries/engine/answers.h"
#include "queries/engine/engineservices.h"
#include "queries/engine/lookup.h"
#include "queries/engine/pace.h"
#include "queries/engine/results.h"
#include "settings/settings.h"
#include "web/proxies.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QTimer;

// Runs the lookups over the domain queue and writes the results, without a window: the window, the tests
// and the command line drive it alike.
//
// A batch runs every lookup wanted at its start at once, each in a walk of its own: every service keeps its
// own pace (requests to it run as many at once as its pace allows, a walk that waits on one service never
// holds up another), but each column is written strictly in queue order: row i only after every row
// before it. Lookups that one answer serves (the home page's columns, the registration columns) share one
// walk, which writes all their cells from one request.
class Walker : public QObject
{
    Q_OBJECT
public:
    // Runs the lookups of `lookups`, the table its owner made, through `services`, which its owner shares with
    // every other walker it runs; what its lookups reckon from the time of day (a certificate's days left, when a
    // registry may be asked again) they read from `clock`.
    Walker(Settings& settings, std::shared_ptr<const LookupTable> lookups, std::shared_ptr<EngineServices> services,
        QObject* parent = nullptr, const Clock& clock = systemClock());
    // A walker that is the only one of its program (a test's, a benchmark's): services of its own.
    Walker(Settings& settings, std::shared_ptr<const LookupTable> lookups, QObject* parent = nullptr,
        const Clock& clock = systemClock());
    ~Walker() override;

    // The domain queue: replaced whole by Start, only read by the walks. A name with a character that could
    // not be read (U+FFFD), or longer than a domain can be, asks nothing and gets 无效域名 everywhere, marked
    // with its reason from `unreadable` (by queue position) where there is one.
    void setQueue(const QStringList& domains, const QHash<int, QString>& unreadable = {});
    const QStringList& queue() const { return m_queue; }
    Results& results() { return m_results; }
    const LookupTable& table() const { return m_results.table(); }
    // A new table (the user's own lookups edited): ignored while busy; the rows keep their cells by key.
    void setTable(std::shared_ptr<const LookupTable> lookups);
    // What the jobs share: request bounds and connections, the RDAP servers, the rank list.
    const std::shared_ptr<EngineServices>& services() const { return m_services; }
    Network& network() { return m_services->network; }
    TrancoStore& ranks() { return m_services->ranks; }
    RegistryDirectory& registries() { return m_services->registries; }
    AnswerLog& answers() { return m_answers; }
    // What a job of this walker is given, for a question asked outside a batch (查看应答原文).
    JobContext jobContext(const QString& lookup);
    const Results& results() const { return m_results; }

    void setPingProgram(const QString& program) { m_pingProgram = program; }
    // Which lookups a batch runs: asked at its start, and again while it runs, so that a lookup unticked
    // meanwhile ends at its next row (one ticked meanwhile is not added).
    void setSelection(std::function<bool(const Lookup&)> wanted) { m_selection = std::move(wanted); }

    // Each of these is ignored while the walker is busy.
    void runBatch(); // rows rebuilt from the queue, then every wanted lookup
    void runLookup(const Lookup& lookup); // one lookup over the rows as they stand
    void rerunFailed(); // every marked cell again
    // A batch interrupted earlier: its rows rebuilt with the cells it had written, then each of its lookups
    // for the cells it had not.
    struct SavedCell
    {
        int row;
        int column;
        QString text;
        QString problem;
        CellValue value = {};
    };
    void resume(const QStringList& queue, const QList<SavedCell>& cells, const QList<const Lookup*>& lookups);

    // A list read as it comes (the command line): the lookups start on an empty list, rows join as they are
    // read, each with the cells a resumed batch already has, and the batch ends once the list is closed and
    // every row written. Rows written out may be let go of (Results::releaseRowsBefore).
    void runStream(const QList<const Lookup*>& lookups);
    void appendRows(const DomainFile& part, const QList<SavedCell>& saved = {});
    void closeStream();

    // The stop flag of the walks with stop: set, every such walk ends at its next check; the search walks go
    // on. A batch with such walks clears it as it begins.
    void setStopFlag(bool stop);
    bool stopFlag() const { return m_stopFlag; }
    // Ends the whole batch: every walk at its next check, whatever its kind.
    void stopBatch();
    // The program is closing: every request dropped at once, nothing written any more.
    void abortAll();

    bool isBusy() const { return m_busy; }

    // Asked before each cell is written: while it says no, cells wait (the saved results catching up).
    void setWriteGate(std::function<bool()> open) { m_writeGate = std::move(open); }
    // Whatever was waiting may go on: an answer, a pace, or the write gate has opened.
    void wakeUp();

signals:
    // A batch begins, with the lookups it runs.
    void batchStarted(const QList<const Lookup*>& wanted);
    // Rows joined a batch that reads its list as it comes; `first` is the first one's number.
    void rowsAppended(int first, const QStringList& domains);
    void busyChanged(bool busy);
    void stopFlagChanged(bool stop);
    // The column furthest behind, the row it is to write next (a queue position) and the queue's length;
    // and the cells written of all the batch will write.
    void progress(const Lookup& behind, int row, int queueLength, qint64 written, qint64 total);
    // Why a walk goes slower than its pace, or empty once none does.
    void paceNotice(const QString& notice);
    void finished(qint64 elapsedMs);

private:
    enum class Rows { All, Marked, Unwritten };
    struct Slot
    {
        int row;
        bool started = false;
        LookupJob* job = nullptr;
        std::optional<CellResult> result;
        QString asked; // the lookup whose job it ran; empty: `result` is every member's
        QHash<QString, CellResult> siblings; // the other members' cells the same answer gave
        QString pool;
        QString proxy; // the proxy its request went through, by name
        qint64 startedAt = 0;
    };
    struct WalkState
    {
        QList<const Lookup*> members; // the columns it writes, in table order; the first asks
        QHash<const Lookup*, QSet<int>> skip; // rows a member does not need (re-run and resume)
        QString service;
        Walk kind = Walk::WithStop;
        bool stopping = false; // has seen a stop and only finishes the row being written
        std::deque<int> pending; // the rows it is still to write, in order
        qint64 committed = 0; // how many it has written
        std::deque<Slot> window; // the rows from the next to write on, started or about to be
        JobContext context;
    };

    void startPlan(const QList<const Lookup*>& lookups, Rows rows, bool askSelection);
    void resetPlan(bool askSelection);
    // The rows of the first `count` a lookup has nothing to write in: re-run and resume ask only for some.
    QSet<int> rowsNotNeeded(const Lookup& lookup, Rows rows, int count) const;
    // The walk a lookup joins, made when none shares its answer.
    WalkState& walkFor(const Lookup& lookup);
    void endWalk(WalkState& walk);
    void finishIfDone();
    void pump();
    // False once the walker is closed (a listener may even have let go of it): nothing of it may be touched.
    bool pumpWalk(WalkState& walk, QElapsedTimer& slice);
    void commit(WalkState& walk, const Slot& slot);
    bool tellWritten();
    void startRows(WalkState& walk);
    // Starts one row's request, or answers a name no one can be asked about at once; false while the row's
    // service or its proxies make it wait.
    bool startRow(WalkState& walk, Slot& slot, const Lookup& asking);
    void reportProgress();
    void schedulePump(qint64 ms);
    void onJobFinished(LookupJob* job);
    void drop(WalkState& walk, Slot& slot);
    bool stopSeen(const WalkState& walk) const;
    QString serviceOf(const WalkState& walk, const QString& pool) const;
    Service serviceInfo(const QString& key) const;
    ServicePace& pace(const WalkState& walk, const QString& pool);
    ProxyRotation& proxies(const QString& service);
    void setPaceNotice(const QString& notice);

    Settings& m_settings;
    const Clock& m_wallClock;
    // Before anything that may hold a request of theirs.
    std::shared_ptr<EngineServices> m_services;
    AnswerLog m_answers;
    QStringList m_queue;
    QHash<int, QString> m_unreadable;
    Results m_results;
    QString m_pingProgram;
    std::function<bool(const Lookup&)> m_selection;
    std::function<bool()> m_writeGate;
    bool m_stopFlag = false;
    bool m_closed = false;
    std::vector<std::pair<int, int>> m_untold; // cells the step under way has written: row, column

    bool m_busy = false;
    bool m_streamOpen = false; // more rows may join
    bool m_askSelection = false;
    bool m_batchStopping = false;
    QElapsedTimer m_planClock;
    std::vector<std::unique_ptr<WalkState>> m_walks;
    qint64 m_written = 0; // cells written in this plan
    qint64 m_total = 0; // cells the plan will write
    const Lookup* m_reportedLookup = nullptr;
    int m_reportedRow = -1;
    qint64 m_reportedAt = 0;
    size_t m_firstWalk = 0; // the walk a pump serves first, in turn, so none waits on the others' slices
    QHash<QString, Pace> m_planPaces; // the settings of the services the pools keep, read once a plan

    QHash<QString, ServicePace> m_paces; // by pool
    QHash<QString, ProxyRotation> m_proxies; // by service
    QSet<QString> m_planProxies; // the services whose proxies were read for this plan
    QString m_paceNotice;
    QElapsedTimer m_clock;
    QTimer* m_pumpTimer;
};
