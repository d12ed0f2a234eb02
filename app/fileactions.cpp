// The 文件 menu's actions and the grid's copy: domains and rank lists read in, the grid written out as CSV
// or Excel (the columns shown, as shown), selected rows to the clipboard.
#include "app/Form1.h"

#include "app/Platform.h"
#include "app/ResultsGrid.h"
#include "export/export.h"
#include "export/outputfile.h"
#include "export/workbook.h"
#include "input/domains.h"
#include "queries/engine/walker.h"

#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTreeView>

using namespace Qt::Literals::StringLiterals;

QList<int> Form1::shownColumns() const
{
    QList<int> columns;
    for (int column = 0; column < m_grid->columnCount(); ++column) {
        if (!m_listView1->isColumnHidden(column))
            columns.append(column);
    }
    return columns;
}

void Form1::importDomains()
{
    const QString path = m_platform.openFileName(this, u"导入域名"_s, u"文本或 CSV 文件 (*.txt *.csv);;所有文件 (*)"_s);
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_platform.messageBox(this, u"无法打开文件 %1：%2"_s.arg(QFileInfo(path).fileName(), file.errorString()),
            u"导入域名"_s, QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok);
        return;
    }
    const DomainFile read = domainsFromFile(file.readAll());
    const QStringList& domains = read.domains;
    // The box holds names only: why a line could not be one is kept for Start.
    m_importReasons.clear();
    for (auto it = read.unreadable.cbegin(); it != read.unreadable.cend(); ++it)
        m_importReasons.insert(domains.at(it.key()), it.value());
    m_text1->setPlainText(domains.join(u'\n') + (domains.isEmpty() ? QString() : u"\n"_s));
    m_label1->setText(u"已导入 %1 个域名"_s.arg(domains.size()));
}

void Form1::importRankingList()
{
    const QString path
        = m_platform.openFileName(this, u"导入排名列表"_s, u"Tranco 排名列表 (*.csv *.zip);;所有文件 (*)"_s);
    if (path.isEmpty())
        return;
    // Read and checked in the background; installed() tells how it went.
    m_walker->ranks().install(path, QFileInfo(path).lastModified().date());
}

void Form1::exportCsv()
{
    const QString path = m_platform.saveFileName(this, u"导出为 CSV 文件"_s, u"seo-quillmark.csv"_s);
    if (path.isEmpty())
        return;
    OutputFile file(path);
    QString error = file.open();
    if (error.isEmpty()) {
        file.write(csvBytes(m_walker->results(), shownColumns()));
        error = file.commit();
    }
    if (!error.isEmpty()) {
        m_platform.messageBox(this, u"无法保存文件 %1：%2"_s.arg(QFileInfo(path).fileName(), error),
            u"导出为 CSV 文件"_s, QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok);
        return;
    }
    m_label1->setText(u"已导出 %1 行"_s.arg(m_walker->results().rowCount()));
}

void Form1::exportXlsx()
{
    const QString path = m_platform.saveFileName(this, u"导出为 Excel 文件"_s, u"seo-quillmark.xlsx"_s);
    if (path.isEmpty())
        return;
    if (const QString error = writeWorkbook(path, m_walker->results(), shownColumns()); !error.isEmpty()) {
        m_platform.messageBox(this, u"无法保存文件 %1：%2"_s.arg(QFileInfo(path).fileName(), error),
            u"导出为 Excel 文件"_s, QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok);
        return;
    }
    m_label1->setText(u"已导出 %1 行"_s.arg(m_walker->results().rowCount()));
}

void Form1::copySelectedRows()
{
    QList<int> rows;
    for (const QModelIndex& index : m_listView1->selectionModel()->selectedRows())
        rows.append(index.row());
    if (rows.isEmpty()) {
        m_platform.messageBox(this, u"请先在表格中选择要复制的行。"_s, u"复制所选行"_s, QMessageBox::Ok,
            QMessageBox::Information, QMessageBox::Ok);
        return;
    }
    std::sort(rows.begin(), rows.end());
    m_platform.setClipboardText(exportLines(m_walker->results(), rows));
    m_label1->setText(u"已复制 %1 行"_s.arg(rows.size()));
}
