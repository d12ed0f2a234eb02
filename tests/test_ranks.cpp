// SPDX-License-Identifier: GPL-3.0-or-later
// The rank list: read from its CSV or zip as published or as a spreadsheet saves it, refused when far too long or
// broken, downloaded and installed in the background, and asked by the rank column.
#include "queries/sources/tranco.h"

#include "walkerfixture.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestRanks : public QObject
{
    Q_OBJECT
private slots:
    void lists();
    void downloadedAndAsked();
};

void TestRanks::lists()
{
    for (const QString& file : {u"tranco-sample.csv"_s, u"tranco-sample.zip"_s}) {
        QString problem;
        TrancoList list;
        QVERIFY(list.parse(trancoListBytes(testData(file), &problem), &problem));
        // The last line's CR LF is no part of its domain; a name not listed has no rank.
        QCOMPARE(QList<int>({int(list.size()), list.rank("example.com"), list.rank("xn--fsqu00a.xn--0zwm56d"),
                     list.rank("baidu.com"), list.rank("example.co")}),
            QList<int>({4, 2, 3, 4, 0}));
    }
    // As a spreadsheet saves it: a byte-order mark, names in capitals, a name listed twice, worse rank first.
    QString problem;
    TrancoList edited;
    QVERIFY(edited.parse("\xEF\xBB\xBF"
                         "1,first.test\r\n2,Upper.COM\r\n9,twice.test\r\n3,twice.test\r\n"_ba,
        &problem));
    QCOMPARE(QList<int>({edited.rank("first.test"), edited.rank("upper.com"), edited.rank("twice.test")}),
        QList<int>({1, 2, 3}));
    // A list far longer than any published one is refused, not held in memory.
    TrancoList huge;
    QVERIFY(!huge.parse("1,a.test\n2,b.test\n3,c.test\n"_ba, &problem, 2));
    QVERIFY2(problem.contains(u"太大"_s) && huge.size() == 0, qPrintable(problem));
    problem.clear();
    QVERIFY(trancoListBytes(testData(u"tranco-sample.zip"_s).left(100), &problem).isEmpty());
    QVERIFY(!problem.isEmpty());
}

void TestRanks::downloadedAndAsked()
{
    WalkerFixture engine;
    const ScopedEnv tranco("QUILLMARK_HOST_TRANCO", "http://" + engine.server.hostPort().toUtf8());
    engine.server.route(u"/top-1m.csv.zip"_s, TestHttpServer::page(testData(u"tranco-sample.zip"_s)));
    TrancoStore& ranks = engine.walker->ranks();
    QSignalSpy installed(&ranks, &TrancoStore::installed);
    QSignalSpy activity(&ranks, &TrancoStore::activity);
    ranks.download();
    QVERIFY(installed.wait(10'000));
    QCOMPARE(installed.first(), (QVariantList {true, QString()}));
    QVERIFY(activity.contains({u"正在读取排名列表…"_s})); // the progress line while it was checked
    QVERIFY(ranks.isInstalled() && ranks.date() == QDate::currentDate());
    // www. names take their domain's rank; capitals are the same name; "not listed" is no rank of 0; a name no
    // domain can have is looked for in no list.
    QVERIFY(engine.run({u"www.example.com"_s, u"BAIDU.com"_s, u"example.co"_s, u"a_b.test"_s}, {u"tranco"_s}, false));
    QCOMPARE(column(engine.walker->results(), columnOfKey(u"tranco"_s)),
        (QStringList {u"2"_s, u"4"_s, u"未上榜"_s, u"无效域名"_s}));
    // A broken download leaves the installed list as it was.
    engine.server.route(u"/top-1m.csv.zip"_s, TestHttpServer::page("PK\x03\x04 broken"));
    ranks.download();
    QVERIFY(installed.wait(10'000));
    QCOMPARE(installed.last().first().toBool(), false);
    QCOMPARE(ranks.list()->rank("example.com"), 2);
}

QTEST_GUILESS_MAIN(TestRanks)
#include "test_ranks.moc"
