// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The sitemap column: how many page addresses a site's sitemaps list, read from the robots.txt fetch's answer.
#include "queries/engine/lookup.h"

#include <QObject>
#include <QStringList>

class SitemapReader;

// The addresses of robots.txt's Sitemap: lines, in order, each once.
QStringList sitemapAddresses(const QString& robotsTxt);

// Reads a site's sitemaps one after another (an index's sitemaps one level down, never deeper) and says, once,
// the cell: the addresses counted, 无 where no sitemap was found, or why they could not be read.
class SitemapCount : public QObject
{
    Q_OBJECT
public:
    // `addresses`: the sitemaps robots.txt names, or the site's /sitemap.xml.
    SitemapCount(const QStringList& addresses, const JobContext& context, QObject* parent = nullptr);
    void start();
    const CellResult& result() const { return m_result; }

signals:
    void finished();

private:
    void next();
    // False when the count ends here, failed.
    bool read(const QString& address, const PageResult& answer, SitemapReader& reader, bool listed);

    QList<std::pair<QString, bool>> m_queue; // the address, and whether an index listed it
    QStringList m_asked;
    JobContext m_context;
    qint64 m_pages = 0;
    bool m_found = false;
    QStringList m_notes;
    CellResult m_result;
};

const Lookup& sitemapLookup();
