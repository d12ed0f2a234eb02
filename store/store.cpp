#include "store/store.h"

#include "queries/engine/lookup.h"
#include "queries/engine/walker.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMutex>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUuid>
#include <QWaitCondition>
#include <atomic>
#include <climits>

using namespace Qt::Literals::StringLiterals;

namespace {

// The layout this program writes, stamped in PRAGMA user_version. Files from before the stamp (0) hold
// the same tables; version 2 named the registration lookups reg-* instead of rdap-*; version 3 keeps a
// batch's names in rows of their own (earlier batches keep theirs as one JSON list). A file from a later
// program is read, never written.
constexpr int kSchemaVersion = 3;
// The walker waits while more cells than this are written but not committed: a few milliseconds of the
// writer's work, so a kill loses next to nothing that was already on screen.
constexpr qint64 kMostBehind = 1000;
// Another program writing holds the file for a moment; one that holds it longer counts as a failure.
constexpr int kBusyTimeoutMs = 5000;

QString toJson(const QStringList& list)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(list)).toJson(QJsonDocument::Compact));
}

QStringList fromJson(const QString& json)
{
    QStringList list;
    for (const QJsonValue& value : QJsonDocument::fromJson(json.toUtf8()).array())
        list.append(value.toString());
    return list;
}

// SQLITE_CORRUPT and SQLITE_NOTADB, extended codes included: the file is not what we wrote.
bool isDamage(const QSqlError& error)
{
    const int code = error.nativeErrorCode().toInt() & 0xff;
    return code == 11 || code == 26;
}

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

QString movedNotice(const QString& aside)
{
    return u"结果数据库已损坏，已移到 %1；从现在起使用新的数据库。"_s.arg(aside);
}

QString describe(const QSqlError& error)
{
    return error.text().trimmed().isEmpty() ? u"未知错误"_s : error.text().trimmed();
}

} // namespace

// The writing side, on its own thread. Cells queue up under a lock; the thread takes whatever has queued
// and commits it, then tells the window which answers differ from an earlier batch's.
class CellWriter : public QObject
{
    Q_OBJECT
public:
    struct Cell
    {
        qint64 batch;
        int row; // -1: the batch has ended; with no lookup, the row's name
        QString domain;
        QString lookup;
        QString text;
        QString problem;
        QString at;
    };

    explicit CellWriter(const QString& path)
        : m_path(path)
    {
    }
    ~CellWriter() override
    {
        m_insert.reset();
        m_insertName.reset();
        m_earlier.reset();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
    }

    QString open()
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
        if (!m_insert->prepare(u"INSERT OR REPLACE INTO cells (batch, row, domain, lookup, text, problem, at) "
                               u"VALUES (?, ?, ?, ?, ?, ?, ?)"_s))
            return describe(m_insert->lastError());
        m_insertName.emplace(m_db);
        if (!m_insertName->prepare(u"INSERT OR REPLACE INTO names (batch, row, domain) VALUES (?, ?, ?)"_s))
            return describe(m_insertName->lastError());
        if (!m_earlier->prepare(u"SELECT text, at FROM cells WHERE domain = ? AND lookup = ? AND batch < ? AND "
                                u"problem = '' ORDER BY batch DESC LIMIT 1"_s))
            return describe(m_earlier->lastError());
        return {};
    }

    // From the window's thread.
    void enqueue(Cell cell)
    {
        QMutexLocker lock(&m_mutex);
        m_pending.append(std::move(cell));
        ++m_enqueued;
        if (!std::exchange(m_scheduled, true))
            QMetaObject::invokeMethod(this, &CellWriter::write, Qt::QueuedConnection);
    }

    qint64 behind() const { return m_enqueued - m_committed; }
    qint64 enqueued() const { return m_enqueued; }
    qint64 committedCount() const { return m_committed; }
    bool hasStopped() const { return m_stopped; }

    // Waits until what was queued before the call is committed, saving stops, or time runs out.
    bool waitCommitted(int timeoutMs)
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

    void write()
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
        bool ok = m_db.transaction();
        if (!ok)
            error = m_db.lastError();
        for (auto cell = cells.cbegin(); ok && cell != cells.cend(); ++cell) {
            if (cell->row < 0) {
                QSqlQuery finish(m_db);
                ok = finish.exec(u"UPDATE batches SET finished = 1 WHERE id = %1"_s.arg(cell->batch));
                error = finish.lastError();
                continue;
            }
            if (cell->lookup.isEmpty()) {
                for (const QVariant& value : {QVariant(cell->batch), QVariant(cell->row), QVariant(cell->domain)})
                    m_insertName->addBindValue(value);
                ok = m_insertName->exec();
                error = m_insertName->lastError();
                continue;
            }
            for (const QVariant& value : {QVariant(cell->batch), QVariant(cell->row), QVariant(cell->domain),
                     QVariant(cell->lookup), QVariant(cell->text), QVariant(cell->problem), QVariant(cell->at)})
                m_insert->addBindValue(value);
            ok = m_insert->exec();
            error = m_insert->lastError();
        }
        if (ok && !m_db.commit()) {
            ok = false;
            error = m_db.lastError();
        }
        if (!ok) {
            m_db.rollback();
            QMutexLocker lock(&m_mutex);
            m_stopped = true;
            m_progress.wakeAll();
            lock.unlock();
            emit failed(describe(error), isDamage(error));
            return;
        }
        {
            QMutexLocker lock(&m_mutex);
            m_committed += cells.size();
            m_progress.wakeAll();
        }
        emit committed();
        for (const Cell& cell : cells) {
            if (cell.row < 0 || cell.lookup.isEmpty() || !cell.problem.isEmpty())
                continue;
            m_earlier->addBindValue(cell.domain);
            m_earlier->addBindValue(cell.lookup);
            m_earlier->addBindValue(cell.batch);
            if (m_earlier->exec() && m_earlier->next() && m_earlier->value(0).toString() != cell.text) {
                emit earlierFound(cell.batch, cell.row, cell.lookup, cell.domain, m_earlier->value(0).toString(),
                    QDateTime::fromString(m_earlier->value(1).toString(), Qt::ISODateWithMs).date());
            }
            m_earlier->finish();
        }
    }

signals:
    void committed();
    void failed(const QString& failure, bool damaged);
    void earlierFound(
        qint64 batch, int row, const QString& lookup, const QString& domain, const QString& text, const QDate& date);

private:
    const QString m_path;
    const QString m_connection = u"writer-"_s + QUuid::createUuid().toString(QUuid::Id128);
    QSqlDatabase m_db;
    std::optional<QSqlQuery> m_insert;
    std::optional<QSqlQuery> m_insertName;
    std::optional<QSqlQuery> m_earlier;
    QMutex m_mutex;
    QWaitCondition m_progress;
    QList<Cell> m_pending;
    bool m_scheduled = false;
    std::atomic<qint64> m_enqueued = 0;
    std::atomic<qint64> m_committed = 0;
    std::atomic<bool> m_stopped = false;
};

QString ResultStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/seo-quillmark/results.db"_s;
}

ResultStore::ResultStore(const QString& path, QObject* parent)
    : QObject(parent)
    , m_path(path)
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
    // Kept aside, never overwritten: what it held may still be read by other means.
    const QString aside = m_path + u".corrupt-"_s + QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss"_s);
    if (!QFile::rename(m_path, aside))
        return {};
    // The journal belongs to the damaged file; next to a new one it would be replayed into it.
    for (const QString& suffix : {u"-wal"_s, u"-shm"_s})
        QFile::rename(m_path + suffix, aside + suffix);
    return aside;
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
    QString failure;
    if (prepare(&failure)) {
        startWriter();
        return;
    }
    if (failure.isEmpty()) { // damaged
        const QString aside = moveAside();
        if (aside.isEmpty()) {
            m_notice = u"结果数据库 %1 已损坏，且无法移开；本次运行不保存结果。"_s.arg(m_path);
            return;
        }
        m_notice = movedNotice(aside);
        if (prepare(&failure)) {
            startWriter();
            return;
        }
    }
    if (!failure.isEmpty())
        m_notice = failure;
    if (!m_readable)
        m_db.close();
}

// Opens the file and makes it ready to save into. False with an empty `failure` when the file is damaged;
// false with the user's message when it cannot be used (or only read).
bool ResultStore::prepare(QString* failure)
{
    QSqlQuery step(m_db);
    const auto failed = [&](const QSqlError& error) {
        if (isDamage(error)) {
            failure->clear();
            return false;
        }
        *failure = (error.nativeErrorCode() == u"5"_s ? u"结果数据库 %1 正被另一个程序占用"_s
                                                       : u"无法写入结果数据库 %1"_s)
                       .arg(m_path)
            + u"（%1）；本次运行不保存结果。"_s.arg(describe(error));
        return false;
    };
    if (!m_db.open())
        return failed(m_db.lastError());
    // Reading the schema and the first page of each table shows a damaged file now, not at the first cell.
    if (!step.exec(u"SELECT count(*) FROM sqlite_master"_s) || !step.exec(u"PRAGMA user_version"_s)
        || !step.next())
        return failed(step.lastError());
    const int version = step.value(0).toInt();
    step.finish();
    for (const QString& table : {u"batches"_s, u"cells"_s}) {
        if (!step.exec(u"SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = '%1'"_s.arg(table))
            || !step.next())
            return failed(step.lastError());
        const bool exists = step.value(0).toInt() > 0;
        step.finish();
        if (exists && !step.exec(u"SELECT * FROM %1 ORDER BY rowid DESC LIMIT 1"_s.arg(table)))
            return failed(step.lastError());
        if (exists && !step.next() && step.lastError().isValid())
            return failed(step.lastError());
        step.finish();
    }
    if (version > kSchemaVersion) {
        m_readable = true;
        *failure = u"结果数据库 %1 由更新版本的程序建立，本版本不能保存到其中；本次运行不保存结果，只能查看历史。"_s.arg(m_path);
        return false;
    }
    // The last statement takes the write lock and gives it back: a database another program holds, or one
    // we may not write, shows here and not at the first cell.
    const bool ready = step.exec(u"PRAGMA journal_mode=WAL"_s) && step.exec(u"PRAGMA synchronous=NORMAL"_s)
        && step.exec(u"CREATE TABLE IF NOT EXISTS batches (id INTEGER PRIMARY KEY, started TEXT NOT NULL, "
                     u"domains TEXT NOT NULL, lookups TEXT NOT NULL, finished INTEGER NOT NULL DEFAULT 0)"_s)
        && step.exec(u"CREATE TABLE IF NOT EXISTS cells (batch INTEGER NOT NULL, row INTEGER NOT NULL, domain TEXT "
                     u"NOT NULL, lookup TEXT NOT NULL, text TEXT NOT NULL, problem TEXT NOT NULL, at TEXT NOT NULL, "
                     u"PRIMARY KEY (batch, row, lookup))"_s)
        && step.exec(u"CREATE INDEX IF NOT EXISTS answers ON cells (domain, lookup, batch)"_s)
        && step.exec(u"CREATE TABLE IF NOT EXISTS names (batch INTEGER NOT NULL, row INTEGER NOT NULL, "
                     u"domain TEXT NOT NULL, PRIMARY KEY (batch, row))"_s)
        && (version >= 2
            || (step.exec(u"UPDATE cells SET lookup = 'reg-' || substr(lookup, 6) WHERE lookup LIKE 'rdap-%'"_s)
                && step.exec(u"UPDATE batches SET lookups = replace(lookups, '\"rdap-', '\"reg-')"_s)))
        && step.exec(u"PRAGMA user_version = %1"_s.arg(kSchemaVersion)) && step.exec(u"BEGIN IMMEDIATE"_s)
        && step.exec(u"ROLLBACK"_s);
    if (!ready)
        return failed(step.lastError());
    m_readable = true;
    return true;
}

void ResultStore::startWriter()
{
    m_writer = new CellWriter(m_path);
    m_writer->moveToThread(&m_thread);
    m_thread.start();
    QString failure;
    QMetaObject::invokeMethod(
        m_writer, [this, &failure] { failure = m_writer->open(); }, Qt::BlockingQueuedConnection);
    if (!failure.isEmpty()) {
        m_notice = u"无法写入结果数据库 %1（%2）；本次运行不保存结果。"_s.arg(m_path, failure);
        stopWriter();
        return;
    }
    connect(m_writer, &CellWriter::committed, this, &ResultStore::committed);
    connect(m_writer, &CellWriter::failed, this, &ResultStore::onWriterFailed);
    connect(m_writer, &CellWriter::earlierFound, this,
        [this](qint64 batch, int row, const QString& lookup, const QString& domain, const QString& text,
            const QDate& date) {
            // Only while the rows are still the batch's own: a new batch may have begun meanwhile.
            const Lookup* found = m_walker ? m_walker->table().byKey(lookup) : nullptr;
            if (!found)
                return;
            Results& results = m_walker->results();
            const int column = results.table().columnOf(*found);
            if (batch == m_batch && results.text(row, DomainColumn) == domain && results.text(row, column) != text)
                results.setEarlier(row, column, {text, date});
        });
    m_saving = true;
}

void ResultStore::stopWriter()
{
    if (!m_writer)
        return;
    // What is still queued goes in before the connection closes.
    QMetaObject::invokeMethod(m_writer, &CellWriter::write, Qt::BlockingQueuedConnection);
    m_earlierWriters += m_writer->enqueued();
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
    emit problem(u"保存查询结果失败（%1）；本次运行从现在起不再保存结果。"_s.arg(failure));
}

void ResultStore::insertBatch()
{
    QSqlQuery insert(m_db);
    insert.prepare(u"INSERT INTO batches (started, domains, lookups) VALUES (?, ?, ?)"_s);
    insert.addBindValue(QDateTime::currentDateTime().toString(Qt::ISODate));
    insert.addBindValue(u"[]"_s); // the names go into rows of their own
    insert.addBindValue(toJson(m_batchLookups));
    if (insert.exec()) {
        m_batch = insert.lastInsertId().toLongLong();
        return;
    }
    m_batch = 0;
    m_saving = false;
    m_failed = true;
    emit problem(u"保存查询结果失败（%1）；本次运行不保存结果。"_s.arg(describe(insert.lastError())));
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
            m_writer->enqueue({m_batch, -1, {}, {}, {}, {}, {}});
    });
    m_attached << connect(&walker.results(), &Results::cellChanged, this, &ResultStore::saveCell);
    m_attached << connect(this, &ResultStore::committed, &walker, &Walker::wakeUp);
    m_attached << connect(this, &ResultStore::problem, &walker, &Walker::wakeUp);
    walker.setWriteGate([this] { return !m_saving || m_writer->behind() < kMostBehind; });
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
        m_writer->waitCommitted(timeoutMs);
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
    return !m_saving || !m_writer || m_writer->hasStopped() || m_earlierWriters + m_writer->committedCount() >= mark;
}

void ResultStore::saveName(int row, const QString& name)
{
    if (m_saving && m_batch && !m_loading)
        m_writer->enqueue({m_batch, row, name.isNull() ? u""_s : name, {}, {}, {}, {}});
}

void ResultStore::saveCell(int row, int column)
{
    const Results& results = m_walker->results();
    if (const Lookup* lookup = results.table().lookupAt(column))
        save(row, *lookup, {results.text(row, column), results.problem(row, column)});
}

void ResultStore::save(int row, const Lookup& lookup, const CellResult& cell)
{
    if (!m_saving || !m_batch || m_loading)
        return;
    // A null string would be bound as NULL: every text is bound as text, the empty one too.
    const auto notNull = [](const QString& text) { return text.isNull() ? u""_s : text; };
    m_writer->enqueue({m_batch, row, notNull(m_walker->results().text(row, DomainColumn)), lookup.key,
        notNull(cell.text), notNull(cell.problem), QDateTime::currentDateTime().toString(Qt::ISODateWithMs)});
}

std::optional<ResultStore::Batch> ResultStore::unfinishedBatch(bool withNames)
{
    QSqlQuery last(m_db);
    if (!m_saving
        || !last.exec(u"SELECT id, started, domains, lookups, finished FROM batches ORDER BY id DESC LIMIT 1"_s)
        || !last.next() || last.value(4).toInt() != 0)
        return std::nullopt;
    Batch batch {last.value(0).toLongLong(), QDateTime::fromString(last.value(1).toString(), Qt::ISODate),
        fromJson(last.value(2).toString()), fromJson(last.value(3).toString())};
    if (withNames && batch.domains.isEmpty())
        batch.domains = savedNames(batch.id, 0, INT_MAX);
    return batch;
}

QStringList ResultStore::savedNames(qint64 batch, int from, int count)
{
    QStringList names;
    QSqlQuery query(m_db);
    query.prepare(u"SELECT domain FROM names WHERE batch = ? AND row >= ? AND row < ? ORDER BY row"_s);
    query.addBindValue(batch);
    query.addBindValue(from);
    query.addBindValue(qint64(from) + count);
    if (query.exec()) {
        while (query.next())
            names.append(query.value(0).toString());
    }
    return names;
}

QList<Walker::SavedCell> ResultStore::savedCells(qint64 batch, int from, int to, const LookupTable& table)
{
    QList<Walker::SavedCell> cells;
    QSqlQuery saved(m_db);
    saved.prepare(u"SELECT row, lookup, text, problem FROM cells WHERE batch = ? AND row >= ? AND row < ?"_s);
    saved.addBindValue(batch);
    saved.addBindValue(from);
    saved.addBindValue(to);
    if (saved.exec()) {
        while (saved.next()) {
            if (const Lookup* lookup = table.byKey(saved.value(1).toString()))
                cells.append({saved.value(0).toInt(), table.columnOf(*lookup), saved.value(2).toString(),
                    saved.value(3).toString()});
        }
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

void ResultStore::resume(Walker& walker, const Batch& batch)
{
    const QList<Walker::SavedCell> cells = savedCells(batch.id, 0, INT_MAX, walker.table());
    m_batch = batch.id;
    m_batchLookups = batch.lookups;
    m_loading = true;
    walker.resume(batch.domains, cells, lookupsOf(batch, walker.table()));
    m_loading = false;
}

QList<ResultStore::Answer> ResultStore::history(const QString& domain)
{
    QList<Answer> answers;
    QSqlQuery query(m_db);
    query.prepare(u"SELECT at, lookup, text, problem FROM cells WHERE domain = ? ORDER BY at"_s);
    query.addBindValue(domain);
    if (!m_readable || !query.exec())
        return answers;
    while (query.next()) {
        // Saved by earlier versions, which let control characters through.
        answers.append({QDateTime::fromString(query.value(0).toString(), Qt::ISODateWithMs), query.value(1).toString(),
            cleanCellText(query.value(2).toString()), cleanCellText(query.value(3).toString())});
    }
    return answers;
}

#include "store.moc"
