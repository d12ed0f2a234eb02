// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <memory>

class ChangedRowsFilter;
class QCheckBox;
class QLabel;
class ResultsGrid;
class TrancoStore;
class WatchRun;
struct WatchSummary;

// What a watch list's run found, opened from its notification: the list's rows as the grid shows them, changes
// marked and, at first, only the rows with one.
class WatchResultsDialog : public QDialog
{
    Q_OBJECT
public:
    WatchResultsDialog(
        std::shared_ptr<const WatchRun> run, const TrancoStore& ranks, int warnDays, QWidget* parent = nullptr);
    ~WatchResultsDialog() override;

protected:
    // It stays open beside the window, so it follows a change of language too.
    void changeEvent(QEvent* event) override;

private:
    void showTexts();

    std::shared_ptr<const WatchRun> m_run; // its rows live as long as the dialog shows them
    ResultsGrid* m_model;
    std::unique_ptr<ChangedRowsFilter> m_filter;
    QCheckBox* m_onlyChanges;
    QLabel* m_news;
    int m_warnDays;
};
