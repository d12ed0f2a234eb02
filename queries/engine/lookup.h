// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a lookup is: its column, its service and pace, its address and cut, and the job that asks for one domain.
#include "queries/engine/value.h"
#include "settings/clock.h"
#include "settings/settings.h"
#include "web/fetch.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// The search-engine lookups walk the whole queue whatever happens; Stop ends the others between two domains.
enum class Walk { WithStop, WithoutStop };

// A service telling us to slow down.
enum class PushBack { None, Busy, Verification };

// What a lookup writes for one domain. `problem` says, for the user, why the text cannot be trusted:
// the request failed or a search engine answered with a verification page. A real answer has none,
// a negative one included.
struct CellResult
{
    QString text;
    QString problem = {};
    PushBack pushBack = PushBack::None;
    qint64 retryAfterMs = -1; // how long the service asked us to wait, when it said
    QString note = {}; // what the user may want to know of a real answer (which name was asked)
    bool unreachable = false; // the connection failed (or a proxy refused us): a proxy may be at fault
    CellValue value = {}; // what `text` shows; a text unless the lookup says more

    // A cell whose text is made from its value.
    static CellResult of(const CellValue& value) { return {displayText(value), {}, {}, -1, {}, false, value}; }
};

class AnswerLog;
class Network;
class RegistryDirectory;
class Settings;
class TrancoStore;

// What every lookup's work may need beyond its domain. The walker owns what these point to.
struct JobContext
{
    const Settings* settings = nullptr;
    const Clock* clock = &systemClock();
    Network* network = nullptr; // the bounds and kept connections of every request
    RegistryDirectory* registries = nullptr;
    AnswerLog* answers = nullptr; // the answers as received, for 查看应答原文
    TrancoStore* ranks = nullptr;
    std::optional<QNetworkProxy> proxy; // the proxy this job's requests go through
    QString lookup; // the key of the lookup the job is for
    // Where lookups share one answer, the keys of those wanted this batch: work only an unwanted one needs
    // (the sitemap's files beside robots.txt) is left undone.
    QStringList wanted;
    QString pingProgram;
    // Seen between the link elements of a page: the domain's cell still gets what was counted so far.
    std::function<bool()> stopRequested;
};

// One domain's work for one lookup. finished() comes exactly once, after start() has returned or from
// inside it; deleting the job drops whatever it still waits for.
class LookupJob : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    virtual void start() = 0;
    const CellResult& result() const { return m_result; }
    // Cells of other lookups that the same answer holds (by lookup key), so they need no request of their own.
    const QHash<QString, CellResult>& siblings() const { return m_siblings; }

signals:
    void finished();

protected:
    // The current lookup's cell out of `cells`; the rest become its siblings.
    void finish(const CellResult& result);
    void finish(const QString& lookup, QHash<QString, CellResult> cells);

private:
    CellResult m_result;
    QHash<QString, CellResult> m_siblings;
};

// One domain's work for a lookup: every lookup starts its work this one way.
using StartJob = std::function<LookupJob*(const QString& domain, const JobContext& context)>;

// Everything the engine knows of one kind of fact: its column's header, how it walks, which service it asks,
// and how a domain becomes a cell. How its column is shown (width, the clipboard's label) is the window's and
// the exports' business. Adding a lookup is a file of its own with one of these and a line in the built-in
// table (queries/lookups/builtin.cpp).
struct Lookup
{
    QString key = {}; // for the command line and the settings
    QString header = {}; // column header
    Walk walk = Walk::WithStop;
    Measure measure = Measure::Text; // what its cells hold, for telling what changed since the last answer
    Service service = {}; // whose pace it keeps and where it is reached
    // Services its work asks besides (the registration columns' WHOIS servers), with their own paces.
    std::vector<Service> alsoServices = {};
    // A lookup the user defined: its service may be a built-in one, whose pace it then keeps.
    bool userDefined = false;
    StartJob start = {};
    // Lookups whose cells come from one answer name the same group: the walker asks once per domain for all
    // of them and writes each its cell. Empty for a lookup that answers alone.
    QString answerGroup = {};
    // Whose pace a domain's request keeps, when that depends on the domain (each registry's server has its
    // own): "<service> <server>", the service naming the settings the pool keeps.
    QString (*pool)(const QString& domain, const JobContext& context) = nullptr;
    // Once before each walk of the lookup, for what need not be looked at for every row.
    void (*beforeWalk)(const JobContext& context) = nullptr;

    // Its own service and those it asks besides.
    std::vector<Service> services() const
    {
        std::vector<Service> all {service};
        all.insert(all.end(), alsoServices.begin(), alsoServices.end());
        return all;
    }
};

// The header as the user reads it: a built-in lookup's (marked with QT_TRANSLATE_NOOP("Columns", …) where it
// is defined) in the interface's language, a user's own as the user wrote it.
QString shownHeader(const Lookup& lookup);

// The work of a lookup that is one page: the address for a domain, the charset of a page that declares none,
// and the cut from page to cell.
StartJob pageJob(QString (*address)(const QString& domain), Charset charset,
    CellResult (*cut)(const PageResult& page, const QString& domain));

CellResult pageCell(const PageResult& page, const QString& text);
// A result page that shows no count and carries a challenge's signature is no answer at all. One that
// shows its count is a result page, whatever its snippets mention.
CellResult searchEngineCell(const PageResult& page, const QString& text, bool countShown);
// Retry-After in milliseconds from seconds or an HTTP date; -1 when absent or unreadable.
qint64 retryAfterMs(const QByteArray& value, const QDateTime& now);

// The text after the first `marker`, up to the marker's next occurrence or the end, then up to the first
// `terminator` in that piece. Empty when the marker ends the text; nothing when the marker is absent.
std::optional<QString> cutAfter(const QString& text, const QString& marker, const QString& terminator);
