// SPDX-License-Identifier: GPL-3.0-or-later
// Excel workbooks through libxlsxwriter: each cell as a number, a date or text, marked cells grey with their reason.
#include "export/workbook.h"

#include "export/columns.h"
#include "export/outputfile.h"
#include "queries/engine/results.h"

#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QTemporaryFile>

#include <cstdio>

#include <xlsxwriter.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Excel holds no more in one cell, counted in UTF-16 units (an emoji is two), nor more rows in one sheet, the
// header's included.
constexpr qsizetype kLongestCell = 32'767;
constexpr int kSheetRows = 1'048'576;
// libxlsxwriter keeps every comment in memory until the workbook closes, constant-memory mode or not (some
// 450 bytes each): a million marked cells cost half a gigabyte. Past this many, a mark's reason goes on the
// sheet 标记 instead, written a row at a time like the results.
constexpr int kCommentsKept = 65'536;

// The sheet 标记: where each reason past the comments kept belongs, and the reason.
const char* const kReasonHeaders[] = {QT_TRANSLATE_NOOP("Export", "工作表"), QT_TRANSLATE_NOOP("Export", "单元格"),
    QT_TRANSLATE_NOOP("Export", "查询域名地址"), QT_TRANSLATE_NOOP("Export", "列"),
    QT_TRANSLATE_NOOP("Export", "原因")};
const QList<int> kReasonWidths {70, 70, 200, 120, 400};

QStringList reasonHeaders()
{
    QStringList headers;
    for (const char* header : kReasonHeaders)
        headers.append(QCoreApplication::translate("Export", header));
    return headers;
}

// How much of `text` fits in a cell, in UTF-16 units, a surrogate pair kept whole or not at all.
qsizetype cellCut(const QString& text)
{
    if (text.size() <= kLongestCell)
        return text.size();
    return text.at(kLongestCell - 1).isHighSurrogate() ? kLongestCell - 1 : kLongestCell;
}

// Excel's own widths are in characters of its default font, about 7 pixels each plus 5 of padding.
double charactersFor(int pixels)
{
    return qMax(1.0, (pixels - 5) / 7.0);
}

} // namespace

SheetValue sheetValue(const CellValue& value)
{
    // A count as the page wrote it ("约12,300", "007") stays the text it shows; past 15 digits a double would
    // change it.
    const std::optional<qint64> number = value.number();
    if (number && !value.isApproximate() && !value.isAsWritten() && *number < 1'000'000'000'000'000)
        return {.kind = SheetValue::Kind::Number, .number = double(*number)};
    // A date with its days left beside it is a text: the days would be lost.
    const std::optional<QDate> day = value.day();
    if (day && !value.daysLeft() && !value.isAsWritten() && day->year() >= 1900)
        return {.kind = SheetValue::Kind::Date, .year = day->year(), .month = day->month(), .day = day->day()};
    return {};
}

struct Workbook::Book
{
    lxw_workbook* workbook = nullptr;
    lxw_worksheet* sheet = nullptr;
    lxw_worksheet* reasons = nullptr; // 标记, once the comments kept are used up
    int reasonSheets = 0;
    int reasonRows = 0; // on the reasons sheet being written, its header not counted
    int comments = 0;

    lxw_worksheet* headedSheet(const QString& name, const QStringList& headers, const QList<int>& widths)
    {
        lxw_worksheet* added = workbook_add_worksheet(workbook, name.toUtf8().constData());
        if (added)
            sheets.append(added);
        for (int i = 0; i < headers.size(); ++i) {
            worksheet_set_column(added, lxw_col_t(i), lxw_col_t(i), charactersFor(widths[i]), nullptr);
            worksheet_write_string(added, 0, lxw_col_t(i), headers[i].toUtf8().constData(), header);
        }
        return added;
    }

    static void filter(lxw_worksheet* of, int rows, int columns)
    {
        if (of && columns > 0)
            worksheet_autofilter(of, 0, 0, lxw_row_t(rows), lxw_col_t(columns - 1));
    }
    // Whether a sheet's rows could not all be written out: in constant-memory mode each sheet streams its rows
    // to a file beside the target, and a full disk shows only as that file's error (libxlsxwriter says
    // nothing). `flushed` writes out what is still buffered first, as finish() must.
    bool streamFailed(bool flushed = false) const
    {
        return std::any_of(sheets.begin(), sheets.end(), [flushed](lxw_worksheet* sheet) {
            FILE* rows = sheet->optimize_tmpfile;
            return rows && ((flushed && std::fflush(rows) != 0) || std::ferror(rows));
        });
    }
    QList<lxw_worksheet*> sheets;
    lxw_format* header = nullptr;
    lxw_format* count = nullptr;
    lxw_format* date = nullptr;
    lxw_format* marked = nullptr;
    QByteArray scratch; // the workbook as it is built, put in place by finish()
    QByteArray scratchFolder;
};

Workbook::Workbook(OutputFile& target, const LookupTable& table, const QList<int>& columns)
    : m_book(std::make_unique<Book>())
    , m_target(target)
    , m_columns(columns)
{
    for (int column : columns) {
        m_headers.append(table.shownHeader(column));
        m_widths.append(columnWidth(table, column));
    }
}

Workbook::~Workbook()
{
    if (m_book->workbook) {
        // Never finished: what was begun is thrown away, not left as a broken file.
        workbook_close(m_book->workbook);
        QFile::remove(QString::fromLocal8Bit(m_book->scratch));
    }
}

QString Workbook::open()
{
    // Its rows and the workbook itself are built in the target's folder (or the temporary one for a device or
    // a FIFO) under a name of their own.
    QTemporaryFile scratch(m_target.scratchFolder() + u"/seo-quillmark-XXXXXX.xlsx"_s);
    scratch.setAutoRemove(false);
    if (!scratch.open())
        return QCoreApplication::translate("Export", "无法在 %1 建立临时文件（%2）")
            .arg(m_target.scratchFolder(), scratch.errorString());
    m_book->scratch = QFile::encodeName(scratch.fileName());
    m_book->scratchFolder = QFile::encodeName(m_target.scratchFolder());
    scratch.close();
    lxw_workbook_options options {};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = m_book->scratchFolder.data();
    options.use_zip64 = LXW_TRUE;
    m_book->workbook = workbook_new_opt(m_book->scratch.constData(), &options);
    if (!m_book->workbook) {
        QFile::remove(scratch.fileName());
        return QCoreApplication::translate("Export", "无法建立工作簿");
    }
    m_book->header = workbook_add_format(m_book->workbook);
    format_set_bold(m_book->header);
    m_book->count = workbook_add_format(m_book->workbook);
    format_set_num_format(m_book->count, "#,##0");
    m_book->date = workbook_add_format(m_book->workbook);
    format_set_num_format(m_book->date, "yyyy-mm-dd");
    m_book->marked = workbook_add_format(m_book->workbook);
    format_set_italic(m_book->marked);
    format_set_font_color(m_book->marked, LXW_COLOR_GRAY);
    addSheet();
    return {};
}

void Workbook::addSheet()
{
    m_sheetName = m_sheets++ == 0 ? QCoreApplication::translate("Export", "结果")
                                  : QCoreApplication::translate("Export", "结果 %1").arg(m_sheets);
    m_book->sheet = m_book->headedSheet(m_sheetName, m_headers, m_widths);
    m_rows = 0;
    // The header and everything up to the domain stay in view while the rest scrolls.
    const int domainAt = int(m_columns.indexOf(DomainColumn));
    worksheet_freeze_panes(m_book->sheet, 1, lxw_col_t(domainAt + 1));
}

void Workbook::endSheets()
{
    m_book->filter(m_book->sheet, m_rows, int(m_columns.size()));
    m_book->filter(m_book->reasons, m_book->reasonRows, int(std::size(kReasonHeaders)));
}

void Workbook::addMark(int at, int column, const QString& domain, const QString& reason)
{
    if (m_book->comments < kCommentsKept) {
        ++m_book->comments;
        worksheet_write_comment(
            m_book->sheet, lxw_row_t(at), lxw_col_t(column), reason.left(cellCut(reason)).toUtf8().constData());
        return;
    }
    if (!m_book->reasons || m_book->reasonRows == kSheetRows - 1) {
        m_book->filter(m_book->reasons, m_book->reasonRows, int(std::size(kReasonHeaders)));
        const QString name = m_book->reasonSheets++ == 0
            ? QCoreApplication::translate("Export", "标记")
            : QCoreApplication::translate("Export", "标记 %1").arg(m_book->reasonSheets);
        m_book->reasons = m_book->headedSheet(name, reasonHeaders(), kReasonWidths);
        worksheet_freeze_panes(m_book->reasons, 1, 0);
        m_book->reasonRows = 0;
    }
    char cell[LXW_MAX_CELL_NAME_LENGTH];
    lxw_rowcol_to_cell(cell, lxw_row_t(at), lxw_col_t(column));
    const QStringList texts {m_sheetName, QString::fromLatin1(cell), domain, m_headers[column], reason};
    const lxw_row_t row = lxw_row_t(++m_book->reasonRows);
    for (int i = 0; i < texts.size(); ++i) {
        const QByteArray text = texts[i].left(cellCut(texts[i])).toUtf8();
        worksheet_write_string(m_book->reasons, row, lxw_col_t(i), text.constData(), nullptr);
    }
}

bool Workbook::addRow(const Results& results, int row)
{
    if (!m_book->sheet)
        return false;
    if (m_rows == kSheetRows - 1) {
        m_book->filter(m_book->sheet, m_rows, int(m_columns.size()));
        addSheet();
    }
    const lxw_row_t at = lxw_row_t(++m_rows);
    for (int i = 0; i < m_columns.size(); ++i) {
        const lxw_col_t column = lxw_col_t(i);
        const QString text = results.text(row, m_columns[i]);
        QString problem = results.problem(row, m_columns[i]);
        const qsizetype keep = cellCut(text);
        if (keep < text.size()) {
            const QString cut = QCoreApplication::translate("Export", "已截断（原文 %1 字）").arg(characterCount(text));
            problem = problem.isEmpty() ? cut : problem.left(kLongestCell - cut.size() - 1) + u'\n' + cut;
        }
        if (!problem.isEmpty()) {
            worksheet_write_string(m_book->sheet, at, column, text.left(keep).toUtf8().constData(), m_book->marked);
            addMark(int(at), i, results.text(row, DomainColumn), problem);
            continue;
        }
        if (text.trimmed().isEmpty())
            continue;
        const SheetValue value
            = m_columns[i] == DomainColumn ? SheetValue {} : sheetValue(results.value(row, m_columns[i]));
        switch (value.kind) {
        case SheetValue::Kind::Number:
            worksheet_write_number(m_book->sheet, at, column, value.number, m_book->count);
            break;
        case SheetValue::Kind::Date: {
            lxw_datetime day {value.year, value.month, value.day, 0, 0, 0};
            worksheet_write_datetime(m_book->sheet, at, column, &day, m_book->date);
            break;
        }
        case SheetValue::Kind::Text:
            worksheet_write_string(m_book->sheet, at, column, text.toUtf8().constData(), nullptr);
            break;
        }
    }
    return !m_book->streamFailed();
}

QString Workbook::finish()
{
    if (!m_book->workbook)
        return QCoreApplication::translate("Export", "无法建立工作簿");
    endSheets();
    // A sheet whose rows did not all reach its file would still make a workbook, with rows missing.
    const bool rowsLost = m_book->streamFailed(true);
    const lxw_error closed = workbook_close(m_book->workbook);
    m_book->workbook = nullptr;
    const QString scratch = QString::fromLocal8Bit(m_book->scratch);
    if (rowsLost || closed != LXW_NO_ERROR) {
        QFile::remove(scratch);
        return QCoreApplication::translate("Export", "无法写入工作簿（%1）")
            .arg(rowsLost ? QCoreApplication::translate("Export", "行写不进 %1 里的临时文件：磁盘已满，或没有写入权限")
                                .arg(QFile::decodeName(m_book->scratchFolder))
                          : QString::fromUtf8(lxw_strerror(closed)));
    }
    return m_target.commit(scratch);
}

QString writeWorkbook(const QString& path, const Results& results, const QList<int>& columns)
{
    OutputFile target(path);
    if (QString error = target.open(); !error.isEmpty())
        return error;
    Workbook workbook(target, results.table(), columns);
    if (QString error = workbook.open(); !error.isEmpty())
        return error;
    for (int row = results.firstRow(); row < results.rowCount(); ++row)
        workbook.addRow(results, row);
    return workbook.finish();
}
