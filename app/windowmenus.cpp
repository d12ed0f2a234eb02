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
#include "app/menutext.h"
#include "queries/engine/walker.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTreeView>

using namespace Qt::Literals::StringLiterals;

namespace {

// Menu entries carry object names, by which tests and automation find them; `text` is marked with
// QT_TRANSLATE_NOOP("Menus", …).
template <typename Receiver>
QAction* makeAction(
    QWidget* window, const QString& name, const char* text, Receiver* receiver, void (Receiver::*handler)())
{
    auto* created = withMenuText(new QAction(window), text);
    created->setObjectName(name);
    QObject::connect(created, &QAction::triggered, receiver, handler);
    return created;
}

} // namespace

void MainWindow::buildMenus()
{
    m_rerunAction = makeAction(this, u"actionRerunFailed"_s, QT_TRANSLATE_NOOP("Menus", "重新查询失败项"), m_batch,
        &BatchController::rerunFailed);
    // Greyed out while there is nothing to look up again, or a batch runs.
    const auto updateRerun
        = [this] { m_rerunAction->setEnabled(!m_walker->isBusy() && m_walker->results().problemCount() > 0); };
    updateRerun();
    connect(m_walker, &Walker::busyChanged, this, updateRerun);
    connect(&m_walker->results(), &Results::cellChanged, this, updateRerun);
    connect(&m_walker->results(), &Results::wasReset, this, updateRerun);
    QAction* exportCsv = makeAction(this, u"actionExportCsv"_s, QT_TRANSLATE_NOOP("Menus", "导出为 CSV 文件…"),
        m_exports, &ExportController::exportCsv);
    buildFileMenu(exportCsv);
    buildQueriesMenu();
    QMenu* settingsMenu = menuBar()->addMenu(QString());
    withMenuText(settingsMenu->menuAction(), QT_TRANSLATE_NOOP("Menus", "设置"));
    settingsMenu->addAction(
        makeAction(this, u"actionPaces"_s, QT_TRANSLATE_NOOP("Menus", "服务与速度…"), this, &MainWindow::showSettings));
    QAction* custom = makeAction(this, u"actionCustomLookups"_s, QT_TRANSLATE_NOOP("Menus", "自定义查询…"), this,
        &MainWindow::editCustomLookups);
    settingsMenu->addAction(custom);
    // The table of lookups changes under the grid: never while a batch walks it.
    connect(m_walker, &Walker::busyChanged, custom, [custom](bool busy) { custom->setEnabled(!busy); });
    QMenu* help = menuBar()->addMenu(QString());
    withMenuText(help->menuAction(), QT_TRANSLATE_NOOP("Menus", "帮助"));
    help->addAction(makeAction(this, u"actionCheckUpdate"_s, QT_TRANSLATE_NOOP("Menus", "检查更新"), m_updates,
        &UpdateController::checkOnRequest));
    help->addAction(
        makeAction(this, u"actionAbout"_s, QT_TRANSLATE_NOOP("Menus", "关于"), this, &MainWindow::showAbout));
    buildGridMenu(exportCsv);
}

void MainWindow::buildFileMenu(QAction* exportCsv)
{
    QMenu* file = menuBar()->addMenu(QString());
    withMenuText(file->menuAction(), QT_TRANSLATE_NOOP("Menus", "文件"));
    file->addAction(makeAction(this, u"actionImportDomains"_s, QT_TRANSLATE_NOOP("Menus", "导入域名…"), m_batch,
        &BatchController::importDomains));
    file->addAction(exportCsv);
    file->addAction(makeAction(this, u"actionExportXlsx"_s, QT_TRANSLATE_NOOP("Menus", "导出为 Excel 文件…"), m_exports,
        &ExportController::exportXlsx));
    file->addAction(makeAction(this, u"actionImportRanking"_s, QT_TRANSLATE_NOOP("Menus", "导入排名列表…"), m_lookups,
        &LookupChoice::importRankingList));
    file->addSeparator();
    file->addAction(makeAction(this, u"actionSaveWatchList"_s, QT_TRANSLATE_NOOP("Menus", "保存为监控列表…"),
        m_watching, &WatchController::saveWatchList));
    QMenu* removeList = file->addMenu(QString());
    withMenuText(removeList->menuAction(), QT_TRANSLATE_NOOP("Menus", "删除监控列表"));
    removeList->setObjectName(u"menuRemoveWatchList"_s);
    connect(removeList, &QMenu::aboutToShow, this,
        [this, removeList] { m_watching->fillRemoveWatchListMenu(*removeList); });
    file->addSeparator();
    withMenuText(file->addAction(QString(), this, &QWidget::close), QT_TRANSLATE_NOOP("Menus", "退出"));
}

void MainWindow::buildQueriesMenu()
{
    QMenu* queries = menuBar()->addMenu(QString());
    withMenuText(queries->menuAction(), QT_TRANSLATE_NOOP("Menus", "查询"));
    m_startAction = queries->addAction(QString(), m_batch, &BatchController::startOrStop);
    showStartEntry();
    connect(m_walker, &Walker::busyChanged, this, &MainWindow::showStartEntry);
    queries->addAction(m_rerunAction);
    queries->addAction(makeAction(this, u"actionExpiring"_s, QT_TRANSLATE_NOOP("Menus", "即将到期…"), m_watching,
        &WatchController::showExpiring));
    queries->addAction(m_watching->onlyChangesAction());
    queries->addSeparator();
    m_queriesMenu = queries;
    m_lookups->syncEntries(*queries);
}

void MainWindow::buildGridMenu(QAction* exportCsv)
{
    const QList<QAction*> rowActions {m_rerunAction, exportCsv,
        makeAction(this, u"actionCopySelected"_s, QT_TRANSLATE_NOOP("Menus", "复制所选行"), m_exports,
            &ExportController::copySelectedRows)};
    new GridMenu(parts(), m_store, rowActions,
        makeAction(this, u"actionSettings"_s, QT_TRANSLATE_NOOP("Menus", "设置…"), this, &MainWindow::showSettings),
        this);
}

void MainWindow::showStartEntry()
{
    m_startAction->setText(m_walker->isBusy() ? QCoreApplication::translate("Menus", "停止")
                                              : QCoreApplication::translate("Menus", "开始"));
}

void MainWindow::retranslateMenus()
{
    ::retranslateMenus(*this);
    showStartEntry();
    // The newer lookups' entries are named by their headers.
    m_lookups->syncEntries(*m_queriesMenu);
}
