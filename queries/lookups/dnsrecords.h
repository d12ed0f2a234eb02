// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The name server and mail columns: a domain's NS records with whose servers they are, its MX records with
// whether it publishes SPF and DMARC.
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

struct Lookup;
class DnsProviders;

// "ns1.dnspod.net, ns2.dnspod.net（DNSPod）", a parking service's as "（停放：Sedo）"; sorted, so the same
// servers in another order are no change.
QString nameServersText(QStringList servers, const DnsProviders& providers);
// "mx1.a.test, mx2.a.test　SPF ✓ DMARC ✗": the exchangers by preference (无 when none), then whether a TXT record
// of the domain starts "v=spf1" and one of _dmarc.<domain> starts "v=DMARC1".
QString mailText(QList<std::pair<int, QString>> exchangers, const QStringList& texts, const QStringList& dmarcTexts);

const Lookup& nameServersLookup();
const Lookup& mailLookup();
