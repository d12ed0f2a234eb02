#pragma once

#include "queries/engine/results.h"
#include "queries/lookups/builtin.h"
#include "queries/engine/walker.h"
#include "settings/settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// A committed test page, as stored.
inline QByteArray testData(const QString& name)
{
    QFile file(QStringLiteral(QUILLMARK_TEST_DATA_DIR) + u'/' + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : (qFatal("missing test data"), QByteArray());
}

inline const QString kFakePing = QStringLiteral(QUILLMARK_TEST_DATA_DIR "/fake-ping.sh");

inline void serveEverythingFrom(const QString& hostPort)
{
    for (const char* variable : {"QUILLMARK_HOST_REGISTRAR", "QUILLMARK_HOST_ICP", "QUILLMARK_HOST_BAIDU",
             "QUILLMARK_HOST_ALEXA", "QUILLMARK_HOST_YAHOO", "QUILLMARK_HOST_UPDATE"})
        qputenv(variable, hostPort.toUtf8());
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

inline ServiceInfo serviceOf(const QString& key)
{
    return *builtInTable()->services().find(key);
}

// A settings file of the tests' own.
inline Settings& testSettings()
{
    static QTemporaryDir dir;
    static Settings settings(dir.filePath(QStringLiteral("seo-quillmark.conf")));
    return settings;
}

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
