// SPDX-License-Identifier: GPL-3.0-or-later
// What writing an Excel workbook costs: 100,000 rows of the position, the domain and 8 lookups' cells
// (counts, dates, texts, one cell in a hundred marked), written a row at a time as --format xlsx does,
// against the same rows as CSV. Prints time and the process's peak memory before and after.
//   bench_workbook [ROWS] [FOLDER]
#include "export/workbook.h"
#include "export/export.h"
#include "export/outputfile.h"
#include "queries/engine/results.h"
#include "queries/lookups/builtin.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

using namespace Qt::Literals::StringLiterals;

namespace {

long peakMiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100'000;
    QTemporaryDir scratch;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : scratch.path();
    const auto table = std::make_shared<const LookupTable>(makeLookupTable());
    QList<int> columns {PositionColumn, DomainColumn};
    for (const char* key :
        {"icp", "baidu-index", "alexa", "reg-status", "reg-registrar", "reg-expiry", "dns", "home-title"})
        columns.append(table->columnOf(*table->byKey(QString::fromLatin1(key))));
    Results results;
    results.setTable(table);
    QStringList domains;
    for (int row = 0; row < rows; ++row)
        domains.append(u"www.site%1.example.com.cn"_s.arg(row));
    results.reset(domains);
    for (int row = 0; row < rows; ++row) {
        const QStringList cells {u"京ICP备%1号"_s.arg(10'000'000 + row), QLocale(QLocale::English).toString(row * 37),
            QString::number(row + 1), u"已注册"_s, u"阿里云计算有限公司（万网）"_s, u"2027-03-17"_s,
            u"127.0.%1.%2, 2001:db8::%3"_s.arg(row / 250 % 250).arg(row % 250 + 1).arg(row % 65535, 0, 16),
            u"示例网站 %1 · 首页 — 新闻、产品与服务"_s.arg(row)};
        for (int i = 0; i < cells.size(); ++i)
            results.setCell(row, columns[i + 2], cells[i],
                row % 100 == 7 && i == 1 ? u"请求超时（30 秒）"_s : QString(), {}, CellValue::fromPage(cells[i]));
    }
    const long before = peakMiB();
    QElapsedTimer clock;
    clock.start();
    OutputFile target(folder + u"/bench.xlsx"_s);
    Workbook workbook(target, *table, columns);
    QString error = target.open();
    if (error.isEmpty())
        error = workbook.open();
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    for (int row = 0; row < rows; ++row)
        workbook.addRow(results, row);
    error = workbook.finish();
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const qint64 xlsxMs = clock.elapsed();
    const long after = peakMiB();
    clock.restart();
    QFile csv(folder + u"/bench.csv"_s);
    csv.open(QIODevice::WriteOnly);
    csv.write(csvHeader(*table, columns).toUtf8());
    for (int row = 0; row < rows; ++row)
        csv.write(csvRow(results, row, columns).toUtf8());
    csv.close();
    std::printf("%d rows x %lld columns: xlsx %lld ms (%.1f MB), csv %lld ms (%.1f MB); peak memory %ld MiB with "
                "the rows held, %ld MiB after the workbook\n",
        rows, qlonglong(columns.size()), xlsxMs, QFileInfo(folder + u"/bench.xlsx"_s).size() / 1e6, clock.elapsed(),
        QFileInfo(csv).size() / 1e6, before, after);
    return 0;
}
