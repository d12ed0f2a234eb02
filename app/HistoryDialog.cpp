// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/HistoryDialog.h"

#include "app/HistoryChart.h"
#include "app/Platform.h"
#include "app/ResultsGrid.h"
#include "queries/engine/lookup.h"
#include "queries/engine/lookuptable.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

QList<ChartAnswer> chartAnswers(const QList<ResultStore::Answer>& answers)
{
    QList<ChartAnswer> points;
    for (const ResultStore::Answer& answer : answers)
        points.append({answer.at, answer.batch, answer.lookup, answer.text, !answer.problem.isEmpty(), answer.value});
    return points;
}

} // namespace

HistoryDialog::HistoryDialog(Platform& platform, const QString& domain,
    const ReadResult<QList<ResultStore::Answer>>& history, const LookupTable& table, QWidget* parent)
    : QDialog(parent)
    , m_platform(platform)
    , m_domain(domain)
    , m_chart(new HistoryChart(chartAnswers(history.value()), table))
{
    const QList<ResultStore::Answer> answers = history.value();
    setObjectName(u"historyDialog"_s);
    setWindowTitle(u"查看历史：%1"_s.arg(domain));
    auto* list = new QTreeWidget;
    list->setObjectName(u"answers"_s);
    list->setRootIsDecorated(false);
    list->setHeaderLabels({u"时间"_s, u"查询"_s, u"结果"_s, u"说明"_s});
    for (const ResultStore::Answer& answer : answers) {
        const Lookup* lookup = table.byKey(answer.lookup);
        new QTreeWidgetItem(list,
            {answer.at.toString(u"yyyy-MM-dd HH:mm"_s), lookup ? lookup->header : answer.lookup,
                displayText(answer.text), answer.problem});
    }
    if (!history.ok())
        new QTreeWidgetItem(list, {QString(), QString(), u"无法读取结果数据库（%1）"_s.arg(history.error())});
    else if (answers.isEmpty())
        new QTreeWidgetItem(list, {QString(), QString(), u"没有保存的结果"_s});
    list->header()->resizeSection(0, 130);
    m_chart->setObjectName(u"chart"_s);
    auto* tabs = new QTabWidget;
    tabs->setObjectName(u"tabs"_s);
    tabs->addTab(list, u"记录"_s);
    tabs->addTab(m_chart, u"图表"_s);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QPushButton* save = buttons->addButton(u"保存图表为 PNG…"_s, QDialogButtonBox::ActionRole);
    save->setObjectName(u"saveChart"_s);
    save->setEnabled(m_chart->lineCount() > 0);
    connect(save, &QPushButton::clicked, this, &HistoryDialog::saveChart);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
    resize(820, 480);
}

void HistoryDialog::saveChart()
{
    const QString path = m_platform.saveFileName(this, u"保存图表"_s, m_domain + u".png"_s);
    if (path.isEmpty() || m_chart->savePng(path))
        return;
    m_platform.messageBox(this, u"无法保存文件 %1"_s.arg(QFileInfo(path).fileName()), u"保存图表"_s, QMessageBox::Ok,
        QMessageBox::Warning, QMessageBox::Ok);
}
