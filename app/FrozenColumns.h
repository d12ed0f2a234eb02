#pragma once

#include <QObject>

class QTreeView;

// Keeps a grid's first columns (the position and the domain) in view while the rest scrolls sideways:
// a second view of the same rows and selection lies over the grid's left edge, as spreadsheets freeze panes.
class FrozenColumns : public QObject
{
    Q_OBJECT
public:
    FrozenColumns(QTreeView* grid, int columns);
    QTreeView* view() const { return m_frozen; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showOnlyFrozen();
    void place();

    QTreeView* m_grid;
    QTreeView* m_frozen;
    int m_columns;
};
