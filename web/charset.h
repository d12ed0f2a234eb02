// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The charset a page's bytes point to when it declares none.
#include <QByteArray>

// The charset a page's bytes point to when neither its header nor a <meta> tag names one: the encoding its
// XML declaration names, where the text starts with one; else UTF-8 where the bytes are valid UTF-8; else
// the guess of uchardet (freedesktop's detector), taken only when Qt can decode it and weighed towards
// GB18030 for a few words of Chinese. Empty when none of them tells: the caller's own rule applies.
QByteArray sniffedCharset(const QByteArray& body);
