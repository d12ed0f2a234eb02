// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The Tranco top-sites list: read, installed, downloaded and asked.
#include "settings/settings.h"

#include <QByteArray>
#include <QDate>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class Network;
class PageFetch;

// A Tranco top-sites list, "rank,domain" a line. A million rows are kept as the file's own bytes and a
// sorted table of hashes, so looking a domain up is a binary search. Names compare without regard to case,
// and a name listed twice has its better rank.
// The list's own download host, and how hard the rank column's lookups in it may run at once.
const Service& trancoService();

class TrancoList
{
public:
    // The published list has a million rows; one far larger is something else, and would cost gigabytes.
    static constexpr qsizetype kMostRows = 5'000'000;
    static constexpr qsizetype kLargestBytes = 256 * 1024 * 1024;

    // False, saying why, when no line holds a rank and a domain or the list is far too large.
    bool parse(const QByteArray& csv, QString* error, qsizetype mostRows = kMostRows);
    int rank(const QByteArray& asciiName) const; // 0: not listed
    qsizetype size() const { return qsizetype(m_entries.size()); }

private:
    struct Entry
    {
        quint64 hash;
        quint32 offset;
        quint32 rank;
        quint32 length;
    };
    QByteArray m_text;
    std::vector<Entry> m_entries;
};

// The list's bytes from a plain CSV file or from the first CSV of a zip archive; empty on failure.
QByteArray trancoListBytes(const QByteArray& file, QString* error);

// The installed list, in the data folder, loaded in the background the first time a lookup needs it; the
// walker keeps one for its jobs.
// Installing (from a file or a download) reads and checks the list in the background too.
class TrancoStore : public QObject
{
    Q_OBJECT
public:
    // Downloads go through `network`.
    explicit TrancoStore(Network& network);
    static QString listPath(); // $XDG_DATA_HOME/seo-quillmark/tranco.csv

    bool isInstalled() const;
    QDate date() const; // the list's date: when it was published, or else when it was installed
    // Starts loading unless loaded; ready() follows once loaded() holds.
    void load();
    bool isLoaded() const { return bool(m_list); }
    const TrancoList* list() const { return m_list.get(); }
    // Why the installed list could not be used; empty when it could.
    QString loadProblem() const { return m_loadProblem; }

    // Puts a list file (CSV or zip) in place of the installed one; installed() says how it went.
    void install(const QString& path, const QDate& date);
    // Fetches the current list from Tranco's public address, then installs it.
    void download();
    bool isBusy() const { return m_busy; }

signals:
    void ready();
    void installed(bool ok, const QString& problem);
    // What the background work is doing, for a progress line; empty once done.
    void activity(const QString& text);

private:
    // Reads, checks and saves a list off the calling thread.
    void installInBackground(std::function<QByteArray(QString*)> read, const QDate& date);

    Network& m_network;
    std::shared_ptr<const TrancoList> m_list;
    QString m_loadProblem;
    bool m_loading = false;
    bool m_busy = false;
    QPointer<PageFetch> m_download;
};
