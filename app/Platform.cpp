// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Platform.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

QString Platform::applicationTitle()
{
    return u"seo-Quillmark"_s;
}

QMessageBox::StandardButton DesktopPlatform::messageBox(QWidget* parent, const QString& text, const QString& title,
    QMessageBox::StandardButtons buttons, QMessageBox::Icon icon, QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, title.isEmpty() ? applicationTitle() : title, text, buttons, parent);
    box.setDefaultButton(defaultButton);
    // Never rich text: some of what is shown (the update host's version) comes from the network.
    box.setTextFormat(Qt::PlainText);
    // A box is as wide as its text; a longer title would be cut short by the window manager. The width is
    // given whole, for Qt's own estimate cuts long lines of Chinese, which have no spaces to wrap at.
    int width = box.fontMetrics().horizontalAdvance(box.windowTitle()) + 160;
    for (const QString& line : text.split(u'\n'))
        width = qMax(width, box.fontMetrics().horizontalAdvance(line) + 8);
    box.setStyleSheet(u"QLabel#qt_msgbox_label { min-width: %1px; }"_s.arg(qMin(width, 640)));
    // Escape and the close box give the box's escape button, Cancel where there is one.
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void DesktopPlatform::setClipboardText(const QString& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

void DesktopPlatform::openUrl(const QUrl& url)
{
    QDesktopServices::openUrl(url);
}

QString DesktopPlatform::saveFileName(QWidget* parent, const QString& caption, const QString& suggestedName)
{
    return QFileDialog::getSaveFileName(parent, caption, QDir::home().filePath(suggestedName),
        QCoreApplication::translate("Platform", "CSV 文件 (*.csv);;所有文件 (*)"));
}

QString DesktopPlatform::openFileName(QWidget* parent, const QString& caption, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, QDir::homePath(), filter);
}

QString DesktopPlatform::pingProgram() const
{
    return u"ping"_s;
}

void DesktopPlatform::quitApplication()
{
    // quit() also leaves the event loop of a message box still open.
    QCoreApplication::quit();
}
