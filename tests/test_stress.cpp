// Long runs as heavy users make them: 20,000 domains with every lookup, and thousands of random clicks
// during batches. Every cell must end up in its own row, with its own domain's answer.
#include "ScriptedPlatform.h"
#include "TestHttpServer.h"
#include "app/Form1.h"
#include "app/ResultsGrid.h"
#include "testing.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const char* const kBoxes[] = {"Check2", "Check3", "Check4", "Check5", "Check6", "Check7", "Check8", "Check9"};
const char* const kHostVariables[] = {"QUILLMARK_HOST_REGISTRAR", "QUILLMARK_HOST_ICP", "QUILLMARK_HOST_BAIDU",
    "QUILLMARK_HOST_ALEXA", "QUILLMARK_HOST_YAHOO"};

qint64 procStatusKb(const char* field)
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Domain "host:port/mN" gets answers that all carry N, so each cell names the row it belongs to.
int numberOf(const QString& text)
{
    static const QRegularExpression number(u"/m(\\d+)"_s);
    const auto match = number.match(text);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

int outboundLinks(int n)
{
    return n % 4;
}

QStringList expectedCells(const QString& domain)
{
    const int n = numberOf(domain);
    const QString count = QString::number(n);
    return {n % 2 == 0 ? u"可注册"_s : u"已被注册"_s, u"京ICP备%1号"_s.arg(10'000'000 + n), count, count, count, count,
        QString::number(outboundLinks(n)), domain};
}

} // namespace

class TestStress : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void twentyThousandDomainsEveryLookup();
    void monkeyDuringBatches();

private:
    QString domain(int n) const { return m_server->hostPort() + u"/m%1"_s.arg(n); }
    // Every cell holds one space, its own row's answer or, for outbound links cut short by Stop, a smaller count.
    void verifyRowsAreTheirOwn(bool complete);

    std::unique_ptr<TestHttpServer> m_server;
    ScriptedPlatform m_platform;
    std::unique_ptr<Form1> m_form;
};

void TestStress::init()
{
    m_server = std::make_unique<TestHttpServer>();
    m_server->setRecording(false);
    const QByteArray answer = testData(u"numbered-answer.gb2312.html"_s);
    const QByteArray yahoo = testData(u"numbered-yahoo.utf8.html"_s);
    m_server->setResponder([answer, yahoo](const QString& target) {
        const int n = numberOf(target);
        const QByteArray count = QByteArray::number(n);
        if (target.startsWith(u"/search"_s))
            return TestHttpServer::page(QByteArray(yahoo).replace("COUNT", count));
        QByteArray page = answer;
        page.replace("ICPNUM", QByteArray::number(10'000'000 + n))
            .replace("REGCODE", n % 2 == 0 ? "210" : "211")
            .replace("COUNT", count)
            .replace("LINKS", QByteArray("<a href=\"http://other.test/\">x</a>\r\n").repeated(outboundLinks(n)));
        return TestHttpServer::page(page);
    });
    for (const char* variable : kHostVariables)
        qputenv(variable, m_server->hostPort().toUtf8());
    m_platform = ScriptedPlatform();
    m_platform.pingProgramPath = QStringLiteral(QUILLMARK_FAKE_PING);
    m_form = makeWindow(m_platform);
}

void TestStress::cleanup()
{
    m_form.reset();
    m_server.reset();
}

void TestStress::verifyRowsAreTheirOwn(bool complete)
{
    const QStringList queued = queue(*m_form);
    const ResultsGrid& grid = m_form->grid();
    QCOMPARE(grid.rowCount(), queued.size());
    for (int row = 0; row < grid.rowCount(); ++row) {
        QCOMPARE(grid.text(row, PositionColumn), QString::number(row));
        QCOMPARE(grid.text(row, DomainColumn), queued.at(row));
        const QStringList expected = expectedCells(queued.at(row));
        for (int column = RegistrarColumn; column < GridColumnCount; ++column) {
            const QString cell = grid.text(row, column);
            const QString want = expected.at(column - RegistrarColumn);
            if (cell == want || (!complete && cell == u" "_s))
                continue;
            if (!complete && column == OutboundColumn && cell.toInt() < want.toInt())
                continue;
            QFAIL(qPrintable(u"row %1 column %2 holds \"%3\", expected \"%4\""_s.arg(row).arg(column).arg(cell, want)));
        }
    }
}

void TestStress::twentyThousandDomainsEveryLookup()
{
    constexpr int kDomains = 20'000;
    QString input;
    for (int n = 0; n < kDomains; ++n)
        input += domain(n) + u'\n';
    setInput(*m_form, input);
    for (const char* box : kBoxes)
        setBox(*m_form, box, true);

    QElapsedTimer clock;
    clock.start();
    click(*m_form, "Command13");
    const qint64 batchMs = clock.elapsed();
    QCOMPARE(m_server->requestCount(), 7 * kDomains);
    verifyRowsAreTheirOwn(true);
    const qint64 afterBatchKb = procStatusKb("VmRSS:");

    // Another 20,000 requests over the same rows: the grid does not grow, and neither may anything else.
    click(*m_form, "Command6");
    click(*m_form, "Command8");
    const qint64 afterMoreKb = procStatusKb("VmRSS:");
    qInfo("20,000 domains x 8 lookups: %lld s; RSS after the batch %lld MiB, after 40,000 more requests %lld MiB, "
          "peak %lld MiB",
        batchMs / 1000, afterBatchKb / 1024, afterMoreKb / 1024, procStatusKb("VmHWM:") / 1024);
    QVERIFY2(afterMoreKb - afterBatchKb < 16 * 1024, qPrintable(u"grew by %1 KiB"_s.arg(afterMoreKb - afterBatchKb)));
}

void TestStress::monkeyDuringBatches()
{
    constexpr int kActions = 4000;
    QRandomGenerator random(20261206);
    // The close box is answered Cancel; every other box with OK.
    m_platform.answerer = [](const ScriptedPlatform::Shown& box) {
        return box.title == u"退出"_s ? QMessageBox::Cancel : QMessageBox::Ok;
    };
    const QStringList buttons {u"Command1"_s, u"Command2"_s, u"Command3"_s, u"Command4"_s, u"Command5"_s, u"Command6"_s,
        u"Command7"_s, u"Command8"_s, u"Command9"_s, u"Command10"_s, u"Command11"_s, u"Command12"_s, u"Command13"_s,
        u"Command14"_s, u"Command15"_s};

    int actions = 0;
    int actionsDuringBatches = 0;
    QTimer monkey;
    connect(&monkey, &QTimer::timeout, this, [&] {
        ++actions;
        actionsDuringBatches += m_form->isBusy() ? 1 : 0;
        const int dice = int(random.bounded(100));
        if (dice < 10) {
            QString input;
            const int count = 1 + int(random.bounded(25));
            for (int i = 0; i < count; ++i)
                input += domain(int(random.bounded(60))) + u'\n';
            setInput(*m_form, input);
        } else if (dice < 40) {
            const QByteArray box = "Check" + QByteArray::number(1 + random.bounded(10));
            setBox(*m_form, box.constData(), !isTicked(*m_form, box.constData()));
        } else if (dice < 45) {
            m_form->close();
        } else {
            // Posted, so a batch started here runs outside this timer's own slot and the monkey goes on inside it.
            const QByteArray name = buttons.at(random.bounded(buttons.size())).toLatin1();
            QTimer::singleShot(0, m_form.get(), [this, name] { click(*m_form, name.constData()); });
        }
        if (actions % 500 == 0)
            verifyRowsAreTheirOwn(false);
    });
    m_form->show();
    monkey.start(1);
    QTRY_VERIFY_WITH_TIMEOUT(actions >= kActions, 240'000);
    monkey.stop();
    QTRY_VERIFY_WITH_TIMEOUT(!m_form->isBusy(), 60'000);

    verifyRowsAreTheirOwn(false);
    QVERIFY2(actionsDuringBatches > kActions / 4, qPrintable(QString::number(actionsDuringBatches)));
    QVERIFY(m_form->isVisible());
    QCOMPARE(m_platform.quitRequests, 0);
    qInfo("%d random actions (%d during a lookup), %d requests served, %lld dialogs answered", actions,
        actionsDuringBatches, m_server->requestCount(), qint64(m_platform.shown.size()));
}

QTEST_MAIN(TestStress)
#include "test_stress.moc"
