// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The command line's options, read and checked before the first request: a usage error names the bad
// argument and asks nothing.
#include "cli/exitstatus.h"
#include "settings/settings.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <variant>

class LookupTable;
class QCommandLineParser;
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
    Language language = Language::Chinese; // --lang or QUILLMARK_LANG: what the cells are made in
};

// One option of the command line, the one place it is named: whether an argument opens the window, what --help
// says, and how it is read all come from the table of these.
struct CommandOption
{
    enum class Role { Help, Version, Run, Explain, Language }; // Language: read by the window as well
    enum class Listing { None, Lookups, Services }; // what the description ends with
    QStringList names; // as typed after - or --; one letter for a short form
    QString valueName; // empty for a switch
    const char* description; // marked with QT_TRANSLATE_NOOP("CommandLine", …), shown translated
    Listing listing = Listing::None;
    Role role = Role::Run;
    QString defaultValue;
    // Reads the option into a run's options: empty, or what is wrong. None where another reads it with its
    // own (--watch reads --changes and --expiring).
    QString (*read)(const QCommandLineParser&, const LookupTable&, Options*) = nullptr;
};

// In the order --help lists them; a run's options are read, and the first wrong one told, in this order.
const QList<CommandOption>& commandOptions();
const CommandOption& commandOption(CommandOption::Role role);
// The option an argument names (with or without its =VALUE); nullptr when it is none of ours.
const CommandOption* commandOptionNamed(const QString& argument);
bool isCommandOption(const QString& argument);
QString helpText(const LookupTable& table);

// The options, or the status to end with at once: Answered after --help or --version, Usage after a usage
// error (said on standard error with the help text).
std::variant<Options, ExitStatus> parseArguments(const QStringList& arguments, const LookupTable& table);
// The chosen lookups in the grid's order, and their columns.
void orderChosen(const LookupTable& table, Options* options);
