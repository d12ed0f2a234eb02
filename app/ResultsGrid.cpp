#include "app/ResultsGrid.h"

#include "queries/lookups/rank.h"
#include "queries/engine/results.h"
#include "queries/sources/tranco.h"

#include <QColor>
#include <QFont>

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr qsizetype kShownCharacters = 1000;
}

QString displayText(const QString& cell)
{
    QString shown = cell.left(kShownCharacters);
    if (shown.size() < cell.size())
        shown += u'…';
    shown.replace(u"\r\n"_s, u"↵"_s);
    shown.replace(u'\r', u'↵');
    shown.replace(u'\n', u'↵');
    return shown;
}

ResultsGrid::ResultsGrid(const Results& results, const TrancoStore& ranks, QObject* parent)
    : QAbstractTableModel(parent)
    , m_results(results)
    , m_ranks(ranks)
{
    connect(&results, &Results::aboutToReset, this, &ResultsGrid::beginResetModel);
    connect(&results, &Results::wasReset, this, &ResultsGrid::endResetModel);
    const auto changed = [this](int row, int column) {
        const QModelIndex cell = index(row, column);
        emit dataChanged(cell, cell, {Qt::DisplayRole, Qt::ToolTipRole, Qt::FontRole, Qt::ForegroundRole});
    };
    connect(&results, &Results::cellChanged, this, changed);
    connect(&results, &Results::earlierChanged, this, changed);
}

int ResultsGrid::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_results.rowCount();
}

int ResultsGrid::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_results.table().columnCount();
}

QVariant ResultsGrid::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return displayText(m_results.text(index.row(), index.column()));
    if (role != Qt::ToolTipRole && role != Qt::FontRole && role != Qt::ForegroundRole)
        return {};
    const QString why = m_results.problem(index.row(), index.column());
    if (why.isEmpty()) {
        // An answer that changed since an earlier batch stands out, and says what it was.
        const std::optional<Results::Earlier> earlier = m_results.earlier(index.row(), index.column());
        if (!earlier && role == Qt::ToolTipRole && !m_results.note(index.row(), index.column()).isEmpty())
            return m_results.note(index.row(), index.column());
        if (!earlier || role == Qt::FontRole)
            return {};
        if (role == Qt::ForegroundRole)
            return QColor(0x1565c0);
        return u"上次：%1（%2）"_s.arg(displayText(earlier->text), earlier->date.toString(Qt::ISODate));
    }
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
    const LookupTable& table = m_results.table();
    if (orientation != Qt::Horizontal || section < 0 || section >= table.columnCount())
        return {};
    if (role == Qt::DisplayRole)
        return table.header(section);
    if (role == Qt::ToolTipRole && section == table.columnOf(trancoLookup())) {
        return m_ranks.isInstalled() ? u"Tranco 列表日期：%1"_s.arg(m_ranks.date().toString(Qt::ISODate))
                                  : u"还没有排名列表：文件 → 导入排名列表…"_s;
    }
    return {};
}
