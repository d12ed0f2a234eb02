// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>

class QTreeView;

// Keeps a grid's first columns (the position and the domain) in view while the rest scrolls sideways:
// a second view of the same rows and selection lies over the grid's left edge, as spreadsheets freeze panes.
// The last frozen column is as wide as its texts need, up to a third of the grid, until the user sizes it;
// the grid scrolls sideways a column at a time, each one starting where the frozen ones end.
class FrozenColumns : public QObject
{
    Q_OBJECT
public:
    FrozenColumns(QTreeView* grid, int columns);
    QTreeView* view() const { return m_frozen; }
    // After the grid's columns were given their designed widths again: the last frozen one fits its texts
    // anew, the user's own width forgotten with the rest.
    void fitToContents();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void copyGridLook(); // the same rows, drawn as the grid draws them
    void followGrid(); // scrolled, sized and filled with the grid
    void showOnlyFrozen();
    void place();
    void measure(int firstRow, int lastRow);
    void fitLastFrozen();
    QList<int> scrollStops() const;
    void snapScroll(int value);
    void reachLastStop();

    QTreeView* m_grid;
    QTreeView* m_frozen;
    int m_columns;
    int m_designedWidth; // the last frozen column's, never narrowed below
    int m_widest = 0; // the widest of its texts measured so far
    bool m_sizedByUser = false;
    bool m_sizing = false;
    int m_scrolled = 0; // the last scroll position, to snap in the direction the user went
};
