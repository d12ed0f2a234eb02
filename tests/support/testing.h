#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class Form1;
class Results;
class ScriptedPlatform;
class Settings;
class Walker;

QByteArray testData(const QString& name); // a committed test page, as stored
QString fakePing();
// Points every service at `hostPort` and gives the settings a file of their own.
void serveEverythingFrom(const QString& hostPort);
Settings& testSettings();

std::unique_ptr<Form1> makeWindow(ScriptedPlatform& platform); // without the update check's timer
void setInput(Form1& form, const QString& text); // '\n' line breaks, as typed
void setBox(Form1& form, const QString& name, bool ticked);
void click(Form1& form, const QString& name);
bool waitIdle(Walker& walker, int timeoutMs = 60'000);
QStringList column(const Results& results, int column);
