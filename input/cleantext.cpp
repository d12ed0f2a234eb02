// A cell's text made safe for every output: no control characters, no bidirectional overrides.
#include "input/cleantext.h"

#include <algorithm>

namespace {

bool isUnsafe(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
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

qsizetype characterCount(QStringView text)
{
    return text.size() - std::count_if(text.begin(), text.end(), [](QChar c) { return c.isLowSurrogate(); });
}

