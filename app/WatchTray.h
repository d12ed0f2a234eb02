// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class MainWindow;
class Notifier;
class QSystemTrayIcon;
class TrancoStore;
class Watcher;
struct WatchSummary;

// The program in the system tray while watch lists run: an icon with 打开 / 立即检查 / 退出, and a notification
// when a run finds something, which opens what it found. Without a tray the window is the only place, and it
// says so once.
class WatchTray : public QObject
{
    Q_OBJECT
public:
    WatchTray(MainWindow& window, Watcher& watcher, const TrancoStore& ranks, QObject* parent = nullptr);

    static bool isAvailable();
    Notifier& notifier() { return *m_notifier; }

    // What a list's last run found, over the window.
    void showRun(const QString& name);

private:
    void onRunFinished(const QString& name, const WatchSummary& summary, const QString& news);
    void openWindow();

    MainWindow& m_window;
    Watcher& m_watcher;
    const TrancoStore& m_ranks;
    QSystemTrayIcon* m_icon = nullptr;
    Notifier* m_notifier;
    bool m_toldHidden = false;
};
