// SPDX-License-Identifier: GPL-3.0-or-later
// The encoding rule for lines whose source mixes encodings: CNNIC's WHOIS answers carry a registrar in UTF-8
// among GB18030 lines, so each line is judged on its own.
#include "input/textdecoding.h"

#include <QStringDecoder>

namespace {

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
}

} // namespace

bool decodeStrictly(const char* encoding, QByteArrayView bytes, QString* text)
{
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        return false;
    *text = decoder.decode(bytes);
    return !decoder.hasError();
}

QString decodeLine(QByteArrayView line, const QByteArray& encoding, bool* readable)
{
    QString text;
    bool whole = isAscii(line);
    if (whole) {
        text = QString::fromLatin1(line);
    } else {
        whole = decodeStrictly("UTF-8", line, &text)
            || (!encoding.isEmpty() && decodeStrictly(encoding.constData(), line, &text))
            || decodeStrictly("GB18030", line, &text);
    }
    if (readable)
        *readable = whole;
    return text;
}
