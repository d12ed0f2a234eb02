// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WatchTray.h"

#include "app/MainWindow.h"
#include "app/Notifier.h"
#include "app/WatchResultsDialog.h"
#include "app/menutext.h"
#include "settings/settings.h"
#include "watching/watcher.h"

#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>

using namespace Qt::Literals::StringLiterals;

bool WatchTray::isAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

WatchTray::WatchTray(MainWindow& window, Watcher& watcher, const TrancoStore& ranks, QObject* parent)
    : QObject(parent)
    , m_window(window)
    , m_watcher(watcher)
    , m_ranks(ranks)
{
    if (isAvailable()) {
        m_icon = new QSystemTrayIcon(QGuiApplication::windowIcon(), this);
        m_icon->setToolTip(u"seo-Quillmark"_s);
        auto* menu = new QMenu(&window);
        menu->setObjectName(u"trayMenu"_s);
        // Its entries follow the window's language with the window's own menus (the window owns this one).
        withMenuText(menu->addAction(QString(), this, &WatchTray::openWindow), QT_TRANSLATE_NOOP("Menus", "打开"));
        withMenuText(menu->addAction(QString(), &watcher, &Watcher::checkNow), QT_TRANSLATE_NOOP("Menus", "立即检查"));
        menu->addSeparator();
        withMenuText(
            menu->addAction(QString(), &window, &MainWindow::quitFromTray), QT_TRANSLATE_NOOP("Menus", "退出"));
        m_icon->setContextMenu(menu);
        connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                openWindow();
        });
        m_icon->show();
    }
    m_notifier = new Notifier(m_icon, this);
    connect(m_notifier, &Notifier::clicked, this, &WatchTray::showRun);
    connect(&watcher, &Watcher::runFinished, this, &WatchTray::onRunFinished);
    connect(&window, &MainWindow::hiddenToTray, this, [this] {
        // Said the first time only: after that the user knows where it went.
        if (!std::exchange(m_toldHidden, true))
            m_notifier->show(u"seo-Quillmark"_s, tr("窗口已收到系统托盘，监控列表照常按时查询。"), {});
    });
}

void WatchTray::onRunFinished(const QString& name, const WatchSummary&, const QString& news)
{
    if (!news.isEmpty())
        m_notifier->show(u"seo-Quillmark"_s, news, name);
}

void WatchTray::openWindow()
{
    m_window.show();
    m_window.raise();
    m_window.activateWindow();
}

void WatchTray::showRun(const QString& name)
{
    const std::shared_ptr<const WatchRun> run = name.isEmpty() ? nullptr : m_watcher.lastRun(name);
    openWindow();
    if (!run)
        return;
    Settings settings;
    auto* dialog = new WatchResultsDialog(run, m_ranks, settings.warnDays(), &m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}
