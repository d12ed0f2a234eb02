// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FrozenColumns.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <algorithm>

namespace {

// The grid's rows are as tall as the tallest text of the columns it shows, and a Chinese cell stands taller
// than a name: rows measured on the names alone would slip off the grid's, a little more with every row.
class GridRowHeight : public QStyledItemDelegate
{
public:
    GridRowHeight(const QTreeView* grid, QObject* parent)
        : QStyledItemDelegate(parent)
        , m_grid(grid)
    {
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize hint = QStyledItemDelegate::sizeHint(option, index);
        for (int column = 0; column < index.model()->columnCount(); ++column) {
            if (!m_grid->isColumnHidden(column))
                hint.setHeight(
                    qMax(hint.height(), QStyledItemDelegate::sizeHint(option, index.siblingAtColumn(column)).height()));
        }
        return hint;
    }

private:
    const QTreeView* m_grid;
};

} // namespace

FrozenColumns::FrozenColumns(QTreeView* grid, int columns)
    : QObject(grid)
    , m_grid(grid)
    , m_frozen(new QTreeView(grid))
    , m_columns(columns)
    , m_designedWidth(grid->header()->sectionSize(columns - 1))
{
    copyGridLook();
    followGrid();
    grid->installEventFilter(this);
    grid->viewport()->installEventFilter(this);
    showOnlyFrozen();
    measure(0, m_grid->model()->rowCount() - 1);
    m_frozen->show();
}

void FrozenColumns::copyGridLook()
{
    m_frozen->setObjectName(m_grid->objectName() + QStringLiteral("Frozen"));
    m_frozen->setModel(m_grid->model());
    m_frozen->setSelectionModel(m_grid->selectionModel());
    m_frozen->setSelectionBehavior(m_grid->selectionBehavior());
    m_frozen->setSelectionMode(m_grid->selectionMode());
    m_frozen->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_frozen->setRootIsDecorated(false);
    m_frozen->setItemsExpandable(false);
    m_frozen->setUniformRowHeights(true);
    m_frozen->setAllColumnsShowFocus(true);
    m_frozen->setTextElideMode(m_grid->textElideMode());
    m_frozen->setFocusPolicy(Qt::NoFocus);
    m_frozen->setFrameShape(QFrame::NoFrame);
    m_frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollMode(m_grid->verticalScrollMode());
    m_frozen->header()->setStretchLastSection(false);
    m_frozen->header()->setMinimumSectionSize(m_grid->header()->minimumSectionSize());
    m_frozen->header()->setSectionsMovable(false);
    m_frozen->setContextMenuPolicy(Qt::CustomContextMenu);
    m_frozen->setItemDelegate(new GridRowHeight(m_grid, m_frozen));
}

void FrozenColumns::followGrid()
{
    // A right click on the frozen part opens the grid's own menu, where the grid would have. Through the screen:
    // the frozen view lies over the grid's viewport, not inside it, and mapFrom() wants an ancestor.
    connect(m_frozen, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        emit m_grid->customContextMenuRequested(
            m_grid->viewport()->mapFromGlobal(m_frozen->viewport()->mapToGlobal(at)));
    });

    // Both scroll as one, whichever the wheel or the keys move.
    connect(
        m_frozen->verticalScrollBar(), &QScrollBar::valueChanged, m_grid->verticalScrollBar(), &QScrollBar::setValue);
    connect(
        m_grid->verticalScrollBar(), &QScrollBar::valueChanged, m_frozen->verticalScrollBar(), &QScrollBar::setValue);
    // Rows arrive during a batch and the grid follows them: a value set before the overlay had room for it
    // was cut short, so it is set again once the overlay's range catches up.
    connect(m_frozen->verticalScrollBar(), &QScrollBar::rangeChanged, this,
        [this] { m_frozen->verticalScrollBar()->setValue(m_grid->verticalScrollBar()->value()); });
    connect(m_grid->header(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        if (section < m_columns) {
            m_sizedByUser |= section == m_columns - 1 && !m_sizing;
            m_frozen->header()->resizeSection(section, size);
            place();
        }
        reachLastStop();
    });
    connect(m_grid->horizontalScrollBar(), &QScrollBar::valueChanged, this, &FrozenColumns::snapScroll);
    connect(m_grid->horizontalScrollBar(), &QScrollBar::rangeChanged, this, &FrozenColumns::reachLastStop);
    connect(m_grid->model(), &QAbstractItemModel::modelReset, this, &FrozenColumns::showOnlyFrozen);
    connect(m_grid->model(), &QAbstractItemModel::modelReset, this, [this] {
        m_widest = 0;
        measure(0, m_grid->model()->rowCount() - 1);
        fitLastFrozen();
    });
    connect(m_grid->model(), &QAbstractItemModel::dataChanged, this,
        [this](const QModelIndex& from, const QModelIndex& to) {
            if (from.column() <= m_columns - 1 && to.column() >= m_columns - 1) {
                measure(from.row(), to.row());
                fitLastFrozen();
            }
        });
    connect(m_grid->model(), &QAbstractItemModel::columnsInserted, this, &FrozenColumns::showOnlyFrozen);
}

bool FrozenColumns::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize || event->type() == QEvent::Show || event->type() == QEvent::LayoutRequest)
        place();
    if (watched == m_grid && event->type() == QEvent::Resize)
        fitLastFrozen(); // a third of a wider grid
    return QObject::eventFilter(watched, event);
}

void FrozenColumns::showOnlyFrozen()
{
    const int count = m_grid->model()->columnCount();
    for (int column = 0; column < count; ++column) {
        m_frozen->setColumnHidden(column, column >= m_columns);
        if (column < m_columns)
            m_frozen->header()->resizeSection(column, m_grid->header()->sectionSize(column));
    }
    m_frozen->header()->setVisible(m_grid->header()->isVisible());
    place();
}

void FrozenColumns::place()
{
    int width = 0;
    for (int column = 0; column < m_columns; ++column)
        width += m_grid->isColumnHidden(column) ? 0 : m_grid->header()->sectionSize(column);
    const int frame = m_grid->frameWidth();
    const int header = m_grid->header()->isVisible() ? m_grid->header()->height() : 0;
    m_frozen->header()->setFixedHeight(header);
    m_frozen->header()->setVisible(header > 0);
    m_frozen->setGeometry(frame, frame, width, header + m_grid->viewport()->height());
    m_frozen->verticalScrollBar()->setValue(m_grid->verticalScrollBar()->value());
}

void FrozenColumns::fitToContents()
{
    m_sizedByUser = false;
    fitLastFrozen();
}

void FrozenColumns::measure(int firstRow, int lastRow)
{
    // Names are measured as drawn, the first few thousand of them: a list of millions costs no more, and
    // a name longer than any of those is cut as before.
    constexpr int kMeasuredRows = 5000;
    const QAbstractItemModel* model = m_grid->model();
    for (int row = qMax(0, firstRow); row <= qMin(lastRow, qMin(model->rowCount(), kMeasuredRows) - 1); ++row)
        m_widest = qMax(m_widest, m_grid->sizeHintForIndex(model->index(row, m_columns - 1)).width());
}

void FrozenColumns::fitLastFrozen()
{
    const int column = m_columns - 1;
    if (m_sizedByUser)
        return;
    int others = 0;
    for (int frozen = 0; frozen < column; ++frozen)
        others += m_grid->header()->sectionSize(frozen);
    const int third = m_grid->viewport()->width() / 3 - others;
    const int width = qMax(m_designedWidth, qMin(m_widest, third));
    if (width == m_grid->header()->sectionSize(column))
        return;
    m_sizing = true;
    m_grid->header()->resizeSection(column, width);
    m_sizing = false;
}

QList<int> FrozenColumns::scrollStops() const
{
    // Where the grid stands when each column after the frozen ones begins at their right edge.
    const QHeaderView* header = m_grid->header();
    QList<int> stops;
    int frozenWidth = 0;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (header->isSectionHidden(logical))
            continue;
        if (logical < m_columns)
            frozenWidth += header->sectionSize(logical);
        else
            stops.append(header->sectionPosition(logical) - frozenWidth);
    }
    return stops;
}

void FrozenColumns::snapScroll(int value)
{
    // Pixel by pixel, a column passes under the frozen ones and its header is half hidden there; the grid
    // moves on to the next stop in the direction it was going instead.
    const QList<int> stops = scrollStops();
    int snapped = value;
    if (value > m_scrolled) {
        const auto next = std::lower_bound(stops.cbegin(), stops.cend(), value);
        snapped = next == stops.cend() ? value : *next;
    } else if (value < m_scrolled) {
        const auto after = std::upper_bound(stops.cbegin(), stops.cend(), value);
        snapped = after == stops.cbegin() ? 0 : *(after - 1);
    }
    m_scrolled = qMin(snapped, m_grid->horizontalScrollBar()->maximum());
    if (m_scrolled != value)
        m_grid->horizontalScrollBar()->setValue(m_scrolled);
}

void FrozenColumns::reachLastStop()
{
    // The grid's own end is rarely a stop: it goes on to the next one, an empty strip past the last column.
    QScrollBar* bar = m_grid->horizontalScrollBar();
    const QList<int> stops = scrollStops();
    const auto next = std::lower_bound(stops.cbegin(), stops.cend(), bar->maximum());
    if (bar->maximum() > 0 && next != stops.cend() && *next != bar->maximum())
        bar->setMaximum(*next);
}
