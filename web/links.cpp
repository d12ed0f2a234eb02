// SPDX-License-Identifier: GPL-3.0-or-later
// The anchors of a page, matched one at a time.
#include "web/links.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

MatchScanner::MatchScanner(const QString& pattern, const QString& text)
    // (*LF) makes the line feed the only line end, whatever newline convention PCRE2 was built with.
    : m_expression(u"(*LF)"_s + pattern, QRegularExpression::CaseInsensitiveOption)
    , m_matches(m_expression.globalMatch(text))
{
}

QString TestRegExp(const QString& myPattern, const QString& myString)
{
    QString result;
    MatchScanner matches(myPattern, myString);
    while (matches.hasNext()) {
        result += matches.next();
        result += u"\r\n"_s;
    }
    return result.isEmpty() ? QCoreApplication::translate("Network", "匹配失败") : result;
}
