#include "testing.h"

#include "ScriptedPlatform.h"
#include "app/Form1.h"
#include "app/ResultsGrid.h"

#include <QCheckBox>
#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

QString testDataPath(const QString& name)
{
    return QStringLiteral(QUILLMARK_TEST_DATA_DIR) + u'/' + name;
}

QByteArray testData(const QString& name)
{
    QFile file(testDataPath(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test data %s", qPrintable(name));
    return file.readAll();
}

std::unique_ptr<Form1> makeWindow(ScriptedPlatform& platform)
{
    auto form = std::make_unique<Form1>(platform);
    form->findChild<QTimer*>(QStringLiteral("Timer1"))->stop();
    return form;
}

void setInput(Form1& form, const QString& text)
{
    form.findChild<QPlainTextEdit*>(QStringLiteral("Text1"))->setPlainText(text);
}

void setBox(Form1& form, const char* name, bool ticked)
{
    form.findChild<QCheckBox*>(QLatin1String(name))->setChecked(ticked);
}

bool isTicked(const Form1& form, const char* name)
{
    return form.findChild<QCheckBox*>(QLatin1String(name))->isChecked();
}

void click(Form1& form, const char* name)
{
    form.findChild<QPushButton*>(QLatin1String(name))->click();
}

QStringList queue(const Form1& form)
{
    const auto* list = form.findChild<QListWidget*>(QStringLiteral("List1"));
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries.append(list->item(i)->text());
    return entries;
}

QStringList column(const Form1& form, int column)
{
    QStringList cells;
    for (int row = 0; row < form.grid().rowCount(); ++row)
        cells.append(form.grid().text(row, column));
    return cells;
}
