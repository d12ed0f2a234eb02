// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The home page's columns and the outbound count, all from one fetch of the page.
#include "queries/engine/lookup.h"

#include <QString>

// What the home page itself says: the final status and address ("200 → https://www.example.com/"), its
// <title>, and the ICP filing number it displays. Each is "无" where the page has none.
QString homeStatusText(const PageResult& page);
QString pageTitle(const QString& page);
QString filingNumberOnPage(const QString& page);
// &amp;, &#20013;, &#x4E2D; and the named entities a title is likely to hold.
QString decodeEntities(const QString& text);

QString outboundAddress(const QString& domain);
// A link element counts as outbound when its text mentions "http" and not the domain itself; both tests
// are plain, case-sensitive substring tests on the whole element.
bool isOutboundLink(const QString& element, const QString& domain);

// A column of the home page's answer: one fetch of a domain's home page answers the outbound links count and
// the three columns below at once.
Lookup homePageLookup(const QString& key, const QString& header, Measure measure = Measure::Text);
const Lookup& homeStatusLookup();
const Lookup& homeTitleLookup();
const Lookup& homeIcpLookup();
