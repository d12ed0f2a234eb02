// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindow.h"
#include "app/Platform.h"
#include "app/WatchController.h"
#include "app/WatchTray.h"
#include "cli/commandline.h"
#include "queries/lookups/builtin.h"
#include "queries/sources/whoisregistries.h"
#include "settings/language.h"
#include "settings/settings.h"
#include "store/store.h"
#include "update/version.h"
#include "watching/watcher.h"

#include <QApplication>
#include <QNetworkProxyFactory>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Each request in flight, each ping and each cached connection holds a file; the soft limit many
// desktops start programs with (1,024) is the only one a large batch could meet.
void raiseOpenFileLimit()
{
    rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// --lang, else QUILLMARK_LANG, else 设置's 界面语言; a value naming no language is said and Chinese spoken.
void speakChosenLanguage(const QApplication& app, const Settings& settings, Translators& translators)
{
    QString problem;
    translators.apply(chosenLanguage(languageOption(app.arguments()), &settings, &problem));
    if (!problem.isEmpty())
        std::fputs(qPrintable(u"seo-quillmark: "_s + problem + u'\n'), stderr);
}

} // namespace

int main(int argc, char* argv[])
{
    raiseOpenFileLimit();
    // The system's proxy (http_proxy, https_proxy, no_proxy) unless a service has proxies of its own.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    QCoreApplication::setApplicationName(u"seo-quillmark"_s);
    QCoreApplication::setApplicationVersion(QString::fromUtf16(kVersion));
    if (isCommandLine(argc, argv))
        return int(runCommandLine(argc, argv));

    QApplication app(argc, argv);
    QGuiApplication::setWindowIcon(QIcon(u":/icons/quillmark.ico"_s));
    // Desktops match the window to the installed seo-quillmark.desktop by this name.
    QGuiApplication::setDesktopFileName(u"seo-quillmark"_s);
    Settings settings;
    Translators translators;
    speakChosenLanguage(app, settings, translators);

    DesktopPlatform platform;
    const CustomFile custom = readUserLookups();
    // Every key and service once, each service with a name and a pace: a table that is not so is said at once.
    const QStringList skipped = custom.skipped + makeLookupTable(custom.lookups).problems();
    ResultStore store;
    MainWindow window(platform, settings, custom.lookups, &store);
    window.setGeometry(
        QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window.size(), window.screen()->availableGeometry()));
    window.setTranslators(&translators);
    window.show();
    QTimer::singleShot(0, &window, &MainWindow::offerToResume);
    // Watch lists run while the program does; with a tray, also after the window is closed to it.
    Watcher watcher(
        settings, [&window] { return window.walker().results().sharedTable(); }, window.walker().services(),
        ResultStore::defaultPath());
    watcher.setTranslators(&translators);
    WatchTray tray(window, watcher, window.walker().ranks());
    window.watching().setWatcher(&watcher, WatchTray::isAvailable());
    if (!watcher.lists().value().isEmpty()) {
        watcher.start();
        if (!WatchTray::isAvailable())
            QTimer::singleShot(0, &window, [&window] { window.watching().sayNoTray(); });
    }
    if (!skipped.isEmpty()) {
        QTimer::singleShot(0, &window, [&] {
            platform.messageBox(&window,
                QCoreApplication::translate("Main", "自定义查询文件中有定义未能载入：\n%1").arg(skipped.join(u'\n')),
                QCoreApplication::translate("Main", "自定义查询"), QMessageBox::Ok, QMessageBox::Warning,
                QMessageBox::Ok);
        });
    }
    if (const QStringList registries = whoisRegistryProblems(); !registries.isEmpty()) {
        QTimer::singleShot(0, &window, [&platform, &window, registries] {
            platform.messageBox(&window,
                QCoreApplication::translate("Main", "WHOIS 注册局数据中有条目未能载入（其余照常使用）：\n%1")
                    .arg(registries.join(u'\n')),
                QCoreApplication::translate("Main", "WHOIS 注册局数据"), QMessageBox::Ok, QMessageBox::Warning,
                QMessageBox::Ok);
        });
    }
    return app.exec();
}
