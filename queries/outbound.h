#pragma once

#include <QString>

struct Lookup;

QString outboundAddress(const QString& domain);
// A link element counts as outbound when its text mentions "http" and not the domain itself; both tests
// are plain, case-sensitive substring tests on the whole element.
bool isOutboundLink(const QString& element, const QString& domain);
const Lookup& outboundLookup();
