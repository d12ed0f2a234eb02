// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/WindowParts.h"

#include <QObject>

#include <functional>
#include <memory>

class ChangedRowsFilter;
class QAction;
class QMenu;
class QPlainTextEdit;
class ResultStore;
class Settings;
class Watcher;
struct Lookup;

// Watching from the window: the names and ticked lookups saved as a watch list, lists removed, the domains
// and certificates about to expire, only the rows that changed, and whether closing puts the window in
// the tray while lists run.
class WatchController : public QObject
{
    Q_OBJECT
public:
    WatchController(const WindowParts& parts, QPlainTextEdit& domains, Settings& settings, ResultStore* store,
        std::function<bool(const Lookup&)> isTicked, QObject* parent = nullptr);
    ~WatchController() override;

    // The watch lists run by `watcher`; with `closeToTray`, closing the window leaves them running in the tray.
    void setWatcher(Watcher* watcher, bool closeToTray);
    bool keepsRunningInTray() const;
    // No system tray: the lists run only while the window is open, and the window says so.
    void sayNoTray();

    QAction* onlyChangesAction() const { return m_onlyChanges; }
    // The grid's frozen names came: 只看变化 hides their rows too from now on.
    void addFrozenView(QTreeView* frozen);

    void saveWatchList();
    void fillRemoveWatchListMenu(QMenu& menu);
    void removeWatchList(const QString& name);
    void showExpiring();
    void setOnlyChanges(bool on);

private:
    QString whyNotSaved(const QStringList& domains, const QStringList& keys) const;

    WindowParts m_parts;
    QPlainTextEdit& m_domains;
    Settings& m_settings;
    ResultStore* m_store;
    std::function<bool(const Lookup&)> m_isTicked;
    Watcher* m_watcher = nullptr;
    bool m_closeToTray = false;
    bool m_saidNoTray = false;
    QAction* m_onlyChanges;
    QTreeView* m_frozen = nullptr;
    std::unique_ptr<ChangedRowsFilter> m_changedRows;
};
