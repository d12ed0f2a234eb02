// SPDX-License-Identifier: GPL-3.0-or-later
// The window's life: its controllers made and wired to the designed controls, the grid set up for the
// table of lookups, settings and the user's own lookups, and closing. The controls are made in
// windowlayout.cpp and the menus in windowmenus.cpp.
#include "app/MainWindow.h"

#include "app/BatchController.h"
#include "app/CustomLookupsDialog.h"
#include "app/ExportController.h"
#include "app/FrozenColumns.h"
#include "app/LookupChoice.h"
#include "app/Platform.h"
#include "app/ResultsGrid.h"
#include "app/SettingsDialog.h"
#include "app/UpdateController.h"
#include "app/WatchController.h"
#include "app/designed.h"
#include "export/columns.h"
#include "queries/engine/walker.h"
#include "queries/lookups/builtin.h"
#include "settings/language.h"
#include "settings/settings.h"
#include "store/store.h"
#include "update/version.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStringListModel>
#include <QStyle>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

MainWindow::MainWindow(
    Platform& platform, Settings& settings, std::vector<CustomLookup> custom, ResultStore* store, QWidget* parent)
    : QMainWindow(parent)
    , m_platform(platform)
    , m_settings(settings)
    , m_store(store)
    , m_custom(std::move(custom))
    , m_walker(new Walker(settings, std::make_shared<const LookupTable>(makeLookupTable(m_custom)), this))
    , m_grid(new ResultsGrid(m_walker->results(), m_walker->ranks(), this))
{
    setObjectName(designedNames().window);
    setWindowTitle(caption());
    setWindowIcon(QIcon(u":/icons/quillmark.ico"_s));
    QFont designFont = font();
    designFont.setPixelSize(12);
    setFont(designFont);

    m_walker->setPingProgram(platform.pingProgram());
    buildControls();
    makeControllers();
    m_walker->setSelection([this](const Lookup& lookup) { return m_lookups->isTicked(lookup); });
    connectControls();
    buildMenus();
    attachStore();
    // The designed size, under the menu bar, is where the window opens and the least it can shrink to; the
    // grid takes any more.
    setMinimumSize(kClientSize + QSize(0, menuBar()->sizeHint().height()));
    resize(minimumSize());
    m_grid->setWarnDays(m_settings.warnDays());
    m_coverBox->setVisible(false);
    setUpGrid();
    m_updates->startTimer();
}

MainWindow::~MainWindow()
{
    m_walker->abortAll();
}

QString MainWindow::caption()
{
    return tr("seo-Quillmark%1     http://www.quillmark.example/ 羽墨网络工作室   010-5550-0188")
        .arg(QString::fromUtf16(kVersion));
}

QString MainWindow::makerPage()
{
    return u"http://www.quillmark.example/"_s;
}

WindowParts MainWindow::parts()
{
    return {m_platform, *m_walker, *this, *m_view, *m_grid, *m_statusLine};
}

void MainWindow::makeControllers()
{
    const WindowParts parts = this->parts();
    const DesignedNames& names = designedNames();
    auto* startStop = m_client->findChild<QPushButton*>(names.startStop, Qt::FindDirectChildrenOnly);
    auto* ranMark = m_client->findChild<QCheckBox*>(names.ranMark, Qt::FindDirectChildrenOnly);
    m_batch = new BatchController(parts, {*m_domainsBox, *m_queueMirror, *startStop, *ranMark}, this);
    m_exports = new ExportController(parts, *m_batch, this);
    m_lookups = new LookupChoice(parts, m_settings, this);
    m_watching = new WatchController(
        parts, *m_domainsBox, m_settings, m_store, [this](const Lookup& lookup) { return m_lookups->isTicked(lookup); },
        this);
    m_updates = new UpdateController(m_platform, *this);
}

void MainWindow::connectControls()
{
    const DesignedNames& names = designedNames();
    const auto clicked = [this](const QString& name, auto* receiver, auto handler) {
        connect(m_client->findChild<QPushButton*>(name, Qt::FindDirectChildrenOnly), &QPushButton::clicked, receiver,
            handler);
    };
    clicked(names.startStop, m_batch, &BatchController::startOrStop);
    clicked(names.copyAll, m_exports, &ExportController::copyAll);
    clicked(names.makerPage, this, [this] { m_platform.openUrl(QUrl(makerPage())); });
    clicked(names.stopButton, m_batch, &BatchController::raiseStopFlag);
    clicked(names.runQueue, m_batch, &BatchController::runQueue);
    // Each designed lookup's hidden button runs it alone.
    for (const DesignedLookup& designed : designedLookups())
        clicked(designed.button, m_batch, [this, key = designed.key] { m_batch->runLookupAlone(key); });
    connect(m_batch, &BatchController::started, this, &MainWindow::setUpGrid);
    connect(m_stopFlagBox, &QCheckBox::toggled, m_walker, &Walker::setStopFlag);
    connect(m_walker, &Walker::stopFlagChanged, m_stopFlagBox, &QCheckBox::setChecked);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, m_walker, &Walker::stopBatch);
}

void MainWindow::attachStore()
{
    if (!m_store)
        return;
    m_store->attach(*m_walker);
    // Said once, on the status line and in a box; the batch goes on, unsaved, under the box.
    connect(m_store, &ResultStore::problem, this, [this](const QString& message) {
        m_statusLine->setText(message);
        QTimer::singleShot(0, this, [this, message] {
            m_platform.messageBox(
                this, message, tr("结果数据库"), QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok);
        });
    });
}

void MainWindow::setUpGrid()
{
    // The list's one switched-on display option is whole-row selection.
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->header()->setVisible(true);
    fitColumnWidths();
    m_lookups->hideUnticked();
    // Rows keep their names when the grid scrolls sideways.
    if (!m_frozen) {
        m_frozen = new FrozenColumns(m_view, FirstLookupColumn);
        m_watching->addFrozenView(m_frozen->view());
    }
    m_frozen->fitToContents();
}

void MainWindow::fitColumnWidths()
{
    // The designed widths were made for the Chinese headers; a translated header gets at least the room its
    // words need, so no column's name is cut short. The grid scrolls sideways for the rest.
    const LookupTable& table = m_walker->table();
    QHeaderView* header = m_view->header();
    const int margin = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header) + 4;
    for (int column = 0; column < m_grid->columnCount(); ++column) {
        int width = columnWidth(table, column);
        if (const QString shown = table.shownHeader(column); shown != table.header(column))
            width = qMax(width, header->fontMetrics().horizontalAdvance(shown) + margin);
        header->resizeSection(column, width);
    }
    if (m_frozen)
        m_frozen->fitToContents();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // With watch lists and a tray, closing the window puts it away: the lists go on running.
    if (!m_quitting && m_watching->keepsRunningInTray()) {
        event->ignore();
        hide();
        emit hiddenToTray();
        return;
    }
    const auto answer = m_platform.messageBox(this, tr("真的退出吗?"), tr("退出"),
        QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Question, QMessageBox::Ok);
    if (answer != QMessageBox::Ok) {
        event->ignore();
        return;
    }
    event->accept();
    shutDown();
}

void MainWindow::quitFromTray()
{
    m_quitting = true;
    shutDown();
}

void MainWindow::shutDown()
{
    m_updates->stop();
    m_walker->abortAll();
    m_platform.quitApplication();
}

void MainWindow::offerToResume()
{
    if (m_store)
        m_batch->offerToResume(*m_store);
}

void MainWindow::showAbout()
{
    m_platform.messageBox(this,
        tr("seo-Quillmark %1\n\n批量查询域名的注册、备案、收录、反链、排名、出站链接、IP 与 DNS 解析、首页信息。\n"
           "数据来源：各查询服务、IANA RDAP、Tranco 排名列表、系统的 DNS 解析与 ping。\n\n%2")
            .arg(QString::fromUtf16(kVersion), makerPage()),
        tr("关于 seo-Quillmark"), QMessageBox::Ok, QMessageBox::Information, QMessageBox::Ok);
}

void MainWindow::showSettings()
{
    SettingsDialog dialog(m_settings, m_walker->table().services(), this);
    // The dialog offers the language the window speaks, which --lang or QUILLMARK_LANG may have chosen over
    // the setting.
    if (m_translators)
        dialog.offerLanguage(m_translators->language());
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_grid->setWarnDays(m_settings.warnDays());
    if (m_translators && dialog.language() != m_translators->language()) {
        m_translators->apply(dialog.language());
        if (m_store)
            m_store->setLanguage(m_translators->language());
    }
}

void MainWindow::setTranslators(Translators* translators)
{
    m_translators = translators;
    if (m_store && m_translators)
        m_store->setLanguage(m_translators->language());
}

void MainWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        setWindowTitle(caption());
        setCaptions();
        m_batch->showStartStop();
        retranslateMenus();
        // The grid's headers follow by themselves (ResultsGrid); its cells stay in the language they were made in.
        if (m_view && m_frozen)
            fitColumnWidths();
    }
    QMainWindow::changeEvent(event);
}

void MainWindow::editCustomLookups()
{
    if (m_walker->isBusy())
        return;
    CustomLookupsDialog dialog(m_custom, customLookupsPath(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // A new table: the grid's columns follow it, each cell staying with its lookup by key.
    m_custom = dialog.lookups();
    m_walker->setTable(std::make_shared<const LookupTable>(makeLookupTable(m_custom)));
    m_lookups->syncEntries(*m_queriesMenu);
    setUpGrid();
}
