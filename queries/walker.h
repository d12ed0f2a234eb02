#pragma once

#include "queries/lookup.h"
#include "queries/pace.h"
#include "queries/results.h"
#include "settings/settings.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>

class QTimer;

// Runs the lookups over the domain queue and writes the results, without a window: the window, the tests
// and the command line drive it alike.
//
// A batch runs the lookups one after another in table order, each box read just before its turn. Within
// one lookup's walk, requests to its service run as many at once as the service's pace allows, but cells
// are written strictly in queue order: row i only after every row before it.
class Walker : public QObject
{
    Q_OBJECT
public:
    explicit Walker(Settings& settings, QObject* parent = nullptr);
    ~Walker() override;

    // The domain queue: replaced whole by Start, only read by the walks. A name with a character that could
    // not be read (U+FFFD) asks nothing and gets 无效域名 everywhere, marked with its reason from
    // `unreadable` (by queue position) where there is one.
    void setQueue(const QStringList& domains, const QHash<int, QString>& unreadable = {});
    const QStringList& queue() const { return m_queue; }
    Results& results() { return m_results; }
    const Results& results() const { return m_results; }

    void setPingProgram(const QString& program) { m_context.pingProgram = program; }
    // Asked just before each lookup's turn in a batch: is it wanted now?
    void setSelection(std::function<bool(const Lookup&)> wanted) { m_selection = std::move(wanted); }

    // Each of these is ignored while the walker is busy.
    void runBatch(); // rows rebuilt from the queue, then every wanted lookup
    void runLookup(const Lookup& lookup); // one lookup over the rows as they stand
    void rerunFailed(); // every marked cell again, column by column
    // A batch interrupted earlier: its rows rebuilt with the cells it had written, then each of its lookups
    // for the cells it had not.
    struct SavedCell
    {
        int row;
        int column;
        QString text;
        QString problem;
    };
    void resume(const QStringList& queue, const QList<SavedCell>& cells, const QList<const Lookup*>& lookups);

    // The stop flag of the walks with stop: set, the walk in progress ends at its next check, and a batch
    // goes on with its next lookup. Each walk with stop clears it when it begins.
    void setStopFlag(bool stop);
    bool stopFlag() const { return m_stopFlag; }
    // Ends the whole batch: the walk in progress at its next check, whatever its kind, and no later lookup.
    void stopBatch();
    // The program is closing: every request dropped at once, nothing written any more.
    void abortAll();

    bool isBusy() const { return !m_plan.isEmpty(); }

    // Asked before each cell is written: while it says no, cells wait (the saved results catching up).
    void setWriteGate(std::function<bool()> open) { m_writeGate = std::move(open); }
    // Whatever was waiting may go on: an answer, a pace, or the write gate has opened.
    void wakeUp();

signals:
    // A batch begins, with the lookups wanted at this moment (each is still asked again at its turn).
    void batchStarted(const QList<const Lookup*>& wanted);
    void busyChanged(bool busy);
    void stopFlagChanged(bool stop);
    // The row about to be written (a queue position) and the queue's length.
    void progress(const Lookup& lookup, int row, int queueLength);
    // Why the walk goes slower than its pace, or empty once it no longer does.
    void paceNotice(const QString& notice);
    void finished(qint64 elapsedMs);
    // A cell of a lookup still to come in this plan, brought by another lookup's answer.
    void siblingFetched(int row, const Lookup& lookup, const CellResult& cell);

private:
    enum class Rows { All, Marked, Unwritten };
    struct Turn
    {
        const Lookup* lookup;
        bool askSelection;
        Rows rows;
    };
    struct Slot
    {
        int row;
        bool started = false;
        LookupJob* job = nullptr;
        std::optional<CellResult> result;
        QString pool;
        qint64 startedAt = 0;
    };

    void startPlan(const QList<Turn>& plan);
    void nextTurn();
    void startWalk(const Turn& turn);
    void endWalk();
    void pump();
    void schedulePump(qint64 ms);
    void onJobFinished(LookupJob* job);
    void drop(Slot& slot);
    bool stopSeen() const;
    ServicePace& pace(const QString& pool);
    void setPaceNotice(const QString& notice);

    Settings& m_settings;
    QStringList m_queue;
    QHash<int, QString> m_unreadable;
    Results m_results;
    JobContext m_context;
    std::function<bool(const Lookup&)> m_selection;
    std::function<bool()> m_writeGate;
    bool m_stopFlag = false;
    bool m_closed = false;

    QList<Turn> m_plan;
    int m_turn = 0;
    bool m_batchStopping = false;
    QElapsedTimer m_planClock;

    const Lookup* m_walk = nullptr;
    bool m_stopping = false; // the walk has seen a stop and only finishes the row being written
    QList<int> m_rows; // the rows this walk visits, in order
    int m_committed = 0; // how many of them are written
    std::deque<Slot> m_window; // the rows from the next to write on, started or about to be
    int m_reportedRow = -1;
    QHash<QString, Pace> m_walkPaces; // the settings of the services this walk's pools keep, read once
    // Cells a sibling's answer already brought, by lookup key and row, for lookups still to come in the plan.
    QHash<QString, QHash<int, CellResult>> m_prefetched;

    QHash<QString, ServicePace> m_paces; // by pool
    QString m_paceNotice;
    QElapsedTimer m_clock;
    QTimer* m_pumpTimer;
};
