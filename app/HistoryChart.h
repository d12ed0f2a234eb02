// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "queries/engine/value.h"

#include <QDateTime>
#include <QList>
#include <QWidget>

class LookupTable;
class QChartView;

// One saved answer, as the chart draws it.
struct ChartAnswer
{
    QDateTime at;
    qint64 batch = 0;
    QString lookup; // key
    QString text;
    bool failed = false;
    CellValue value = {};
};

// A domain's numeric facts over time, as lines against dates: the counts (百度收录, 百度反链…) on one axis,
// the ranks (Tranco 排名…) on another with 1 at the top, and the days the domain and its certificate had left
// on a third. A failed answer is no point. Hovering a point tells its value and batch.
class HistoryChart : public QWidget
{
    Q_OBJECT
public:
    HistoryChart(const QList<ChartAnswer>& answers, const LookupTable& table, QWidget* parent = nullptr);
    // How many lines it draws: none when the domain has no numeric fact saved.
    int lineCount() const { return m_lines; }
    // The chart as a PNG file; false when it could not be written.
    bool savePng(const QString& path) const;

private:
    QChartView* m_view;
    int m_lines = 0;
};
