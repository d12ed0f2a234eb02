// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The DNS column: a name's addresses of both families and its CNAME chain.
#include <QStringList>

struct Lookup;
struct Service;

// "1.2.3.4, 2001:db8::1", or with a CNAME chain "CNAME a.example → 1.2.3.4".
QString dnsCellText(const QStringList& canonicalNames, const QStringList& addresses);
const Lookup& dnsLookup();
// The resolver every DNS column asks, with one pace.
const Service& dnsService();
