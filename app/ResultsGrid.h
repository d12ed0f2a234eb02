// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "queries/engine/results.h"
#include "settings/clock.h"
#include "settings/settings.h"

#include <QAbstractTableModel>
#include <QStyledItemDelegate>

class Results;
class TrancoStore;

// Draws a changed count's or rank's movement at the cell's right edge, in the theme's muted text colour, when the
// cell has room for it beside its text; the tooltip says it either way.
class DeltaDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// How a cell reads in the grid: its first 1,000 characters on one line, line breaks shown as ↵, the rest
// elided with "…". A 15 MB cell would otherwise take seconds per repaint. Exports keep the whole text.
QString displayText(const QString& cell);
// A tooltip's text as it is: a tooltip whose first line looks like markup is drawn as markup, and an answer or a
// name of the user's may well look so.
QString plainToolTip(const QString& text);

// The results as the grid shows them: the text, and marked cells in grey italics with their reason. A cell that
// changed since its last real answer is bold on a blue tint and says what it was (a count or a rank also how far
// it moved); a failed cell shows the last real answer beside its mark. 到期日 and 证书到期 within 提前提醒天数 are
// tinted orange, past it red.
class ResultsGrid : public QAbstractTableModel
{
    Q_OBJECT
public:
    // The rank list's date shows in its column's header tooltip.
    // The expiry tints count days from `clock`'s today.
    ResultsGrid(const Results& results, const TrancoStore& ranks, QObject* parent = nullptr,
        const Clock& clock = systemClock());

    // Whether any cell of the row changed (for 只看变化), on any column of it.
    static constexpr int RowChangedRole = Qt::UserRole + 1;
    // How far a changed count or rank moved ("↑ 12,300", "排名 ↑ 2"), drawn beside the cell's text where it fits.
    static constexpr int DeltaRole = Qt::UserRole + 2;
    void setWarnDays(int days);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

protected:
    // Sent on by the widget that owns the model when the language changes.
    bool event(QEvent* event) override;

private:
    QString shown(int row, int column, const QString& why, const std::optional<Results::Earlier>& earlier) const;
    QString delta(int row, int column, const std::optional<Results::Earlier>& earlier) const;
    QVariant font(bool failed, bool changed) const;
    QVariant background(int row, int column, const QString& why, const std::optional<Results::Earlier>& earlier) const;

    const Results& m_results;
    const TrancoStore& m_ranks;
    const Clock& m_clock;
    int m_warnDays = Settings::kDefaultWarnDays;
};
