// SPDX-License-Identifier: GPL-3.0-or-later
// A cell's text made safe for every output: no control characters, no bidirectional overrides.
#include "input/cleantext.h"

#include <algorithm>

namespace {

bool isControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

bool isUnsafe(char16_t c)
{
    return isControl(c) || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

} // namespace

QString cleanCellText(const QString& text)
{
    // A closing line break (ping ends its own message with one) or space is no content.
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1).isSpace())
        --end;
    const QStringView kept = QStringView(text).first(end);
    if (std::none_of(kept.cbegin(), kept.cend(), [](QChar c) { return isUnsafe(c.unicode()); }))
        return end == text.size() ? text : kept.toString();
    QString clean;
    clean.reserve(end);
    for (qsizetype i = 0; i < end; ++i) {
        const char16_t c = kept.at(i).unicode();
        if (c == u'\r' && i + 1 < end && kept.at(i + 1) == u'\n')
            continue; // the LF that follows stands for both
        clean += c == u'\r' || c == u'\n' ? QChar(u'↵') : isUnsafe(c) ? QChar(QChar::ReplacementCharacter) : QChar(c);
    }
    return clean;
}

QString visibleControls(QStringView text)
{
    const auto obeyed = [&](qsizetype i) {
        const char16_t c = text.at(i).unicode();
        if (c == u'\r')
            return i + 1 == text.size() || text.at(i + 1) != u'\n';
        return isControl(c) && c != u'\t' && c != u'\n';
    };
    qsizetype first = 0;
    while (first < text.size() && !obeyed(first))
        ++first;
    if (first == text.size())
        return text.toString();
    QString shown = text.first(first).toString();
    shown.reserve(text.size() + 16);
    for (qsizetype i = first; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (!obeyed(i))
            shown += QChar(c);
        else if (c < 0x20)
            shown += QChar(char16_t(0x2400 + c));
        else if (c == 0x7F)
            shown += QChar(u'␡');
        else
            shown.append(u'␛').append(QChar(char16_t(c - 0x40)));
    }
    return shown;
}

qsizetype characterCount(QStringView text)
{
    return text.size() - std::count_if(text.begin(), text.end(), [](QChar c) { return c.isLowSurrogate(); });
}
