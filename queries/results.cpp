#include "queries/results.h"

#include "queries/lookup.h"

using namespace Qt::Literals::StringLiterals;

int columnOf(const Lookup& lookup)
{
    const auto& all = lookups();
    return FirstLookupColumn + int(std::find(all.begin(), all.end(), &lookup) - all.begin());
}

int columnCount()
{
    return FirstLookupColumn + int(lookups().size());
}

QString columnHeader(int column)
{
    if (column == PositionColumn)
        return {};
    if (column == DomainColumn)
        return u"查询域名地址"_s;
    return lookups().at(size_t(column - FirstLookupColumn))->header;
}

void Results::reset(const QStringList& domains)
{
    emit aboutToReset();
    m_columns = columnCount();
    m_rows = int(domains.size());
    m_problems.clear();
    m_earlier.clear();
    m_written.assign(size_t(m_rows) * size_t(m_columns), false);
    m_cells.clear();
    m_cells.shrink_to_fit();
    m_cells.reserve(size_t(m_rows) * size_t(m_columns));
    const QString blank = u" "_s;
    for (int row = 0; row < m_rows; ++row) {
        m_cells.push_back(QString::number(row));
        m_cells.push_back(domains.at(row));
        for (int column = FirstLookupColumn; column < m_columns; ++column)
            m_cells.push_back(blank);
    }
    emit wasReset();
}

QString Results::text(int row, int column) const
{
    return contains(row, column) ? m_cells[size_t(at(row, column))] : QString();
}

void Results::setCell(int row, int column, const QString& text, const QString& problem)
{
    if (!contains(row, column))
        return;
    m_cells[size_t(at(row, column))] = text;
    m_written[size_t(at(row, column))] = true;
    m_earlier.remove(at(row, column));
    if (problem.isEmpty())
        m_problems.remove(at(row, column));
    else
        m_problems.insert(at(row, column), problem);
    emit cellChanged(row, column);
}

QString Results::problem(int row, int column) const
{
    return m_problems.value(at(row, column));
}

bool Results::hasProblems(int column) const
{
    for (auto it = m_problems.cbegin(); it != m_problems.cend(); ++it) {
        if (it.key() % m_columns == column)
            return true;
    }
    return false;
}

void Results::setEarlier(int row, int column, const Earlier& earlier)
{
    if (!contains(row, column))
        return;
    m_earlier.insert(at(row, column), earlier);
    emit earlierChanged(row, column);
}

std::optional<Results::Earlier> Results::earlier(int row, int column) const
{
    const auto found = m_earlier.constFind(at(row, column));
    return found == m_earlier.cend() ? std::nullopt : std::optional<Earlier>(*found);
}
