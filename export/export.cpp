#include "export/export.h"

#include "app/Form1.h"
#include "app/Platform.h"
#include "app/ResultsGrid.h"

#include <QCheckBox>
#include <QListWidget>

using namespace Qt::Literals::StringLiterals;

QString exportText(const ResultsGrid& grid, int queueCount)
{
    // Pasted exports are parsed by users' own scripts: the labels, the lower-case "yahoo排名" included,
    // stay exactly as they have always been.
    static const QString labels[] = {
        QString(),   u"|注册："_s, u"|备案："_s, u"|百度收录："_s, u"|百度反链："_s,
        u"|Alexa："_s, u"|yahoo排名："_s, u"|出站："_s, u"|IP："_s,
    };
    const int rows = qMin(queueCount, grid.rowCount());
    QString text;
    for (int row = 0; row < rows; ++row) {
        for (int field = 0; field < 9; ++field) {
            text += labels[field];
            text += grid.text(row, DomainColumn + field);
        }
        text += u"\r\n"_s;
    }
    return text;
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
