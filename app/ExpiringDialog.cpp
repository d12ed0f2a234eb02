// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ExpiringDialog.h"

#include "app/Platform.h"
#include "app/ResultsGrid.h"
#include "export/export.h"
#include "export/outputfile.h"
#include "export/workbook.h"
#include "queries/engine/results.h"
#include "store/store.h"
#include "watching/expiringlist.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

ExpiringDialog::ExpiringDialog(Platform& platform, ResultStore& store, const std::shared_ptr<const LookupTable>& table,
    const TrancoStore& ranks, int warnDays, QWidget* parent)
    : QDialog(parent)
    , m_platform(platform)
    , m_view(new QTreeView)
    , m_summary(new QLabel)
{
    setObjectName(u"expiringDialog"_s);
    setWindowTitle(tr("即将到期"));
    const QDate today = store.clock().today();
    QString error;
    // Lapsed ones as far back as ahead: what lapsed long ago is mostly an answer nobody asked again (renewed
    // since, or gone), and a store of years would list little else.
    const QList<expiries::Expiring> due
        = store.expiringBetween(today.addDays(-warnDays), today.addDays(warnDays), &error);
    m_results = expiringRows(due, expiryTable(table), today);
    m_model = new ResultsGrid(*m_results, ranks, this, store.clock());
    m_model->setWarnDays(warnDays);
    m_view->setObjectName(u"expiring"_s);
    m_view->setModel(m_model);
    m_view->setRootIsDecorated(false);
    m_view->setUniformRowHeights(true);
    m_view->setColumnHidden(PositionColumn, true);
    m_view->setColumnWidth(DomainColumn, 220);
    // Room for the longest day's text in either language: "2026-12-05 (expired 365 days ago)".
    for (int column = FirstLookupColumn; column < m_results->table().columnCount(); ++column)
        m_view->setColumnWidth(column, 240);
    m_summary->setObjectName(u"summary"_s);
    m_summary->setTextFormat(Qt::PlainText); // the database's error names its path
    m_summary->setText(!error.isEmpty() ? tr("无法读取结果数据库：%1").arg(error)
            : m_results->rowCount() == 0
            ? tr("查询过的域名中，没有 %1 天内到期或近 %1 天内已过期的域名或证书。").arg(warnDays)
            : tr("查询过的域名中，%1 个域名或证书 %2 天内到期或近 %2 天内已过期（按最近一次查询的结果）。")
                  .arg(m_results->rowCount())
                  .arg(warnDays));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QPushButton* csv = buttons->addButton(tr("导出为 CSV 文件…"), QDialogButtonBox::ActionRole);
    QPushButton* workbook = buttons->addButton(tr("导出为 Excel 文件…"), QDialogButtonBox::ActionRole);
    csv->setEnabled(m_results->rowCount() > 0);
    workbook->setEnabled(m_results->rowCount() > 0);
    connect(csv, &QPushButton::clicked, this, &ExpiringDialog::saveCsv);
    connect(workbook, &QPushButton::clicked, this, &ExpiringDialog::saveWorkbook);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(m_view);
    layout->addWidget(buttons);
    resize(740, 480);
}

ExpiringDialog::~ExpiringDialog()
{
    // The rows go before the widgets do, and a view still shown asks its model for headers as it is hidden.
    m_view->setModel(nullptr);
}

QList<int> ExpiringDialog::columns() const
{
    QList<int> columns {DomainColumn};
    for (int column = FirstLookupColumn; column < m_results->table().columnCount(); ++column)
        columns.append(column);
    return columns;
}

void ExpiringDialog::saveCsv()
{
    const QString path = m_platform.saveFileName(this, tr("导出为 CSV 文件"), tr("即将到期.csv"));
    if (path.isEmpty())
        return;
    OutputFile file(path);
    QString error = file.open();
    if (error.isEmpty()) {
        file.write(csvBytes(*m_results, columns()));
        error = file.commit();
    }
    tellFailure(tr("导出为 CSV 文件"), path, error);
}

void ExpiringDialog::saveWorkbook()
{
    const QString path = m_platform.saveFileName(this, tr("导出为 Excel 文件"), tr("即将到期.xlsx"));
    if (!path.isEmpty())
        tellFailure(tr("导出为 Excel 文件"), path, writeWorkbook(path, *m_results, columns()));
}

void ExpiringDialog::tellFailure(const QString& caption, const QString& path, const QString& error)
{
    if (error.isEmpty())
        return;
    m_platform.messageBox(this, tr("无法保存文件 %1：%2").arg(QFileInfo(path).fileName(), error), caption,
        QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok);
}
