// The once-per-start update check: when it asks, what it shows, where OK leads.
#include "ScriptedPlatform.h"
#include "TestHttpServer.h"
#include "app/Form1.h"
#include "testing.h"

#include <QTimer>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestUpdate : public QObject
{
    Q_OBJECT
private slots:
    void question_data();
    void question();
    void firesOnceTwoSecondsAfterStart();
};

void TestUpdate::question_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("shown"); // empty: no question
    QTest::newRow("same version") << QByteArray("9.1") << 200 << QString();
    QTest::newRow("same, more lines") << QByteArray("9.1\r\nnotes\r\n") << 200 << QString();
    QTest::newRow("newer") << QByteArray("9.2\r\n") << 200 << u"最新版本Fennory9.2，是否更新？"_s;
    QTest::newRow("older still differs") << QByteArray("9.0") << 200 << u"最新版本Fennory9.0，是否更新？"_s;
    QTest::newRow("LF-only file stands whole")
        << QByteArray("9.1\nnotes\n") << 200 << u"最新版本Fennory9.1\nnotes\n，是否更新？"_s;
    QTest::newRow("not found") << QByteArray("9.2") << 404 << QString();
    QTest::newRow("empty") << QByteArray() << 200 << QString();
    QTest::newRow("unreachable") << QByteArray() << 0 << QString();
}

void TestUpdate::question()
{
    QFETCH(QByteArray, file);
    QFETCH(int, status);
    QFETCH(QString, shown);

    TestHttpServer server;
    server.route(u"/fennory/vavuze.txt"_s, TestHttpServer::page(file, status));
    QString host = server.hostPort();
    if (status == 0)
        host = u"127.0.0.1:%1"_s.arg(TestHttpServer().port()); // a port nobody listens on any more
    qputenv("QUILLMARK_HOST_UPDATE", host.toUtf8());

    for (const auto answer : {QMessageBox::Ok, QMessageBox::Cancel}) {
        ScriptedPlatform platform;
        platform.answers = {answer};
        auto form = makeWindow(platform);
        form->Timer1_Timer();
        if (shown.isEmpty()) {
            QVERIFY(platform.shown.isEmpty());
            QVERIFY(platform.openedUrls.isEmpty());
            continue;
        }
        QCOMPARE(platform.shown.size(), 1);
        QCOMPARE(platform.shown.at(0).text, shown);
        QCOMPARE(platform.shown.at(0).title, u"发现最新版本"_s);
        QCOMPARE(platform.shown.at(0).buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(platform.shown.at(0).icon, QMessageBox::Question);
        QCOMPARE(platform.shown.at(0).defaultButton, QMessageBox::Ok);
        const QList<QUrl> expected {QUrl(u"http://"_s + host + u"/fennory/"_s)};
        QCOMPARE(platform.openedUrls, answer == QMessageBox::Ok ? expected : QList<QUrl>());
    }
}

void TestUpdate::firesOnceTwoSecondsAfterStart()
{
    TestHttpServer server;
    server.route(u"/fennory/vavuze.txt"_s, TestHttpServer::page("9.2"));
    qputenv("QUILLMARK_HOST_UPDATE", server.hostPort().toUtf8());
    ScriptedPlatform platform;
    Form1 form(platform);
    auto* timer = form.findChild<QTimer*>(u"Timer1"_s);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 2000);

    QTest::qWait(1500);
    QVERIFY(server.requests().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(platform.shown.size(), 1, 3000);
    QTest::qWait(2500);
    QCOMPARE(platform.shown.size(), 1);
    QCOMPARE(server.requests().size(), 1);
    QVERIFY(!timer->isActive());
}

QTEST_MAIN(TestUpdate)
#include "test_update.moc"
