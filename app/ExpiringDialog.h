// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <memory>

class LookupTable;
class Platform;
class ResultStore;
class Results;
class ResultsGrid;
class TrancoStore;
class QLabel;
class QTreeView;

// 即将到期: over the latest saved answer of every domain ever looked up, the domains and certificates that expire
// within 提前提醒天数 or have expired, soonest first, with the days left counted today. Read from the store's
// index of expiry days, so a million saved domains open at once; saved like the grid, as CSV or a workbook.
class ExpiringDialog : public QDialog
{
    Q_OBJECT
public:
    ExpiringDialog(Platform& platform, ResultStore& store, const std::shared_ptr<const LookupTable>& table,
        const TrancoStore& ranks, int warnDays, QWidget* parent = nullptr);
    ~ExpiringDialog() override;

    const Results& results() const { return *m_results; }

private:
    void saveCsv();
    void saveWorkbook();
    QList<int> columns() const;
    void tellFailure(const QString& caption, const QString& path, const QString& error);

    Platform& m_platform;
    std::unique_ptr<Results> m_results;
    ResultsGrid* m_model;
    QTreeView* m_view;
    QLabel* m_summary;
};
