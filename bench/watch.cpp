// SPDX-License-Identifier: GPL-3.0-or-later
// What watching costs where it could be slow, on a real display (see watch-figures.sh):
//   expiring N      即将到期 over a store holding the expiry days of N domains, from opening the file to the
//                   dialog drawn (the store filled as the writer fills it, in one transaction, not timed)
//   only-changes N  只看变化 switched on and off over a grid of N rows, one row in fifty changed
#include "ScriptedPlatform.h"
#include "app/ExpiringDialog.h"
#include "app/ResultsGrid.h"
#include "app/changedrows.h"
#include "queries/engine/results.h"
#include "queries/lookups/builtin.h"
#include "queries/sources/tranco.h"
#include "store/expiries.h"
#include "store/store.h"
#include "watching/expiringlist.h"
#include "web/network.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

const QDate kToday = QDate::currentDate();

// N domains, their registration expiring on days spread over three years around today, one in four with a
// certificate too: about 5% of them fall within the 30 days ahead or have lapsed.
bool fill(const QString& path, int count)
{
    {
        ResultStore created(path);
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"fill"_s);
        db.setDatabaseName(path);
        ExpiryRecorder recorder;
        if (!db.open() || !db.transaction() || !recorder.prepare(db))
            return false;
        const QString at = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
        for (int i = 0; i < count; ++i) {
            const QString domain = u"d%1.test"_s.arg(i);
            const QDate day = kToday.addDays(i % 1095 - 365);
            bool ok = recorder.record(domain, u"reg-expiry"_s, CellValue::date(day), day.toString(Qt::ISODate), at);
            const QDate certificate = kToday.addDays(i % 97 - 7);
            if (ok && i % 4 == 0)
                ok = recorder.record(
                    domain, u"tls-expiry"_s, CellValue::date(certificate), certificate.toString(Qt::ISODate), at);
            if (!ok)
                return false;
        }
        recorder.reset();
        if (!db.commit())
            return false;
    }
    QSqlDatabase::removeDatabase(u"fill"_s);
    return true;
}

int expiring(int count)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"results.db"_s);
    if (!fill(path, count)) {
        std::fprintf(stderr, "could not fill the store\n");
        return 1;
    }
    ScriptedPlatform platform;
    Network network;
    TrancoStore ranks(network);
    const auto table = std::make_shared<const LookupTable>(makeLookupTable());
    {
        // The two halves of opening it: the store's indexed query, and the rows made of what it returns.
        ResultStore store(path);
        QElapsedTimer clock;
        clock.start();
        const QList<expiries::Expiring> due = store.expiringBetween(kToday.addDays(-30), kToday.addDays(30));
        const qint64 queried = clock.restart();
        const auto rows = expiringRows(due, expiryTable(table), kToday);
        std::printf("expiring over %d domains: %lld answers due read in %lld ms, %d rows made in %lld ms\n", count,
            qlonglong(due.size()), qlonglong(queried), rows->rowCount(), qlonglong(clock.elapsed()));
    }
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer clock;
        clock.start();
        ResultStore store(path);
        ExpiringDialog dialog(platform, store, table, ranks, 30);
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog))
            return 1;
        QApplication::processEvents();
        const auto rows = dialog.findChild<QTreeView*>(u"expiring"_s)->model()->rowCount();
        std::printf("expiring over %d domains: %lld rows listed, opened in %lld ms\n", count, qlonglong(rows),
            qlonglong(clock.elapsed()));
    }
    return 0;
}

int onlyChanges(int count)
{
    Results results;
    results.setTable(std::make_shared<const LookupTable>(makeLookupTable()));
    QStringList domains;
    for (int i = 0; i < count; ++i)
        domains.append(u"d%1.test"_s.arg(i));
    results.reset(domains);
    const int column = results.table().columnOf(*results.table().byKey(u"baidu-index"_s));
    for (int row = 0; row < count; ++row) {
        results.setCell(row, column, QString::number(1000 + row), {}, {}, CellValue::count(1000 + row, false));
        if (row % 50 == 0)
            results.setEarlier(row, column,
                {QString::number(900 + row), kToday.addDays(-1), true, CellValue::count(900 + row, false)});
    }
    Network network;
    TrancoStore ranks(network);
    ResultsGrid grid(results, ranks);
    QTreeView view;
    view.setUniformRowHeights(true);
    view.setModel(&grid);
    view.resize(1200, 700);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view))
        return 1;
    ChangedRowsFilter filter(grid, {&view});
    for (bool on : {true, false, true, false}) {
        QElapsedTimer clock;
        clock.start();
        filter.setOn(on);
        QApplication::processEvents();
        view.repaint();
        std::printf("只看变化 %s over %d rows: %lld ms\n", on ? "on" : "off", count, qlonglong(clock.elapsed()));
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QString scenario = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const int count = argc > 2 ? std::atoi(argv[2]) : 1'000'000;
    if (scenario == u"expiring"_s)
        return expiring(count);
    if (scenario == u"only-changes"_s)
        return onlyChanges(count);
    std::fprintf(stderr, "usage: bench_watch expiring|only-changes [COUNT]\n");
    return 2;
}
