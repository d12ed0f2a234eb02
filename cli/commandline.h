// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/exitstatus.h"

// seo-quillmark --batch FILE|- --lookups LIST [--format lines|csv|jsonl] [--output FILE] [--resume] [--shard I/N]
//               [--pace SERVICE=K[/GAPMS],…] [--lang zh|en]
// The same engine as the window, without a display. It runs when an argument is one of its options
// (commandOptions()) other than --lang, which the window takes too; otherwise the window opens.
bool isCommandLine(int argc, char** argv);
// The run to its end, or to a signal's; the status to end the program with.
ExitStatus runCommandLine(int argc, char** argv);
