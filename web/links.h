// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The anchors of a page, matched one at a time.
#include <QRegularExpression>
#include <QString>

inline constexpr char16_t kLinkPattern[] = u"<a.*?href=.*?>.*?</a>";

// The matches of a pattern in a text one at a time, so a caller can stop or yield between two of them.
// Matching ignores case; a dot matches anything but a line feed, so a carriage return can sit inside a match.
class MatchScanner
{
public:
    MatchScanner(const QString& pattern, const QString& text);
    bool hasNext() const { return m_matches.hasNext(); }
    QString next() { return m_matches.next().captured(); }

private:
    QRegularExpression m_expression;
    QRegularExpressionMatchIterator m_matches;
};

// Every match of `myPattern` in `myString`, each followed by CR LF, or "匹配失败" when there is none.
QString TestRegExp(const QString& myPattern, const QString& myString);
