#include "app/ResultsGrid.h"

#include <QColor>
#include <QFont>

using namespace Qt::Literals::StringLiterals;

const std::vector<GridColumnInfo>& gridColumns()
{
    static const std::vector<GridColumnInfo> columns {
        {QString(), 10},
        {u"查询域名地址"_s, 100},
        {u"域名注册"_s, 70},
        {u"域名是否备案"_s, 100},
        {u"百度收录"_s, 65},
        {u"百度反链"_s, 65},
        {u"Alexa排名"_s, 70},
        {u"yahoo反链"_s, 75},
        {u"出站链接"_s, 65},
        {u"站点IP地址"_s, 105},
    };
    return columns;
}

ResultsGrid::ResultsGrid(QObject* parent)
    : QAbstractTableModel(parent)
{
}

void ResultsGrid::clear()
{
    beginResetModel();
    m_headers.clear();
    m_cells.clear();
    m_cells.shrink_to_fit();
    m_problems.clear();
    endResetModel();
}

void ResultsGrid::setHeaders(const QStringList& headers)
{
    Q_ASSERT(m_cells.empty());
    beginResetModel();
    m_headers = headers;
    endResetModel();
}

void ResultsGrid::appendRows(const QStringList& domains)
{
    if (domains.isEmpty())
        return;
    const int first = rowCount();
    const QString blank = u" "_s;
    beginInsertRows({}, first, first + int(domains.size()) - 1);
    m_cells.reserve(m_cells.size() + size_t(domains.size()) * GridColumnCount);
    for (int i = 0; i < domains.size(); ++i) {
        m_cells.push_back(QString::number(first + i));
        m_cells.push_back(domains.at(i));
        for (int column = RegistrarColumn; column < GridColumnCount; ++column)
            m_cells.push_back(blank);
    }
    endInsertRows();
}

QString ResultsGrid::text(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= GridColumnCount)
        return {};
    return m_cells[size_t(row) * GridColumnCount + size_t(column)];
}

void ResultsGrid::setText(int row, int column, const QString& text, const QString& problem)
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= GridColumnCount)
        return;
    const qsizetype at = qsizetype(row) * GridColumnCount + column;
    m_cells[size_t(at)] = text;
    if (problem.isEmpty())
        m_problems.remove(at);
    else
        m_problems.insert(at, problem);
    const QModelIndex cell = index(row, column);
    emit dataChanged(cell, cell, {Qt::DisplayRole, Qt::ToolTipRole, Qt::FontRole, Qt::ForegroundRole});
}

QString ResultsGrid::problem(int row, int column) const
{
    return m_problems.value(qsizetype(row) * GridColumnCount + column);
}

bool ResultsGrid::hasProblems(int column) const
{
    for (auto it = m_problems.cbegin(); it != m_problems.cend(); ++it) {
        if (it.key() % GridColumnCount == column)
            return true;
    }
    return false;
}

int ResultsGrid::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_cells.size() / GridColumnCount);
}

int ResultsGrid::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size());
}

QVariant ResultsGrid::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return text(index.row(), index.column());
    if (role != Qt::ToolTipRole && role != Qt::FontRole && role != Qt::ForegroundRole)
        return {};
    const QString why = problem(index.row(), index.column());
    if (why.isEmpty())
        return {};
    if (role == Qt::ToolTipRole)
        return why;
    if (role == Qt::ForegroundRole)
        return QColor(Qt::gray);
    QFont italic;
    italic.setItalic(true);
    return italic;
}

QVariant ResultsGrid::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= m_headers.size())
        return {};
    return m_headers.at(section);
}
