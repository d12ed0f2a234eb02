// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Yahoo's backlinks: the search address and the count cut from its page.
#include <QString>

struct Lookup;

QString yahooAddress(const QString& host, const QString& domain);
// The backlink count of the sitemap search page ("1,234"), or "0".
QString yahooCellText(const QString& page);
const Lookup& yahooLookup();
