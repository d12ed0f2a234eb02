#pragma once

#include <QDateTime>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QThread>
#include <optional>

class CellWriter;
class Walker;

// Every cell a walker writes, saved the moment it is written, in an SQLite database: the batches (when they
// began, their domains, the lookups chosen) and per domain and lookup the text, the failure reason and the
// time. The cells go to a writer thread with a connection of its own, which commits each as soon as it has
// it (a backlog in one transaction), so saving costs the window next to nothing and a crash loses only
// what was in flight. WAL mode: a reader never waits for the writer.
class ResultStore : public QObject
{
    Q_OBJECT
public:
    // $XDG_DATA_HOME/seo-quillmark/results.db
    static QString defaultPath();
    explicit ResultStore(const QString& path = defaultPath(), QObject* parent = nullptr);
    ~ResultStore() override;

    // False when the database could not be opened or written; the program then runs without saving.
    bool isSaving() const { return m_saving; }
    // What the user is told about the database at start; empty when all is well.
    QString notice() const { return m_notice; }

    // From now on, every batch the walker starts and every cell it writes is saved.
    void attach(Walker& walker);

    struct Batch
    {
        qint64 id = 0;
        QDateTime started;
        QStringList domains;
        QStringList lookups; // keys
    };
    // The last batch, when it neither ran to its end nor was stopped.
    std::optional<Batch> unfinishedBatch();
    // Rebuilds the walker's rows from the batch's saved cells and runs the rest into the same batch.
    void resume(Walker& walker, const Batch& batch);

    struct Answer
    {
        QDateTime at;
        QString lookup; // key
        QString text;
        QString problem;
    };
    // Every saved answer for a domain, oldest first.
    QList<Answer> history(const QString& domain);

private:
    void open(const QString& path);
    void saveCell(int row, int column);

    QString m_connection;
    QSqlDatabase m_db;
    bool m_saving = false;
    QString m_notice;
    Walker* m_walker = nullptr;
    qint64 m_batch = 0;
    bool m_loading = false;
    QThread m_thread;
    CellWriter* m_writer = nullptr;
};
