#pragma once

// The command line's words for the user: progress, notices and usage errors, all on standard error, so
// that standard output carries nothing but the rows.
#include <QString>
#include <cstdio>

inline void say(const QString& text)
{
    std::fputs(qPrintable(text), stderr);
}
