#pragma once

#include "app/Platform.h"

#include <QList>
#include <QStringList>
#include <QUrl>
#include <functional>

// Answers message boxes from a script and records what the program asked of the desktop, titles as given.
class ScriptedPlatform : public Platform
{
public:
    struct Shown
    {
        QString text;
        QString title;
        QMessageBox::StandardButtons buttons;
        QMessageBox::Icon icon;
        QMessageBox::StandardButton defaultButton;
    };

    QMessageBox::StandardButton messageBox(QWidget* parent, const QString& text, const QString& title,
        QMessageBox::StandardButtons buttons, QMessageBox::Icon icon,
        QMessageBox::StandardButton defaultButton) override;
    void setClipboardText(const QString& text) override;
    void openUrl(const QUrl& url) override;
    QString saveFileName(QWidget*, const QString&, const QString&) override { return savePath; }
    QString pingProgram() const override { return pingProgramPath; }
    void quitApplication() override { ++quitRequests; }

    // Answers given in order; once they run out, `answerer` decides, or else the box's default button.
    QList<QMessageBox::StandardButton> answers;
    std::function<QMessageBox::StandardButton(const Shown&)> answerer;
    QList<Shown> shown;
    QStringList clipboardHistory;
    QList<QUrl> openedUrls;
    int quitRequests = 0;
    QString savePath; // what the save dialog "chooses"; empty is Cancel
    QString pingProgramPath = QStringLiteral("ping");
    // Runs while a box is "open", as a user acting behind a modal box would.
    std::function<void()> whileShown;
};
