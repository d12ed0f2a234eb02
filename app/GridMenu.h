// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/WindowParts.h"

#include <QList>
#include <QObject>

class QAction;
class QMenu;
class QPoint;
class ResultStore;

// The grid's context menu: the window's own actions on the rows, and what a row has behind it (the domain's
// history, a registration cell's answer).
class GridMenu : public QObject
{
    Q_OBJECT
public:
    // `rowActions` come first, `settings` last, apart.
    GridMenu(const WindowParts& parts, ResultStore* store, const QList<QAction*>& rowActions, QAction* settings,
        QObject* parent = nullptr);

    void showHistory();
    void showAnswer();

private:
    bool isRegistrationColumn(int column) const;
    void popUp(const QPoint& at);

    WindowParts m_parts;
    ResultStore* m_store;
    QMenu* m_menu;
    QAction* m_answer;
};
