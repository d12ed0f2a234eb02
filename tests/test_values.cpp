// SPDX-License-Identifier: GPL-3.0-or-later
// A cell's value and the text made from it: every shape a cell shows today comes back byte for byte.
#include "queries/engine/value.h"

#include "scoped.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestValues : public QObject
{
    Q_OBJECT

private slots:
    void shownAsBefore_data();
    void shownAsBefore();
    void sameValueInEnglish();
};

void TestValues::shownAsBefore_data()
{
    QTest::addColumn<QString>("written"); // what a page gave, or the cell showed before values
    QTest::addColumn<CellValue>("value");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<qint64>("number"); // -1: none
    const auto add = [](const char* fault, const QString& written, const CellValue& value, const QString& shown,
                         qint64 number = -1) { QTest::newRow(fault) << written << value << shown << number; };
    add("grouping lost", u"1,230,000"_s, CellValue::written(u"1,230,000"_s), u"1,230,000"_s, 1230000);
    add("a plain count grouped", u"12300"_s, CellValue::written(u"12300"_s), u"12300"_s, 12300);
    add("Baidu's 约 dropped", u"约12,300"_s, CellValue::written(u"约12,300"_s), u"约12,300"_s, 12300);
    add("leading zeros lost", u"007"_s, CellValue::written(u"007"_s), u"007"_s, 7);
    add("padding lost", u" 42 "_s, CellValue::written(u" 42 "_s), u" 42 "_s, 42);
    add("a stray comma read as a count", u"1230,000"_s, CellValue::written(u"1230,000"_s), u"1230,000"_s);
    add("a rank grouped", u"1234"_s, CellValue::rank(1234), u"1234"_s, 1234);
    add("Alexa's 0 taken for no rank", u"0"_s, CellValue::written(u"0"_s, CellValue::Kind::Rank), u"0"_s, 0);
    add("未上榜 taken for a number", {}, CellValue::unranked(), u"未上榜"_s);
    add("a date with days appended", u"2027-03-17"_s, CellValue::fromPage(u"2027-03-17"_s), u"2027-03-17"_s);
    add("days left lost", {}, CellValue::date(QDate(2027, 3, 1), 84), u"2027-03-01（剩 84 天）"_s);
    add("no day left is not lapsed", {}, CellValue::date(QDate(2026, 12, 8), 0), u"2026-12-08（剩 0 天）"_s);
    add("a lapsed date shown as left", {}, CellValue::date(QDate(2026, 11, 30), -7), u"2026-11-30（已过期 7 天）"_s);
    add("a certificate an hour past", {}, CellValue::lapsed(QDate(2026, 12, 8), 0), u"2026-12-08（已过期 0 天）"_s);
    add("an impossible date read as one", u"2027-02-30"_s, CellValue::fromPage(u"2027-02-30"_s), u"2027-02-30"_s);
    add("无 lost", {}, CellValue::nothing(), u"无"_s);
    add("registered", {}, CellValue::verdict(Verdict::Registered), u"已注册"_s);
    add("available", {}, CellValue::verdict(Verdict::Available), u"未注册"_s);
    add("unknown", {}, CellValue::verdict(Verdict::Unknown), u"未知"_s);
    add("a text altered", u"京ICP备12345678号"_s, CellValue::fromPage(u"京ICP备12345678号"_s), u"京ICP备12345678号"_s);
}

void TestValues::shownAsBefore()
{
    QFETCH(QString, written);
    QFETCH(CellValue, value);
    QFETCH(qint64, number);
    QTEST(displayText(value, written), "shown");
    QCOMPARE(value.number().value_or(-1), number);
    // What the database keeps comes back as the same value.
    QCOMPARE(CellValue::fromStored(value.stored()), value);
}

void TestValues::sameValueInEnglish()
{
    // A page's "约12,300" is the same count whatever the interface speaks: read against the text shown in
    // English ("~12,300"), it would be kept as written and its value would follow the language.
    const ScopedTranslation english({{{"Cells", "约%1"}, u"~%1"_s}});
    const CellValue value = CellValue::written(u"约12,300"_s);
    QCOMPARE(value, CellValue::count(12300, true, true));
    QCOMPARE(displayText(value), u"~12,300"_s);
}

QTEST_GUILESS_MAIN(TestValues)
#include "test_values.moc"
