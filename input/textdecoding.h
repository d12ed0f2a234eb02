// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Bytes made text a line at a time, by the one rule every reader of lines uses: UTF-8 where the line is valid
// UTF-8, else the encoding its source is known to use, else GB18030.
#include <QByteArrayView>
#include <QString>

// `bytes` as `encoding`; false when some of them are not valid there (the text then holds U+FFFD in their place).
// The check is the decoding's own: a decoder finds errors only while it makes the text.
bool decodeStrictly(const char* encoding, QByteArrayView bytes, QString* text);

// One line: as UTF-8 when all of it is valid UTF-8; else as `encoding` (a registry's "ISO-8859-1"; none or an
// unknown one: GB18030) when valid there; else as GB18030. `readable` tells whether one of them read it whole.
QString decodeLine(QByteArrayView line, const QByteArray& encoding = {}, bool* readable = nullptr);
