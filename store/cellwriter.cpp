// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/cellwriter.h"

#include "store/instants.h"
#include "store/schema.h"

#include <QDateTime>
#include <QSqlError>
#include <QUuid>

using namespace Qt::Literals::StringLiterals;

namespace {

// Another program writing holds the file for a moment; one that holds it longer counts as a failure.
constexpr int kBusyTimeoutMs = 5000;

} // namespace

CellWriter::CellWriter(const QString& path, qint64 mostUnsaved)
    : m_path(path)
    , m_connection(u"writer-"_s + QUuid::createUuid().toString(QUuid::Id128))
    , m_gate(mostUnsaved)
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
                           u"at_offset, value) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"_s))
        return describe(m_insert->lastError());
    m_insertName.emplace(m_db);
    if (!m_insertName->prepare(u"INSERT OR REPLACE INTO names (batch, row, domain) VALUES (?, ?, ?)"_s))
        return describe(m_insertName->lastError());
    if (!m_earlier->prepare(
            u"SELECT text, at, at_offset, value, (SELECT language FROM batches WHERE id = cells.batch) FROM cells "
            u"WHERE domain = ? AND lookup = ? AND batch < ? AND problem = '' ORDER BY batch DESC LIMIT 1"_s))
        return describe(m_earlier->lastError());
    if (!m_expiries.prepare(m_db))
        return m_expiries.error();
    return {};
}

void CellWriter::enqueue(Message message)
{
    QMutexLocker lock(&m_mutex);
    m_pending.append(std::move(message));
    m_gate.handOver();
    if (!std::exchange(m_scheduled, true))
        QMetaObject::invokeMethod(this, &CellWriter::write, Qt::QueuedConnection);
}

void CellWriter::write()
{
    QList<Message> cells;
    {
        QMutexLocker lock(&m_mutex);
        cells.swap(m_pending);
        m_scheduled = false;
    }
    if (cells.isEmpty() || m_gate.hasStopped())
        return;
    QSqlError error;
    // Told before whoever waits (drain()) is woken: what it then reads of the queue includes the news.
    if (!commit(cells, &error)) {
        m_db.rollback();
        emit failed(describe(error), isDamage(error));
        m_gate.stop();
        return;
    }
    for (const Found& found : std::as_const(m_found)) {
        const Cell& cell = *found.cell;
        emit earlierFound(cell.batch, cell.row, cell.lookup, cell.domain, cell.text, found.text, found.date,
            found.changed, found.value);
    }
    m_found.clear();
    emit committed(m_gate.committed() + cells.size());
    m_gate.commit(cells.size());
}

// All of `messages` in one transaction; false at the first statement that fails, with its error.
bool CellWriter::commit(const QList<Message>& messages, QSqlError* error)
{
    m_found.clear();
    bool ok = m_db.transaction();
    if (!ok)
        *error = m_db.lastError();
    for (auto message = messages.cbegin(); ok && message != messages.cend(); ++message)
        ok = std::visit([this, error](const auto& kind) { return put(kind, error); }, *message);
    if (ok && !m_db.commit()) {
        ok = false;
        *error = m_db.lastError();
    }
    return ok;
}

bool CellWriter::put(const BatchEnd& end, QSqlError* error)
{
    QSqlQuery finish(m_db);
    const bool ok = finish.exec(u"UPDATE batches SET finished = 1 WHERE id = %1"_s.arg(end.batch));
    *error = finish.lastError();
    return ok;
}

bool CellWriter::put(const Name& name, QSqlError* error)
{
    for (const QVariant& value : {QVariant(name.batch), QVariant(name.row), QVariant(name.domain)})
        m_insertName->addBindValue(value);
    const bool ok = m_insertName->exec();
    *error = m_insertName->lastError();
    return ok;
}

bool CellWriter::put(const Cell& cell, QSqlError* error)
{
    // Changes are told from what this finds: a last answer it cannot read stops saving as a failed write does
    // (with the query's own error, so a damaged file is still moved aside), rather than leaving changes untold.
    const ReadResult<std::optional<Found>> found = lastAnswer(cell);
    if (!found.ok()) {
        *error = m_earlier->lastError();
        return false;
    }
    if (found.value())
        m_found.append(*found.value());
    const QString at = instantText(cell.at);
    for (const QVariant& value : {QVariant(cell.batch), QVariant(cell.row), QVariant(cell.domain),
             QVariant(cell.lookup), QVariant(cell.text), QVariant(cell.problem), QVariant(at),
             QVariant(cell.at.offsetFromUtc()), QVariant(cell.value.stored().isNull() ? u""_s : cell.value.stored())})
        m_insert->addBindValue(value);
    bool ok = m_insert->exec();
    *error = m_insert->lastError();
    if (ok && cell.problem.isEmpty() && expiries::isKept(cell.lookup)) {
        ok = m_expiries.record(cell.domain, cell.lookup, cell.value, cell.text, at);
        if (!ok)
            *error = QSqlError(m_expiries.error(), {}, QSqlError::StatementError);
    }
    return ok;
}

// The last real answer an earlier batch saved for the same domain and lookup, when today's differs from it
// or failed (the failed cell shows it beside its mark). One indexed look per cell: a run of a million names
// pays for it in milliseconds a thousand cells.
ReadResult<std::optional<CellWriter::Found>> CellWriter::lastAnswer(const Cell& cell)
{
    m_earlier->addBindValue(cell.domain);
    m_earlier->addBindValue(cell.lookup);
    m_earlier->addBindValue(cell.batch);
    if (!m_earlier->exec())
        return ReadError {describe(m_earlier->lastError())};
    std::optional<Found> found;
    if (m_earlier->next()) {
        // Its day as the user had it when it was saved, in whatever zone this computer is now.
        const LastAnswer last {m_earlier->value(0).toString(),
            storedTime(m_earlier->value(1).toString(), m_earlier->value(2).toInt()).date(),
            CellValue::fromStored(m_earlier->value(3).toString()),
            languageNamed(m_earlier->value(4).toString()).value_or(Language::Chinese)};
        const bool failed = !cell.problem.isEmpty();
        const bool changed = compareCell(last, cell.text, cell.value, failed, cell.measure, cell.language).kind
            == CellChange::Kind::Changed;
        if (changed || failed)
            found = Found {&cell, last.text, last.date, changed, last.value};
    }
    m_earlier->finish();
    return found;
}
