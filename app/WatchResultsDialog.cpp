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
#include <QEvent>
#include <QLabel>
#include <QTreeView>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

WatchResultsDialog::WatchResultsDialog(
    std::shared_ptr<const WatchRun> run, const TrancoStore& ranks, int warnDays, QWidget* parent)
    : QDialog(parent)
    , m_run(std::move(run))
    , m_model(new ResultsGrid(m_run->results(), ranks, this))
    , m_onlyChanges(new QCheckBox)
    , m_news(new QLabel)
    , m_warnDays(warnDays)
{
    setObjectName(u"watchResultsDialog"_s);
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
    m_onlyChanges->setObjectName(u"onlyChanges"_s);
    connect(m_onlyChanges, &QCheckBox::toggled, this, [this](bool on) { m_filter->setOn(on); });
    m_onlyChanges->setChecked(m_run->summary().changes > 0);
    m_news->setTextFormat(Qt::PlainText); // the list's name is the user's text, markup or not
    showTexts();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_news);
    layout->addWidget(m_onlyChanges);
    layout->addWidget(view);
    layout->addWidget(buttons);
    resize(900, 520);
}

WatchResultsDialog::~WatchResultsDialog() = default;

void WatchResultsDialog::showTexts()
{
    const QString& name = m_run->list().name;
    setWindowTitle(tr("监控列表「%1」").arg(name));
    m_onlyChanges->setText(tr("只看变化"));
    const QString news = watchNews(name, m_run->summary(), m_warnDays);
    m_news->setText(news.isEmpty() ? tr("监控列表「%1」：没有变化").arg(name) : news);
}

void WatchResultsDialog::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        showTexts();
    QDialog::changeEvent(event);
}
