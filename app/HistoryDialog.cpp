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
    setWindowTitle(tr("查看历史：%1").arg(domain));
    auto* list = new QTreeWidget;
    list->setObjectName(u"answers"_s);
    list->setRootIsDecorated(false);
    list->setHeaderLabels({tr("时间"), tr("查询"), tr("结果"), tr("说明")});
    for (const ResultStore::Answer& answer : answers) {
        const Lookup* lookup = table.byKey(answer.lookup);
        new QTreeWidgetItem(list,
            {answer.at.toString(u"yyyy-MM-dd HH:mm"_s), lookup ? shownHeader(*lookup) : answer.lookup,
                displayText(answer.text), answer.problem});
    }
    if (!history.ok())
        new QTreeWidgetItem(list, {QString(), QString(), tr("无法读取结果数据库（%1）").arg(history.error())});
    else if (answers.isEmpty())
        new QTreeWidgetItem(list, {QString(), QString(), tr("没有保存的结果")});
    list->header()->resizeSection(0, 130);
    m_chart->setObjectName(u"chart"_s);
    auto* tabs = new QTabWidget;
    tabs->setObjectName(u"tabs"_s);
    tabs->addTab(list, tr("记录"));
    tabs->addTab(m_chart, tr("图表"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QPushButton* save = buttons->addButton(tr("保存图表为 PNG…"), QDialogButtonBox::ActionRole);
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
    const QString path = m_platform.saveFileName(this, tr("保存图表"), m_domain + u".png"_s);
    if (path.isEmpty() || m_chart->savePng(path))
        return;
    m_platform.messageBox(this, tr("无法保存文件 %1").arg(QFileInfo(path).fileName()), tr("保存图表"), QMessageBox::Ok,
        QMessageBox::Warning, QMessageBox::Ok);
}
