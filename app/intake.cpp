#include "app/intake.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextDocument>

using namespace Qt::Literals::StringLiterals;

QString inputText(const QTextDocument& document)
{
    // toPlainText() would turn no-break spaces into spaces; the block texts keep every character.
    QString text;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin())
            text += u"\r\n"_s;
        // Shift+Enter breaks a line inside its block: on screen it is a line like any other.
        text += block.text().replace(QChar::LineSeparator, u"\r\n"_s);
    }
    return text;
}

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
