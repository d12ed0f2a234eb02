// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMessageBox>
#include <QString>

class QUrl;
class QWidget;

// Everything the program asks of the desktop goes through here, so tests can answer dialogs,
// read the clipboard and stand in a fake ping without a real desktop.
class Platform
{
public:
    virtual ~Platform() = default;

    // A box given no title shows the program's title, never an empty caption bar.
    virtual QMessageBox::StandardButton messageBox(QWidget* parent, const QString& text, const QString& title,
        QMessageBox::StandardButtons buttons, QMessageBox::Icon icon, QMessageBox::StandardButton defaultButton)
        = 0;
    virtual void setClipboardText(const QString& text) = 0;
    virtual void openUrl(const QUrl& url) = 0;
    // Empty when the user cancels.
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& suggestedName) = 0;
    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& filter) = 0;
    virtual QString pingProgram() const = 0;
    // Ends the whole program, also from inside a message box's own event loop.
    virtual void quitApplication() = 0;

    static QString applicationTitle();
};

class DesktopPlatform : public Platform
{
public:
    QMessageBox::StandardButton messageBox(QWidget* parent, const QString& text, const QString& title,
        QMessageBox::StandardButtons buttons, QMessageBox::Icon icon,
        QMessageBox::StandardButton defaultButton) override;
    void setClipboardText(const QString& text) override;
    void openUrl(const QUrl& url) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& suggestedName) override;
    QString openFileName(QWidget* parent, const QString& caption, const QString& filter) override;
    QString pingProgram() const override;
    void quitApplication() override;
};
