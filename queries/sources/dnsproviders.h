// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Whose name servers a domain's are: DNS hosts and parking services, known by their servers' names.
#include <QString>
#include <QStringList>

#include <vector>

struct DnsProvider
{
    QString name;
    bool parking = false; // a service that parks names for sale
    QStringList nameServers; // the servers' names, or the domains they stand under; "*" within a label
};

// Every provider the program knows, in order: the ones that ship (data/dns-providers.json), then the user's own
// file in the same form, whose entries replace ours of the same name or add to them.
class DnsProviders
{
public:
    // Reads one file; returns one line per entry left out, and why.
    QStringList add(const QByteArray& json, const QString& fileName);
    // The provider serving a name server ("ns1.dnspod.net"), or nothing.
    const DnsProvider* serving(const QString& nameServer) const;
    qsizetype size() const { return qsizetype(m_providers.size()); }

private:
    std::vector<DnsProvider> m_providers;
};

// The providers that ship, then $XDG_CONFIG_HOME/seo-quillmark/dns-providers.json; read once.
const DnsProviders& dnsProviders();
// What could not be read of those files, a line an entry.
QStringList dnsProviderProblems();
QString dnsProvidersUserPath();
