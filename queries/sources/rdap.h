// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Which RDAP server answers for a suffix, and where one walker has learned a registry is asked.
#include <QDateTime>
#include <QHash>
#include <QPair>
#include <QString>
#include <QUrl>

#include <memory>

class Network;
class PageFetch;
struct Lookup;

// IANA's RDAP bootstrap for domain names (RFC 9224): which server answers for which suffix.
class RdapBootstrap
{
public:
    bool load(const QByteArray& json);
    void add(const QString& suffix, const QString& base);
    // The base address of the server for a name in ASCII; the longest matching suffix wins. Empty: none.
    QString baseFor(const QString& asciiName) const;
    qsizetype size() const { return m_bases.size(); }
    // Whether this one lists at least nine in ten of the suffixes `other` lists: a fresh copy that lost most
    // of its entries is a broken one.
    bool covers(const RdapBootstrap& other) const;

private:
    QHash<QString, QString> m_bases; // suffix → base address ending in '/'
};

// Where a registry is asked about a name, as one walker's jobs learn it: the RDAP servers, and the WHOIS
// servers IANA names.
class RegistryDirectory
{
public:
    explicit RegistryDirectory(Network& network);
    ~RegistryDirectory();

    // The bootstrap in use: IANA's copy saved in the cache folder when there is one, else the copy that
    // ships with the program. Read when first asked.
    const RdapBootstrap& bootstrap();
    // Asks IANA for a fresher bootstrap when the one in use is more than a day old; once per walk.
    void refresh();

    // Suffix → WHOIS server, as IANA named it (empty: it named none).
    QHash<QString, QString> whoisReferrals;
    // Suffix → why IANA could not be asked, and until when that stands: a batch of thousands does not ask
    // an unreachable server once a row.
    QHash<QString, QPair<QString, QDateTime>> unreachedReferrals;

private:
    Network& m_network;
    RdapBootstrap m_bootstrap;
    bool m_loaded = false;
    std::unique_ptr<PageFetch> m_fetch;
};

// Servers registries run that IANA does not list (data/rdap-extra.json), asked after the bootstrap. Data that
// ships with the program, never changed while it runs.
const RdapBootstrap& rdapSupplement();

QString rdapAddress(const QString& base, const QString& asciiName);
