#pragma once

#include "ScriptedPlatform.h"
#include "app/Form1.h"
#include "testing.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <memory>

// A window as the user gets it, minus the update check's timer.
inline std::unique_ptr<Form1> makeWindow(Platform& platform, ResultStore* store = nullptr)
{
    auto form = std::make_unique<Form1>(platform, testSettings(), std::vector<CustomLookup> {}, store);
    form->findChild<QTimer*>(QStringLiteral("Timer1"))->stop();
    return form;
}

inline void setInput(Form1& form, const QString& text) // '\n' line breaks, as typed
{
    form.findChild<QPlainTextEdit*>(QStringLiteral("Text1"))->setPlainText(text);
}

inline void setBox(Form1& form, const QString& name, bool ticked)
{
    form.findChild<QCheckBox*>(name)->setChecked(ticked);
}

inline void click(QWidget& form, const QString& name)
{
    form.findChild<QPushButton*>(name)->click();
}
