// SPDX-License-Identifier: GPL-3.0-or-later
// The rows of a batch stored flat, cells following their lookup when the table changes.
#include "queries/engine/results.h"

#include "queries/engine/lookup.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

Results::Results(QObject* parent)
    : QObject(parent)
    , m_table(std::make_shared<const LookupTable>())
{
}

void Results::setTable(std::shared_ptr<const LookupTable> table)
{
    emit aboutToReset();
    const std::shared_ptr<const LookupTable> before = std::exchange(m_table, std::move(table));
    if (m_columns > 0)
        reshape(before->lookups());
    emit wasReset();
    emit tableChanged();
}

void Results::reset(const QStringList& domains)
{
    emit aboutToReset();
    m_columns = m_table->columnCount();
    m_first = m_rows = 0;
    m_problems.clear();
    m_notes.clear();
    m_earlier.clear();
    m_written.clear();
    m_cells.clear();
    m_cells.shrink_to_fit();
    m_values.clear();
    m_values.shrink_to_fit();
    appendRows(domains);
    emit wasReset();
}

void Results::appendRows(const QStringList& domains, const QList<qint64>& positions)
{
    if (m_columns == 0)
        m_columns = m_table->columnCount();
    const QString blank = u" "_s;
    for (qsizetype i = 0; i < domains.size(); ++i) {
        const qint64 position = i < positions.size() ? positions.at(i) : qint64(m_rows);
        m_cells.push_back(QString::number(position));
        m_values.push_back(CellValue::count(position, false));
        m_cells.push_back(domains.at(i));
        ++m_rows;
        for (int column = FirstLookupColumn; column < m_columns; ++column)
            m_cells.push_back(blank);
        m_values.resize(m_cells.size());
    }
    m_written.resize(m_cells.size(), false);
}

void Results::reshape(const std::vector<const Lookup*>& before)
{
    const int oldColumns = m_columns;
    const auto oldAt = [&](int row, int column) { return qsizetype(row) * oldColumns + column; };
    std::vector<int> from; // the old column of each new one, -1 for a new lookup
    for (int column = 0; column < m_table->columnCount(); ++column) {
        if (column < FirstLookupColumn) {
            from.push_back(column);
            continue;
        }
        // By key: an edited definition is a new entry in the table, but the same column to the user.
        const Lookup* lookup = m_table->lookupAt(column);
        const auto found = std::find_if(
            before.begin(), before.end(), [&](const Lookup* earlier) { return earlier->key == lookup->key; });
        from.push_back(found == before.end() ? -1 : FirstLookupColumn + int(found - before.begin()));
    }
    std::deque<QString> cells;
    std::deque<CellValue> values;
    std::deque<bool> written;
    QHash<qsizetype, QString> problems, notes;
    QHash<qsizetype, Earlier> earlier;
    m_columns = int(from.size());
    for (int row = m_first; row < m_rows; ++row) {
        for (int column = 0; column < m_columns; ++column) {
            const int old = from[size_t(column)];
            const size_t oldSlot = size_t(qsizetype(row - m_first) * oldColumns + old);
            cells.push_back(old < 0 ? u" "_s : m_cells[oldSlot]);
            values.push_back(old < 0 ? CellValue() : m_values[oldSlot]);
            written.push_back(old >= 0 && m_written[oldSlot]);
            if (old < 0)
                continue;
            if (const auto it = m_problems.constFind(oldAt(row, old)); it != m_problems.cend())
                problems.insert(at(row, column), *it);
            if (const auto it = m_notes.constFind(oldAt(row, old)); it != m_notes.cend())
                notes.insert(at(row, column), *it);
            if (const auto it = m_earlier.constFind(oldAt(row, old)); it != m_earlier.cend())
                earlier.insert(at(row, column), *it);
        }
    }
    m_cells = std::move(cells);
    m_values = std::move(values);
    m_written = std::move(written);
    m_problems = std::move(problems);
    m_notes = std::move(notes);
    m_earlier = std::move(earlier);
}

void Results::releaseRowsBefore(int row)
{
    row = qMin(row, m_rows);
    if (row <= m_first)
        return;
    const size_t cells = size_t(qsizetype(row - m_first) * m_columns);
    m_cells.erase(m_cells.begin(), m_cells.begin() + qsizetype(cells));
    m_values.erase(m_values.begin(), m_values.begin() + qsizetype(cells));
    m_written.erase(m_written.begin(), m_written.begin() + qsizetype(cells));
    m_first = row;
    const qsizetype before = at(row, 0);
    for (auto* hash : {&m_problems, &m_notes}) {
        for (auto it = hash->begin(); it != hash->end();)
            it = it.key() < before ? hash->erase(it) : std::next(it);
    }
    for (auto it = m_earlier.begin(); it != m_earlier.end();)
        it = it.key() < before ? m_earlier.erase(it) : std::next(it);
}

QString Results::text(int row, int column) const
{
    return contains(row, column) ? m_cells[slot(row, column)] : QString();
}

CellValue Results::value(int row, int column) const
{
    return contains(row, column) ? m_values[slot(row, column)] : CellValue();
}

void Results::setCell(
    int row, int column, const QString& text, const QString& problem, const QString& note, const CellValue& value)
{
    if (!contains(row, column))
        return;
    writeCell(row, column, text, problem, note, value);
    emit cellChanged(row, column);
}

void Results::writeCell(
    int row, int column, const QString& text, const QString& problem, const QString& note, const CellValue& value)
{
    if (!contains(row, column))
        return;
    m_cells[slot(row, column)] = cleanCellText(text);
    m_values[slot(row, column)] = value;
    m_written[slot(row, column)] = true;
    m_earlier.remove(at(row, column));
    if (note.isEmpty())
        m_notes.remove(at(row, column));
    else
        m_notes.insert(at(row, column), cleanCellText(note));
    if (problem.isEmpty())
        m_problems.remove(at(row, column));
    else
        m_problems.insert(at(row, column), cleanCellText(problem));
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

bool Results::hasChange(int row) const
{
    if (m_earlier.isEmpty())
        return false;
    for (int column = FirstLookupColumn; column < m_columns; ++column) {
        const auto found = m_earlier.constFind(at(row, column));
        if (found != m_earlier.cend() && found->changed)
            return true;
    }
    return false;
}

std::optional<Results::Earlier> Results::earlier(int row, int column) const
{
    const auto found = m_earlier.constFind(at(row, column));
    return found == m_earlier.cend() ? std::nullopt : std::optional<Earlier>(*found);
}
