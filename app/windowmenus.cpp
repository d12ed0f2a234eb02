// The menu bar (文件, 查询, 设置, 帮助), the 查询 menu's entries for the lookups without a check box, the
// grid's context menu, and what the rank list's download or import tells the user.
#include "app/Form1.h"

#include "app/CustomLookupsDialog.h"
#include "app/Platform.h"
#include "app/designed.h"
#include "queries/engine/walker.h"
#include "queries/lookups/builtin.h"
#include "queries/sources/tranco.h"
#include "settings/settings.h"
#include "web/hosts.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTreeView>

using namespace Qt::Literals::StringLiterals;

QAction* Form1::makeAction(const QString& name, const QString& text, void (Form1::*handler)())
{
    auto* created = new QAction(text, this);
    created->setObjectName(name);
    connect(created, &QAction::triggered, this, handler);
    return created;
}

void Form1::buildMenus()
{
    m_rerunAction = makeAction(u"actionRerunFailed"_s, u"重新查询失败项"_s, &Form1::rerunFailed);
    // Greyed out while there is nothing to look up again, or a batch runs.
    const auto updateRerun
        = [this] { m_rerunAction->setEnabled(!m_walker->isBusy() && m_walker->results().problemCount() > 0); };
    updateRerun();
    connect(m_walker, &Walker::busyChanged, this, updateRerun);
    connect(&m_walker->results(), &Results::cellChanged, this, updateRerun);
    connect(&m_walker->results(), &Results::wasReset, this, updateRerun);
    QAction* exportFile = makeAction(u"actionExportCsv"_s, u"导出为 CSV 文件…"_s, &Form1::exportCsv);

    QMenu* file = menuBar()->addMenu(u"文件"_s);
    file->addAction(makeAction(u"actionImportDomains"_s, u"导入域名…"_s, &Form1::importDomains));
    file->addAction(exportFile);
    file->addAction(makeAction(u"actionExportXlsx"_s, u"导出为 Excel 文件…"_s, &Form1::exportXlsx));
    file->addAction(makeAction(u"actionImportRanking"_s, u"导入排名列表…"_s, &Form1::importRankingList));
    file->addSeparator();
    file->addAction(makeAction(u"actionSaveWatchList"_s, u"保存为监控列表…"_s, &Form1::saveWatchList));
    QMenu* removeList = file->addMenu(u"删除监控列表"_s);
    removeList->setObjectName(u"menuRemoveWatchList"_s);
    connect(removeList, &QMenu::aboutToShow, this, [this, removeList] { fillRemoveWatchListMenu(*removeList); });
    file->addSeparator();
    file->addAction(u"退出"_s, this, &QWidget::close);

    QMenu* queries = menuBar()->addMenu(u"查询"_s);
    m_startAction = queries->addAction(u"开始"_s, this, &Form1::Command13_Click);
    queries->addAction(m_rerunAction);
    queries->addAction(makeAction(u"actionExpiring"_s, u"即将到期…"_s, &Form1::showExpiring));
    m_onlyChanges = queries->addAction(u"只看变化"_s);
    m_onlyChanges->setObjectName(u"actionOnlyChanges"_s);
    m_onlyChanges->setCheckable(true);
    connect(m_onlyChanges, &QAction::toggled, this, &Form1::setOnlyChanges);
    queries->addSeparator();
    m_queriesMenu = queries;
    syncLookupEntries();
    QMenu* settingsMenu = menuBar()->addMenu(u"设置"_s);
    settingsMenu->addAction(makeAction(u"actionPaces"_s, u"服务与速度…"_s, &Form1::showSettings));
    QAction* custom = makeAction(u"actionCustomLookups"_s, u"自定义查询…"_s, &Form1::editCustomLookups);
    settingsMenu->addAction(custom);
    // The table of lookups changes under the grid: never while a batch walks it.
    connect(m_walker, &Walker::busyChanged, custom, [custom](bool busy) { custom->setEnabled(!busy); });
    QMenu* help = menuBar()->addMenu(u"帮助"_s);
    help->addAction(makeAction(u"actionCheckUpdate"_s, u"检查更新"_s, &Form1::checkForUpdates));
    help->addAction(makeAction(u"actionAbout"_s, u"关于"_s, &Form1::showAbout));
    buildGridMenu(exportFile);
    connect(m_walker, &Walker::busyChanged, this,
        [this](bool busy) { m_startAction->setText(busy ? u"停止"_s : u"开始"_s); });
    connectRankList();
}

void Form1::buildGridMenu(QAction* exportFile)
{
    auto* grid = new QMenu(this);
    grid->setObjectName(u"gridMenu"_s);
    grid->addAction(m_rerunAction);
    grid->addAction(exportFile);
    grid->addAction(makeAction(u"actionCopySelected"_s, u"复制所选行"_s, &Form1::copySelectedRows));
    grid->addAction(makeAction(u"actionHistory"_s, u"查看历史…"_s, &Form1::showHistory));
    QAction* answer = makeAction(u"actionAnswer"_s, u"查看应答原文"_s, &Form1::showAnswer);
    grid->addAction(answer);
    grid->addSeparator();
    grid->addAction(makeAction(u"actionSettings"_s, u"设置…"_s, &Form1::showSettings));
    m_listView1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_listView1, &QWidget::customContextMenuRequested, grid, [this, grid, answer](const QPoint& at) {
        // Only a registration cell has an answer of its own to show.
        const QModelIndex cell = m_listView1->indexAt(at);
        answer->setVisible(cell.isValid() && isRegistrationColumn(cell.column()));
        grid->popup(m_listView1->viewport()->mapToGlobal(at));
    });
}

void Form1::connectRankList()
{
    TrancoStore& ranks = m_walker->ranks();
    connect(&ranks, &TrancoStore::activity, this, [this](const QString& text) {
        if (!text.isEmpty())
            m_label1->setText(text);
    });
    connect(&ranks, &TrancoStore::installed, this, [this](bool ok, const QString& problem) {
        const TrancoStore& ranks = m_walker->ranks();
        if (ok) {
            m_label1->setText(
                u"已安装排名列表（%1 个域名，%2）"_s.arg(ranks.list()->size()).arg(ranks.date().toString(Qt::ISODate)));
        }
        if (ok && !std::exchange(m_rankingDownload, false))
            return;
        m_platform.messageBox(this,
            ok ? u"排名列表已下载（%1）。"_s.arg(ranks.date().toString(Qt::ISODate))
               : (m_rankingDownload ? u"无法下载排名列表：%1"_s : u"无法导入排名列表：%1"_s).arg(problem),
            u"Tranco 排名"_s, QMessageBox::Ok, ok ? QMessageBox::Information : QMessageBox::Warning, QMessageBox::Ok);
        m_rankingDownload = false;
    });
}

void Form1::syncLookupEntries()
{
    for (auto it = m_lookupActions.begin(); it != m_lookupActions.end();) {
        if (m_walker->table().byKey(it.key())) {
            ++it;
            continue;
        }
        delete it.value();
        it = m_lookupActions.erase(it);
    }
    const QStringList checked = m_settings.checkedLookups();
    for (const Lookup* lookup : m_walker->table().lookups()) {
        if (designedByKey(lookup->key))
            continue;
        if (QAction* known = m_lookupActions.value(lookup->key)) {
            // The same key may now be another definition: the entry follows the table.
            known->setText(lookup->header);
            known->disconnect(this);
            connect(known, &QAction::toggled, this, [this, lookup](bool on) { onLookupToggled(*lookup, on); });
            continue;
        }
        QAction* entry = m_queriesMenu->addAction(lookup->header);
        entry->setObjectName(u"lookup-"_s + lookup->key);
        entry->setCheckable(true);
        entry->setChecked(checked.contains(lookup->key));
        m_lookupActions.insert(lookup->key, entry);
        connect(entry, &QAction::toggled, this, [this, lookup](bool on) { onLookupToggled(*lookup, on); });
    }
}

void Form1::editCustomLookups()
{
    if (m_walker->isBusy())
        return;
    CustomLookupsDialog dialog(m_custom, customLookupsPath(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // A new table: the grid's columns follow it, each cell staying with its lookup by key.
    m_custom = dialog.lookups();
    m_walker->setTable(std::make_shared<const LookupTable>(makeLookupTable(m_custom)));
    syncLookupEntries();
    gridSetup();
}

void Form1::onLookupToggled(const Lookup& lookup, bool checked)
{
    QStringList keys;
    for (auto it = m_lookupActions.cbegin(); it != m_lookupActions.cend(); ++it) {
        if (it.value()->isChecked())
            keys.append(it.key());
    }
    m_settings.setCheckedLookups(keys);
    m_listView1->setColumnHidden(m_walker->table().columnOf(lookup), !checked);
    if (checked && lookup.key == u"tranco"_s && !m_walker->ranks().isInstalled()) {
        const auto answer = m_platform.messageBox(this,
            u"还没有 Tranco 排名列表。现在从 %1 下载最新的列表吗？\n也可以用“文件 → 导入排名列表…”导入已下载的列表。"_s
                .arg(serviceHost(Service::Tranco)),
            u"Tranco 排名"_s, QMessageBox::Yes | QMessageBox::No, QMessageBox::Question, QMessageBox::Yes);
        if (answer == QMessageBox::Yes) {
            m_rankingDownload = true;
            m_walker->ranks().download();
        }
    }
}
