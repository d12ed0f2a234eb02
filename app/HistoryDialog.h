// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/store.h"

#include <QDialog>

class HistoryChart;
class LookupTable;
class Platform;

// 查看历史…: every saved answer for one domain, oldest first, and its numeric facts drawn over time.
class HistoryDialog : public QDialog
{
    Q_OBJECT
public:
    // A history that could not be read says why where its answers would be.
    HistoryDialog(Platform& platform, const QString& domain, const ReadResult<QList<ResultStore::Answer>>& history,
        const LookupTable& table, QWidget* parent = nullptr);

    const HistoryChart& chart() const { return *m_chart; }

private:
    void saveChart();

    Platform& m_platform;
    QString m_domain;
    HistoryChart* m_chart;
};
