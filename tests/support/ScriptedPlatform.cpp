#include "ScriptedPlatform.h"

QMessageBox::StandardButton ScriptedPlatform::messageBox(QWidget*, const QString& text, const QString& title,
    QMessageBox::StandardButtons buttons, QMessageBox::Icon icon, QMessageBox::StandardButton defaultButton)
{
    shown.append({text, title, buttons, icon, defaultButton});
    if (whileShown)
        whileShown();
    if (!answers.isEmpty())
        return answers.takeFirst();
    return answerer ? answerer(shown.last()) : defaultButton;
}

void ScriptedPlatform::setClipboardText(const QString& text)
{
    clipboardHistory.append(text);
}

void ScriptedPlatform::openUrl(const QUrl& url)
{
    openedUrls.append(url);
}
