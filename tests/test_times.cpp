// SPDX-License-Identifier: GPL-3.0-or-later
// Times saved as instants with the user's offset, and "today" read from the clock the program is handed: the
// order and the days of saved answers on a computer that changed zone or holds a copied file, the upgrade of
// the local times older files hold, and the days left counted from a clock the test sets.
#include "ScriptedPlatform.h"
#include "app/ExpiringDialog.h"
#include "olddatabase.h"
#include "queries/engine/keys.h"
#include "queries/sources/tranco.h"
#include "settings/clock.h"
#include "store/cellwriter.h"
#include "store/store.h"
#include "testing.h"
#include "web/network.h"

#include <QTreeView>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;

namespace {

QDateTime at(const char* text)
{
    return QDateTime::fromString(QString::fromLatin1(text), Qt::ISODateWithMs);
}

// a.test's expiry day saved as the writer saves it; the earlier answers' days it found, for 上次（…）.
QList<QDate> saveExpiry(const QString& path, qint64 batch, const QString& day, const QDateTime& when)
{
    CellWriter writer(path, 1000);
    QSignalSpy earlier(&writer, &CellWriter::earlierFound);
    if (!writer.open().isEmpty())
        qFatal("the results database cannot be written");
    writer.enqueue(CellWriter::Cell {batch, 0, u"a.test"_s, Key::RegExpiry, day, u""_s, when, Measure::Date,
        CellValue::date(QDate::fromString(day, Qt::ISODate))});
    writer.write();
    QList<QDate> days;
    for (const QList<QVariant>& found : earlier)
        days.append(found.at(6).toDate());
    return days;
}

} // namespace

class TestTimes : public QObject
{
    Q_OBJECT
private slots:
    void answersKeepTheirInstantAndDay_data();
    void answersKeepTheirInstantAndDay();
    void olderLocalTimesReadInTheMachinesZone_data();
    void olderLocalTimesReadInTheMachinesZone();
    void daysLeftCountFromTheClock_data();
    void daysLeftCountFromTheClock();
};

void TestTimes::answersKeepTheirInstantAndDay_data()
{
    QTest::addColumn<QDateTime>("first");
    QTest::addColumn<QDateTime>("second");
    QTest::addColumn<QByteArray>("readIn"); // the zone of the computer that opens the file
    QTest::newRow("travelled west: the later answer's clock reads earlier")
        << at("2026-12-08T09:00:00.000+08:00") << at("2026-12-08T03:00:00.000-05:00") << "America/New_York"_ba;
    QTest::newRow("copied to a server in UTC: the first answer's day is the user's, not UTC's")
        << at("2026-12-08T07:30:00.000+08:00") << at("2026-12-08T00:10:00.000Z") << "UTC"_ba;
    QTest::newRow("clocks put back: the second pass through the hour")
        << at("2026-11-01T01:50:00.000-04:00") << at("2026-11-01T01:10:00.000-05:00") << "Asia/Shanghai"_ba;
}

void TestTimes::answersKeepTheirInstantAndDay()
{
    QFETCH(QDateTime, first);
    QFETCH(QDateTime, second);
    QFETCH(QByteArray, readIn);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"results.db"_s);
    QVERIFY(ResultStore(path).isSaving());
    saveExpiry(path, 1, u"2027-01-01"_s, first);
    QCOMPARE(saveExpiry(path, 2, u"2028-01-01"_s, second), QList<QDate> {first.date()}); // the day 上次（…） names
    const ScopedZone zone(readIn);
    ResultStore store(path);
    const QList<ResultStore::Answer> history = store.history(u"a.test"_s).value();
    QCOMPARE(history.size(), 2);
    QCOMPARE(history.at(0).text + u' ' + history.at(1).text, u"2027-01-01 2028-01-01"_s);
    QCOMPARE(history.at(0).at.toString(Qt::ISODateWithMs), first.toString(Qt::ISODateWithMs));
    // The later answer is the one kept for 即将到期.
    const QList<expiries::Expiring> kept = store.expiringBetween(QDate(2027, 1, 1), QDate(2028, 12, 31));
    QCOMPARE(kept.size(), 1);
    QCOMPARE(kept.first().day, QDate(2028, 1, 1));
}

void TestTimes::olderLocalTimesReadInTheMachinesZone_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QString>("local"); // as version 4 wrote it
    QTest::addColumn<QString>("saved"); // the instant and its offset, as version 5 keeps them
    QTest::newRow("winter in New York") << "America/New_York"_ba << u"2026-01-15T12:00:00.000"_s
                                        << u"2026-01-15T17:00:00.000Z -18000"_s;
    QTest::newRow("summer in New York") << "America/New_York"_ba << u"2026-07-15T12:00:00.000"_s
                                        << u"2026-07-15T16:00:00.000Z -14400"_s;
    QTest::newRow("the hour the clocks go back, taken at its first pass")
        << "America/New_York"_ba << u"2026-11-01T01:30:00.000"_s << u"2026-11-01T05:30:00.000Z -14400"_s;
    QTest::newRow("the hour the clocks skip, read as the clock still showed")
        << "America/New_York"_ba << u"2026-03-08T02:30:00.000"_s << u"2026-03-08T07:30:00.000Z -18000"_s;
    QTest::newRow("east of UTC, the day before in UTC")
        << "Asia/Shanghai"_ba << u"2026-12-08T07:30:00.000"_s << u"2026-12-07T23:30:00.000Z 28800"_s;
}

void TestTimes::olderLocalTimesReadInTheMachinesZone()
{
    QFETCH(QByteArray, zone);
    QFETCH(QString, local);
    QFETCH(QString, saved);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"results.db"_s);
    QVERIFY(makeOldDatabase(path, 4, [&](QSqlQuery& step) {
        // A batch's start was written to the second.
        return step.exec(
                   u"INSERT INTO batches VALUES (1, '%1', '[]', '[\"reg-expiry\"]', 0, NULL)"_s.arg(local.left(19)))
            && step.exec(
                u"INSERT INTO cells VALUES (1, 0, 'a.test', 'reg-expiry', '2030-01-02', '', '%1')"_s.arg(local))
            && step.exec(
                u"INSERT INTO expiries VALUES ('a.test', 'reg-expiry', '2030-01-02', '2030-01-02', '%1')"_s.arg(local));
    }));
    const ScopedZone machine(zone);
    ResultStore store(path);
    QVERIFY2(store.isSaving(), qPrintable(store.notice()));
    QCOMPARE(firstRow(path, u"SELECT at, at_offset FROM cells"_s), saved);
    QCOMPARE(firstRow(path, u"SELECT started, started_offset FROM batches"_s), saved);
    QCOMPARE(firstRow(path, u"SELECT at FROM expiries"_s), saved.section(u' ', 0, 0));
    // Shown as it was shown before the upgrade.
    QCOMPARE(store.history(u"a.test"_s).value().value(0).at.toString(u"yyyy-MM-dd'T'HH:mm:ss.zzz"_s), local);
    QCOMPARE(store.unfinishedBatch(false)
                 .value()
                 .value_or(ResultStore::Batch {})
                 .started.toString(u"yyyy-MM-dd'T'HH:mm:ss"_s),
        local.left(19));
}

void TestTimes::daysLeftCountFromTheClock_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("day");
    QTest::addColumn<QString>("shown");
    QTest::newRow("a day years from the computer's")
        << at("2031-06-01T12:00:00.000+02:00") << u"2031-06-10"_s << u"2031-06-10（剩 9 天）"_s;
    QTest::newRow("the user's day, not UTC's")
        << at("2031-06-01T00:30:00.000+08:00") << u"2031-06-01"_s << u"2031-06-01（剩 0 天）"_s;
    QTest::newRow("lapsed by the clock's day")
        << at("2031-06-12T09:00:00.000Z") << u"2031-06-10"_s << u"2031-06-10（已过期 2 天）"_s;
}

void TestTimes::daysLeftCountFromTheClock()
{
    QFETCH(QDateTime, now);
    QFETCH(QString, day);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"results.db"_s);
    const SetClock clock(now);
    ResultStore store(path, clock);
    saveExpiry(path, 1, day, now);
    ScriptedPlatform platform;
    Network network;
    TrancoStore ranks(network);
    ExpiringDialog dialog(platform, store, builtInTable(), ranks, 30);
    const QAbstractItemModel* model = dialog.findChild<QTreeView*>(u"expiring"_s)->model();
    QCOMPARE(model->rowCount(), 1);
    const QModelIndex cell = model->index(0, FirstLookupColumn);
    QTEST(cell.data().toString(), "shown");
    QVERIFY(cell.data(Qt::BackgroundRole).isValid()); // tinted: within the warning days by the same clock
}

QTEST_MAIN(TestTimes)
#include "test_times.moc"
