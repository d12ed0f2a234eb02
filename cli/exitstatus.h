// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the command line's status tells a script. --help and docs/command-line.md give the same numbers and
// meanings; a test holds the three together.
#include <csignal>

enum class ExitStatus : int {
    Answered = 0, // every cell answered and saved
    SomeFailed = 1, // some failed or could not be saved; a watch list that is running or unreadable
    Usage = 2, // a bad argument, a list that cannot be read, an output that cannot be opened
    Expiring = 3, // with --expiring or --watch: a domain or certificate expires within the days
    OutputUnwritable = 4, // --output could not be written to the end (a full disk)
    Interrupted = 128 + SIGINT, // Ctrl-C
    ReaderGone = 128 + SIGPIPE, // the reader of standard output went away
    Terminated = 128 + SIGTERM, // SIGTERM
};

inline constexpr ExitStatus kExitStatuses[]
    = {ExitStatus::Answered, ExitStatus::SomeFailed, ExitStatus::Usage, ExitStatus::Expiring,
        ExitStatus::OutputUnwritable, ExitStatus::Interrupted, ExitStatus::ReaderGone, ExitStatus::Terminated};

// The status a run ended by this signal has, as a shell reports one the signal killed. Safe in a signal
// handler.
constexpr ExitStatus endedBySignal(int signal)
{
    return signal == SIGTERM ? ExitStatus::Terminated
        : signal == SIGPIPE  ? ExitStatus::ReaderGone
                             : ExitStatus::Interrupted;
}
