// SPDX-License-Identifier: GPL-3.0-or-later
// The menu bar (文件, 查询, 设置, 帮助) and the grid's context menu, each entry calling the controller whose
// work it is.
#include "app/MainWindow.h"

#include "app/BatchController.h"
#include "app/ExportController.h"
#include "app/GridMenu.h"
#include "app/LookupChoice.h"
#include "app/UpdateController.h"
#include "app/WatchController.h"
#include "queries/engine/walker.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTreeView>

using namespace Qt::Literals::StringLiterals;

namespace {

// Menu entries carry object names, by which tests and automation find them.
template <typename Receiver>
QAction* makeAction(
    QWidget* window, const QString& name, const QString& text, Receiver* receiver, void (Receiver::*handler)())
{
    auto* created = new QAction(text, window);
    created->setObjectName(name);
    QObject::connect(created, &QAction::triggered, receiver, handler);
    return created;
}

} // namespace

void MainWindow::buildMenus()
{
    m_rerunAction
        = makeAction(this, u"actionRerunFailed"_s, u"重新查询失败项"_s, m_batch, &BatchController::rerunFailed);
    // Greyed out while there is nothing to look up again, or a batch runs.
    const auto updateRerun
        = [this] { m_rerunAction->setEnabled(!m_walker->isBusy() && m_walker->results().problemCount() > 0); };
    updateRerun();
    connect(m_walker, &Walker::busyChanged, this, updateRerun);
    connect(&m_walker->results(), &Results::cellChanged, this, updateRerun);
    connect(&m_walker->results(), &Results::wasReset, this, updateRerun);
    QAction* exportCsv
        = makeAction(this, u"actionExportCsv"_s, u"导出为 CSV 文件…"_s, m_exports, &ExportController::exportCsv);
    buildFileMenu(exportCsv);
    buildQueriesMenu();
    QMenu* settingsMenu = menuBar()->addMenu(u"设置"_s);
    settingsMenu->addAction(makeAction(this, u"actionPaces"_s, u"服务与速度…"_s, this, &MainWindow::showSettings));
    QAction* custom
        = makeAction(this, u"actionCustomLookups"_s, u"自定义查询…"_s, this, &MainWindow::editCustomLookups);
    settingsMenu->addAction(custom);
    // The table of lookups changes under the grid: never while a batch walks it.
    connect(m_walker, &Walker::busyChanged, custom, [custom](bool busy) { custom->setEnabled(!busy); });
    QMenu* help = menuBar()->addMenu(u"帮助"_s);
    help->addAction(
        makeAction(this, u"actionCheckUpdate"_s, u"检查更新"_s, m_updates, &UpdateController::checkOnRequest));
    help->addAction(makeAction(this, u"actionAbout"_s, u"关于"_s, this, &MainWindow::showAbout));
    buildGridMenu(exportCsv);
}

void MainWindow::buildFileMenu(QAction* exportCsv)
{
    QMenu* file = menuBar()->addMenu(u"文件"_s);
    file->addAction(
        makeAction(this, u"actionImportDomains"_s, u"导入域名…"_s, m_batch, &BatchController::importDomains));
    file->addAction(exportCsv);
    file->addAction(
        makeAction(this, u"actionExportXlsx"_s, u"导出为 Excel 文件…"_s, m_exports, &ExportController::exportXlsx));
    file->addAction(
        makeAction(this, u"actionImportRanking"_s, u"导入排名列表…"_s, m_lookups, &LookupChoice::importRankingList));
    file->addSeparator();
    file->addAction(
        makeAction(this, u"actionSaveWatchList"_s, u"保存为监控列表…"_s, m_watching, &WatchController::saveWatchList));
    QMenu* removeList = file->addMenu(u"删除监控列表"_s);
    removeList->setObjectName(u"menuRemoveWatchList"_s);
    connect(removeList, &QMenu::aboutToShow, this,
        [this, removeList] { m_watching->fillRemoveWatchListMenu(*removeList); });
    file->addSeparator();
    file->addAction(u"退出"_s, this, &QWidget::close);
}

void MainWindow::buildQueriesMenu()
{
    QMenu* queries = menuBar()->addMenu(u"查询"_s);
    QAction* start = queries->addAction(u"开始"_s, m_batch, &BatchController::startOrStop);
    connect(
        m_walker, &Walker::busyChanged, start, [start](bool busy) { start->setText(busy ? u"停止"_s : u"开始"_s); });
    queries->addAction(m_rerunAction);
    queries->addAction(
        makeAction(this, u"actionExpiring"_s, u"即将到期…"_s, m_watching, &WatchController::showExpiring));
    queries->addAction(m_watching->onlyChangesAction());
    queries->addSeparator();
    m_queriesMenu = queries;
    m_lookups->syncEntries(*queries);
}

void MainWindow::buildGridMenu(QAction* exportCsv)
{
    const QList<QAction*> rowActions {m_rerunAction, exportCsv,
        makeAction(this, u"actionCopySelected"_s, u"复制所选行"_s, m_exports, &ExportController::copySelectedRows)};
    new GridMenu(parts(), m_store, rowActions,
        makeAction(this, u"actionSettings"_s, u"设置…"_s, this, &MainWindow::showSettings), this);
}
