// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A sitemap read as its bytes arrive, plain or gzip, holding only what the XML reader has not yet read.
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>

#include <memory>

struct z_stream_s;

class SitemapReader
{
public:
    // The sitemaps protocol's bounds on one file: 50,000 addresses, 50 MB uncompressed.
    static constexpr qint64 kMostPages = 50'000;
    static constexpr qint64 kMostBytes = 50 * 1024 * 1024;
    // An index lists at most this many sitemaps that we read: each is a request to someone's server.
    static constexpr qsizetype kMostListed = 50;

    enum class Kind { Unknown, Pages, Index, NotSitemap };

    SitemapReader();
    ~SitemapReader();
    SitemapReader(const SitemapReader&) = delete;
    SitemapReader& operator=(const SitemapReader&) = delete;

    // False once it has read all it will: the 50,000th address, the 50th sitemap listed, a file that is no
    // sitemap or cannot be read.
    bool add(QByteArrayView bytes);
    // The file ended here: a document not closed is an error unless reading stopped on purpose.
    void end();

    Kind kind() const { return m_kind; }
    qint64 pages() const { return m_pages; } // <loc> inside <url>
    const QStringList& listed() const { return m_listed; } // an index's sitemaps
    bool full() const { return m_full; } // stopped at a bound, more may follow
    QString error() const { return m_error; } // why the file could not be read, for the user

private:
    bool inflate(QByteArrayView bytes);
    bool read();
    void startElement();

    QXmlStreamReader m_xml;
    std::unique_ptr<z_stream_s> m_zip;
    bool m_sniffed = false;
    qint64 m_inflated = 0;
    Kind m_kind = Kind::Unknown;
    int m_depth = 0;
    int m_entryDepth = -1; // where the current <url> or <sitemap> stands
    bool m_inLoc = false;
    QString m_loc;
    qint64 m_pages = 0;
    QStringList m_listed;
    bool m_full = false;
    QString m_error;
};
