// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/rowoutput.h"

#include "cli/console.h"
#include "cli/options.h"
#include "export/export.h"
#include "input/cleantext.h"
#include "queries/engine/keys.h"
#include "queries/engine/results.h"
#include "store/store.h"
#include "watch/expiry.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>

using namespace Qt::Literals::StringLiterals;

namespace {
const QStringList& changeFields()
{
    static const QStringList fields {u"domain"_s, u"key"_s, u"before"_s, u"after"_s, u"since"_s};
    return fields;
}
} // namespace

OutputTarget::OutputTarget(const QString& path)
    : m_path(path)
    , m_file(path)
{
}

QString OutputTarget::open(const LookupTable& table, const QList<int>& workbookColumns)
{
    QString error = m_file.open();
    if (m_file.wantsReader()) {
        say(QCoreApplication::translate("CommandLine", "seo-quillmark: 等待读取 %1 的程序……\n").arg(m_path));
        error = m_file.open(true);
    }
    if (error.isEmpty() && m_file.inPlace())
        say(QCoreApplication::translate("CommandLine",
            "seo-quillmark: %1 "
            "属于另一个用户，所在文件夹设有粘滞位，无法替换它：改为直接写入（中途失败会留下不完整的结果）\n")
                .arg(m_path));
    if (error.isEmpty() && !workbookColumns.isEmpty()) {
        m_workbook.emplace(m_file, table, workbookColumns);
        error = m_workbook->open();
    }
    return error;
}

RowOutput::RowOutput(const Options& options, OutputTarget& target, const Results& results, const ResultStore& store)
    : m_options(options)
    , m_target(target)
    , m_results(results)
    , m_store(store)
    , m_csvColumns(QList<int> {PositionColumn, DomainColumn} + options.columns)
{
    if (m_options.format == Format::Csv) {
        m_pending += "\xEF\xBB\xBF";
        m_pending
            += m_options.changes ? csvLine(changeFields()).toUtf8() : csvHeader(results.table(), m_csvColumns).toUtf8();
    }
    for (int column : m_options.columns) {
        const Lookup* lookup = results.table().lookupAt(column);
        if (lookup && (lookup->key == Key::RegExpiry || lookup->key == Key::TlsExpiry))
            m_expiryColumns.append(column);
    }
    m_expiringDays = options.expiringDays;
}

void RowOutput::write(bool unsaved, QDeadlineTimer deadline)
{
    while (!m_failed && !deadline.hasExpired()) {
        // The rows complete now go out together once every cell written so far is on disk.
        if (m_rowMark < 0) {
            m_ready = m_next;
            while (m_ready < m_results.rowCount() && isComplete(m_ready))
                ++m_ready;
            if (m_ready == m_next)
                break;
            m_rowMark = m_store.mark();
        }
        if (!unsaved && !m_store.isCommitted(m_rowMark))
            break;
        while (m_next < m_ready && !m_failed && !deadline.hasExpired()) {
            const int row = m_next++;
            for (int column : m_options.columns)
                m_anyProblem = m_anyProblem || !m_results.problem(row, column).isEmpty();
            const bool expiring = isExpiring(row);
            m_expiringRows += expiring ? 1 : 0;
            if (m_options.changes)
                m_pending += changeBytes(row);
            else if (m_options.expiringDays >= 0 && !expiring)
                continue;
            else if (m_options.format == Format::Xlsx && !m_target.addRow(m_results, row))
                fail();
            else if (m_options.format != Format::Xlsx)
                m_pending += rowBytes(row);
            if (m_pending.size() >= 64 * 1024)
                send();
        }
        if (m_next == m_ready)
            m_rowMark = -1;
    }
    send();
}

void RowOutput::finish()
{
    if (const QString error = m_target.finish(); !error.isEmpty() && !m_target.pipeClosed()) {
        say(QCoreApplication::translate("CommandLine", "无法写入 %1：%2\n").arg(m_options.output, error));
        m_failed = true;
    }
}

bool RowOutput::isComplete(int row) const
{
    return std::all_of(m_options.columns.begin(), m_options.columns.end(),
        [&](int column) { return m_results.isWritten(row, column); });
}

QByteArray RowOutput::rowBytes(int row) const
{
    switch (m_options.format) {
    // A row's name is as it was typed (a watch list's may hold any character); its cells are clean already.
    case Format::Lines:
        return visibleControls(exportLines(m_results, {row})).toUtf8();
    case Format::Csv:
        return visibleControls(csvRow(m_results, row, m_csvColumns)).toUtf8();
    case Format::Jsonl:
        return jsonLine(m_results, row, m_options.chosen);
    case Format::Xlsx:
        break; // added to the workbook, not sent as bytes
    }
    return {};
}

bool RowOutput::isExpiring(int row) const
{
    if (m_expiringDays < 0)
        return false;
    const QDate today = m_store.clock().today();
    return std::any_of(m_expiryColumns.begin(), m_expiryColumns.end(), [&](int column) {
        const std::optional<QDate> day
            = m_results.problem(row, column).isEmpty() ? m_results.value(row, column).day() : std::nullopt;
        return day && daysLeft(*day, today) <= m_expiringDays;
    });
}

// A line per cell that changed since its last real answer; a failed cell or a first answer is no change.
QByteArray RowOutput::changeBytes(int row) const
{
    QByteArray bytes;
    for (int column : m_options.columns) {
        const std::optional<Results::Earlier> earlier = m_results.earlier(row, column);
        if (!earlier || !earlier->changed)
            continue;
        // The last answer in the words of this run's language where it is a word or a number (a run in the
        // other language may have saved it), as the page wrote it where it is a text.
        const QStringList fields {m_results.text(row, DomainColumn), m_results.table().lookupAt(column)->key,
            displayText(earlier->value, earlier->text), m_results.text(row, column),
            earlier->date.toString(u"yyyy-MM-dd"_s)};
        if (m_options.format == Format::Csv) {
            bytes += visibleControls(csvLine(fields)).toUtf8();
            continue;
        }
        // Keys in the order people read them: a JSON object of Qt's own would sort them.
        QByteArray line = "{";
        for (qsizetype i = 0; i < fields.size(); ++i) {
            const QByteArray value
                = escapeJsonControls(QJsonDocument(QJsonArray {fields.at(i)}).toJson(QJsonDocument::Compact));
            line += (i ? ",\"" : "\"") + changeFields().at(i).toUtf8() + "\":" + value.mid(1, value.size() - 2);
        }
        bytes += line + "}\n";
    }
    return bytes;
}

void RowOutput::send()
{
    if (m_pending.isEmpty() || m_failed)
        return;
    // Nobody reads any more, or nothing more can be written: the run ends now, what was saved stays saved.
    if (!m_target.write(m_pending))
        fail();
    m_pending.clear();
}

void RowOutput::fail()
{
    m_failed = true;
    if (onFailed)
        onFailed();
}
