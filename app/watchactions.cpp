// Watching from the window: the names and ticked lookups saved as a watch list, the domains and certificates
// about to expire, only the rows that changed, and the window put away in the tray while lists run.
#include "app/Form1.h"

#include "app/ExpiringDialog.h"
#include "app/FrozenColumns.h"
#include "app/Platform.h"
#include "app/ResultsGrid.h"
#include "app/WatchListDialog.h"
#include "app/changedrows.h"
#include "app/intake.h"
#include "input/domains.h"
#include "queries/engine/walker.h"
#include "settings/settings.h"
#include "store/store.h"
#include "update/update.h"
#include "watching/watcher.h"

#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTreeView>

using namespace Qt::Literals::StringLiterals;

void Form1::setWatcher(Watcher* watcher, bool closeToTray)
{
    m_watcher = watcher;
    m_closeToTray = closeToTray;
    // The user's own batch first: no list starts while it runs, and one running gives way.
    connect(m_walker, &Walker::busyChanged, watcher, &Watcher::setUserBusy);
}

void Form1::saveWatchList()
{
    const QStringList domains = domainsFromInput(inputText(*m_text1->document()));
    QStringList keys;
    for (const Lookup* lookup : m_walker->table().lookups()) {
        if (isTicked(*lookup))
            keys.append(lookup->key);
    }
    const QString problem = !m_watcher            ? u"没有结果数据库，无法保存监控列表。"_s
        : !m_watcher->store().problem().isEmpty() ? u"无法保存监控列表：%1"_s.arg(m_watcher->store().problem())
        : domains.isEmpty()                       ? u"请输入查询域名"_s
        : keys.isEmpty()                          ? u"请至少勾选一项查询"_s
                                                  : QString();
    if (!problem.isEmpty()) {
        m_platform.messageBox(
            this, problem, u"保存为监控列表"_s, QMessageBox::Ok, QMessageBox::Information, QMessageBox::Ok);
        return;
    }
    WatchListDialog dialog(int(domains.size()), int(keys.size()), m_watcher->lists(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    WatchList list;
    list.name = dialog.name();
    list.domains = domains;
    list.lookups = keys;
    list.times.intervalHours = dialog.intervalHours();
    if (!m_watcher->store().save(list)) {
        m_platform.messageBox(this, u"无法保存监控列表：%1"_s.arg(m_watcher->store().problem()), u"保存为监控列表"_s,
            QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok);
        return;
    }
    m_label1->setText(u"已保存监控列表「%1」：%2 个域名，每 %3 小时查询一次"_s.arg(list.name)
                          .arg(domains.size())
                          .arg(list.times.intervalHours));
    if (!m_closeToTray && !std::exchange(m_saidNoTray, true))
        m_label1->setText(m_label1->text() + u"（没有系统托盘：监控列表只在窗口打开时按时查询）"_s);
    m_watcher->start();
}

void Form1::fillRemoveWatchListMenu(QMenu& menu)
{
    menu.clear();
    const QStringList names = m_watcher ? m_watcher->store().names() : QStringList();
    for (const QString& name : names)
        menu.addAction(name, this, [this, name] { removeWatchList(name); });
    if (names.isEmpty())
        menu.addAction(u"（没有监控列表）"_s)->setEnabled(false);
}

void Form1::removeWatchList(const QString& name)
{
    const auto answer
        = m_platform.messageBox(this, u"删除监控列表「%1」？它以往查询的结果仍保存在结果数据库中。"_s.arg(name),
            u"删除监控列表"_s, QMessageBox::Yes | QMessageBox::No, QMessageBox::Question, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    if (!m_watcher->store().remove(name)) {
        m_platform.messageBox(this, u"无法删除监控列表：%1"_s.arg(m_watcher->store().problem()), u"删除监控列表"_s,
            QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok);
        return;
    }
    m_label1->setText(u"已删除监控列表「%1」"_s.arg(name));
}

void Form1::showExpiring()
{
    if (!m_store) {
        m_platform.messageBox(this, u"没有结果数据库，无法列出即将到期的域名。"_s, u"即将到期"_s, QMessageBox::Ok,
            QMessageBox::Information, QMessageBox::Ok);
        return;
    }
    ExpiringDialog dialog(
        m_platform, *m_store, m_walker->results().sharedTable(), m_walker->ranks(), m_settings.warnDays(), this);
    dialog.exec();
}

void Form1::setOnlyChanges(bool on)
{
    if (!m_changedRows) {
        QList<QTreeView*> views {m_listView1};
        if (m_frozen)
            views.append(m_frozen->view());
        m_changedRows = std::make_unique<ChangedRowsFilter>(*m_grid, views);
    }
    m_changedRows->setOn(on);
    if (m_onlyChanges->isChecked() != on)
        m_onlyChanges->setChecked(on);
}

void Form1::sayNoTray()
{
    if (std::exchange(m_saidNoTray, true))
        return;
    m_label1->setText(u"没有系统托盘：监控列表只在窗口打开时按时查询"_s);
}

void Form1::quitFromTray()
{
    m_quitting = true;
    m_timer1->stop();
    m_update->abort();
    m_walker->abortAll();
    m_platform.quitApplication();
}
