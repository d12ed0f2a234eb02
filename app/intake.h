// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QTextDocument;

// The input box's text as the user sees it, every line break written CR LF (Shift+Enter's too).
QString inputText(const QTextDocument& document);
