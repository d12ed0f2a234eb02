// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The real program's command line run by the tests: folders of their own for its settings and results, a
// server of their own answering its filing and registrar requests, and the database read or locked as
// another program would.
#include "TestHttpServer.h"
#include "olddatabase.h"
#include "testing.h"

#include <QProcess>

class CommandLineTest : public QObject
{
protected:
    // For each test's init(): a new home, and a server whose filing number answers slowly for slow*.test
    // and fails for fail.test.
    void makeHome()
    {
        m_server = std::make_unique<TestHttpServer>();
        m_home = std::make_unique<QTemporaryDir>();
        m_server->responder = [](const QString& target) {
            if (target.contains(u"fail.test"))
                return TestHttpServer::page("", 503);
            auto answer = TestHttpServer::page(testData(QStringLiteral("icp-filed.gb2312.html")));
            answer.delayMs = target.contains(u"slow") ? 300 : 0;
            return answer;
        };
    }

    void start(QProcess& program, const QStringList& arguments, const QByteArray& input,
        const QString& executable = QStringLiteral(QUILLMARK_PROGRAM), bool closeInput = true)
    {
        const QString host = m_server->hostPort();
        program.setEnvironment(QProcess::systemEnvironment()
            << QStringLiteral("XDG_DATA_HOME=") + m_home->filePath(QStringLiteral("data"))
            << QStringLiteral("XDG_CONFIG_HOME=") + m_home->filePath(QStringLiteral("config"))
            << QStringLiteral("QUILLMARK_HOST_ICP=") + host << QStringLiteral("QUILLMARK_HOST_REGISTRAR=") + host
            << m_environment);
        program.start(executable, arguments);
        program.write(input);
        if (closeInput)
            program.closeWriteChannel();
    }

    // Waits with the event loop running: our server answers the program from this thread.
    static bool ended(QProcess& program, int timeoutMs = 60'000)
    {
        return QTest::qWaitFor([&] { return program.state() == QProcess::NotRunning; }, timeoutMs);
    }

    // Runs the program to its end: its status (-1 when it did not end), with what it wrote where asked.
    int run(const QStringList& arguments, const QByteArray& input = {}, QByteArray* output = nullptr,
        QByteArray* error = nullptr)
    {
        QProcess program;
        start(program, arguments, input);
        if (!ended(program))
            return -1;
        if (output)
            *output = program.readAllStandardOutput();
        if (error)
            *error = program.readAllStandardError();
        return program.exitCode();
    }

    QString databasePath() const { return m_home->filePath(QStringLiteral("data/seo-quillmark/results.db")); }

    // Cells in the database, read as another program would while the run goes on.
    int savedCells() const { return firstRow(databasePath(), QStringLiteral("SELECT count(*) FROM cells")).toInt(); }

    std::unique_ptr<TestHttpServer> m_server;
    std::unique_ptr<QTemporaryDir> m_home;
    QStringList m_environment; // more for the program, NAME=value
};

// Another program's write lock on a results database, for as long as the guard lives.
class DatabaseLock
{
public:
    explicit DatabaseLock(const QString& path)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000")); // while our writer finishes a commit
        m_locked = db.open() && QSqlQuery(db).exec(QStringLiteral("BEGIN EXCLUSIVE"));
    }
    ~DatabaseLock()
    {
        QSqlDatabase::database(m_name).close(); // and with it the transaction
        QSqlDatabase::removeDatabase(m_name);
    }
    bool isLocked() const { return m_locked; }

private:
    const QString m_name = QUuid::createUuid().toString();
    bool m_locked = false;
};
