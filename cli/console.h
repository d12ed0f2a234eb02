// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The command line's words for the user: progress, notices and usage errors, all on standard error, so
// that standard output carries nothing but the rows.
#include "input/cleantext.h"

#include <QString>
#include <cstdio>

// Written whole, whatever it holds.
inline void writeText(std::FILE* to, const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
}

// Messages echo names, file names and servers' words: their control characters are shown, never obeyed.
inline void say(const QString& text)
{
    writeText(stderr, visibleControls(text));
}

// The progress line's own controls (a CR, ESC [K), which rewrite it in place on a terminal.
inline void sayInPlace(const QString& text)
{
    writeText(stderr, text);
}
