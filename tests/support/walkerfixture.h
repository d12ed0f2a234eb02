// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TestHttpServer.h"
#include "testing.h"

#include <QSet>

// A walker over the built-in lookups for one test: settings of its own, and a local HTTP server that every
// designed service's host variable names. Everything it sets goes with it, so a failed check leaks into no
// later test.
class WalkerFixture
{
public:
    WalkerFixture()
    {
        // No gap between requests: the tests wait on answers, not on a service's manners.
        for (const Service& service : builtInTable()->services().all())
            settings.setPace(service.key, {service.pace.concurrency, 0});
        walker = std::make_unique<Walker>(settings, builtInTable());
        walker->setPingProgram(kFakePing);
        walker->setSelection([this](const Lookup& lookup) { return wanted.contains(lookup.key); });
    }

    // A name that is a path on the server, so the home page and the designed lookups reach it.
    QString domain(const QString& name) const { return server.hostPort() + u'/' + name; }

    // One batch to its end; names are paths on the server unless `onServer` is false.
    bool run(const QStringList& names, const QSet<QString>& lookups, bool onServer = true)
    {
        QStringList queue;
        for (const QString& name : names)
            queue.append(onServer ? domain(name) : name);
        wanted = lookups;
        walker->setQueue(queue);
        walker->runBatch();
        return waitIdle(*walker);
    }

    // A row's cells of the named lookups, "|" between them, and the first one's mark after a " !". A real
    // answer in a count, rank or date column that is not a value of that kind shows "?" after its text: the
    // change rules and the chart would read it as a text.
    QString cells(int row, const QStringList& keys) const
    {
        const LookupTable& table = walker->table();
        QStringList texts;
        for (const QString& key : keys) {
            const Lookup& lookup = *table.byKey(key);
            const int column = table.columnOf(lookup);
            texts.append(walker->results().text(row, column));
            if (walker->results().isWritten(row, column) && walker->results().problem(row, column).isEmpty()
                && !ofItsMeasure(lookup.measure, walker->results().value(row, column).kind()))
                texts.last() += QLatin1Char('?');
        }
        const QString problem = walker->results().problem(row, table.columnOf(*table.byKey(keys.first())));
        return texts.join(u'|') + (problem.isEmpty() ? QString() : QStringLiteral(" !") + problem);
    }

    static bool ofItsMeasure(Measure measure, CellValue::Kind kind)
    {
        using K = CellValue::Kind;
        return measure == Measure::Count ? kind == K::Count || kind == K::Nothing // a site with no sitemap
            : measure == Measure::Rank   ? kind == K::Rank
            : measure == Measure::Date   ? kind == K::Date || kind == K::Nothing // a name no one holds has no day
                                         : true;
    }

    // In the order they are made; the walker goes first.
    QTemporaryDir dir;
    // The program's cache and data of the test's own: the RDAP bootstrap and the rank list are the test's.
    ScopedEnv cache {"XDG_CACHE_HOME", dir.filePath(QStringLiteral("cache")).toUtf8()};
    ScopedEnv data {"XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toUtf8()};
    Settings settings {dir.filePath(QStringLiteral("seo-quillmark.conf"))};
    TestHttpServer server;
    std::vector<std::unique_ptr<ScopedEnv>> hosts = serveEverythingFrom(server.hostPort());
    QSet<QString> wanted;
    std::unique_ptr<Walker> walker;
};
