// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "queries/engine/results.h"
#include "queries/engine/walker.h"
#include "queries/lookups/builtin.h"
#include "scoped.h"
#include "settings/settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <vector>

// A committed test page, as stored.
inline QByteArray testData(const QString& name)
{
    QFile file(QStringLiteral(QUILLMARK_TEST_DATA_DIR) + u'/' + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : (qFatal("missing test data"), QByteArray());
}

inline const QString kFakePing = QStringLiteral(QUILLMARK_TEST_DATA_DIR "/fake-ping.sh");

// Every designed service's host variable naming one server, for as long as the holder keeps the guards.
inline std::vector<std::unique_ptr<ScopedEnv>> serveEverythingFrom(const QString& hostPort)
{
    std::vector<std::unique_ptr<ScopedEnv>> hosts;
    for (const char* variable : {"QUILLMARK_HOST_REGISTRAR", "QUILLMARK_HOST_ICP", "QUILLMARK_HOST_BAIDU",
             "QUILLMARK_HOST_ALEXA", "QUILLMARK_HOST_YAHOO", "QUILLMARK_HOST_UPDATE"})
        hosts.push_back(std::make_unique<ScopedEnv>(variable, hostPort.toUtf8()));
    return hosts;
}

// The built-in lookups, as the program makes its table.
inline std::shared_ptr<const LookupTable> builtInTable()
{
    static const auto table = std::make_shared<const LookupTable>(makeLookupTable());
    return table;
}

inline int columnOfKey(const QString& key)
{
    return builtInTable()->columnOf(*builtInTable()->byKey(key));
}

inline Service serviceOf(const QString& key)
{
    return *builtInTable()->services().find(key);
}

// A settings file of one test's own, gone with it: a pace or a tick one test sets never reaches the next.
struct TestSettings
{
    QTemporaryDir dir;
    Settings settings {dir.filePath(QStringLiteral("seo-quillmark.conf"))};
};

inline bool waitIdle(Walker& walker, int timeoutMs = 60'000)
{
    return QTest::qWaitFor([&] { return !walker.isBusy(); }, timeoutMs);
}

inline QStringList column(const Results& results, int column)
{
    QStringList cells;
    for (int row = 0; row < results.rowCount(); ++row)
        cells.append(results.text(row, column));
    return cells;
}
