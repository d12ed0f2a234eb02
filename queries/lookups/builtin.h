// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The table of the built-in lookups and the user's own, as the program makes it.
#include "queries/engine/lookuptable.h"
#include "queries/lookups/custom.h"

#include <vector>

// The built-in lookups, in the order of the grid's columns, then the user's own: the only place that knows
// every lookup. A new lookup is a file of its own and a line here.
LookupTable makeLookupTable(const std::vector<CustomLookup>& custom = {});
// Whether a key is taken by a built-in lookup (in any case), now or under an earlier name.
bool isBuiltInKey(const QString& key);
// The user's own lookups as their file defines them, and one line per definition left out, and why.
CustomFile readUserLookups(const QString& path = customLookupsPath());
