// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ExportController.h"

#include "app/BatchController.h"
#include "app/Platform.h"
#include "app/ResultsGrid.h"
#include "export/export.h"
#include "export/outputfile.h"
#include "export/workbook.h"
#include "queries/engine/walker.h"

#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QTreeView>

using namespace Qt::Literals::StringLiterals;

ExportController::ExportController(const WindowParts& parts, const BatchController& batch, QObject* parent)
    : QObject(parent)
    , m_parts(parts)
    , m_batch(batch)
{
}

void ExportController::copyAll()
{
    const Results& results = m_parts.walker.results();
    // Without a row there is nothing to copy: the clipboard keeps what it held.
    if (!m_batch.hasRun() || results.rowCount() == 0) {
        m_parts.platform.messageBox(
            &m_parts.window, tr("请先查询"), QString(), QMessageBox::Ok, QMessageBox::NoIcon, QMessageBox::Ok);
        return;
    }
    m_parts.platform.setClipboardText(exportText(results, int(m_parts.walker.queue().size())));
    m_parts.platform.messageBox(&m_parts.window, tr("全部复制成功，您可以粘贴到任意处！"), QString(), QMessageBox::Ok,
        QMessageBox::NoIcon, QMessageBox::Ok);
}

QList<int> ExportController::shownColumns() const
{
    QList<int> columns;
    for (int column = 0; column < m_parts.grid.columnCount(); ++column) {
        if (!m_parts.view.isColumnHidden(column))
            columns.append(column);
    }
    return columns;
}

void ExportController::exportCsv()
{
    const QString title = tr("导出为 CSV 文件");
    const QString path = m_parts.platform.saveFileName(&m_parts.window, title, u"seo-quillmark.csv"_s);
    if (path.isEmpty())
        return;
    OutputFile file(path);
    QString error = file.open();
    if (error.isEmpty()) {
        file.write(csvBytes(m_parts.walker.results(), shownColumns()));
        error = file.commit();
    }
    if (!error.isEmpty())
        return sayCannotSave(path, error, title);
    sayExported();
}

void ExportController::exportXlsx()
{
    const QString title = tr("导出为 Excel 文件");
    const QString path = m_parts.platform.saveFileName(&m_parts.window, title, u"seo-quillmark.xlsx"_s);
    if (path.isEmpty())
        return;
    if (const QString error = writeWorkbook(path, m_parts.walker.results(), shownColumns()); !error.isEmpty())
        return sayCannotSave(path, error, title);
    sayExported();
}

void ExportController::sayCannotSave(const QString& path, const QString& error, const QString& title)
{
    m_parts.platform.messageBox(&m_parts.window, tr("无法保存文件 %1：%2").arg(QFileInfo(path).fileName(), error),
        title, QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok);
}

void ExportController::sayExported()
{
    m_parts.statusLine.setText(tr("已导出 %1 行").arg(m_parts.walker.results().rowCount()));
}

void ExportController::copySelectedRows()
{
    QList<int> rows;
    for (const QModelIndex& index : m_parts.view.selectionModel()->selectedRows())
        rows.append(index.row());
    if (rows.isEmpty()) {
        m_parts.platform.messageBox(&m_parts.window, tr("请先在表格中选择要复制的行。"), tr("复制所选行"),
            QMessageBox::Ok, QMessageBox::Information, QMessageBox::Ok);
        return;
    }
    std::sort(rows.begin(), rows.end());
    m_parts.platform.setClipboardText(exportLines(m_parts.walker.results(), rows));
    m_parts.statusLine.setText(tr("已复制 %1 行").arg(rows.size()));
}
