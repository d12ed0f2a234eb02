// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>

class QTreeView;
class ResultsGrid;

// 只看变化: the rows with no changed cell hidden in `views` (the grid and its frozen columns alike), kept so as
// the batch writes on. Rows are hidden, not filtered through a proxy, so every row number the window hands
// around stays the row's own.
class ChangedRowsFilter
{
public:
    ChangedRowsFilter(const ResultsGrid& model, QList<QTreeView*> views);

    void setOn(bool on);
    bool isOn() const { return m_on; }
    // A row's cells changed (or rows came): shows or hides them as the filter says.
    void refresh(int firstRow, int lastRow);

private:
    const ResultsGrid& m_model;
    QList<QTreeView*> m_views;
    bool m_on = false;
};
