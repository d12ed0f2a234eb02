// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Baidu's indexed pages and backlinks: the two search addresses and the count cut from the results page.
#include <QString>

struct Lookup;

enum class BaiduQuery { IndexedPages, Backlinks };

QString baiduAddress(const QString& host, BaiduQuery query, const QString& domain);
// The count Baidu prints over its results, as printed ("1,230,000"), or "0".
QString baiduCellText(const QString& page);
// site: and domain: are one procedure with two queries and two columns.
const Lookup& baiduIndexLookup();
const Lookup& baiduLinksLookup();
