// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/HistoryChart.h"

#include "app/ResultsGrid.h"
#include "queries/engine/lookup.h"
#include "queries/engine/lookuptable.h"
#include "watch/expiry.h"

#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QLocale>
#include <QVBoxLayout>
#include <QValueAxis>

#include <cmath>
#include <map>

using namespace Qt::Literals::StringLiterals;

namespace {

enum class Scale { Count, Rank, Days };

struct Line
{
    QString name;
    Scale scale;
    QList<QPointF> points; // x: ms since the epoch
    QList<qint64> batches;
};

// The value a saved answer puts on its lookup's line, and on which scale: nothing for a text, a failure or a
// cell that holds no number.
std::optional<std::pair<double, Scale>> valueOf(const ChartAnswer& answer, const Lookup& lookup)
{
    if (answer.failed)
        return std::nullopt;
    switch (lookup.measure) {
    case Measure::Count:
    case Measure::Rank: {
        const std::optional<qint64> number = answer.value.number();
        // A rank of 0 (Alexa's "none") is no rank.
        if (!number || (lookup.measure == Measure::Rank && *number <= 0))
            return std::nullopt;
        return std::pair {double(*number), lookup.measure == Measure::Count ? Scale::Count : Scale::Rank};
    }
    case Measure::Date: {
        // The days an expiry had left when it was asked; a creation date is no countdown.
        const std::optional<QDate> day = answer.value.day();
        if (!day || lookup.key == u"reg-created"_s)
            return std::nullopt;
        return std::pair {double(daysLeft(*day, answer.at.date())), Scale::Days};
    }
    case Measure::Text:
        break;
    }
    return std::nullopt;
}

QString lineName(const Lookup& lookup, Scale scale)
{
    if (scale != Scale::Days)
        return shownHeader(lookup);
    return lookup.key == u"tls-expiry"_s ? QCoreApplication::translate("HistoryChart", "证书剩余天数")
                                         : QCoreApplication::translate("HistoryChart", "域名剩余天数");
}

QValueAxis* axisFor(QChart* chart, Scale scale, const QList<Line>& lines)
{
    double low = 0;
    double high = 1;
    for (const Line& line : lines) {
        for (const QPointF& point : line.points) {
            if (line.scale == scale) {
                low = std::min(low, point.y());
                high = std::max(high, point.y());
            }
        }
    }
    auto* axis = new QValueAxis;
    axis->setTitleText(scale == Scale::Count ? QCoreApplication::translate("HistoryChart", "数量")
            : scale == Scale::Rank           ? QCoreApplication::translate("HistoryChart", "排名")
                                             : QCoreApplication::translate("HistoryChart", "剩余天数"));
    axis->setLabelFormat(u"%.0f"_s);
    axis->setRange(scale == Scale::Rank ? 1 : low, high * 1.05 + 1);
    // Round ticks read at a glance; a rank axis keeps 1 as its first tick, so it is left as it is.
    if (scale != Scale::Rank)
        axis->applyNiceNumbers();
    // 1 is the best rank: at the top.
    axis->setReverse(scale == Scale::Rank);
    chart->addAxis(axis, scale == Scale::Count ? Qt::AlignLeft : Qt::AlignRight);
    return axis;
}

// A graphics view answers a tooltip request from its items alone (and hides any other tooltip), so the text
// is put on the chart and shown by the view's own delay.
void nameAnswersOnHover(QChart* chart, QLineSeries* series, const Line& line)
{
    QObject::connect(series, &QLineSeries::hovered, chart,
        [chart, series, name = line.name, batches = line.batches](const QPointF& point, bool inside) {
            const QList<QPointF> points = series->points();
            if (!inside || points.isEmpty()) {
                chart->setToolTip(QString());
                return;
            }
            // The signal gives the place on the line under the pointer; the answer meant is the nearest saved one.
            qsizetype at = 0;
            for (qsizetype i = 1; i < points.size(); ++i) {
                if (std::abs(points.at(i).x() - point.x()) < std::abs(points.at(at).x() - point.x()))
                    at = i;
            }
            const QPointF nearest = points.at(at);
            chart->setToolTip(plainToolTip(
                QCoreApplication::translate("HistoryChart", "%1：%2\n第 %3 批（%4）")
                    .arg(name, QLocale(QLocale::English).toString(qint64(nearest.y())))
                    .arg(batches.at(at))
                    .arg(QDateTime::fromMSecsSinceEpoch(qint64(nearest.x())).toString(u"yyyy-MM-dd HH:mm"_s))));
        });
}

} // namespace

HistoryChart::HistoryChart(const QList<ChartAnswer>& answers, const LookupTable& table, QWidget* parent)
    : QWidget(parent)
    , m_view(new QChartView)
{
    setObjectName(u"historyChart"_s);
    std::map<std::pair<int, int>, Line> byLookup; // by column and scale, in the grid's order
    for (const ChartAnswer& answer : answers) {
        const Lookup* lookup = table.byKey(answer.lookup);
        const auto value = lookup ? valueOf(answer, *lookup) : std::nullopt;
        if (!value)
            continue;
        Line& line = byLookup[{table.columnOf(*lookup), int(value->second)}];
        line.name = lineName(*lookup, value->second);
        line.scale = value->second;
        line.points.append({double(answer.at.toMSecsSinceEpoch()), value->first});
        line.batches.append(answer.batch);
    }
    QList<Line> lines;
    for (auto& [column, line] : byLookup)
        lines.append(line);
    m_lines = int(lines.size());

    auto* chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);
    auto* dates = new QDateTimeAxis;
    dates->setFormat(u"yyyy-MM-dd"_s);
    dates->setTitleText(tr("日期"));
    chart->addAxis(dates, Qt::AlignBottom);
    std::map<Scale, QValueAxis*> axes;
    for (const Line& line : std::as_const(lines)) {
        if (!axes.count(line.scale))
            axes[line.scale] = axisFor(chart, line.scale, lines);
        auto* series = new QLineSeries;
        series->setName(line.name);
        series->append(line.points);
        series->setPointsVisible(true);
        chart->addSeries(series);
        series->attachAxis(dates);
        series->attachAxis(axes[line.scale]);
        nameAnswersOnHover(chart, series, line);
    }
    if (lines.isEmpty())
        chart->setTitle(tr("这个域名没有保存过可画成曲线的数值"));
    m_view->setObjectName(u"chartView"_s);
    m_view->setChart(chart);
    m_view->setRenderHint(QPainter::Antialiasing);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
}

bool HistoryChart::savePng(const QString& path) const
{
    return m_view->grab().save(path, "PNG");
}
