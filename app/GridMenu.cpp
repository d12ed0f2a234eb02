// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/GridMenu.h"

#include "app/AnswerDialog.h"
#include "app/HistoryDialog.h"
#include "app/Platform.h"
#include "app/menutext.h"
#include "queries/engine/keys.h"
#include "queries/engine/walker.h"
#include "queries/lookups/registration.h"
#include "queries/sources/registrable.h"
#include "store/store.h"

#include <QAction>
#include <QMenu>
#include <QTreeView>

using namespace Qt::Literals::StringLiterals;

GridMenu::GridMenu(
    const WindowParts& parts, ResultStore* store, const QList<QAction*>& rowActions, QAction* settings, QObject* parent)
    : QObject(parent)
    , m_parts(parts)
    , m_store(store)
    , m_menu(new QMenu(&parts.window))
    , m_answer(withMenuText(new QAction(&parts.window), QT_TRANSLATE_NOOP("Menus", "查看应答原文")))
{
    m_menu->setObjectName(u"gridMenu"_s);
    m_menu->addActions(rowActions);
    QAction* history = withMenuText(
        m_menu->addAction(QString(), this, &GridMenu::showHistory), QT_TRANSLATE_NOOP("Menus", "查看历史…"));
    history->setObjectName(u"actionHistory"_s);
    m_answer->setObjectName(u"actionAnswer"_s);
    connect(m_answer, &QAction::triggered, this, &GridMenu::showAnswer);
    m_menu->addAction(m_answer);
    m_menu->addSeparator();
    m_menu->addAction(settings);
    m_parts.view.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&m_parts.view, &QWidget::customContextMenuRequested, m_menu, [this](const QPoint& at) { popUp(at); });
}

void GridMenu::popUp(const QPoint& at)
{
    // Only a registration cell has an answer of its own to show.
    const QModelIndex cell = m_parts.view.indexAt(at);
    m_answer->setVisible(cell.isValid() && isRegistrationColumn(cell.column()));
    m_menu->popup(m_parts.view.viewport()->mapToGlobal(at));
}

void GridMenu::showHistory()
{
    const QModelIndex current = m_parts.view.currentIndex();
    if (!current.isValid()) {
        m_parts.platform.messageBox(&m_parts.window, tr("请先在表格中选择一个域名。"), tr("查看历史"), QMessageBox::Ok,
            QMessageBox::Information, QMessageBox::Ok);
        return;
    }
    Walker& walker = m_parts.walker;
    const QString domain = walker.results().text(current.row(), DomainColumn);
    HistoryDialog dialog(m_parts.platform, domain, m_store ? m_store->history(domain) : QList<ResultStore::Answer>(),
        walker.table(), &m_parts.window);
    dialog.exec();
}

bool GridMenu::isRegistrationColumn(int column) const
{
    for (const Lookup* lookup :
        {&registrationStatusLookup(), &registrarNameLookup(), &registrationDateLookup(), &expiryDateLookup()}) {
        if (m_parts.walker.table().columnOf(*lookup) == column)
            return true;
    }
    return false;
}

void GridMenu::showAnswer()
{
    const QModelIndex current = m_parts.view.currentIndex();
    if (!current.isValid())
        return;
    Walker& walker = m_parts.walker;
    const QString domain = walker.results().text(current.row(), DomainColumn);
    auto* dialog = new AnswerDialog(domain, &m_parts.window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (const auto kept = walker.answers().find(typedName(domain).registrable))
        dialog->showAnswer(*kept, false);
    else
        dialog->waitFor(new RegistrationQuestion(domain, walker.jobContext(Key::RegStatus)));
    dialog->show();
}
