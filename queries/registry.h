#pragma once

#include "queries/lookup.h"

#include <vector>

// In the order of the grid's columns, which is also the order a batch runs them in.
const std::vector<const Lookup*>& lookups();
// Keys that earlier versions used are still understood.
const Lookup* lookupByKey(const QString& key);
