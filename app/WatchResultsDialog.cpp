// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WatchResultsDialog.h"

#include "app/ResultsGrid.h"
#include "app/changedrows.h"
#include "export/columns.h"
#include "queries/engine/lookup.h"
#include "queries/engine/results.h"
#include "watching/watchrun.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QTreeView>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

WatchResultsDialog::WatchResultsDialog(
    std::shared_ptr<const WatchRun> run, const TrancoStore& ranks, int warnDays, QWidget* parent)
    : QDialog(parent)
    , m_run(std::move(run))
    , m_model(new ResultsGrid(m_run->results(), ranks, this))
{
    setObjectName(u"watchResultsDialog"_s);
    setWindowTitle(u"监控列表「%1」"_s.arg(m_run->list().name));
    m_model->setWarnDays(warnDays);
    auto* view = new QTreeView;
    view->setObjectName(u"rows"_s);
    view->setModel(m_model);
    view->setItemDelegate(new DeltaDelegate(view));
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    const LookupTable& table = m_run->results().table();
    for (int column = 0; column < table.columnCount(); ++column) {
        const Lookup* lookup = table.lookupAt(column);
        view->setColumnWidth(column, columnWidth(table, column));
        view->setColumnHidden(column, lookup && !m_run->list().lookups.contains(lookup->key));
    }
    m_filter = std::make_unique<ChangedRowsFilter>(*m_model, QList<QTreeView*> {view});
    auto* onlyChanges = new QCheckBox(u"只看变化"_s);
    onlyChanges->setObjectName(u"onlyChanges"_s);
    connect(onlyChanges, &QCheckBox::toggled, this, [this](bool on) { m_filter->setOn(on); });
    const WatchSummary summary = m_run->summary();
    onlyChanges->setChecked(summary.changes > 0);
    auto* text = new QLabel(watchNews(m_run->list().name, summary, warnDays));
    text->setTextFormat(Qt::PlainText); // the list's name is the user's text, markup or not
    if (text->text().isEmpty())
        text->setText(u"监控列表「%1」：没有变化"_s.arg(m_run->list().name));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(onlyChanges);
    layout->addWidget(view);
    layout->addWidget(buttons);
    resize(900, 520);
}

WatchResultsDialog::~WatchResultsDialog() = default;
