#pragma once

// The command line's options, read and checked before the first request: a usage error names the bad
// argument and asks nothing.
#include "settings/settings.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <variant>

class LookupTable;
struct Lookup;

enum class Format { Lines, Csv, Jsonl, Xlsx };

struct Options
{
    QString batch;
    QList<const Lookup*> chosen; // in the grid's order
    QList<int> columns; // theirs
    Format format = Format::Lines;
    QString output;
    bool resume = false;
    int shard = 1; // this run's part of the list…
    int shards = 1; // …of so many
    QHash<QString, Pace> paces; // --pace, over the settings file
    QHash<QString, QStringList> proxies; // --proxy, over the settings file
    bool changes = false; // only the cells that changed since their last real answer
    int expiringDays = -1; // --expiring: only the rows expiring within so many days, and status 3 if any
    QString watch; // --watch: the saved list whose names and lookups this run takes
};

// The options, or the status to end with at once: 0 after --help or --version, 2 after a usage error (said
// on standard error with the help text).
std::variant<Options, int> parseArguments(const QStringList& arguments, const LookupTable& table);
// The chosen lookups in the grid's order, and their columns.
void orderChosen(const LookupTable& table, Options* options);
