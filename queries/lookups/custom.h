// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A user's lookup as it runs: its address, its request, its cell, and its entry in the table. Its definition and
// file are in customdefinition.h, its extractions in extraction.h.
#include "queries/engine/lookup.h"
#include "queries/lookups/customdefinition.h"
#include "queries/lookups/extraction.h"

// The address for one domain; empty, with `problem` set, when the name cannot be put in. `invalidName` says
// whether that is because the row is no domain name at all (its cell then says so, not that the lookup failed).
QString customAddress(const CustomLookup& lookup, const QString& domain, QString* problem, bool* invalidName = nullptr);

// The request for one address: the user's headers, the body kept for the extraction.
FetchRequest customRequest(const CustomLookup& lookup, const QString& address);

// The answer as text: by the definition's charset, else as it declares itself, else by what its bytes say
// (as a home page's title is read).
QString customPageText(const CustomLookup& lookup, const PageResult& page);
// The cell for one answer.
CellResult customCell(const CustomLookup& lookup, const PageRegex* regex, const PageResult& page);

// The lookup's entry in the table: its column, its pace, and its job.
std::unique_ptr<Lookup> customEntry(const CustomLookup& lookup);
