// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/Platform.h"

#include <QList>
#include <QStringList>
#include <QUrl>
#include <functional>

// Answers message boxes from a script and records what the program asked of the desktop.
class ScriptedPlatform : public Platform
{
public:
    struct Shown
    {
        QString text;
        QString title;
        QString summary; // "text|title|buttons|icon|default button", the numbers as QMessageBox has them
    };

    QMessageBox::StandardButton messageBox(QWidget*, const QString& text, const QString& title,
        QMessageBox::StandardButtons buttons, QMessageBox::Icon icon,
        QMessageBox::StandardButton defaultButton) override
    {
        const QStringList parts {
            text, title, QString::number(buttons.toInt()), QString::number(icon), QString::number(defaultButton)};
        shown.append(Shown {text, title, parts.join(u'|')});
        if (whileShown)
            whileShown();
        if (!answers.isEmpty())
            return answers.takeFirst();
        return answerer ? answerer(shown.last()) : defaultButton;
    }
    void setClipboardText(const QString& text) override { clipboard.append(text); }
    void openUrl(const QUrl& url) override { opened.append(url); }
    QString saveFileName(QWidget*, const QString&, const QString&) override { return {}; }
    QString openFileName(QWidget*, const QString&, const QString&) override { return {}; }
    QString pingProgram() const override { return ping; }
    void quitApplication() override { ++quitRequests; }

    // Answers given in order; once they run out, `answerer` decides, or else the box's default button.
    QList<QMessageBox::StandardButton> answers;
    std::function<QMessageBox::StandardButton(const Shown&)> answerer;
    // Runs while a box is "open", as the event loop of a real modal box would.
    std::function<void()> whileShown;
    QList<Shown> shown;
    QStringList clipboard;
    QList<QUrl> opened;
    int quitRequests = 0;
    QString ping = QStringLiteral("ping");
};
