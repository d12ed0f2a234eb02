#include "app/FrozenColumns.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QTreeView>

FrozenColumns::FrozenColumns(QTreeView* grid, int columns)
    : QObject(grid)
    , m_grid(grid)
    , m_frozen(new QTreeView(grid))
    , m_columns(columns)
{
    m_frozen->setObjectName(grid->objectName() + QStringLiteral("Frozen"));
    m_frozen->setModel(grid->model());
    m_frozen->setSelectionModel(grid->selectionModel());
    m_frozen->setSelectionBehavior(grid->selectionBehavior());
    m_frozen->setSelectionMode(grid->selectionMode());
    m_frozen->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_frozen->setRootIsDecorated(false);
    m_frozen->setItemsExpandable(false);
    m_frozen->setUniformRowHeights(true);
    m_frozen->setAllColumnsShowFocus(true);
    m_frozen->setTextElideMode(grid->textElideMode());
    m_frozen->setFocusPolicy(Qt::NoFocus);
    m_frozen->setFrameShape(QFrame::NoFrame);
    m_frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollMode(grid->verticalScrollMode());
    m_frozen->header()->setStretchLastSection(false);
    m_frozen->header()->setMinimumSectionSize(grid->header()->minimumSectionSize());
    m_frozen->header()->setSectionsMovable(false);
    m_frozen->setContextMenuPolicy(Qt::CustomContextMenu);
    // A right click on the frozen part opens the grid's own menu, where the grid would have.
    connect(m_frozen, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        emit m_grid->customContextMenuRequested(m_grid->viewport()->mapFrom(m_frozen->viewport(), at));
    });

    // Both scroll as one, whichever the wheel or the keys move.
    connect(m_frozen->verticalScrollBar(), &QScrollBar::valueChanged, m_grid->verticalScrollBar(), &QScrollBar::setValue);
    connect(m_grid->verticalScrollBar(), &QScrollBar::valueChanged, m_frozen->verticalScrollBar(), &QScrollBar::setValue);
    // Rows arrive during a batch and the grid follows them: a value set before the overlay had room for it
    // was cut short, so it is set again once the overlay's range catches up.
    connect(m_frozen->verticalScrollBar(), &QScrollBar::rangeChanged, this,
        [this] { m_frozen->verticalScrollBar()->setValue(m_grid->verticalScrollBar()->value()); });
    connect(m_grid->header(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        if (section < m_columns) {
            m_frozen->header()->resizeSection(section, size);
            place();
        }
    });
    connect(m_grid->model(), &QAbstractItemModel::modelReset, this, &FrozenColumns::showOnlyFrozen);
    connect(m_grid->model(), &QAbstractItemModel::columnsInserted, this, &FrozenColumns::showOnlyFrozen);
    grid->installEventFilter(this);
    grid->viewport()->installEventFilter(this);
    showOnlyFrozen();
    m_frozen->show();
}

bool FrozenColumns::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize || event->type() == QEvent::Show || event->type() == QEvent::LayoutRequest)
        place();
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
