#pragma once

#include <QAbstractTableModel>

class Results;
class TrancoStore;

// How a cell reads in the grid: its first 1,000 characters on one line, line breaks shown as ↵, the rest
// elided with "…". A 15 MB cell would otherwise take seconds per repaint. Exports keep the whole text.
QString displayText(const QString& cell);

// The results as the grid shows them: the text, and marked cells in grey italics with their reason.
class ResultsGrid : public QAbstractTableModel
{
    Q_OBJECT
public:
    // The rank list's date shows in its column's header tooltip.
    ResultsGrid(const Results& results, const TrancoStore& ranks, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const Results& m_results;
    const TrancoStore& m_ranks;
};
