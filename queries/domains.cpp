#include "queries/domains.h"

#include <QRegularExpression>
#include <QStringDecoder>

using namespace Qt::Literals::StringLiterals;

QStringList domainsFromInput(const QString& text)
{
    return text.split(u"\r\n"_s, Qt::SkipEmptyParts);
}

QStringList domainsFromFile(const QByteArray& file)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(file);
    if (utf8.hasError())
        text = QStringDecoder("GB18030").decode(file);
    static const QRegularExpression lineBreak(u"\\r\\n|\\r|\\n"_s);
    const QStringList lines = text.split(lineBreak);
    QStringList domains;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        // The first field, quoted as RFC 4180 quotes it or up to the first comma.
        QString field = lines.at(i).trimmed();
        field = (field.startsWith(u'"') ? field.mid(1).section(u'"', 0, 0) : field.section(u',', 0, 0)).trimmed();
        // A header row ("domain", "域名") names no host.
        if (!field.isEmpty() && (i > 0 || field.contains(u'.')))
            domains.append(field);
    }
    return domains;
}
