#include "export/export.h"

#include "app/Form1.h"
#include "app/Platform.h"
#include "app/ResultsGrid.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QSaveFile>
#include <QTreeView>

using namespace Qt::Literals::StringLiterals;

namespace {

void appendLine(QString& text, const ResultsGrid& grid, int row)
{
    // Pasted exports are parsed by users' own scripts: the labels, the lower-case "yahoo排名" included,
    // stay exactly as they have always been.
    static const QString labels[] = {
        QString(),
        u"|注册："_s,
        u"|备案："_s,
        u"|百度收录："_s,
        u"|百度反链："_s,
        u"|Alexa："_s,
        u"|yahoo排名："_s,
        u"|出站："_s,
        u"|IP："_s,
    };
    for (int field = 0; field < 9; ++field) {
        text += labels[field];
        text += grid.text(row, DomainColumn + field);
    }
    text += u"\r\n"_s;
}

QString csvField(const QString& text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\r') && !text.contains(u'\n'))
        return text;
    QString quoted = text;
    quoted.replace(u"\""_s, u"\"\""_s);
    return u'"' + quoted + u'"';
}

} // namespace

QString exportText(const ResultsGrid& grid, int queueCount)
{
    const int rows = qMin(queueCount, grid.rowCount());
    QString text;
    for (int row = 0; row < rows; ++row)
        appendLine(text, grid, row);
    return text;
}

QString exportLines(const ResultsGrid& grid, const QList<int>& rows)
{
    QString text;
    for (int row : rows)
        appendLine(text, grid, row);
    return text;
}

QByteArray csvBytes(const ResultsGrid& grid)
{
    QString text;
    const auto appendRow = [&text](const QStringList& fields) {
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (i > 0)
                text += u',';
            text += csvField(fields.at(i));
        }
        text += u"\r\n"_s;
    };
    QStringList fields;
    for (const GridColumnInfo& column : gridColumns())
        fields.append(column.header);
    appendRow(fields);
    for (int row = 0; row < grid.rowCount(); ++row) {
        fields.clear();
        for (int column = 0; column < GridColumnCount; ++column)
            fields.append(grid.text(row, column));
        appendRow(fields);
    }
    return "\xEF\xBB\xBF" + text.toUtf8();
}

void Form1::Command14_Click()
{
    if (!m_check10->isChecked()) {
        m_platform.messageBox(this, u"请先查询"_s, QString(), QMessageBox::Ok, QMessageBox::NoIcon, QMessageBox::Ok);
        return;
    }
    m_platform.setClipboardText(exportText(*m_grid, m_list1->count()));
    m_platform.messageBox(this, u"全部复制成功，您可以粘贴到任意处！"_s, QString(), QMessageBox::Ok,
        QMessageBox::NoIcon, QMessageBox::Ok);
}

void Form1::exportCsv()
{
    const QString path = m_platform.saveFileName(this, u"导出为 CSV 文件"_s, u"seo-quillmark.csv"_s);
    if (path.isEmpty())
        return;
    // Written beside the target and renamed over it, so a failed export never leaves half a file behind.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(csvBytes(*m_grid)) < 0 || !file.commit()) {
        m_platform.messageBox(this, u"无法保存文件 %1：%2"_s.arg(QFileInfo(path).fileName(), file.errorString()),
            u"导出为 CSV 文件"_s, QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok);
        return;
    }
    m_label1->setText(u"已导出 %1 行"_s.arg(m_grid->rowCount()));
}

void Form1::copySelectedRows()
{
    QList<int> rows;
    for (const QModelIndex& index : m_listView1->selectionModel()->selectedRows())
        rows.append(index.row());
    if (rows.isEmpty())
        return;
    std::sort(rows.begin(), rows.end());
    m_platform.setClipboardText(exportLines(*m_grid, rows));
    m_label1->setText(u"已复制 %1 行"_s.arg(rows.size()));
}
