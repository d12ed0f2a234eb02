// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A cell's text as every output may carry it, and characters counted as a reader counts them.
#include <QString>
#include <QStringView>

// A cell's text as every output may carry it: closing line breaks and spaces dropped, line breaks within
// as ↵, other control characters (C0, DEL, C1) and bidirectional overrides as U+FFFD. Pages are written by
// strangers, and a title that moves the terminal's cursor or reverses the text around it must not reach the
// user's screen as such.
QString cleanCellText(const QString& text);
// Text as a terminal should show it, never obey it: each control character (C0, DEL, C1) as a sign of its own:
// U+2400 and up for C0 (␀ for a NUL, ␛ for ESC), ␡ for DEL, and for C1 the ESC sequence it stands for (U+009B
// as ␛[). Answers and names come from strangers: an ESC ] sequence retitles the user's terminal, and a NUL
// ended every output that went through a C string. Line breaks and tabs stay, as the outputs' formats need
// them; a CR only before an LF, as half of a line break (RDAP's JSON and the CSV rows end their lines so).
QString visibleControls(QStringView text);
// Characters as a reader counts them: one outside the BMP is one, not two UTF-16 units.
qsizetype characterCount(QStringView text);
