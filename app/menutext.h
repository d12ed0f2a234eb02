// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QAction;
class QObject;

// A menu entry (or a menu's own action, its title) given its text from a Chinese source marked with
// QT_TRANSLATE_NOOP("Menus", …). The entry keeps the source, so that a change of language can set every
// entry again from one place rather than each menu keeping a list of its own.
QAction* withMenuText(QAction* action, const char* source);
// Every entry under `root` (the window owns every menu, the tray's and the grid's included) that keeps its
// source, in the language installed now.
void retranslateMenus(const QObject& root);
