// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>

#include "queries/lookups/custom.h"

#include <vector>

class BatchController;
class ExportController;
class FrozenColumns;
class LookupChoice;
class Platform;
class QAction;
class QCheckBox;
class QLabel;
class QListView;
class QMenu;
class QPlainTextEdit;
class QStringListModel;
class QTreeView;
class ResultStore;
class ResultsGrid;
class Settings;
class Translators;
class UpdateController;
class Walker;
class WatchController;
struct WindowParts;

// The program's one window: the designed controls where the design put them (app/designed.cpp), the menus,
// and the controllers that do the batch, the exports, watching and the update check. The work itself is the
// walker's; the hidden controls that held state (the queue's list, the stop flag's box) mirror the walker's.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // Runs the built-in lookups and the user's own (`custom`, as their file defines them); saves into `store`
    // when there is one.
    MainWindow(Platform& platform, Settings& settings, std::vector<CustomLookup> custom = {},
        ResultStore* store = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

    static QString caption();
    static QString makerPage();

    // Once the window is up: what the user should know of the result database, and the offer to go on
    // with a batch that did not finish.
    void offerToResume();
    // The tray's 退出: ends the program without the question closing the window asks.
    void quitFromTray();

    // What 设置's 界面语言 switches; without it (as in tests) the window stays in the language it started in.
    // The store is told the language too: the cells of a batch are made in it.
    void setTranslators(Translators* translators);

    Walker& walker() const { return *m_walker; }
    WatchController& watching() const { return *m_watching; }
    UpdateController& updates() const { return *m_updates; }

signals:
    // The window was closed to the tray: the watch lists go on.
    void hiddenToTray();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // windowlayout.cpp
    void buildControls();
    void setCaptions();
    void fillControls();
    void followDesignedTabOrder();
    void fitToClientArea();
    // MainWindow.cpp
    WindowParts parts();
    void makeControllers();
    void connectControls();
    void attachStore();
    void setUpGrid();
    void fitColumnWidths();
    void shutDown();
    void showAbout();
    void showSettings();
    void editCustomLookups();
    // windowmenus.cpp
    void buildMenus();
    void buildFileMenu(QAction* exportCsv);
    void buildQueriesMenu();
    void buildGridMenu(QAction* exportCsv);
    void showStartEntry();
    void retranslateMenus();

    Platform& m_platform;
    Settings& m_settings;
    ResultStore* m_store;
    std::vector<CustomLookup> m_custom; // the user's own lookups, as the 自定义查询 dialog edits them
    Walker* m_walker;
    ResultsGrid* m_grid;

    QWidget* m_client = nullptr;
    QPlainTextEdit* m_domainsBox = nullptr;
    QPlainTextEdit* m_coverBox = nullptr;
    QListView* m_queueList = nullptr;
    QStringListModel* m_queueMirror = nullptr;
    QTreeView* m_view = nullptr;
    FrozenColumns* m_frozen = nullptr;
    QCheckBox* m_stopFlagBox = nullptr;
    QLabel* m_statusLine = nullptr;
    QAction* m_rerunAction = nullptr;
    QAction* m_startAction = nullptr; // 查询 → 开始, or 停止 while a batch runs
    QMenu* m_queriesMenu = nullptr;
    bool m_quitting = false;
    Translators* m_translators = nullptr;

    BatchController* m_batch = nullptr;
    ExportController* m_exports = nullptr;
    WatchController* m_watching = nullptr;
    UpdateController* m_updates = nullptr;
    LookupChoice* m_lookups = nullptr;
};
