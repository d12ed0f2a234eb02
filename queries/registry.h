#pragma once

#include "queries/custom.h"
#include "queries/lookup.h"

#include <vector>

// In the order of the grid's columns, which is also the order a batch runs them in.
const std::vector<const Lookup*>& lookups();
// Keys that earlier versions used are still understood.
const Lookup* lookupByKey(const QString& key);
bool isBuiltInKey(const QString& key);

// The user's own lookups, after the built-in ones. Entries replaced stay alive: a job may still hold one.
void setCustomLookups(const std::vector<CustomLookup>& custom);
const std::vector<CustomLookup>& customLookups();
// Reads the user's file and puts its lookups in the table; one line per definition left out, and why.
QStringList loadCustomLookups(const QString& path = customLookupsPath());
