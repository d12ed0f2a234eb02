// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/store.h"

#include "store/jsonlist.h"

#include "queries/engine/lookup.h"
#include "queries/engine/walker.h"
#include "store/cellwriter.h"
#include "store/instants.h"
#include "store/schema.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUuid>
#include <climits>

using namespace Qt::Literals::StringLiterals;

namespace {

// The batch's lookups, in the grid's order.
QList<const Lookup*> lookupsOf(const ResultStore::Batch& batch, const LookupTable& table)
{
    QList<const Lookup*> chosen;
    for (const Lookup* lookup : table.lookups()) {
        if (batch.lookups.contains(lookup->key))
            chosen.append(lookup);
    }
    return chosen;
}

ReadError failedRead(const QSqlQuery& query)
{
    return {describe(query.lastError())};
}

} // namespace

QString ResultStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/seo-quillmark/results.db"_s;
}

QStringList ResultStore::files(const QString& path)
{
    return {path, path + u"-wal"_s, path + u"-shm"_s};
}

ResultStore::ResultStore(const QString& path, const Clock& clock, QObject* parent)
    : QObject(parent)
    , m_path(path)
    , m_clock(clock)
{
    m_thread.setObjectName(u"result writer"_s);
    open();
}

ResultStore::~ResultStore()
{
    stopWriter();
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

QString ResultStore::moveAside()
{
    m_db.close();
    return moveDamagedAside(m_path, m_clock.now());
}

void ResultStore::open()
{
    QDir().mkpath(QFileInfo(m_path).path());
    if (!m_connection.isEmpty()) {
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
    }
    m_connection = u"store-"_s + QUuid::createUuid().toString(QUuid::Id128);
    m_db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_connection);
    m_db.setDatabaseName(m_path);
    m_db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=1000"_s);
    m_readable = m_saving = false;
    SchemaCheck check = prepareSchema(m_db, m_path);
    if (check.damaged) {
        const QString aside = moveAside();
        if (aside.isEmpty()) {
            m_notice = QCoreApplication::translate("Store", "结果数据库 %1 已损坏，且无法移开；本次运行不保存结果。")
                           .arg(m_path);
            return;
        }
        m_notice = movedNotice(aside);
        check = prepareSchema(m_db, m_path);
    }
    m_readable = check.readable;
    m_later = check.later;
    if (check.writable) {
        startWriter();
        return;
    }
    if (!check.failure.isEmpty())
        m_notice = check.failure;
    if (!m_readable)
        m_db.close();
}

void ResultStore::startWriter()
{
    m_writer = new CellWriter(m_path, kMostUnsaved);
    // Run on the writer's thread; the walker it wakes lives on this one.
    m_writer->gate().setWake([this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_walker && !m_attached.isEmpty())
                    m_walker->wakeUp();
            },
            Qt::QueuedConnection);
    });
    m_writer->moveToThread(&m_thread);
    m_thread.start();
    QString failure;
    QMetaObject::invokeMethod(
        m_writer, [this, &failure] { failure = m_writer->open(); }, Qt::BlockingQueuedConnection);
    if (!failure.isEmpty()) {
        m_notice = QCoreApplication::translate("Store", "无法写入结果数据库 %1（%2）；本次运行不保存结果。")
                       .arg(m_path, failure);
        stopWriter();
        return;
    }
    // Counted as it is heard of here, after the changes the writer told before it: a row that goes out once its
    // cells are committed goes out with its changes known.
    connect(m_writer, &CellWriter::committed, this, [this, base = m_earlierWriters](qint64 count) {
        m_seenCommitted = qMax(m_seenCommitted, base + count);
        emit committed();
        tellIfDrained();
    });
    connect(m_writer, &CellWriter::failed, this, &ResultStore::onWriterFailed);
    connect(m_writer, &CellWriter::earlierFound, this, &ResultStore::onEarlierFound);
    m_saving = true;
}

void ResultStore::onEarlierFound(qint64 batch, int row, const QString& lookup, const QString& domain,
    const QString& saved, const QString& text, const QDate& date, bool changed, const CellValue& value)
{
    // Only while the rows are still the batch's own (a new batch may have begun meanwhile) and the cell still
    // holds what was saved (a failed cell may have been asked again).
    const Lookup* found = m_walker ? m_walker->table().byKey(lookup) : nullptr;
    if (!found || batch != m_batch)
        return;
    Results& results = m_walker->results();
    const int column = results.table().columnOf(*found);
    if (results.text(row, DomainColumn) == domain && results.text(row, column) == saved)
        results.setEarlier(row, column, {text, date, changed, value});
}

void ResultStore::stopWriter()
{
    if (!m_writer)
        return;
    // What is still queued goes in before the connection closes.
    QMetaObject::invokeMethod(m_writer, &CellWriter::write, Qt::BlockingQueuedConnection);
    m_earlierWriters += m_writer->enqueued();
    m_seenCommitted = m_earlierWriters;
    QMetaObject::invokeMethod(
        m_writer, [this] { delete m_writer; }, Qt::BlockingQueuedConnection);
    m_writer = nullptr;
    m_thread.quit();
    m_thread.wait();
}

void ResultStore::onWriterFailed(const QString& failure, bool damaged)
{
    if (!m_saving)
        return;
    m_saving = false;
    stopWriter();
    const QString aside = damaged ? moveAside() : QString();
    if (!aside.isEmpty()) {
        // The cells of this batch are all on screen: they go into the new file with the batch.
        m_notice = movedNotice(aside);
        open();
        emit problem(m_notice);
        if (m_saving && m_walker && m_batch) {
            insertBatch();
            const Results& results = m_walker->results();
            for (int row = results.firstRow(); row < results.rowCount(); ++row) {
                saveName(row, results.text(row, DomainColumn));
                for (int column = FirstLookupColumn; column < results.table().columnCount(); ++column) {
                    if (results.isWritten(row, column))
                        saveCell(row, column);
                }
            }
            return;
        }
    }
    m_failed = true;
    emit problem(
        QCoreApplication::translate("Store", "保存查询结果失败（%1）；本次运行从现在起不再保存结果。").arg(failure));
    tellIfDrained();
}

void ResultStore::insertBatch()
{
    QSqlQuery insert(m_db);
    insert.prepare(u"INSERT INTO batches (started, started_offset, domains, lookups, watchlist, language) "
                   u"VALUES (?, ?, ?, ?, ?, ?)"_s);
    const QDateTime started = m_clock.now();
    insert.addBindValue(instantText(started));
    insert.addBindValue(started.offsetFromUtc());
    insert.addBindValue(u"[]"_s); // the names go into rows of their own
    insert.addBindValue(toJson(m_batchLookups));
    insert.addBindValue(m_watchList.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(m_watchList));
    insert.addBindValue(languageCode(m_language));
    if (insert.exec()) {
        m_batch = insert.lastInsertId().toLongLong();
        return;
    }
    m_batch = 0;
    m_saving = false;
    m_failed = true;
    emit problem(QCoreApplication::translate("Store", "保存查询结果失败（%1）；本次运行不保存结果。")
                     .arg(describe(insert.lastError())));
}

void ResultStore::attach(Walker& walker)
{
    m_walker = &walker;
    m_attached << connect(&walker, &Walker::batchStarted, this, [this](const QList<const Lookup*>& wanted) {
        m_batchLookups.clear();
        for (const Lookup* lookup : wanted)
            m_batchLookups.append(lookup->key);
        if (m_continuing) {
            m_continuing = false; // the batch goes on under its own number
            return;
        }
        if (!m_saving)
            return;
        insertBatch();
        const QStringList& names = m_walker->queue();
        for (int row = 0; row < names.size(); ++row)
            saveName(row, names.at(row));
    });
    m_attached << connect(&walker, &Walker::rowsAppended, this, [this](int first, const QStringList& names) {
        for (int row = 0; row < names.size(); ++row)
            saveName(first + row, names.at(row));
    });
    m_attached << connect(&walker, &Walker::finished, this, [this] {
        if (m_saving && m_batch)
            m_writer->enqueue(CellWriter::BatchEnd {m_batch});
    });
    m_attached << connect(&walker.results(), &Results::cellChanged, this, &ResultStore::saveCell);
    m_attached << connect(this, &ResultStore::problem, &walker, &Walker::wakeUp);
    walker.setWriteGate([this] { return !m_saving || !m_writer || m_writer->gate().pass(); });
}

void ResultStore::detach()
{
    for (const QMetaObject::Connection& connection : std::as_const(m_attached))
        disconnect(connection);
    m_attached.clear();
    if (m_walker)
        m_walker->setWriteGate({});
}

void ResultStore::drain(int timeoutMs)
{
    if (m_writer)
        m_writer->gate().waitCommitted(QDeadlineTimer(timeoutMs));
}

void ResultStore::drainLater()
{
    m_drainMark = mark();
    // Told from the event loop even when nothing is left: the caller has not yet returned to listen.
    QMetaObject::invokeMethod(this, &ResultStore::tellIfDrained, Qt::QueuedConnection);
}

void ResultStore::tellIfDrained()
{
    if (m_drainMark >= 0 && isCommitted(m_drainMark)) {
        m_drainMark = -1;
        emit drained();
    }
}

qint64 ResultStore::mark() const
{
    return m_earlierWriters + (m_writer ? m_writer->enqueued() : 0);
}

qint64 ResultStore::unsaved() const
{
    return m_saving && m_writer ? m_writer->behind() : 0;
}

bool ResultStore::isCommitted(qint64 mark) const
{
    return !m_saving || !m_writer || m_writer->hasStopped() || m_seenCommitted >= mark;
}

void ResultStore::saveName(int row, const QString& name)
{
    if (m_saving && m_batch && !m_loading)
        m_writer->enqueue(CellWriter::Name {m_batch, row, name.isNull() ? u""_s : name});
}

void ResultStore::saveCell(int row, int column)
{
    const Results& results = m_walker->results();
    if (const Lookup* lookup = results.table().lookupAt(column))
        save(row, *lookup,
            {results.text(row, column), results.problem(row, column), {}, -1, {}, false, results.value(row, column)});
}

void ResultStore::save(int row, const Lookup& lookup, const CellResult& cell)
{
    if (!m_saving || !m_batch || m_loading)
        return;
    // A null string would be bound as NULL: every text is bound as text, the empty one too.
    const auto notNull = [](const QString& text) { return text.isNull() ? u""_s : text; };
    m_writer->enqueue(CellWriter::Cell {m_batch, row, notNull(m_walker->results().text(row, DomainColumn)), lookup.key,
        notNull(cell.text), notNull(cell.problem), m_clock.now(), lookup.measure, cell.value, m_language});
}

ReadResult<std::optional<ResultStore::Batch>> ResultStore::unfinishedBatch(bool withNames)
{
    if (!m_saving)
        return std::optional<Batch>();
    QSqlQuery last(m_db);
    // A watch list's run cut short is simply run again when it is next due.
    if (!last.exec(u"SELECT id, started, domains, lookups, finished, started_offset FROM batches "
                   u"WHERE watchlist IS NULL ORDER BY id DESC LIMIT 1"_s))
        return failedRead(last);
    if (!last.next() || last.value(4).toInt() != 0)
        return std::optional<Batch>();
    Batch batch {last.value(0).toLongLong(), storedTime(last.value(1).toString(), last.value(5).toInt()),
        fromJson(last.value(2).toString()), fromJson(last.value(3).toString())};
    if (withNames && batch.domains.isEmpty()) {
        const ReadResult<QStringList> names = savedNames(batch.id, 0, INT_MAX);
        if (!names.ok())
            return ReadError {names.error()};
        batch.domains = names.value();
    }
    return std::optional(batch);
}

ReadResult<QStringList> ResultStore::savedNames(qint64 batch, int from, int count)
{
    QStringList names;
    QSqlQuery query(m_db);
    query.prepare(u"SELECT domain FROM names WHERE batch = ? AND row >= ? AND row < ? ORDER BY row"_s);
    query.addBindValue(batch);
    query.addBindValue(from);
    query.addBindValue(qint64(from) + count);
    if (!query.exec())
        return failedRead(query);
    while (query.next())
        names.append(query.value(0).toString());
    return names;
}

ReadResult<QList<Walker::SavedCell>> ResultStore::savedCells(qint64 batch, int from, int to, const LookupTable& table)
{
    QList<Walker::SavedCell> cells;
    QSqlQuery saved(m_db);
    saved.prepare(u"SELECT row, lookup, text, problem, value FROM cells WHERE batch = ? AND row >= ? AND row < ?"_s);
    saved.addBindValue(batch);
    saved.addBindValue(from);
    saved.addBindValue(to);
    if (!saved.exec())
        return failedRead(saved);
    while (saved.next()) {
        if (const Lookup* lookup = table.byKey(saved.value(1).toString()))
            cells.append({saved.value(0).toInt(), table.columnOf(*lookup), saved.value(2).toString(),
                saved.value(3).toString(), CellValue::fromStored(saved.value(4).toString())});
    }
    return cells;
}

void ResultStore::continueStream(Walker& walker, const Batch& batch)
{
    m_batch = batch.id;
    m_batchLookups = batch.lookups;
    m_continuing = true;
    walker.runStream(lookupsOf(batch, walker.table()));
}

void ResultStore::appendSaved(Walker& walker, const DomainFile& part, const QList<Walker::SavedCell>& saved)
{
    // What is loaded from the database is not saved into it again.
    m_loading = true;
    walker.appendRows(part, saved);
    m_loading = false;
}

QString ResultStore::resume(Walker& walker, const Batch& batch)
{
    const ReadResult<QList<Walker::SavedCell>> cells = savedCells(batch.id, 0, INT_MAX, walker.table());
    if (!cells.ok())
        return cells.error();
    m_batch = batch.id;
    m_batchLookups = batch.lookups;
    m_loading = true;
    walker.resume(batch.domains, cells.value(), lookupsOf(batch, walker.table()));
    m_loading = false;
    return {};
}

ReadResult<QList<ResultStore::Answer>> ResultStore::history(const QString& domain)
{
    QList<Answer> answers;
    if (!m_readable)
        return answers;
    QSqlQuery query(m_db);
    query.prepare(
        u"SELECT at, lookup, text, problem, batch, at_offset, value FROM cells WHERE domain = ? ORDER BY at"_s);
    query.addBindValue(domain);
    if (!query.exec())
        return failedRead(query);
    while (query.next()) {
        // Saved by earlier versions, which let control characters through.
        answers.append({storedTime(query.value(0).toString(), query.value(5).toInt()), query.value(1).toString(),
            cleanCellText(query.value(2).toString()), cleanCellText(query.value(3).toString()),
            query.value(4).toLongLong(), CellValue::fromStored(query.value(6).toString())});
    }
    return answers;
}

QList<expiries::Expiring> ResultStore::expiringBetween(const QDate& firstDay, const QDate& lastDay, QString* error)
{
    if (!m_readable)
        return {};
    return expiries::dueBetween(m_db, firstDay, lastDay, error);
}
