// SPDX-License-Identifier: GPL-3.0-or-later
// A WHOIS answer's lines, each decoded on its own, and IANA's referral read from its answer. How one answer is
// read is in whoisrecord.cpp and whoisverdict.cpp, the dates in whoisdate.cpp.
#include "queries/lookups/whois.h"

#include "input/textdecoding.h"

#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

QStringList whoisLines(const QByteArray& answer, const QByteArray& encoding)
{
    QStringList lines;
    QString whole;
    if (answer.count('\n') < kMaxWhoisLines && decodeStrictly("UTF-8", answer, &whole)) {
        // The usual case: one decoding for the whole answer.
        lines = whole.split(u'\n');
    } else {
        // A line at a time: a broken sequence must not swallow the next line's start.
        for (qsizetype start = 0; start <= answer.size() && lines.size() <= kMaxWhoisLines;) {
            qsizetype end = answer.indexOf('\n', start);
            if (end < 0)
                end = answer.size();
            lines.append(decodeLine(QByteArrayView(answer).sliced(start, end - start), encoding));
            // A decoder makes room for the most characters its bytes could give; a line may be kept for
            // 查看应答原文 long after, at its own size.
            lines.last().squeeze();
            start = end + 1;
        }
    }
    for (QString& line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    return lines;
}

QString whoisText(const QByteArray& answer, const QByteArray& encoding)
{
    return whoisLines(answer, encoding).join(u'\n');
}

QString whoisReferral(const QString& ianaAnswer)
{
    static const QRegularExpression refer(u"^\\s*(?:refer|whois):\\s*(\\S+)\\s*$"_s,
        QRegularExpression::MultilineOption | QRegularExpression::CaseInsensitiveOption);
    return refer.match(ianaAnswer).captured(1).toLower();
}
