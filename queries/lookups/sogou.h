// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The 搜狗收录 column: 搜狗's count of a site's indexed pages.
#include <QString>

struct Lookup;
struct CountPhrases;

// The result page for a site: search, from the service's address ("https://cn.bing.com").
QString sogouAddress(const QString& base, const QString& domain);
const CountPhrases& sogouPhrases();
const Lookup& sogouIndexLookup();
