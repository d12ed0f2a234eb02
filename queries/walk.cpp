#include "app/Form1.h"
#include "app/ResultsGrid.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QListWidget>
#include <QScopedValueRollback>

void Form1::walk(Walk kind, int column, const DomainWork& work)
{
    // Lookups run one at a time: a nested one would clear the stop flag of the one it interrupts and
    // race it for the same cells.
    if (m_walkRunning)
        return;
    QScopedValueRollback<bool> running(m_walkRunning, true);

    if (kind == Walk::WithStop)
        m_check1->setChecked(false);
    const int count = m_list1->count();
    for (int i = 0; i < count; ++i) {
        if ((kind == Walk::WithStop && stopRequested()) || m_closing)
            return;
        // Only a lookup clicked before any batch meets a queue entry without a row.
        if (i >= m_grid->rowCount())
            return;
        const QString domain = m_list1->item(i)->text();
        const QString text = work(domain);
        if (m_closing)
            return;
        m_grid->setText(i, column, text);
        yieldToWindow();
    }
}

bool Form1::stopRequested() const
{
    return m_check1->isChecked();
}

void Form1::yieldToWindow() const
{
    QCoreApplication::processEvents();
}

void Form1::Command9_Click()
{
    m_check1->setChecked(true);
}
