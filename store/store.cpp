#include "store/store.h"

#include "queries/lookup.h"
#include "queries/walker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMutex>
#include <QSqlError>
#include <QStandardPaths>
#include <QUuid>

using namespace Qt::Literals::StringLiterals;

namespace {

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
        int row; // -1: the batch has ended
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
        m_earlier.reset();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
    }

    void open()
    {
        m_db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_connection);
        m_db.setDatabaseName(m_path);
        m_db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=5000"_s);
        m_db.open();
        QSqlQuery(u"PRAGMA synchronous=NORMAL"_s, m_db);
        m_insert.emplace(m_db);
        m_insert->prepare(u"INSERT OR REPLACE INTO cells VALUES (?, ?, ?, ?, ?, ?, ?)"_s);
        m_earlier.emplace(m_db);
        m_earlier->prepare(u"SELECT text, at FROM cells WHERE domain = ? AND lookup = ? AND batch < ? AND problem = '' "
                           u"ORDER BY batch DESC LIMIT 1"_s);
    }

    // From the window's thread.
    void enqueue(Cell cell)
    {
        QMutexLocker lock(&m_mutex);
        m_pending.append(std::move(cell));
        if (!std::exchange(m_scheduled, true))
            QMetaObject::invokeMethod(this, &CellWriter::write, Qt::QueuedConnection);
    }

    void write()
    {
        QList<Cell> cells;
        {
            QMutexLocker lock(&m_mutex);
            cells.swap(m_pending);
            m_scheduled = false;
        }
        m_db.transaction();
        for (const Cell& cell : cells) {
            if (cell.row < 0) {
                QSqlQuery(u"UPDATE batches SET finished = 1 WHERE id = %1"_s.arg(cell.batch), m_db);
                continue;
            }
            for (const QVariant& value : {QVariant(cell.batch), QVariant(cell.row), QVariant(cell.domain),
                     QVariant(cell.lookup), QVariant(cell.text), QVariant(cell.problem), QVariant(cell.at)})
                m_insert->addBindValue(value);
            m_insert->exec();
        }
        m_db.commit();
        for (const Cell& cell : cells) {
            if (cell.row < 0 || !cell.problem.isEmpty())
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
    void earlierFound(
        qint64 batch, int row, const QString& lookup, const QString& domain, const QString& text, const QDate& date);

private:
    const QString m_path;
    const QString m_connection = u"writer-"_s + QUuid::createUuid().toString(QUuid::Id128);
    QSqlDatabase m_db;
    std::optional<QSqlQuery> m_insert;
    std::optional<QSqlQuery> m_earlier;
    QMutex m_mutex;
    QList<Cell> m_pending;
    bool m_scheduled = false;
};

QString ResultStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/seo-quillmark/results.db"_s;
}

ResultStore::ResultStore(const QString& path, QObject* parent)
    : QObject(parent)
    , m_connection(u"store-"_s + QUuid::createUuid().toString(QUuid::Id128))
{
    open(path);
}

ResultStore::~ResultStore()
{
    if (m_writer) {
        // What is still queued goes in before the connection closes.
        QMetaObject::invokeMethod(m_writer, &CellWriter::write, Qt::BlockingQueuedConnection);
        QMetaObject::invokeMethod(
            m_writer, [this] { delete m_writer; }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

void ResultStore::open(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    m_db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_connection);
    m_db.setDatabaseName(path);
    // Another copy of the program writing a cell holds the file for a moment; one that holds it for good
    // must not hang this one.
    m_db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=1000"_s);
    QSqlQuery check(m_db);
    if (m_db.open() && !check.exec(u"SELECT count(*) FROM sqlite_master"_s)
        && check.lastError().nativeErrorCode() == u"26"_s) { // SQLITE_NOTADB
        // Kept aside, never overwritten: what it held may still be read by other means.
        m_db.close();
        const QString aside = path + u".corrupt-"_s + QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss"_s);
        if (!QFile::rename(path, aside)) {
            m_notice = u"结果数据库 %1 已损坏，且无法移开；本次运行不保存结果。"_s.arg(path);
            return;
        }
        m_notice = u"结果数据库已损坏，已移到 %1；从现在起使用新的数据库。"_s.arg(aside);
        m_db.open();
    }
    check.finish();
    // The last statement takes the write lock and gives it back: a database another program holds, or one
    // we may not write, shows here and not at the first cell.
    QSqlQuery step(m_db);
    const bool ready = m_db.isOpen() && step.exec(u"PRAGMA journal_mode=WAL"_s)
        && step.exec(u"PRAGMA synchronous=NORMAL"_s)
        && step.exec(u"CREATE TABLE IF NOT EXISTS batches (id INTEGER PRIMARY KEY, started TEXT NOT NULL, "
                     u"domains TEXT NOT NULL, lookups TEXT NOT NULL, finished INTEGER NOT NULL DEFAULT 0)"_s)
        && step.exec(u"CREATE TABLE IF NOT EXISTS cells (batch INTEGER NOT NULL, row INTEGER NOT NULL, domain TEXT "
                     u"NOT NULL, lookup TEXT NOT NULL, text TEXT NOT NULL, problem TEXT NOT NULL, at TEXT NOT NULL, "
                     u"PRIMARY KEY (batch, row, lookup))"_s)
        && step.exec(u"CREATE INDEX IF NOT EXISTS answers ON cells (domain, lookup, batch)"_s)
        && step.exec(u"BEGIN IMMEDIATE"_s) && step.exec(u"ROLLBACK"_s);
    if (!ready) {
        const QSqlError error = m_db.isOpen() ? step.lastError() : m_db.lastError();
        m_notice
            = (error.nativeErrorCode() == u"5"_s ? u"结果数据库 %1 正被另一个程序占用"_s : u"无法写入结果数据库 %1"_s)
                  .arg(path)
            + u"（%1）；本次运行不保存结果。"_s.arg(error.text());
        m_db.close();
        return;
    }
    m_writer = new CellWriter(path);
    m_writer->moveToThread(&m_thread);
    m_thread.setObjectName(u"result writer"_s);
    m_thread.start();
    QMetaObject::invokeMethod(m_writer, &CellWriter::open, Qt::BlockingQueuedConnection);
    connect(m_writer, &CellWriter::earlierFound, this,
        [this](qint64 batch, int row, const QString& lookup, const QString& domain, const QString& text,
            const QDate& date) {
            // Only while the rows are still the batch's own: a new batch may have begun meanwhile.
            const Lookup* found = lookupByKey(lookup);
            Results& results = m_walker->results();
            if (batch == m_batch && found && results.text(row, DomainColumn) == domain
                && results.text(row, columnOf(*found)) != text)
                results.setEarlier(row, columnOf(*found), {text, date});
        });
    m_saving = true;
}

void ResultStore::attach(Walker& walker)
{
    m_walker = &walker;
    connect(&walker, &Walker::batchStarted, this, [this](const QList<const Lookup*>& wanted) {
        if (!m_saving)
            return;
        QStringList keys;
        for (const Lookup* lookup : wanted)
            keys.append(lookup->key);
        QSqlQuery insert(m_db);
        insert.prepare(u"INSERT INTO batches (started, domains, lookups) VALUES (?, ?, ?)"_s);
        insert.addBindValue(QDateTime::currentDateTime().toString(Qt::ISODate));
        insert.addBindValue(toJson(m_walker->queue()));
        insert.addBindValue(toJson(keys));
        m_batch = insert.exec() ? insert.lastInsertId().toLongLong() : 0;
    });
    connect(&walker, &Walker::finished, this, [this] {
        if (m_saving && m_batch)
            m_writer->enqueue({m_batch, -1, {}, {}, {}, {}, {}});
    });
    connect(&walker.results(), &Results::cellChanged, this, &ResultStore::saveCell);
}

void ResultStore::saveCell(int row, int column)
{
    if (!m_saving || !m_batch || m_loading || column < FirstLookupColumn)
        return;
    const Results& results = m_walker->results();
    // A null string would be bound as NULL: every text is bound as text, the empty one too.
    const auto notNull = [](const QString& text) { return text.isNull() ? u""_s : text; };
    m_writer->enqueue({m_batch, row, notNull(results.text(row, DomainColumn)),
        lookups().at(size_t(column - FirstLookupColumn))->key, notNull(results.text(row, column)),
        notNull(results.problem(row, column)), QDateTime::currentDateTime().toString(Qt::ISODateWithMs)});
}

std::optional<ResultStore::Batch> ResultStore::unfinishedBatch()
{
    QSqlQuery last(m_db);
    if (!m_saving
        || !last.exec(u"SELECT id, started, domains, lookups, finished FROM batches ORDER BY id DESC LIMIT 1"_s)
        || !last.next() || last.value(4).toInt() != 0)
        return std::nullopt;
    return Batch {last.value(0).toLongLong(), QDateTime::fromString(last.value(1).toString(), Qt::ISODate),
        fromJson(last.value(2).toString()), fromJson(last.value(3).toString())};
}

void ResultStore::resume(Walker& walker, const Batch& batch)
{
    QList<Walker::SavedCell> cells;
    QSqlQuery saved(m_db);
    saved.prepare(u"SELECT row, lookup, text, problem FROM cells WHERE batch = ?"_s);
    saved.addBindValue(batch.id);
    saved.exec();
    while (saved.next()) {
        if (const Lookup* lookup = lookupByKey(saved.value(1).toString()))
            cells.append(
                {saved.value(0).toInt(), columnOf(*lookup), saved.value(2).toString(), saved.value(3).toString()});
    }
    QList<const Lookup*> chosen;
    for (const Lookup* lookup : lookups()) {
        if (batch.lookups.contains(lookup->key))
            chosen.append(lookup);
    }
    m_batch = batch.id;
    m_loading = true;
    walker.resume(batch.domains, cells, chosen);
    m_loading = false;
}

QList<ResultStore::Answer> ResultStore::history(const QString& domain)
{
    QList<Answer> answers;
    QSqlQuery query(m_db);
    query.prepare(u"SELECT at, lookup, text, problem FROM cells WHERE domain = ? ORDER BY at"_s);
    query.addBindValue(domain);
    if (!m_saving || !query.exec())
        return answers;
    while (query.next()) {
        answers.append({QDateTime::fromString(query.value(0).toString(), Qt::ISODateWithMs), query.value(1).toString(),
            query.value(2).toString(), query.value(3).toString()});
    }
    return answers;
}

#include "store.moc"
