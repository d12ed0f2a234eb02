// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/changedrows.h"

#include "app/ResultsGrid.h"

#include <QTreeView>

ChangedRowsFilter::ChangedRowsFilter(const ResultsGrid& model, QList<QTreeView*> views)
    : m_model(model)
    , m_views(std::move(views))
{
    QObject::connect(&m_model, &QAbstractItemModel::dataChanged, m_views.first(),
        [this](const QModelIndex& from, const QModelIndex& to, const QList<int>& roles) {
            if (m_on && (roles.isEmpty() || roles.contains(ResultsGrid::RowChangedRole)))
                refresh(from.row(), to.row());
        });
    QObject::connect(&m_model, &QAbstractItemModel::modelReset, m_views.first(), [this] {
        if (m_on)
            refresh(0, m_model.rowCount() - 1);
    });
}

void ChangedRowsFilter::setOn(bool on)
{
    m_on = on;
    refresh(0, m_model.rowCount() - 1);
}

void ChangedRowsFilter::refresh(int firstRow, int lastRow)
{
    for (int row = qMax(0, firstRow); row <= lastRow && row < m_model.rowCount(); ++row) {
        const bool hidden = m_on && !m_model.index(row, 0).data(ResultsGrid::RowChangedRole).toBool();
        for (QTreeView* view : std::as_const(m_views)) {
            if (view->isRowHidden(row, {}) != hidden)
                view->setRowHidden(row, {}, hidden);
        }
    }
}
