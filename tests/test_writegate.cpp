// SPDX-License-Identifier: GPL-3.0-or-later
// The bound between the walker and the results writer, with both sides driven by the test step by step.
#include "store/writegate.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestWriteGate : public QObject
{
    Q_OBJECT
private slots:
    void interleavings_data();
    void interleavings();
    void waitCommittedReturnsOnceAnotherThreadCommits();
};

void TestWriteGate::interleavings_data()
{
    // Steps: hN hands N cells over; p+ / p- the walker asks and may / may not go on; cN the writer commits N;
    // s the writer stops; wN the walker has been woken N times so far. A woken walker asks again at once, as
    // it would the moment the wake reaches it: g+ / g- it went on / did not at its last wake.
    QTest::addColumn<int>("bound");
    QTest::addColumn<QString>("steps");
    QTest::newRow("walker below the bound goes on") << 3 << u"h2 p+ w0"_s;
    QTest::newRow("walker at the bound waits") << 3 << u"h3 p- w0"_s;
    QTest::newRow("writer commits the last batch while the walker waits, then stops")
        << 3 << u"h3 p- c3 w1 g+ s w1 p+"_s;
    QTest::newRow("writer stops with the walker waiting and nothing committed") << 3 << u"h5 p- s w1 g+ p+"_s;
    QTest::newRow("writer commits exactly to the bound: still waits, opens at the next")
        << 3 << u"h5 p- c2 w0 p- c1 w1 g+"_s;
    QTest::newRow("count told before the wait begins: no wait, no wake") << 3 << u"h3 c1 p+ w0 h1 p- c4 w1 g+"_s;
    QTest::newRow("one wake per wait, however many commits follow") << 3 << u"h6 p- c4 w1 c1 w1 p+ w1"_s;
    QTest::newRow("each wait its own wake") << 2 << u"h2 p- c1 w1 h1 p- c1 w2 g+"_s;
    QTest::newRow("after a stop the gate stays open") << 1 << u"h1 s h9 p+ c1 p+ w0"_s;
}

void TestWriteGate::interleavings()
{
    QFETCH(int, bound);
    QFETCH(QString, steps);
    WriteGate gate(bound);
    int woken = 0;
    bool wentOnAtWake = false;
    gate.setWake([&] {
        ++woken;
        wentOnAtWake = gate.pass();
    });
    for (const QString& step : steps.split(u' ')) {
        const QChar op = step.at(0);
        const QString arg = step.mid(1);
        const QByteArray where = step.toUtf8();
        if (op == u'h')
            gate.handOver(arg.toInt());
        else if (op == u'c')
            gate.commit(arg.toInt());
        else if (op == u's')
            gate.stop();
        else if (op == u'p')
            QVERIFY2(gate.pass() == (arg == u"+"), where.constData());
        else if (op == u'w')
            QVERIFY2(woken == arg.toInt(), where.constData());
        else if (op == u'g')
            QVERIFY2(wentOnAtWake == (arg == u"+"), where.constData());
        else
            QFAIL(where.constData());
    }
}

void TestWriteGate::waitCommittedReturnsOnceAnotherThreadCommits()
{
    WriteGate gate(1000);
    gate.handOver(3);
    std::unique_ptr<QThread> writer(QThread::create([&gate] {
        for (int cell = 0; cell < 3; ++cell)
            gate.commit(1);
    }));
    writer->start();
    QVERIFY(gate.waitCommitted(QDeadlineTimer::Forever));
    QCOMPARE(gate.committed(), 3);
    writer->wait();
    gate.handOver(1);
    QVERIFY(!gate.waitCommitted(QDeadlineTimer(0)));
    gate.stop();
    QVERIFY(gate.waitCommitted(QDeadlineTimer(0)));
}

QTEST_GUILESS_MAIN(TestWriteGate)
#include "test_writegate.moc"
