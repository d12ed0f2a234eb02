#pragma once

// A cell's text as every output may carry it, and characters counted as a reader counts them.
#include <QString>
#include <QStringView>

// A cell's text as every output may carry it: closing line breaks and spaces dropped, line breaks within
// as ↵, other control characters (C0, DEL, C1) and bidirectional overrides as U+FFFD. Pages are written by
// strangers, and a title that moves the terminal's cursor or reverses the text around it must not reach the
// user's screen as such.
QString cleanCellText(const QString& text);
// Characters as a reader counts them: one outside the BMP is one, not two UTF-16 units.
qsizetype characterCount(QStringView text);
