// SPDX-License-Identifier: GPL-3.0-or-later
// The exports: the clipboard's labelled lines and the CSV file's bytes (formulas and control characters made
// harmless), and the workbook read back (numbers, dates, the formula guard, marks and comments, frozen panes,
// rows past one sheet).
#include "export/export.h"
#include "export/outputfile.h"
#include "export/workbook.h"

#include "testing.h"

#include <QtTest>
#include <zip.h>

using namespace Qt::Literals::StringLiterals;

class TestExports : public QObject
{
    Q_OBJECT
private slots:
    void linesAndCsvBytes();
    void workbookReadBack();
    void workbookCuts_data();
    void workbookCuts();
    void pastWhatASheetHolds_data();
    void pastWhatASheetHolds();
};

void TestExports::linesAndCsvBytes()
{
    Results results;
    results.setTable(builtInTable());
    results.reset({u"a.test"_s, u"b.test"_s});
    for (int column = FirstLookupColumn; column < builtInTable()->columnCount(); ++column)
        results.setCell(0, column, QString::number(column));
    // Line breaks, a terminal's title and clear-screen sequences and a right-to-left override, as a hostile
    // page or program could send them: every output shows marks instead. A closing line break (ping ends its
    // message with one) is no content, and no mark.
    results.setCell(1, FirstLookupColumn + 7, u"ping: b.test\r\nsecond, \"line\"\x1b]0;x\x07\u202e\u009b2J \r\n"_s,
        u"无法运行 ping\n"_s);
    // Cells a spreadsheet would run as formulas, as a hostile page could make them.
    results.setCell(1, FirstLookupColumn + 2, u"=HYPERLINK(\"x\")"_s);
    results.setCell(1, FirstLookupColumn + 3, u"-5"_s);
    results.setCell(1, FirstLookupColumn + 4, u"@SUM"_s);
    QCOMPARE(exportText(results, 2),
        u"a.test|注册：2|备案：3|百度收录：4|百度反链：5|Alexa：6|yahoo排名：7|出站：8|IP：9\r\n"
        u"b.test|注册： |备案： |百度收录：=HYPERLINK(\"x\")|百度反链：-5|Alexa：@SUM|yahoo排名： |出站： "
        u"|IP：ping: b.test↵second, \"line\"\ufffd]0;x\ufffd\ufffd\ufffd2J\r\n"_s);
    QCOMPARE(results.problem(1, FirstLookupColumn + 7), u"无法运行 ping"_s);
    // Check10 ticked by hand before any batch: 41 sample entries and no rows give nothing, not a crash.
    QCOMPARE(exportText(Results(), 41), QString());
    QCOMPARE(exportLines(results, {1}), exportText(results, 2).section(u"\r\n"_s, 1));
    QCOMPARE(csvBytes(results, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}),
        "\xEF\xBB\xBF"
            + u",查询域名地址,域名注册,域名是否备案,百度收录,百度反链,Alexa排名,yahoo反链,出站链接,站点IP地址\r\n"
              u"0,a.test,2,3,4,5,6,7,8,9\r\n"
              u"1,b.test, , ,\"'=HYPERLINK(\"\"x\"\")\",'-5,'@SUM, , ,\"ping: b.test↵second, \"\"line\"\"\ufffd]0;x\ufffd\ufffd\ufffd2J\"\r\n"_s
                  .toUtf8());
}

namespace {

// A small reader of what the workbook holds: one part of the zip as text.
QString zipPart(const QString& path, const char* name)
{
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!archive)
        return {};
    QByteArray bytes;
    if (zip_file_t* file = zip_fopen(archive, name, 0)) {
        char buffer[65536];
        for (zip_int64_t got; (got = zip_fread(file, buffer, sizeof buffer)) > 0;)
            bytes.append(buffer, qsizetype(got));
        zip_fclose(file);
    }
    zip_close(archive);
    return QString::fromUtf8(bytes);
}

struct SheetCell
{
    QString type, style, value;
    bool formula = false;
};

// The cells of a worksheet by reference, as libxlsxwriter writes them: none of the texts here is escaped.
QHash<QString, SheetCell> sheetCells(const QString& xml)
{
    static const QRegularExpression cell(
        uR"x(<c r="(\w+)"(?: s="(\d+)")?(?: t="(\w+)")?(?:/>|>(<f>)?.*?(?:<v>|<t>|<t xml:space="preserve">)(.*?)</))x"_s);
    QHash<QString, SheetCell> cells;
    for (auto found = cell.globalMatch(xml); found.hasNext();) {
        const QRegularExpressionMatch c = found.next();
        cells.insert(c.captured(1), {c.captured(3), c.captured(2), c.captured(5), c.capturedLength(4) > 0});
    }
    return cells;
}

// Each cell style's number format code, and " grey italic" where its font is, as libxlsxwriter writes them.
QStringList cellStyles(const QString& xml)
{
    QHash<QString, QString> formats {{u"0"_s, u"General"_s}};
    const QRegularExpression format(uR"x(<numFmt numFmtId="(\d+)" formatCode="([^"]*)")x"_s);
    for (auto found = format.globalMatch(xml); found.hasNext();) {
        const QRegularExpressionMatch numFmt = found.next();
        formats.insert(numFmt.captured(1), numFmt.captured(2));
    }
    const QStringList fonts = xml.section(u"<fonts"_s, 1).section(u"</fonts>"_s, 0, 0).split(u"<font>"_s).mid(1);
    QStringList styles;
    const QRegularExpression style(uR"x(<xf numFmtId="(\d+)" fontId="(\d+)")x"_s);
    for (auto found = style.globalMatch(xml.section(u"<cellXfs"_s, 1)); found.hasNext();) {
        const QRegularExpressionMatch xf = found.next();
        const QString font = fonts.value(xf.captured(2).toInt());
        styles.append(formats.value(xf.captured(1))
            + (font.contains(u"<i/>"_s) && font.contains(u"FF808080"_s) ? u" grey italic"_s : QString()));
    }
    return styles;
}

} // namespace

void TestExports::workbookReadBack()
{
    Results results;
    results.setTable(builtInTable());
    results.reset({u"a.test"_s, u"=cmd|' /c calc'!A0"_s});
    const int first = FirstLookupColumn;
    const QStringList texts {u"1,230,000"_s, u"2027-03-17"_s, u"=1+1"_s, u"007"_s, u"1234567890123456"_s,
        u"2027-02-30"_s, u"12,34"_s, u"12300"_s, QString(40'000, u'长')};
    QList<int> columns {PositionColumn, DomainColumn};
    // Each as a page's cell is made, but for a text of digits that its lookup holds for a text.
    for (int i = 0; i < texts.size(); ++i) {
        results.setCell(0, first + i, texts[i], {}, {}, i == 7 ? CellValue() : CellValue::fromPage(texts[i]));
        columns.append(first + i);
    }
    results.setCell(1, first, u"42"_s, u"请求超时（30 秒）"_s);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"out.xlsx"_s);
    QCOMPARE(writeWorkbook(path, results, columns), QString());
    QVERIFY(!QFile::exists(path + u".part"_s));
    const QString comments = zipPart(path, "xl/comments1.xml");
    const QString sheet = zipPart(path, "xl/worksheets/sheet1.xml");
    const QHash<QString, SheetCell> cells = sheetCells(sheet);
    const QStringList styles = cellStyles(zipPart(path, "xl/styles.xml"));
    const auto read = [&](const QString& ref) -> QString {
        const SheetCell cell = cells.value(ref);
        const QString style = styles.value(cell.style.toInt());
        return (cell.type.isEmpty() ? u"n"_s : cell.type) + u' ' + cell.value + u" [" + style + u']'
            + (cell.formula ? u" formula"_s : QString());
    };
    QCOMPARE(read(u"B1"_s), u"inlineStr 查询域名地址 [General]"_s);
    QCOMPARE(read(u"C1"_s), u"inlineStr "_s + builtInTable()->header(first) + u" [General]"_s);
    QCOMPARE(read(u"B2"_s), u"inlineStr a.test [General]"_s);
    QCOMPARE(read(u"C2"_s), u"n 1230000 [#,##0]"_s);
    QCOMPARE(read(u"D2"_s), u"n %1 [yyyy-mm-dd]"_s.arg(QDate(1899, 12, 30).daysTo(QDate(2027, 3, 17))));
    // Texts that a spreadsheet would take for a formula, a number that would lose its zeros or digits, a date
    // that does not exist and a count that is not grouped by threes: all stay text.
    QCOMPARE(read(u"E2"_s), u"inlineStr =1+1 [General]"_s);
    QCOMPARE(read(u"F2"_s), u"inlineStr 007 [General]"_s);
    QCOMPARE(read(u"G2"_s), u"inlineStr 1234567890123456 [General]"_s);
    QCOMPARE(read(u"H2"_s), u"inlineStr 2027-02-30 [General]"_s);
    QCOMPARE(read(u"I2"_s), u"inlineStr 12,34 [General]"_s);
    QCOMPARE(read(u"J2"_s), u"inlineStr 12300 [General]"_s);
    // Past what a cell holds: cut, and marked as such (it was cut without a word).
    QCOMPARE(read(u"K2"_s), u"inlineStr "_s + QString(32'767, u'长') + u" [General grey italic]"_s);
    QVERIFY(comments.contains(u"<t>已截断（原文 40000 字）</t>"_s));
    QCOMPARE(read(u"B3"_s), u"inlineStr =cmd|' /c calc'!A0 [General]"_s);
    // Each row's position is its own, as a number.
    QCOMPARE(read(u"A3"_s), read(u"A2"_s).replace(u"n 0"_s, u"n 1"_s));
    // A failed cell keeps its text, shown grey and italic, its reason in a comment.
    QCOMPARE(read(u"C3"_s), u"inlineStr 42 [General grey italic]"_s);
    QVERIFY(comments.contains(u"<comment ref=\"C3\" authorId=\"0\"><text><r>"_s)
        && comments.contains(u"<t>请求超时（30 秒）</t>"_s));
    // The header row and the columns up to the domain stay in view; the header filters.
    QVERIFY(sheet.contains(
        u"<pane xSplit=\"2\" ySplit=\"1\" topLeftCell=\"C2\" activePane=\"bottomRight\" state=\"frozen\"/>"_s));
    QVERIFY(sheet.contains(u"<autoFilter ref=\"A1:K3\"/>"_s));
    // The domain column as wide as in the grid: 100 pixels are 13.57 characters, which Excel stores padded.
    QVERIFY(sheet.contains(u"<col min=\"2\" max=\"2\" width=\"14.28515625\" customWidth=\"1\"/>"_s));
}

void TestExports::workbookCuts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kept"); // UTF-16 units
    const QString emoji = u"\U0001F600"_s.repeated(20'000);
    // Excel counts UTF-16 units: 20,000 emoji are 40,000 of them, and used to go in whole.
    QTest::newRow("emoji counted as one unit, not two") << emoji << 32'766;
    QTest::newRow("pair ending at the limit kept") << u"a"_s + emoji << 32'767;
}

void TestExports::workbookCuts()
{
    QFETCH(QString, text);
    QFETCH(int, kept);
    Results results;
    results.setTable(builtInTable());
    results.reset({u"a.test"_s});
    results.setCell(0, FirstLookupColumn, text);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"out.xlsx"_s);
    QCOMPARE(writeWorkbook(path, results, {DomainColumn, FirstLookupColumn}), QString());
    const QString cell = sheetCells(zipPart(path, "xl/worksheets/sheet1.xml")).value(u"B2"_s).value;
    QCOMPARE(cell, text.left(kept));
    QVERIFY(zipPart(path, "xl/comments1.xml").contains(u"<t>已截断（原文 %1 字）</t>"_s.arg(characterCount(text))));
}

void TestExports::pastWhatASheetHolds_data()
{
    // The same row written `rows` times (its first cell failed where `failed`); then the workbook's second sheet
    // and what it holds, cell=value each.
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("failed");
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<QStringList>("cells");
    // Past the 1,048,575 rows under the header, rows go on to the next sheet, headed and frozen like the first:
    // they used to be dropped without a word.
    QTest::newRow("rows past a sheet's last dropped")
        << 1'048'580 << false << u"结果 2"_s << QStringList {u"B1=查询域名地址"_s, u"B6=a.test"_s, u"B7="_s};
    // libxlsxwriter holds every comment until the end: a million marks took half a gigabyte. Past the 65,536
    // comments kept, each reason is a row of 标记, naming the cell it belongs to.
    QTest::newRow("marks past 65,536 comments held in memory")
        << 65'538 << true << u"标记"_s
        << QStringList {u"A1=工作表"_s, u"B1=单元格"_s, u"C1=查询域名地址"_s, u"D1=列"_s, u"E1=原因"_s, u"A2=结果"_s,
               u"B2=C65538"_s, u"C2=a.test"_s, u"D2="_s + builtInTable()->header(FirstLookupColumn),
               u"E2=请求超时（30 秒）"_s, u"B3=C65539"_s, u"B4="_s};
}

void TestExports::pastWhatASheetHolds()
{
    QFETCH(int, rows);
    QFETCH(bool, failed);
    QFETCH(QString, sheet);
    QFETCH(QStringList, cells);
    Results results;
    results.setTable(builtInTable());
    results.reset({u"a.test"_s});
    results.setCell(0, FirstLookupColumn, u"42"_s, failed ? u"请求超时（30 秒）"_s : QString());
    QTemporaryDir dir;
    const QString path = dir.filePath(u"out.xlsx"_s);
    OutputFile target(path);
    QCOMPARE(target.open(), QString());
    Workbook book(target, *builtInTable(), {PositionColumn, DomainColumn, FirstLookupColumn});
    QCOMPARE(book.open(), QString());
    for (int row = 0; row < rows; ++row)
        book.addRow(results, 0);
    QCOMPARE(book.finish(), QString());
    QCOMPARE(zipPart(path, "xl/comments1.xml").count(u"<comment "_s), failed ? 65'536 : 0);
    QVERIFY(zipPart(path, "xl/workbook.xml").contains(u"<sheet name=\"%1\" sheetId=\"2\""_s.arg(sheet)));
    const QString xml = zipPart(path, "xl/worksheets/sheet2.xml");
    QVERIFY(failed || xml.contains(u"state=\"frozen\""_s));
    const QHash<QString, SheetCell> second = sheetCells(xml);
    for (const QString& cell : cells)
        QCOMPARE(cell.section(u'=', 0, 0) + u'=' + second.value(cell.section(u'=', 0, 0)).value, cell);
}

QTEST_GUILESS_MAIN(TestExports)
#include "test_exports.moc"
