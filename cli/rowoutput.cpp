#include "cli/rowoutput.h"

#include "cli/console.h"
#include "cli/options.h"
#include "export/export.h"
#include "queries/engine/results.h"
#include "store/store.h"

using namespace Qt::Literals::StringLiterals;

OutputTarget::OutputTarget(const QString& path)
    : m_path(path)
    , m_file(path)
{
}

QString OutputTarget::open(const LookupTable& table, const QList<int>& workbookColumns)
{
    QString error = m_file.open();
    if (m_file.wantsReader()) {
        say(u"seo-quillmark: 等待读取 %1 的程序……\n"_s.arg(m_path));
        error = m_file.open(true);
    }
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
    if (m_options.format == Format::Csv)
        m_pending += "\xEF\xBB\xBF" + csvHeader(results.table(), m_csvColumns).toUtf8();
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
            if (m_options.format == Format::Xlsx)
                m_target.addRow(m_results, row);
            else
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
        say(u"无法写入 %1：%2\n"_s.arg(m_options.output, error));
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
    case Format::Lines:
        return exportLines(m_results, {row}).toUtf8();
    case Format::Csv:
        return csvRow(m_results, row, m_csvColumns).toUtf8();
    case Format::Jsonl:
        return jsonLine(m_results, row, m_options.chosen);
    case Format::Xlsx:
        break; // added to the workbook, not sent as bytes
    }
    return {};
}

void RowOutput::send()
{
    if (m_pending.isEmpty() || m_failed)
        return;
    if (!m_target.write(m_pending)) {
        m_failed = true;
        if (m_target.pipeClosed() && onReaderGone)
            onReaderGone(); // nobody reads any more: end quietly, what was saved stays saved
    }
    m_pending.clear();
}
