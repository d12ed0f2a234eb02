// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/intake.h"

#include <QTextBlock>
#include <QTextDocument>

using namespace Qt::Literals::StringLiterals;

QString inputText(const QTextDocument& document)
{
    // toPlainText() would turn no-break spaces into spaces; the block texts keep every character.
    QString text;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin())
            text += u"\r\n"_s;
        // Shift+Enter breaks a line inside its block: on screen it is a line like any other.
        text += block.text().replace(QChar::LineSeparator, u"\r\n"_s);
    }
    return text;
}
