// SPDX-License-Identifier: GPL-3.0-or-later
// One line of a WHOIS answer taken apart: keys folded and split from their values.
#include "queries/lookups/whoisfields.h"

using namespace Qt::Literals::StringLiterals;

namespace whois {

namespace {

bool isMark(QChar c)
{
    return c.isSpace() || c == u'%' || c == u'#' || c == u'*' || c == u'>' || c == u'=' || c == u'-' || c == u'['
        || c == u']';
}

} // namespace

// In one pass, as every line of every answer goes through here.
QString normalKey(QStringView raw)
{
    QString key(raw.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(key.data());
    qsizetype length = 0;
    bool space = true; // drops leading white space
    for (QChar c : raw) {
        if (c.isSpace()) {
            if (!space)
                out[length++] = u' ';
            space = true;
            continue;
        }
        space = false;
        const char16_t u = c.unicode();
        out[length++] = u < 128 ? (u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u) : c.toLower().unicode();
    }
    while (length > 0 && (out[length - 1] == u'.' || out[length - 1] == u' '))
        --length;
    key.truncate(length);
    return key;
}

QString plainKey(const QString& key)
{
    const qsizetype slash = key.lastIndexOf(u" / "_s);
    QString plain = slash < 0 ? key : key.mid(slash + 3);
    const qsizetype bracket = plain.indexOf(u'(');
    if (bracket > 0)
        plain = plain.left(bracket).trimmed();
    return plain;
}

qsizetype verdictStart(QStringView lower)
{
    qsizetype i = 0;
    while (i < lower.size() && isMark(lower.at(i)))
        ++i;
    if (lower.mid(i).startsWith(u"error")) {
        i += 5;
        while (i < lower.size() && (lower.at(i).isSpace() || lower.at(i) == u':' || lower.at(i).isDigit()))
            ++i;
    }
    return i;
}

void splitKey(Line& line)
{
    QStringView text(line.content);
    // Numbered or lettered lines: JPRS's "a. [Domain Name]   EXAMPLE.JP", "1a.   Domain Name : example.gov.za".
    qsizetype mark = 0;
    while (mark < 2 && mark < text.size() && text.at(mark).isDigit())
        ++mark;
    if (mark < text.size() && text.at(mark) >= u'a' && text.at(mark) <= u'z')
        ++mark;
    if (mark > 0 && mark + 1 < text.size() && text.at(mark) == u'.' && text.at(mark + 1).isSpace())
        text = text.mid(mark + 1).trimmed();
    else if (mark == 1 && text.size() > 2 && text.at(1).isSpace() && text.mid(2).trimmed().startsWith(u'['))
        text = text.mid(2).trimmed(); // "a [Domain Name]   example.my"
    // "** Registrant:"
    while (text.startsWith(u'*'))
        text = text.mid(1).trimmed();
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close > 1 && close <= kMaxKeyLength) {
            line.hasKey = true;
            line.key = normalKey(text.mid(1, close - 1));
            line.value = text.mid(close + 1).trimmed().toString();
        }
        return;
    }
    qsizetype split = -1;
    for (qsizetype i = 0; i < text.size() && i <= kMaxKeyLength; ++i) {
        // "Record expires on Sun Mar 30 23:59:00 2014": a colon between digits is a time's.
        const bool time = i > 0 && i + 1 < text.size() && text.at(i - 1).isDigit() && text.at(i + 1).isDigit();
        if ((text.at(i) == u':' || text.at(i) == u'\uff1a') && !time) {
            split = i;
            break;
        }
    }
    if (split <= 0)
        return;
    const QStringView key = text.left(split);
    const QStringView value = text.mid(split + 1).trimmed();
    if (value.startsWith(u"//") || !std::any_of(key.begin(), key.end(), [](QChar c) { return c.isLetter(); }))
        return;
    const QString normal = normalKey(key);
    if (normal.count(u' ') >= kMaxKeyWords)
        return;
    line.hasKey = true;
    line.key = normal;
    line.value = value.toString();
}

} // namespace whois
