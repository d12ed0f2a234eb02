// The line under 访问官网 (Label1) while a batch runs: the column furthest behind and the whole batch's count,
// why a service goes slower, and the summary once it ends; and the grid following the row being written.
#include "app/Form1.h"

#include "app/ResultsGrid.h"
#include "queries/engine/walker.h"

#include <QLabel>
#include <QScrollBar>
#include <QTreeView>

using namespace Qt::Literals::StringLiterals;

void Form1::connectProgressLine()
{
    connect(m_walker, &Walker::progress, this, &Form1::onProgress);
    connect(m_walker, &Walker::paceNotice, this, [this](const QString& notice) {
        m_paceNotice = notice;
        showStatus();
    });
    connect(m_walker, &Walker::finished, this, &Form1::showSummary);
    // Whether the grid goes on following the row being written: see m_following.
    connect(m_listView1->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (m_scrollingToRow || m_runningRow < 0 || !m_walker->isBusy())
            return;
        const QRect row = m_listView1->visualRect(m_grid->index(m_runningRow, DomainColumn));
        m_following = m_listView1->viewport()->rect().intersects(row);
    });
}

void Form1::onProgress(const Lookup& lookup, int row, int queueLength, qint64 written, qint64 total)
{
    m_runningRow = row;
    // The column furthest behind, then the whole batch: "百度反链 23/1000 · 共 4,210/8,000".
    const QLocale grouped(QLocale::English);
    m_progress = u"%1 %2/%3 · 共 %4/%5"_s.arg(lookup.header)
                     .arg(row + 1)
                     .arg(queueLength)
                     .arg(grouped.toString(written), grouped.toString(total));
    showStatus();
    if (m_following) {
        m_scrollingToRow = true;
        m_listView1->scrollTo(m_grid->index(row, m_walker->table().columnOf(lookup)));
        m_scrollingToRow = false;
    }
}

void Form1::showStatus()
{
    m_label1->setText(m_paceNotice.isEmpty() ? m_progress : m_progress + u'\n' + m_paceNotice);
}

void Form1::showSummary(qint64 elapsedMs)
{
    m_runningRow = -1;
    m_progress.clear();
    m_label1->setText(u"查询完成，用时 %1 秒\n失败 %2 项"_s.arg(elapsedMs / 1000.0, 0, 'f', 1)
                          .arg(m_walker->results().problemCount()));
}
