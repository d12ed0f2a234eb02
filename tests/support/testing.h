#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class Form1;
class ScriptedPlatform;

// Where the committed test pages live.
QString testDataPath(const QString& name);
QByteArray testData(const QString& name);

// A window as the user gets it, minus the update check's timer, answering dialogs from `platform`.
std::unique_ptr<Form1> makeWindow(ScriptedPlatform& platform);

void setInput(Form1& form, const QString& text); // text with '\n' line breaks, as typed
void setBox(Form1& form, const char* name, bool ticked);
bool isTicked(const Form1& form, const char* name);
void click(Form1& form, const char* name);
QStringList queue(const Form1& form);
QStringList column(const Form1& form, int column);
