#include "web/links.h"

#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

QString TestRegExp(const QString& myPattern, const QString& myString)
{
    // (*LF) makes the line feed the only line end, whatever newline convention PCRE2 was built with.
    const QRegularExpression expression(u"(*LF)"_s + myPattern, QRegularExpression::CaseInsensitiveOption);
    QString result;
    QRegularExpressionMatchIterator matches = expression.globalMatch(myString);
    while (matches.hasNext()) {
        result += matches.next().capturedView();
        result += u"\r\n"_s;
    }
    return result.isEmpty() ? u"匹配失败"_s : result;
}
