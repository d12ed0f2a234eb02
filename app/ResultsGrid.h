#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>
#include <vector>

// Where each fact goes in a row. A lookup owns exactly one of these columns.
enum GridColumn : int {
    PositionColumn = 0,
    DomainColumn,
    RegistrarColumn,
    IcpColumn,
    BaiduIndexColumn,
    BaiduLinksColumn,
    AlexaColumn,
    YahooColumn,
    OutboundColumn,
    SiteIpColumn,
    GridColumnCount
};

struct GridColumnInfo
{
    QString header;
    int width; // pixels
};

// The ten columns, left to right.
const std::vector<GridColumnInfo>& gridColumns();

// The rows of the results list. Cells hold text only; a cell no lookup has written holds one space.
// Stored flat, one QString per cell, so a batch of 100,000 domains builds in a few milliseconds.
class ResultsGrid : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit ResultsGrid(QObject* parent = nullptr);

    void clear();
    void setHeaders(const QStringList& headers);
    // One row per domain: its position, the domain, eight blank cells.
    void appendRows(const QStringList& domains);

    QString text(int row, int column) const;
    // A cell with a problem keeps its text, is shown marked, and says why in its tooltip.
    void setText(int row, int column, const QString& text, const QString& problem = QString());
    QString problem(int row, int column) const;
    int problemCount() const { return int(m_problems.size()); }
    bool hasProblems(int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QStringList m_headers;
    std::vector<QString> m_cells;
    QHash<qsizetype, QString> m_problems; // few cells fail: kept apart from the cells
};
