// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ScriptedPlatform.h"
#include "TestHttpServer.h"
#include "app/MainWindow.h"
#include "testing.h"

#include <QAction>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>
#include <QtTest>

// A window as the user gets it, minus the update check's timer.
inline std::unique_ptr<MainWindow> makeWindow(Platform& platform, ResultStore* store, Settings& settings)
{
    auto form = std::make_unique<MainWindow>(platform, settings, std::vector<CustomLookup> {}, store);
    form->findChild<QTimer*>(QStringLiteral("Timer1"))->stop();
    return form;
}

inline void setInput(MainWindow& form, const QString& text) // '\n' line breaks, as typed
{
    form.findChild<QPlainTextEdit*>(QStringLiteral("Text1"))->setPlainText(text);
}

inline void setBox(MainWindow& form, const QString& name, bool ticked)
{
    form.findChild<QCheckBox*>(name)->setChecked(ticked);
}

inline void click(QWidget& form, const QString& name)
{
    form.findChild<QPushButton*>(name)->click();
}

// Start pressed, and the batch run to its end.
inline bool runToEnd(MainWindow& form)
{
    click(form, QStringLiteral("Command13"));
    return waitIdle(form.walker());
}

// What each window test starts from: a desktop answered from a script, one server for every service, settings
// of its own (a pace or a tick one test sets never reaches the next), and the window.
struct WindowFixture
{
    WindowFixture()
    {
        platform.ping = kFakePing;
        form = window();
    }
    std::unique_ptr<MainWindow> window(ResultStore* store = nullptr) { return makeWindow(platform, store, settings); }
    Walker& walker() { return form->walker(); }
    // The filing service answers after `delayMs`, one request at a time, and its box is ticked.
    void slowIcp(int delayMs, MainWindow& on)
    {
        settings.setPace(QStringLiteral("icp"), {1, 0});
        auto slow = TestHttpServer::page(testData(QStringLiteral("icp-filed.gb2312.html")));
        slow.delayMs = delayMs;
        server.route(QStringLiteral("/Api/"), slow);
        setBox(on, QStringLiteral("Check3"), true);
    }

    QTemporaryDir folder;
    ScopedEnv cache {"XDG_CACHE_HOME", folder.filePath(QStringLiteral("cache")).toUtf8()}; // the RDAP bootstrap
    Settings settings {folder.filePath(QStringLiteral("seo-quillmark.conf"))};
    ScriptedPlatform platform;
    TestHttpServer server;
    std::vector<std::unique_ptr<ScopedEnv>> hosts = serveEverythingFrom(server.hostPort());
    std::unique_ptr<MainWindow> form;
};
