// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// More of what one fetch of the home page says: where it ended, how it got there, how long and how large it
// was, its server, and the tags a webmaster reads (description, keywords, canonical address, first heading).
#include "queries/engine/lookup.h"

#include <QHash>
#include <QString>
#include <QUrl>

// The status of each redirect and of the final answer: "301 → 302 → 200".
QString redirectChainText(const PageResult& page);
// Where the page ended when that is not where it was asked for; empty when it stayed.
QString finalAddressText(const PageResult& page, const QString& asked);
// The content of the first <meta name="…"> of that name (any case), entities decoded; empty when none.
QString metaContent(const QString& page, const QString& name);
// The first <link rel="canonical">, resolved against the page's address; empty when none.
QString canonicalAddress(const QString& page, const QUrl& base);
// The text of the first <h1>, its inner tags dropped and entities decoded; empty when none.
QString firstHeading(const QString& page);

// The cells of these columns for one fetched page (`text` its decoded body, `asked` the address asked), by key.
QHash<QString, CellResult> homeFactCells(const PageResult& page, const QString& text, const QString& asked);

const Lookup& homeFinalLookup();
const Lookup& homeRedirectsLookup();
const Lookup& homeTimeLookup();
const Lookup& homeSizeLookup();
const Lookup& homeServerLookup();
const Lookup& homeDescriptionLookup();
const Lookup& homeKeywordsLookup();
const Lookup& homeCanonicalLookup();
const Lookup& homeHeadingLookup();
