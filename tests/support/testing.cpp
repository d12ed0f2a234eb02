#include "testing.h"

#include "ScriptedPlatform.h"
#include "app/Form1.h"
#include "queries/walker.h"
#include "settings/settings.h"

#include <QCheckBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

QByteArray testData(const QString& name)
{
    QFile file(QStringLiteral(QUILLMARK_TEST_DATA_DIR) + u'/' + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test data %s", qPrintable(name));
    return file.readAll();
}

QString fakePing()
{
    return QStringLiteral(QUILLMARK_TEST_DATA_DIR "/fake-ping.sh");
}

void serveEverythingFrom(const QString& hostPort)
{
    for (const char* variable : {"QUILLMARK_HOST_REGISTRAR", "QUILLMARK_HOST_ICP", "QUILLMARK_HOST_BAIDU",
             "QUILLMARK_HOST_ALEXA", "QUILLMARK_HOST_YAHOO", "QUILLMARK_HOST_UPDATE"})
        qputenv(variable, hostPort.toUtf8());
}

Settings& testSettings()
{
    static QTemporaryDir dir;
    static Settings settings(dir.filePath(QStringLiteral("seo-quillmark.conf")));
    return settings;
}

std::unique_ptr<Form1> makeWindow(ScriptedPlatform& platform)
{
    auto form = std::make_unique<Form1>(platform, testSettings());
    form->findChild<QTimer*>(QStringLiteral("Timer1"))->stop();
    return form;
}

void setInput(Form1& form, const QString& text)
{
    form.findChild<QPlainTextEdit*>(QStringLiteral("Text1"))->setPlainText(text);
}

void setBox(Form1& form, const QString& name, bool ticked)
{
    form.findChild<QCheckBox*>(name)->setChecked(ticked);
}

void click(Form1& form, const QString& name)
{
    form.findChild<QPushButton*>(name)->click();
}

bool waitIdle(Walker& walker, int timeoutMs)
{
    return QTest::qWaitFor([&] { return !walker.isBusy(); }, timeoutMs);
}

QStringList column(const Results& results, int column)
{
    QStringList cells;
    for (int row = 0; row < results.rowCount(); ++row)
        cells.append(results.text(row, column));
    return cells;
}
