#pragma once

#include <QHash>
#include <QMainWindow>

#include "queries/lookups/custom.h"

#include <memory>
#include <vector>

struct Lookup;
class Platform;
class QAction;
class QCheckBox;
class QMenu;
class QLabel;
class QListView;
class QPlainTextEdit;
class QPushButton;
class QStringListModel;
class QTimer;
class QTreeView;
class ResultStore;
class ResultsGrid;
class Settings;
class UpdateCheck;
class Walker;
class Watcher;
class ChangedRowsFilter;

// The program's one window. It keeps the classic design's controls, names and places; the work itself is
// the walker's, and the controls that held state in the design (List1, Check1) mirror the walker's.
class Form1 : public QMainWindow
{
    Q_OBJECT
public:
    // Runs the built-in lookups and the user's own (`custom`, as their file defines them); saves into `store`
    // when there is one.
    Form1(Platform& platform, Settings& settings, std::vector<CustomLookup> custom = {}, ResultStore* store = nullptr,
        QWidget* parent = nullptr);
    ~Form1() override;

    static QString caption();
    static QString makerPage();

    void Form_Load();
    void Form_Unload(bool& cancel);

    // Command1 to Command8 each run one designed lookup alone (see app/designed.cpp).
    void Command9_Click(); // the stop flag
    void Command11_Click(); // batch run
    void Command12_Click();
    void Command13_Click(); // Start, and Stop while a batch runs
    void Command14_Click(); // Export
    void Command15_Click(); // maker's web page
    void Timer1_Timer(); // update check

    // The menus and the grid's context menu.
    void importDomains();
    void importRankingList();
    void rerunFailed();
    void exportCsv();
    void exportXlsx();
    void copySelectedRows();
    void showSettings();
    void editCustomLookups();
    void checkForUpdates();
    void showAbout();
    void showHistory();
    void showAnswer();
    bool isRegistrationColumn(int column) const;
    // Watching (watchactions.cpp): 文件 → 保存为监控列表…, 查询 → 即将到期…, 只看变化.
    void saveWatchList();
    void fillRemoveWatchListMenu(QMenu& menu);
    void removeWatchList(const QString& name);
    void showExpiring();
    void setOnlyChanges(bool on);

    // The watch lists run by `watcher`; with `closeToTray`, closing the window leaves them running in the tray.
    void setWatcher(Watcher* watcher, bool closeToTray);
    // The tray's 退出: ends the program without the question closing the window asks.
    void quitFromTray();
    // No system tray: the lists run only while the window is open, and the window says so.
    void sayNoTray();

    // Once the window is up: what the user should know of the result database, and the offer to go on
    // with a batch that did not finish.
    void offerToResume();

    Walker& walker() const { return *m_walker; }

signals:
    // The window was closed to the tray: the watch lists go on.
    void hiddenToTray();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // windowlayout.cpp
    void buildControls();
    void fillControls();
    void followDesignedTabOrder();
    void fitToClientArea();
    // Form1.cpp
    void connectControls();
    void runLookup(const QString& key);
    void gridSetup();
    void sayNoNewVersion(bool reached);
    void askToUpdate(const QString& version);
    // windowmenus.cpp
    QAction* makeAction(const QString& name, const QString& text, void (Form1::*handler)());
    void buildMenus();
    void buildGridMenu(QAction* exportFile);
    void connectRankList();
    void syncLookupEntries(); // the 查询 menu's entries for the lookups without a check box
    void onLookupToggled(const Lookup& lookup, bool checked);
    // fileactions.cpp
    QList<int> shownColumns() const;
    // watchactions.cpp
    bool isTicked(const Lookup& lookup) const;
    // progressline.cpp
    void connectProgressLine();
    void onProgress(const Lookup& lookup, int row, int queueLength, qint64 written, qint64 total);
    void showSummary(qint64 elapsedMs);
    void showStatus();

    Platform& m_platform;
    Settings& m_settings;
    ResultStore* m_store;
    std::vector<CustomLookup> m_custom; // the user's own lookups, as the 自定义查询 dialog edits them
    Walker* m_walker;
    UpdateCheck* m_update;
    ResultsGrid* m_grid;

    QWidget* m_client = nullptr;
    QPlainTextEdit* m_text1 = nullptr;
    QPlainTextEdit* m_text2 = nullptr;
    QListView* m_list1 = nullptr;
    QStringListModel* m_queueMirror = nullptr;
    QTreeView* m_listView1 = nullptr;
    class FrozenColumns* m_frozen = nullptr;
    QPushButton* m_command13 = nullptr;
    QCheckBox* m_check1 = nullptr;
    QCheckBox* m_check10 = nullptr;
    QTimer* m_timer1 = nullptr;
    QLabel* m_label1 = nullptr;
    QAction* m_startAction = nullptr;
    QAction* m_rerunAction = nullptr;
    QMenu* m_queriesMenu = nullptr;
    QHash<QString, QAction*> m_lookupActions; // the lookups without a check box, by key
    QHash<QString, QString> m_importReasons; // the last import's unreadable names, and why
    bool m_manualUpdateCheck = false;
    bool m_rankingDownload = false; // the list being installed was downloaded, not imported
    Watcher* m_watcher = nullptr;
    bool m_closeToTray = false;
    bool m_quitting = false;
    bool m_saidNoTray = false;
    std::unique_ptr<ChangedRowsFilter> m_changedRows;
    QAction* m_onlyChanges = nullptr;

    QString m_progress;
    QString m_paceNotice;
    // The grid shows the row being written until the user scrolls elsewhere, and again once they scroll back.
    bool m_following = true;
    bool m_scrollingToRow = false;
    int m_runningRow = -1;
};
