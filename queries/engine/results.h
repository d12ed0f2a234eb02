// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The rows of a batch and their cells, as the grid, the store and the exports read them.
#include <QDate>
#include <QHash>
#include <QObject>
#include <QStringList>

#include "input/cleantext.h"
#include "queries/engine/lookuptable.h"
#include "queries/engine/value.h"

#include <deque>
#include <memory>
#include <optional>
#include <vector>

// The rows of a batch: one per queued domain, its position, the domain, then one cell per lookup.
// Cells hold their text and their value (a text's value is the text); a cell no lookup has written holds one
// space. Stored flat, one string and one small value per cell, so a batch of 100,000 domains builds in a few
// milliseconds.
class Results : public QObject
{
    Q_OBJECT
public:
    explicit Results(QObject* parent = nullptr);

    // The lookups whose columns the rows have. A new table (the user's own lookups edited) moves each cell
    // to its lookup's new column, by key; a lookup no longer there loses its cells, a new one starts blank.
    void setTable(std::shared_ptr<const LookupTable> table);
    const LookupTable& table() const { return *m_table; }
    std::shared_ptr<const LookupTable> sharedTable() const { return m_table; }

    void reset(const QStringList& domains);
    // Rows one after another as a list is read, and let go of once written out: a list of millions is
    // never held whole. Row numbers stay those of the whole list; a row let go of reads as empty. The
    // position column shows `positions` where given (a part of a longer list), else the row numbers.
    void appendRows(const QStringList& domains, const QList<qint64>& positions = {});
    void releaseRowsBefore(int row);
    int rowCount() const { return m_rows; }
    int firstRow() const { return m_first; }

    QString text(int row, int column) const;
    CellValue value(int row, int column) const;
    // A cell with a problem keeps its text, is shown marked, and says why.
    void setCell(int row, int column, const QString& text, const QString& problem = QString(),
        const QString& note = QString(), const CellValue& value = {});
    // The same, told later (cellChanged) by whoever wrote it: the walker tells a step's cells once it is done.
    void writeCell(int row, int column, const QString& text, const QString& problem, const QString& note,
        const CellValue& value = {});
    QString problem(int row, int column) const;
    QString note(int row, int column) const { return m_notes.value(at(row, column)); }
    int problemCount() const { return int(m_problems.size()); }
    bool hasProblems(int column) const;
    // Whether a lookup has written the cell since the rows were made (a blank-looking answer included).
    bool isWritten(int row, int column) const { return contains(row, column) && m_written[slot(row, column)]; }

    // The last real answer an earlier batch saved for the same domain's column, kept where today's answer
    // changed from it, or failed (a failure is never a change: the last answer stands beside its mark).
    struct Earlier
    {
        QString text;
        QDate date;
        bool changed = false;
        CellValue value = {};
    };
    void setEarlier(int row, int column, const Earlier& earlier);
    std::optional<Earlier> earlier(int row, int column) const;
    // Whether a cell of the row changed since its last real answer.
    bool hasChange(int row) const;

signals:
    void tableChanged();
    void aboutToReset();
    void wasReset();
    void cellChanged(int row, int column);
    void earlierChanged(int row, int column);

private:
    void reshape(const std::vector<const Lookup*>& before);
    qsizetype at(int row, int column) const { return qsizetype(row) * m_columns + column; }
    size_t slot(int row, int column) const { return size_t(qsizetype(row - m_first) * m_columns + column); }
    bool contains(int row, int column) const
    {
        return row >= m_first && row < m_rows && column >= 0 && column < m_columns;
    }

    std::shared_ptr<const LookupTable> m_table;
    int m_first = 0; // rows before it have been let go of
    int m_rows = 0;
    int m_columns = 0;
    std::deque<QString> m_cells;
    std::deque<CellValue> m_values;
    std::deque<bool> m_written;
    QHash<qsizetype, QString> m_problems; // few cells fail: kept apart from the cells
    QHash<qsizetype, QString> m_notes;
    QHash<qsizetype, Earlier> m_earlier;
};
