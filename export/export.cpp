// SPDX-License-Identifier: GPL-3.0-or-later
// The clipboard's labelled lines and the CSV file's bytes, every cell made harmless for where it goes.
#include "export/export.h"

#include "export/columns.h"

#include "queries/engine/lookup.h"
#include "queries/engine/results.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::Literals::StringLiterals;

namespace {

void appendLine(QString& text, const Results& results, int row)
{
    text += results.text(row, DomainColumn);
    for (const Lookup* lookup : results.table().lookups()) {
        const QString label = exportLabel(*lookup);
        if (label.isEmpty())
            continue;
        text += label;
        text += results.text(row, results.table().columnOf(*lookup));
    }
    text += u"\r\n"_s;
}

QString csvField(const QString& cell)
{
    // A spreadsheet would run a cell that starts like a formula; an apostrophe makes it text. Pages are
    // written by strangers, and so are the cells cut from them.
    static const QString formulaStarts = u"=+-@\t\r"_s;
    const QString text = !cell.isEmpty() && formulaStarts.contains(cell.front()) ? u'\'' + cell : cell;
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\r') && !text.contains(u'\n'))
        return text;
    QString quoted = text;
    quoted.replace(u"\""_s, u"\"\""_s);
    return u'"' + quoted + u'"';
}

void appendCsvRow(QString& text, const QStringList& fields)
{
    text += fields.join(u',');
    text += u"\r\n"_s;
}

} // namespace

QString exportText(const Results& results, int queueLength)
{
    const int rows = qMin(queueLength, results.rowCount());
    QString text;
    for (int row = 0; row < rows; ++row)
        appendLine(text, results, row);
    return text;
}

QString exportLines(const Results& results, const QList<int>& rows)
{
    QString text;
    for (int row : rows)
        appendLine(text, results, row);
    return text;
}

QString csvLine(const QStringList& fields)
{
    QStringList quoted;
    for (const QString& field : fields)
        quoted.append(csvField(field));
    QString text;
    appendCsvRow(text, quoted);
    return text;
}

QString csvHeader(const LookupTable& table, const QList<int>& columns)
{
    QStringList fields;
    for (int column : columns)
        fields.append(csvField(table.header(column)));
    QString text;
    appendCsvRow(text, fields);
    return text;
}

QString csvRow(const Results& results, int row, const QList<int>& columns)
{
    QStringList fields;
    for (int column : columns)
        fields.append(csvField(results.text(row, column)));
    QString text;
    appendCsvRow(text, fields);
    return text;
}

QByteArray csvBytes(const Results& results, const QList<int>& columns)
{
    QString text = csvHeader(results.table(), columns);
    for (int row = 0; row < results.rowCount(); ++row)
        text += csvRow(results, row, columns);
    return "\xEF\xBB\xBF" + text.toUtf8();
}

QByteArray jsonLine(const Results& results, int row, const QList<const Lookup*>& chosen)
{
    QJsonObject object {{u"domain"_s, results.text(row, DomainColumn)}};
    QJsonObject problems;
    for (const Lookup* lookup : chosen) {
        const int column = results.table().columnOf(*lookup);
        object.insert(lookup->key, results.text(row, column));
        if (!results.problem(row, column).isEmpty())
            problems.insert(lookup->key, results.problem(row, column));
    }
    object.insert(u"problems"_s, problems);
    return escapeJsonControls(QJsonDocument(object).toJson(QJsonDocument::Compact)) + '\n';
}

QByteArray escapeJsonControls(const QByteArray& json)
{
    // Outside its strings JSON is ASCII, and in UTF-8 a C2 byte always leads a character: C2 80 to C2 9F are
    // U+0080 to U+009F and nothing else.
    QByteArray escaped;
    escaped.reserve(json.size());
    for (qsizetype i = 0; i < json.size(); ++i) {
        const uchar byte = uchar(json.at(i));
        if (byte == 0x7F) {
            escaped += "\\u007f";
        } else if (byte == 0xC2 && i + 1 < json.size() && uchar(json.at(i + 1)) <= 0x9F) {
            escaped += "\\u00" + QByteArray::number(uchar(json.at(++i)), 16);
        } else {
            escaped += char(byte);
        }
    }
    return escaped;
}
