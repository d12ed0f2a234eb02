// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WatchController.h"

#include "app/ExpiringDialog.h"
#include "app/Platform.h"
#include "app/ResultsGrid.h"
#include "app/WatchListDialog.h"
#include "app/changedrows.h"
#include "app/intake.h"
#include "app/menutext.h"
#include "input/domains.h"
#include "queries/engine/walker.h"
#include "settings/settings.h"
#include "store/store.h"
#include "watching/watcher.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTreeView>

using namespace Qt::Literals::StringLiterals;

WatchController::WatchController(const WindowParts& parts, QPlainTextEdit& domains, Settings& settings,
    ResultStore* store, std::function<bool(const Lookup&)> isTicked, QObject* parent)
    : QObject(parent)
    , m_parts(parts)
    , m_domains(domains)
    , m_settings(settings)
    , m_store(store)
    , m_isTicked(std::move(isTicked))
    , m_onlyChanges(withMenuText(new QAction(&parts.window), QT_TRANSLATE_NOOP("Menus", "只看变化")))
{
    m_onlyChanges->setObjectName(u"actionOnlyChanges"_s);
    m_onlyChanges->setCheckable(true);
    connect(m_onlyChanges, &QAction::toggled, this, &WatchController::setOnlyChanges);
}

WatchController::~WatchController() = default;

void WatchController::setWatcher(Watcher* watcher, bool closeToTray)
{
    m_watcher = watcher;
    m_closeToTray = closeToTray;
    // The user's own batch first: no list starts while it runs, and one running gives way.
    connect(&m_parts.walker, &Walker::busyChanged, watcher, &Watcher::setUserBusy);
}

bool WatchController::keepsRunningInTray() const
{
    return m_closeToTray && m_watcher && !m_watcher->lists().value().isEmpty();
}

QString WatchController::whyNotSaved(const QStringList& domains, const QStringList& keys) const
{
    return !m_watcher                             ? tr("没有结果数据库，无法保存监控列表。")
        : !m_watcher->store().problem().isEmpty() ? tr("无法保存监控列表：%1").arg(m_watcher->store().problem())
        : domains.isEmpty()                       ? tr("请输入查询域名")
        : keys.isEmpty()                          ? tr("请至少勾选一项查询")
                                                  : QString();
}

void WatchController::saveWatchList()
{
    const QStringList domains = domainsFromInput(inputText(*m_domains.document()));
    QStringList keys;
    for (const Lookup* lookup : m_parts.walker.table().lookups()) {
        if (m_isTicked(*lookup))
            keys.append(lookup->key);
    }
    Platform& platform = m_parts.platform;
    if (const QString problem = whyNotSaved(domains, keys); !problem.isEmpty()) {
        platform.messageBox(
            &m_parts.window, problem, tr("保存为监控列表"), QMessageBox::Ok, QMessageBox::Information, QMessageBox::Ok);
        return;
    }
    WatchListDialog dialog(int(domains.size()), int(keys.size()), m_watcher->lists().value(), &m_parts.window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    WatchList list;
    list.name = dialog.name();
    list.domains = domains;
    list.lookups = keys;
    list.times.intervalHours = dialog.intervalHours();
    if (!m_watcher->store().save(list)) {
        platform.messageBox(&m_parts.window, tr("无法保存监控列表：%1").arg(m_watcher->store().problem()),
            tr("保存为监控列表"), QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok);
        return;
    }
    QLabel& status = m_parts.statusLine;
    status.setText(tr("已保存监控列表「%1」：%2 个域名，每 %3 小时查询一次")
                       .arg(list.name)
                       .arg(domains.size())
                       .arg(list.times.intervalHours));
    if (!m_closeToTray && !std::exchange(m_saidNoTray, true))
        status.setText(tr("%1（没有系统托盘：监控列表只在窗口打开时按时查询）").arg(status.text()));
    m_watcher->start();
}

void WatchController::fillRemoveWatchListMenu(QMenu& menu)
{
    menu.clear();
    const ReadResult<QStringList> names = m_watcher ? m_watcher->lists() : ReadResult<QStringList>(QStringList());
    for (const QString& name : names.value())
        menu.addAction(name, this, [this, name] { removeWatchList(name); });
    if (!names.ok())
        menu.addAction(tr("（%1）").arg(names.error()))->setEnabled(false);
    else if (names.value().isEmpty())
        menu.addAction(tr("（没有监控列表）"))->setEnabled(false);
}

void WatchController::removeWatchList(const QString& name)
{
    Platform& platform = m_parts.platform;
    const auto answer = platform.messageBox(&m_parts.window,
        tr("删除监控列表「%1」？它以往查询的结果仍保存在结果数据库中。").arg(name), tr("删除监控列表"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Question, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    if (!m_watcher->store().remove(name)) {
        platform.messageBox(&m_parts.window, tr("无法删除监控列表：%1").arg(m_watcher->store().problem()),
            tr("删除监控列表"), QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok);
        return;
    }
    m_parts.statusLine.setText(tr("已删除监控列表「%1」").arg(name));
}

void WatchController::showExpiring()
{
    if (!m_store) {
        m_parts.platform.messageBox(&m_parts.window, tr("没有结果数据库，无法列出即将到期的域名。"), tr("即将到期"),
            QMessageBox::Ok, QMessageBox::Information, QMessageBox::Ok);
        return;
    }
    Walker& walker = m_parts.walker;
    ExpiringDialog dialog(m_parts.platform, *m_store, walker.results().sharedTable(), walker.ranks(),
        m_settings.warnDays(), &m_parts.window);
    dialog.exec();
}

void WatchController::addFrozenView(QTreeView* frozen)
{
    m_frozen = frozen;
    if (std::exchange(m_changedRows, nullptr))
        setOnlyChanges(m_onlyChanges->isChecked());
}

void WatchController::setOnlyChanges(bool on)
{
    if (!m_changedRows) {
        QList<QTreeView*> views {&m_parts.view};
        if (m_frozen)
            views.append(m_frozen);
        m_changedRows = std::make_unique<ChangedRowsFilter>(m_parts.grid, views);
    }
    m_changedRows->setOn(on);
    if (m_onlyChanges->isChecked() != on)
        m_onlyChanges->setChecked(on);
}

void WatchController::sayNoTray()
{
    if (std::exchange(m_saidNoTray, true))
        return;
    m_parts.statusLine.setText(tr("没有系统托盘：监控列表只在窗口打开时按时查询"));
}
