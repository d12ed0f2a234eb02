// SPDX-License-Identifier: GPL-3.0-or-later
// Watching lists over time: what counts as a change, what expires soon (in any time zone), and when a list runs
// again, with the clock given.
#include "scoped.h"
#include "watch/changes.h"
#include "watch/expiry.h"
#include "watch/schedule.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestWatch : public QObject
{
    Q_OBJECT
private slots:
    void changes_data();
    void changes();
    void expiry_data();
    void expiry();
    void schedule_data();
    void schedule();
};

void TestWatch::changes_data()
{
    QTest::addColumn<QString>("before"); // "" for none saved
    QTest::addColumn<CellValue>("beforeValue");
    QTest::addColumn<QString>("now");
    QTest::addColumn<CellValue>("nowValue");
    QTest::addColumn<bool>("failed");
    QTest::addColumn<int>("measure");
    QTest::addColumn<QString>("expected"); // "none", "new", or "changed" and the delta
    QTest::addColumn<int>("savedIn"); // today's cells are Chinese
    const auto add = [](const char* what, const QString& before, const CellValue& beforeValue, const QString& now,
                         const CellValue& nowValue, bool failed, Measure measure, const QString& expected,
                         Language savedIn = Language::Chinese) {
        QTest::newRow(what) << before << beforeValue << now << nowValue << failed << int(measure) << expected
                            << int(savedIn);
    };
    const auto count = [](const QString& text) { return CellValue::written(text); };
    const auto rank = [](qint64 position) { return CellValue::rank(position); };
    const CellValue text;
    add("the same count, grouped or not", u"1,230,000"_s, count(u"1,230,000"_s), u"1230000"_s, count(u"1230000"_s),
        false, Measure::Count, u"none"_s);
    add("a count up", u"1,230,000"_s, count(u"1,230,000"_s), u"1,242,300"_s, count(u"1,242,300"_s), false,
        Measure::Count, u"changed ↑ 12,300"_s);
    add("Baidu's older wording", u"约12,300"_s, count(u"约12,300"_s), u"12,000"_s, count(u"12,000"_s), false,
        Measure::Count, u"changed ↓ 300"_s);
    add("a count read as text", u"007"_s, count(u"007"_s), u"7"_s, count(u"7"_s), false, Measure::Count, u"none"_s);
    add("a rank better by two", u"12"_s, rank(12), u"10"_s, rank(10), false, Measure::Rank, u"changed 排名 ↑ 2"_s);
    add("a rank worse", u"10"_s, rank(10), u"1010"_s, rank(1010), false, Measure::Rank, u"changed 排名 ↓ 1,000"_s);
    add("out of the list", u"10"_s, rank(10), u"未上榜"_s, CellValue::unranked(), false, Measure::Rank, u"changed "_s);
    add("none to a value", u"无"_s, CellValue::nothing(), u"京ICP备12345678号"_s, text, false, Measure::Text,
        u"changed "_s);
    add("the same text", u"已注册"_s, CellValue::verdict(Verdict::Registered), u"已注册"_s,
        CellValue::verdict(Verdict::Registered), false, Measure::Text, u"none"_s);
    // Saved by a run in Chinese, answered today in English: the words changed, the facts did not.
    add("a verdict saved in the other language", u"已注册"_s, CellValue::verdict(Verdict::Registered), u"Registered"_s,
        CellValue::verdict(Verdict::Registered), false, Measure::Text, u"none"_s);
    add("unranked in the other language", u"未上榜"_s, CellValue::unranked(), u"Unranked"_s, CellValue::unranked(),
        false, Measure::Rank, u"none"_s);
    add("a text saved in the other language", u"Allowed"_s, text, u"允许"_s, text, false, Measure::Text, u"none"_s,
        Language::English);
    add("a verdict turned", u"已注册"_s, CellValue::verdict(Verdict::Registered), u"Available"_s,
        CellValue::verdict(Verdict::Available), false, Measure::Text, u"changed "_s);
    add("a failure is no change", u"1,230,000"_s, count(u"1,230,000"_s), u"0"_s, count(u"0"_s), true, Measure::Count,
        u"none"_s);
    add("a first answer is new", QString(), text, u"42"_s, count(u"42"_s), false, Measure::Count, u"new"_s);
    add("a failed first answer", QString(), text, u"查询失败"_s, text, true, Measure::Text, u"none"_s);
    add("the days left move, the day does not", u"2027-03-01（剩 85 天）"_s, CellValue::date(QDate(2027, 3, 1), 85),
        u"2027-03-01（剩 84 天）"_s, CellValue::date(QDate(2027, 3, 1), 84), false, Measure::Date, u"none"_s);
    add("a renewed certificate", u"2027-03-01（剩 84 天）"_s, CellValue::date(QDate(2027, 3, 1), 84),
        u"2028-03-01（剩 450 天）"_s, CellValue::date(QDate(2028, 3, 1), 450), false, Measure::Date, u"changed "_s);
}

void TestWatch::changes()
{
    QFETCH(QString, before);
    QFETCH(CellValue, beforeValue);
    QFETCH(QString, now);
    QFETCH(CellValue, nowValue);
    QFETCH(bool, failed);
    QFETCH(int, measure);
    QFETCH(int, savedIn);
    const std::optional<LastAnswer> last = before.isNull()
        ? std::nullopt
        : std::optional<LastAnswer>(LastAnswer {before, QDate(2026, 12, 1), beforeValue, Language(savedIn)});
    const CellChange change = compareCell(last, now, nowValue, failed, Measure(measure));
    const QString got = change.kind == CellChange::Kind::None ? u"none"_s
        : change.kind == CellChange::Kind::New                ? u"new"_s
                                                              : u"changed "_s + change.delta;
    QTEST(got, "expected");
}

void TestWatch::expiry_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<CellValue>("cell");
    QTest::addColumn<QString>("expected"); // days left and urgency, or "none"
    for (const QByteArray& zone : {QByteArray("Asia/Shanghai"), QByteArray("UTC")}) {
        const auto add = [&](const char* what, const CellValue& cell, const QString& expected) {
            QTest::newRow(QByteArray(what + QByteArray(" in ") + zone).constData()) << zone << cell << expected;
        };
        add("far", CellValue::date(QDate(2027, 3, 17)), u"100 none"_s);
        // The days left as they were answered are not today's.
        add("within the window", CellValue::date(QDate(2027, 1, 6), 45), u"30 soon"_s);
        add("today", CellValue::date(QDate(2026, 12, 7)), u"0 soon"_s);
        add("past", CellValue::lapsed(QDate(2026, 12, 6), 0), u"-1 past"_s);
        add("no date", CellValue::nothing(), u"none"_s);
    }
}

void TestWatch::expiry()
{
    QFETCH(QByteArray, zone);
    QFETCH(CellValue, cell);
    static const char* names[] = {"none", "soon", "past"};
    const ScopedZone inZone(zone);
    const QDate today(2026, 12, 7); // the user's own calendar day
    const std::optional<QDate> day = cell.day();
    QTEST(day ? u"%1 %2"_s.arg(daysLeft(*day, today)).arg(QLatin1String(names[int(urgencyOf(*day, today, 30))]))
              : u"none"_s,
        "expected");
}

void TestWatch::schedule_data()
{
    QTest::addColumn<int>("lastStartedHoursAgo"); // -1: never
    QTest::addColumn<int>("runningForMinutes"); // -1: not running
    QTest::addColumn<int>("heartbeatMinutesAgo");
    QTest::addColumn<bool>("starts");
    QTest::newRow("never run") << -1 << -1 << 0 << true;
    QTest::newRow("not yet due") << 23 << -1 << 0 << false;
    QTest::newRow("due") << 24 << -1 << 0 << true;
    QTest::newRow("asleep past three due times: once") << 80 << -1 << 0 << true;
    QTest::newRow("still running when due") << 30 << 60 << 1 << false;
    QTest::newRow("a run that died") << 30 << 60 << 20 << true;
}

void TestWatch::schedule()
{
    QFETCH(int, lastStartedHoursAgo);
    QFETCH(int, runningForMinutes);
    QFETCH(int, heartbeatMinutesAgo);
    QFETCH(bool, starts);
    const QDateTime now(QDate(2026, 12, 7), QTime(9, 0), Qt::UTC);
    WatchTimes times;
    times.intervalHours = 24;
    if (lastStartedHoursAgo >= 0)
        times.lastStarted = now.addSecs(-3600 * qint64(lastStartedHoursAgo));
    if (runningForMinutes >= 0) {
        times.runningSince = now.addSecs(-60 * qint64(runningForMinutes));
        times.heartbeat = now.addSecs(-60 * qint64(heartbeatMinutesAgo));
    }
    QCOMPARE(shouldStart(times, now), starts);
    // Once begun, the next run is an interval on from this one, not from the missed due times.
    if (starts && lastStartedHoursAgo > 24) {
        times.lastStarted = now;
        times.runningSince = {};
        QCOMPARE(nextDue(times), now.addSecs(24 * 3600));
        QVERIFY(!shouldStart(times, now.addSecs(3600)));
    }
}

QTEST_GUILESS_MAIN(TestWatch)
#include "test_watch.moc"
