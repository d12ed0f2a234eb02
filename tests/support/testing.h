// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "queries/engine/results.h"
#include "queries/engine/walker.h"
#include "queries/lookups/builtin.h"
#include "scoped.h"
#include "settings/settings.h"

#include <QDir>
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

// `bytes` as the whole of the file at `path`.
inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The whole of the file at `path`; empty when it cannot be read.
inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The cached RDAP bootstrap under `cacheHome` names the server at `hostPort` the registry of ".test".
inline bool rdapOfTestAt(const QString& cacheHome, const QString& hostPort)
{
    return QDir().mkpath(cacheHome + QStringLiteral("/seo-quillmark"))
        && writeFile(cacheHome + QStringLiteral("/seo-quillmark/rdap-dns.json"),
            R"({"services":[[["test"],["http://)" + hostPort.toUtf8() + R"(/rdap/"]]]})");
}

// "prefix0.test\n", "prefix1.test\n" … up to but not including `to`, from `from`.
inline QByteArray numberedNames(const QByteArray& prefix, int to, int from = 0)
{
    QByteArray names;
    for (int n = from; n < to; ++n)
        names += prefix + QByteArray::number(n) + ".test\n";
    return names;
}

inline const QString kFakePing = QStringLiteral(QUILLMARK_TEST_DATA_DIR "/fake-ping.sh");

// Every search engine's and designed service's host variable naming one server, for as long as the holder keeps the
// guards.
[[nodiscard]] inline std::vector<std::unique_ptr<ScopedEnv>> serveEverythingFrom(const QString& hostPort)
{
    std::vector<std::unique_ptr<ScopedEnv>> hosts;
    for (const char* variable : {"QUILLMARK_HOST_REGISTRAR", "QUILLMARK_HOST_ICP", "QUILLMARK_HOST_BAIDU",
             "QUILLMARK_HOST_ALEXA", "QUILLMARK_HOST_YAHOO", "QUILLMARK_HOST_UPDATE"})
        hosts.push_back(std::make_unique<ScopedEnv>(variable, hostPort.toUtf8()));
    // The newer engines are asked over HTTPS by default; the test's server speaks plain HTTP.
    for (const char* variable : {"QUILLMARK_HOST_BING", "QUILLMARK_HOST_SOGOU", "QUILLMARK_HOST_SO"})
        hosts.push_back(std::make_unique<ScopedEnv>(variable, "http://" + hostPort.toUtf8()));
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
