#include "app/Form1.h"
#include "app/ResultsGrid.h"
#include "queries/lookup.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QScopedValueRollback>
#include <QTreeView>

using namespace Qt::Literals::StringLiterals;

const Form1::Lookup& Form1::lookupFor(int column)
{
    // The search-engine lookups always walk the whole queue; Stop ends the others between two domains.
    static const Lookup lookups[] = {
        {RegistrarColumn, Walk::WithStop, &Form1::registrarCell},
        {IcpColumn, Walk::WithStop, &Form1::icpCell},
        {BaiduIndexColumn, Walk::WithoutStop, &Form1::baiduIndexCell},
        {BaiduLinksColumn, Walk::WithoutStop, &Form1::baiduLinksCell},
        {AlexaColumn, Walk::WithStop, &Form1::alexaCell},
        {YahooColumn, Walk::WithoutStop, &Form1::yahooCell},
        {OutboundColumn, Walk::WithStop, &Form1::outboundCell},
        {SiteIpColumn, Walk::WithStop, &Form1::siteIpCell},
    };
    for (const Lookup& lookup : lookups) {
        if (lookup.column == column)
            return lookup;
    }
    Q_UNREACHABLE();
}

void Form1::walk(const Lookup& lookup, Rows rows)
{
    // Lookups run one at a time: a nested one would clear the stop flag of the one it interrupts and
    // race it for the same cells.
    if (m_walkRunning)
        return;
    QScopedValueRollback<bool> running(m_walkRunning, true);

    if (lookup.kind == Walk::WithStop)
        m_check1->setChecked(false);
    const QString name = gridColumns().at(size_t(lookup.column)).header;
    const int count = m_list1->count();
    for (int i = 0; i < count; ++i) {
        if ((lookup.kind == Walk::WithStop && stopRequested()) || m_closing)
            return;
        // Only a lookup clicked before any batch meets a queue entry without a row.
        if (i >= m_grid->rowCount())
            return;
        if (rows == Rows::Marked && m_grid->problem(i, lookup.column).isEmpty())
            continue;
        m_label1->setText(u"%1 %2/%3"_s.arg(name).arg(i + 1).arg(count));
        m_listView1->scrollTo(m_grid->index(i, lookup.column));
        const QString domain = m_list1->item(i)->text();
        const CellResult cell = (this->*lookup.cell)(domain);
        if (m_closing)
            return;
        m_grid->setText(i, lookup.column, cell.text, cell.problem);
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
