// Start's line splitting and Export's line format: what goes into the queue and what users paste.
#include "app/ResultsGrid.h"
#include "app/intake.h"
#include "export/export.h"

#include <QTextDocument>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestIntakeExport : public QObject
{
    Q_OBJECT
private slots:
    void splitting_data();
    void splitting();
    void inputBoxTextUsesCrLf();
    void exportLines();
    void exportUnevenQueueAndGrid();
};

void TestIntakeExport::splitting_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("queue");
    QTest::newRow("trailing CR LF") << u"a.test\r\nb.test\r\n"_s << QStringList {u"a.test"_s, u"b.test"_s};
    QTest::newRow("empty line skipped") << u"a.test\r\n\r\nb.test"_s << QStringList {u"a.test"_s, u"b.test"_s};
    QTest::newRow("only a line break") << u"\r\n"_s << QStringList {};
    QTest::newRow("lone LF stays inside") << u"a.test\nb.test"_s << QStringList {u"a.test\nb.test"_s};
    QTest::newRow("lone CR stays inside") << u"a.test\rb.test\r\n"_s << QStringList {u"a.test\rb.test"_s};
    QTest::newRow("spaces kept") << u"  a.test \r\n \r\n"_s << QStringList {u"  a.test "_s, u" "_s};
    QTest::newRow("duplicates kept") << u"a.test\r\na.test"_s << QStringList {u"a.test"_s, u"a.test"_s};
    QTest::newRow("CR CR LF") << u"a.test\r\r\nb"_s << QStringList {u"a.test\r"_s, u"b"_s};
}

void TestIntakeExport::splitting()
{
    QFETCH(QString, text);
    QFETCH(QStringList, queue);
    QCOMPARE(domainsFromInput(text), queue);
}

void TestIntakeExport::inputBoxTextUsesCrLf()
{
    QTextDocument document;
    document.setPlainText(u"a.test\nb\u00a0.test\n"_s);
    // The no-break space must survive: toPlainText() would have made it a plain space.
    QCOMPARE(inputText(document), u"a.test\r\nb\u00a0.test\r\n"_s);
    document.setPlainText(QString());
    QCOMPARE(inputText(document), QString());
}

void TestIntakeExport::exportLines()
{
    ResultsGrid grid;
    grid.appendRows({u"a.test"_s, u"b.test"_s, u"a.test"_s});
    for (int column = RegistrarColumn; column < GridColumnCount; ++column)
        grid.setText(0, column, QString::number(column));
    grid.setText(1, SiteIpColumn, u"ping: b.test: Name or service not known\n"_s);

    const QString expected
        = u"a.test|注册：2|备案：3|百度收录：4|百度反链：5|Alexa：6|yahoo排名：7|出站：8|IP：9\r\n"
          u"b.test|注册： |备案： |百度收录： |百度反链： |Alexa： |yahoo排名： |出站： |IP："
          u"ping: b.test: Name or service not known\n\r\n"
          u"a.test|注册： |备案： |百度收录： |百度反链： |Alexa： |yahoo排名： |出站： |IP： \r\n"_s;
    QCOMPARE(exportText(grid, 3), expected);
    QCOMPARE(exportText(grid, 3).toUtf8(), expected.toUtf8());

    ResultsGrid empty;
    QCOMPARE(exportText(empty, 0), QString());
}

void TestIntakeExport::exportUnevenQueueAndGrid()
{
    // Check10 ticked by hand before any batch: 41 sample entries, no rows. Nothing to export, no crash.
    ResultsGrid grid;
    QCOMPARE(exportText(grid, 41), QString());
    grid.appendRows({u"a.test"_s, u"b.test"_s});
    QCOMPARE(exportText(grid, 41).count(u"\r\n"_s), 2);
    QCOMPARE(exportText(grid, 1).count(u"\r\n"_s), 1);
}

QTEST_GUILESS_MAIN(TestIntakeExport)
#include "test_intake_export.moc"
