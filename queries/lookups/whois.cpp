// A WHOIS answer's lines, each decoded on its own, and IANA's referral read from its answer. How one answer is
// read is in whoisrecord.cpp and whoisverdict.cpp, the dates in whoisdate.cpp.
#include "queries/lookups/whois.h"

#include <QRegularExpression>
#include <QStringDecoder>

using namespace Qt::Literals::StringLiterals;

namespace {

bool isUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)decoder.decode(bytes);
    return !decoder.hasError();
}

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
}

} // namespace

QStringList whoisLines(const QByteArray& answer, const QByteArray& encoding)
{
    QStringList lines;
    if (isAscii(answer) || isUtf8(answer)) {
        // The usual case: one decoding for the whole answer.
        lines = QString::fromUtf8(answer).split(u'\n');
    } else {
        std::optional<QStringDecoder> other;
        for (const QByteArray& line : answer.split('\n')) {
            if (isAscii(line) || isUtf8(line)) {
                lines.append(QString::fromUtf8(line));
                continue;
            }
            // A decoder of its own for each line: a broken sequence must not swallow the next line's start.
            other.emplace(encoding.isEmpty() ? "GB18030" : encoding.constData(), QStringDecoder::Flag::Stateless);
            lines.append(other->isValid() ? other->decode(line) : QString::fromUtf8(line));
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
