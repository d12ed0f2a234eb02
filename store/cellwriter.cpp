#include "store/cellwriter.h"

#include "store/schema.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QSqlError>
#include <QUuid>

using namespace Qt::Literals::StringLiterals;

namespace {

// Another program writing holds the file for a moment; one that holds it longer counts as a failure.
constexpr int kBusyTimeoutMs = 5000;

} // namespace

CellWriter::CellWriter(const QString& path)
    : m_path(path)
    , m_connection(u"writer-"_s + QUuid::createUuid().toString(QUuid::Id128))
{
}

CellWriter::~CellWriter()
{
    m_insert.reset();
    m_insertName.reset();
    m_earlier.reset();
    m_expiries.reset();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

QString CellWriter::open()
{
    m_db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_connection);
    m_db.setDatabaseName(m_path);
    m_db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=%1"_s.arg(kBusyTimeoutMs));
    if (!m_db.open())
        return describe(m_db.lastError());
    QSqlQuery(u"PRAGMA synchronous=NORMAL"_s, m_db);
    m_insert.emplace(m_db);
    m_earlier.emplace(m_db);
    // Columns by name: a table a later version or the user gave one more column still takes our rows.
    if (!m_insert->prepare(u"INSERT OR REPLACE INTO cells (batch, row, domain, lookup, text, problem, at, "
                           u"value) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"_s))
        return describe(m_insert->lastError());
    m_insertName.emplace(m_db);
    if (!m_insertName->prepare(u"INSERT OR REPLACE INTO names (batch, row, domain) VALUES (?, ?, ?)"_s))
        return describe(m_insertName->lastError());
    if (!m_earlier->prepare(u"SELECT text, at, value FROM cells WHERE domain = ? AND lookup = ? AND batch < ? AND "
                            u"problem = '' ORDER BY batch DESC LIMIT 1"_s))
        return describe(m_earlier->lastError());
    if (!m_expiries.prepare(m_db))
        return m_expiries.error();
    return {};
}

void CellWriter::enqueue(Cell cell)
{
    QMutexLocker lock(&m_mutex);
    m_pending.append(std::move(cell));
    ++m_enqueued;
    if (!std::exchange(m_scheduled, true))
        QMetaObject::invokeMethod(this, &CellWriter::write, Qt::QueuedConnection);
}

bool CellWriter::waitCommitted(int timeoutMs)
{
    QMutexLocker lock(&m_mutex);
    const qint64 target = m_enqueued;
    QDeadlineTimer deadline(timeoutMs);
    while (m_committed < target && !m_stopped) {
        if (!m_progress.wait(&m_mutex, deadline))
            break;
    }
    return m_committed >= target;
}

void CellWriter::write()
{
    QList<Cell> cells;
    {
        QMutexLocker lock(&m_mutex);
        cells.swap(m_pending);
        m_scheduled = false;
    }
    if (cells.isEmpty() || m_stopped)
        return;
    QSqlError error;
    // Told before whoever waits (drain()) is woken: what it then reads of the queue includes the news.
    if (!commit(cells, &error)) {
        m_db.rollback();
        emit failed(describe(error), isDamage(error));
        QMutexLocker lock(&m_mutex);
        m_stopped = true;
        m_progress.wakeAll();
        return;
    }
    for (const Found& found : std::as_const(m_found)) {
        const Cell& cell = *found.cell;
        emit earlierFound(cell.batch, cell.row, cell.lookup, cell.domain, cell.text, found.text, found.date,
            found.changed, found.value);
    }
    m_found.clear();
    emit committed(m_committed + cells.size());
    QMutexLocker lock(&m_mutex);
    m_committed += cells.size();
    m_progress.wakeAll();
}

// All of `cells` in one transaction; false at the first statement that fails, with its error.
bool CellWriter::commit(const QList<Cell>& cells, QSqlError* error)
{
    m_found.clear();
    bool ok = m_db.transaction();
    if (!ok)
        *error = m_db.lastError();
    for (auto cell = cells.cbegin(); ok && cell != cells.cend(); ++cell) {
        if (cell->row < 0) {
            QSqlQuery finish(m_db);
            ok = finish.exec(u"UPDATE batches SET finished = 1 WHERE id = %1"_s.arg(cell->batch));
            *error = finish.lastError();
            continue;
        }
        if (cell->lookup.isEmpty()) {
            for (const QVariant& value : {QVariant(cell->batch), QVariant(cell->row), QVariant(cell->domain)})
                m_insertName->addBindValue(value);
            ok = m_insertName->exec();
            *error = m_insertName->lastError();
            continue;
        }
        if (std::optional<Found> found = lastAnswer(*cell))
            m_found.append(*found);
        for (const QVariant& value : {QVariant(cell->batch), QVariant(cell->row), QVariant(cell->domain),
                 QVariant(cell->lookup), QVariant(cell->text), QVariant(cell->problem), QVariant(cell->at),
                 QVariant(cell->value.stored().isNull() ? u""_s : cell->value.stored())})
            m_insert->addBindValue(value);
        ok = m_insert->exec();
        *error = m_insert->lastError();
        if (ok && cell->problem.isEmpty() && expiries::isKept(cell->lookup)) {
            ok = m_expiries.record(cell->domain, cell->lookup, cell->value, cell->text, cell->at);
            if (!ok)
                *error = QSqlError(m_expiries.error(), {}, QSqlError::StatementError);
        }
    }
    if (ok && !m_db.commit()) {
        ok = false;
        *error = m_db.lastError();
    }
    return ok;
}

// The last real answer an earlier batch saved for the same domain and lookup, when today's differs from it
// or failed (the failed cell shows it beside its mark). One indexed look per cell: a run of a million names
// pays for it in milliseconds a thousand cells.
std::optional<CellWriter::Found> CellWriter::lastAnswer(const Cell& cell)
{
    m_earlier->addBindValue(cell.domain);
    m_earlier->addBindValue(cell.lookup);
    m_earlier->addBindValue(cell.batch);
    std::optional<Found> found;
    if (m_earlier->exec() && m_earlier->next()) {
        const LastAnswer last {m_earlier->value(0).toString(),
            QDateTime::fromString(m_earlier->value(1).toString(), Qt::ISODateWithMs).date(),
            CellValue::fromStored(m_earlier->value(2).toString())};
        const bool failed = !cell.problem.isEmpty();
        const bool changed
            = compareCell(last, cell.text, cell.value, failed, cell.measure).kind == CellChange::Kind::Changed;
        if (changed || failed)
            found = Found {&cell, last.text, last.date, changed, last.value};
    }
    m_earlier->finish();
    return found;
}
