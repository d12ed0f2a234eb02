#pragma once

// --watch NAME: a list saved in the window, run once from a timer or by hand. The run holds the list while it
// goes (the window, or another timer, does not run it at the same time) and says it is alive every minute.
#include <QTimer>

#include <memory>

class ListInput;
class LookupTable;
class WatchLists;
struct Options;

class WatchClaim
{
public:
    WatchClaim();
    ~WatchClaim();

    // The list's names and lookups become the run's. 0, or the status to end with (said on standard error).
    int take(const QString& name, const LookupTable& table, Options* options, ListInput* input);
    // The run is over; `batch` holds its answers.
    void release(qint64 batch);

private:
    std::unique_ptr<WatchLists> m_lists;
    QString m_name;
    QTimer m_beat;
};
