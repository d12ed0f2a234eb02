// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The robots.txt column: the verdict read from a site's rules for Baidu and for all.
#include "queries/engine/lookup.h"

#include <QString>

// What the site's robots.txt says to search engines, by the rules crawlers follow: the group for
// Baiduspider where there is one, else the group for every robot; "Disallow: /" with no Allow beside it
// shuts the site. "允许", "禁止百度", "禁止全部", then "，Sitemap N" when it lists sitemaps.
QString robotsVerdict(const QString& robotsTxt);
// The cell for the answer to /robots.txt: 404 and its kind, or a redirect to a page, is "无 robots.txt".
QString robotsText(const PageResult& answer);
// A column of the robots.txt fetch's answer: robots.txt itself and, read on from its Sitemap lines, the sitemap.
Lookup robotsFileLookup(const QString& key, const QString& header, Measure measure = Measure::Text);
const Lookup& robotsLookup();
