// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Excel workbooks: the grid's columns as numbers, dates and text, marks as comments, going on past one sheet.
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class CellValue;
class OutputFile;
class LookupTable;
class Results;

// How a cell goes into a spreadsheet: a count or a rank ("1,230,000", "42") as a number, a date
// ("2027-03-17") as a date, anything else as text that is never taken for a formula.
struct SheetValue
{
    enum class Kind { Text, Number, Date } kind = Kind::Text;
    double number = 0;
    int year = 0, month = 0, day = 0;
};
SheetValue sheetValue(const CellValue& value);

// An Excel workbook (.xlsx) of the grid's `columns`, written a row at a time with a bounded amount of memory:
// a header row that stays in view and filters, the domain column frozen beside the rest, widths from the
// grid, marked cells in grey italics with their reason as a comment. Rows past what one sheet holds go on to
// sheets 结果 2, 结果 3… with the same header; a text past what one cell holds is cut, marked, and its
// comment says so. Nothing reaches `target` until finish() has succeeded.
class Workbook
{
public:
    Workbook(OutputFile& target, const LookupTable& table, const QList<int>& columns);
    ~Workbook();
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    // Empty when the workbook could be started, else why not.
    QString open();
    // False once rows can no longer be written out (a full disk): the workbook will fail.
    bool addRow(const Results& results, int row);
    QString finish();

private:
    void addSheet();
    void endSheets();
    // The reason of the sheet's cell at `at`, `column`: its comment, or a row of 标记.
    void addMark(int at, int column, const QString& domain, const QString& reason);

    struct Book;
    std::unique_ptr<Book> m_book;
    OutputFile& m_target;
    QList<int> m_columns;
    QStringList m_headers; // of m_columns
    QList<int> m_widths;
    QString m_sheetName; // of the sheet being written
    int m_sheets = 0;
    int m_rows = 0; // in the sheet being written, the header not counted
};

// The whole grid at once (the window's 导出为 Excel 文件…); the error, or empty.
QString writeWorkbook(const QString& path, const Results& results, const QList<int>& columns);
