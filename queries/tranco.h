#pragma once

#include <QByteArray>
#include <QDate>
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <vector>

struct Lookup;
class PageFetch;

// A Tranco top-sites list, "rank,domain" a line. A million rows are kept as the file's own bytes and a
// sorted table of hashes, so looking a domain up is a binary search.
class TrancoList
{
public:
    // False when no line holds a rank and a domain.
    bool parse(const QByteArray& csv);
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

// The installed list, in the data folder, loaded in the background the first time a lookup needs it.
class TrancoStore : public QObject
{
    Q_OBJECT
public:
    static TrancoStore& instance();
    static QString listPath(); // $XDG_DATA_HOME/seo-quillmark/tranco.csv

    bool isInstalled() const;
    QDate date() const; // the list's date: when it was published, or else when it was installed
    // Starts loading unless loaded; ready() follows once loaded() holds.
    void load();
    bool isLoaded() const { return bool(m_list); }
    const TrancoList* list() const { return m_list.get(); }

    // Puts a list file (CSV or zip) in place of the installed one.
    bool install(const QByteArray& file, const QDate& date, QString* error);
    // Fetches the current list from Tranco's public address; downloaded() says how it went.
    void download();

signals:
    void ready();
    void downloaded(bool ok, const QString& problem);

private:
    std::shared_ptr<const TrancoList> m_list;
    bool m_loading = false;
    QPointer<PageFetch> m_download;
};

const Lookup& trancoLookup();
