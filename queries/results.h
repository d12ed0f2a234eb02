#pragma once

#include <QDate>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <optional>
#include <deque>
#include <vector>

// The first two columns of every row; each lookup owns one column after them, in table order.
enum : int { PositionColumn = 0, DomainColumn = 1, FirstLookupColumn = 2 };

struct Lookup;
int columnOf(const Lookup& lookup);
int columnCount();
// "" over the positions, "查询域名地址" over the domains, then each lookup's own.
QString columnHeader(int column);
int columnWidth(int column); // pixels, in the grid

// A cell's text as every output may carry it: closing line breaks and spaces dropped, line breaks within
// as ↵, other control characters (C0, DEL, C1) and bidirectional overrides as U+FFFD. Pages are written by
// strangers, and a title that moves the terminal's cursor or reverses the text around it must not reach the
// user's screen as such.
QString cleanCellText(const QString& text);
// Characters as a reader counts them: one outside the BMP is one, not two UTF-16 units.
qsizetype characterCount(QStringView text);

// The rows of a batch: one per queued domain, its position, the domain, then one cell per lookup.
// Cells hold text only; a cell no lookup has written holds one space. Stored flat, one string per cell,
// so a batch of 100,000 domains builds in a few milliseconds.
class Results : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    void reset(const QStringList& domains);
    // Rows one after another as a list is read, and let go of once written out: a list of millions is
    // never held whole. Row numbers stay those of the whole list; a row let go of reads as empty. The
    // position column shows `positions` where given (a part of a longer list), else the row numbers.
    void appendRows(const QStringList& domains, const QList<qint64>& positions = {});
    void releaseRowsBefore(int row);
    // After the table of lookups has changed (the user's own were edited): each cell moves to its lookup's
    // new column (by key), a lookup no longer there loses its cells, a new one starts blank.
    void reshape(const std::vector<const Lookup*>& before);
    int rowCount() const { return m_rows; }
    int firstRow() const { return m_first; }

    QString text(int row, int column) const;
    // A cell with a problem keeps its text, is shown marked, and says why.
    void setCell(int row, int column, const QString& text, const QString& problem = QString(),
        const QString& note = QString());
    QString problem(int row, int column) const;
    QString note(int row, int column) const { return m_notes.value(at(row, column)); }
    int problemCount() const { return int(m_problems.size()); }
    bool hasProblems(int column) const;
    // Whether a lookup has written the cell since the rows were made (a blank-looking answer included).
    bool isWritten(int row, int column) const { return contains(row, column) && m_written[slot(row, column)]; }

    // What the same domain's column said in an earlier batch, kept where today's answer differs.
    struct Earlier
    {
        QString text;
        QDate date;
    };
    void setEarlier(int row, int column, const Earlier& earlier);
    std::optional<Earlier> earlier(int row, int column) const;

signals:
    void aboutToReset();
    void wasReset();
    void cellChanged(int row, int column);
    void earlierChanged(int row, int column);

private:
    qsizetype at(int row, int column) const { return qsizetype(row) * m_columns + column; }
    size_t slot(int row, int column) const { return size_t(qsizetype(row - m_first) * m_columns + column); }
    bool contains(int row, int column) const
    {
        return row >= m_first && row < m_rows && column >= 0 && column < m_columns;
    }

    int m_first = 0; // rows before it have been let go of
    int m_rows = 0;
    int m_columns = 0;
    std::deque<QString> m_cells;
    std::deque<bool> m_written;
    QHash<qsizetype, QString> m_problems; // few cells fail: kept apart from the cells
    QHash<qsizetype, QString> m_notes;
    QHash<qsizetype, Earlier> m_earlier;
};
