#include "app/Form1.h"

#include "app/AnswerDialog.h"
#include "app/HistoryDialog.h"
#include "app/Platform.h"
#include "app/CustomLookupsDialog.h"
#include "app/designed.h"
#include "app/FrozenColumns.h"
#include "app/ResultsGrid.h"
#include "app/SettingsDialog.h"
#include "app/intake.h"
#include "export/export.h"
#include "export/outputfile.h"
#include "export/workbook.h"
#include "input/domains.h"
#include "queries/engine/keys.h"
#include "queries/sources/registrable.h"
#include "queries/lookups/registration.h"
#include "queries/lookups/builtin.h"
#include "queries/sources/tranco.h"
#include "queries/engine/walker.h"
#include "store/store.h"
#include "update/update.h"
#include "update/version.h"
#include "web/hosts.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStringListModel>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace {

// The window was laid out in twips; at 96 dpi fifteen of them make a pixel.
constexpr int kTwipsPerPixel = 15;
constexpr QSize kClientSize(11070 / kTwipsPerPixel, 4095 / kTwipsPerPixel);
const QString kStart = u"开  始"_s;
const QString kStop = u"停  止"_s;

template <typename Widget> Widget* place(Widget* widget, const QString& name, const Placement& at)
{
    widget->setObjectName(name);
    widget->setGeometry(
        at.left / kTwipsPerPixel, at.top / kTwipsPerPixel, at.width / kTwipsPerPixel, at.height / kTwipsPerPixel);
    widget->setProperty("tabIndex", at.tab);
    // Below the designed client area: driven from code, never seen, never reached with Tab.
    if (at.top >= 4095)
        widget->hide();
    return widget;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption, const Placement& at)
{
    return place(new QPushButton(caption, parent), name, at);
}

QCheckBox* checkBox(QWidget* parent, const QString& name, const QString& caption, const Placement& at)
{
    return place(new QCheckBox(caption, parent), name, at);
}

QPlainTextEdit* textBox(QWidget* parent, const QString& name, const Placement& at)
{
    return place(new QPlainTextEdit(parent), name, at);
}

} // namespace

Form1::Form1(Platform& platform, Settings& settings, std::vector<CustomLookup> custom, ResultStore* store,
    QWidget* parent)
    : QMainWindow(parent)
    , m_platform(platform)
    , m_settings(settings)
    , m_store(store)
    , m_custom(std::move(custom))
    , m_walker(new Walker(settings, std::make_shared<const LookupTable>(makeLookupTable(m_custom)), this))
    , m_update(new UpdateCheck(this))
    , m_grid(new ResultsGrid(m_walker->results(), m_walker->ranks(), this))
{
    setObjectName(u"Form1"_s);
    setWindowTitle(caption());
    setWindowIcon(QIcon(u":/icons/quillmark.ico"_s));
    QFont designFont = font();
    designFont.setPixelSize(12);
    setFont(designFont);

    m_walker->setPingProgram(platform.pingProgram());
    m_walker->setSelection([this](const Lookup& lookup) {
        if (QAction* action = m_lookupActions.value(lookup.key))
            return action->isChecked();
        const DesignedLookup* designed = designedByKey(lookup.key);
        const auto* box = designed ? findChild<QCheckBox*>(designed->box) : nullptr;
        return box && box->isChecked();
    });
    buildControls();
    buildMenus();
    if (m_store) {
        m_store->attach(*m_walker);
        // Said once, on the line under 访问官网 and in a box; the batch goes on, unsaved, under the box.
        connect(m_store, &ResultStore::problem, this, [this](const QString& message) {
            m_label1->setText(message);
            QTimer::singleShot(0, this, [this, message] {
                m_platform.messageBox(
                    this, message, u"结果数据库"_s, QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok);
            });
        });
    }
    // The designed size, under the menu bar, is where the window opens and the least it can shrink to; the
    // grid takes any more.
    setMinimumSize(kClientSize + QSize(0, menuBar()->sizeHint().height()));
    resize(minimumSize());
    Form_Load();
    m_timer1->start();
}

Form1::~Form1()
{
    m_walker->abortAll();
}

QString Form1::caption()
{
    return u"seo-Quillmark"_s + QString::fromUtf16(kVersion) + u"     http://www.quillmark.example/ 羽墨网络工作室   010-5550-0188"_s;
}

QString Form1::makerPage()
{
    return u"http://www.quillmark.example/"_s;
}

void Form1::buildControls()
{
    m_client = new QWidget(this);
    m_client->setObjectName(u"clientArea"_s);
    m_client->installEventFilter(this);
    setCentralWidget(m_client);
    QWidget* client = m_client;

    // Creation order is stacking order: List1 lies under Text1, the grid under Text2. List1 only mirrors
    // the walker's queue, so it is filled in one step and never shown.
    m_list1 = place(new QListView(client), u"List1"_s, {240, 120, 2055, 1140, 1});
    m_queueMirror = new QStringListModel(m_list1);
    m_list1->setModel(m_queueMirror);
    m_list1->hide();
    QStringList samples;
    for (int i = 0; i < 41; ++i)
        samples.append(u"sample%1.example"_s.arg(i + 1));
    m_queueMirror->setStringList(samples);
    m_walker->setQueue(samples);

    m_text1 = textBox(client, u"Text1"_s, {120, 120, 2175, 1335, 25});
    // A vertical scroll bar only: long lines wrap on screen but stay one domain each.
    m_text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_text1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_text1->setPlainText(u"example.com\nwww.example.org\nexample.net\n"_s);

    m_command13 = button(client, u"Command13"_s, kStart, {2520, 120, 1215, 495, 24});
    auto* exportButton = button(client, u"Command14"_s, u"导  出"_s, {2520, 840, 1215, 495, 26});
    // Only the box shows; its caption lies beyond its width.
    m_check10 = checkBox(client, u"Check10"_s, u"Check10"_s, {3480, 1080, 255, 255, 28});
    // Each designed lookup's box, and its button below the client area that runs it alone.
    for (const DesignedLookup& designed : designedLookups()) {
        checkBox(client, designed.box, designed.boxCaption, designed.boxPlace);
        auto* alone = button(client, designed.button, designed.buttonCaption, designed.buttonPlace);
        connect(alone, &QPushButton::clicked, this, [this, key = designed.key] { runLookup(key); });
    }
    auto* makerButton = button(client, u"Command15"_s, u"访问官网"_s, {9360, 120, 1575, 495, 29});
    // Progress and the last batch's summary, in the free space under Command15.
    m_label1 = new QLabel(client);
    m_label1->setObjectName(u"Label1"_s);
    m_label1->setGeometry(8160 / kTwipsPerPixel, 720 / kTwipsPerPixel, 2775 / kTwipsPerPixel, 780 / kTwipsPerPixel);
    m_label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_label1->setWordWrap(true);
    m_label1->setTextFormat(Qt::PlainText);

    m_listView1 = place(new QTreeView(client), u"ListView1"_s, {120, 1560, 10935, 2415, 13});
    m_listView1->setModel(m_grid);
    m_listView1->setRootIsDecorated(false);
    m_listView1->setItemsExpandable(false);
    m_listView1->setUniformRowHeights(true);
    m_listView1->setAllColumnsShowFocus(true);
    m_listView1->setTextElideMode(Qt::ElideRight);
    m_listView1->header()->setStretchLastSection(false);
    m_listView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_listView1->header()->setMinimumSectionSize(10); // the position column is meant to hardly show
    m_text2 = textBox(client, u"Text2"_s, {0, 1560, 11055, 2415, 27});

    auto* stop = button(client, u"Command9"_s, u"停止"_s, {7920, 5760, 975, 495, 11});
    button(client, u"Command10"_s, u"清空"_s, {7920, 4920, 975, 375, 12});
    auto* batch = button(client, u"Command11"_s, u"Command11"_s, {7920, 5400, 975, 375, 14});
    auto* command12 = button(client, u"Command12"_s, u"Command12"_s, {3000, 6360, 975, 375, 15});
    m_check1 = checkBox(client, u"Check1"_s, u"Check1"_s, {8400, 6000, 255, 255, 10});
    // The outbound lookup's scratch list is the walker's own; this one stays empty.
    place(new QListView(client), u"List3"_s, {8280, 5880, 375, 420, 6});

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(u"Timer1"_s);
    m_timer1->setInterval(2000);

    QList<QWidget*> tabChain;
    for (QWidget* child : client->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (child->property("tabIndex").isValid())
            tabChain.append(child);
    }
    std::sort(tabChain.begin(), tabChain.end(),
        [](QWidget* a, QWidget* b) { return a->property("tabIndex").toInt() < b->property("tabIndex").toInt(); });
    for (int i = 1; i < tabChain.size(); ++i)
        setTabOrder(tabChain.at(i - 1), tabChain.at(i));

    connect(m_command13, &QPushButton::clicked, this, &Form1::Command13_Click);
    connect(exportButton, &QPushButton::clicked, this, &Form1::Command14_Click);
    connect(makerButton, &QPushButton::clicked, this, &Form1::Command15_Click);
    connect(stop, &QPushButton::clicked, this, &Form1::Command9_Click);
    connect(batch, &QPushButton::clicked, this, &Form1::Command11_Click);
    connect(command12, &QPushButton::clicked, this, &Form1::Command12_Click);
    connect(m_timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);

    connect(m_check1, &QCheckBox::toggled, m_walker, &Walker::setStopFlag);
    connect(m_walker, &Walker::stopFlagChanged, m_check1, &QCheckBox::setChecked);
    connect(m_walker, &Walker::busyChanged, this, [this](bool busy) { m_command13->setText(busy ? kStop : kStart); });
    connect(m_walker, &Walker::progress, this, &Form1::onProgress);
    connect(m_walker, &Walker::paceNotice, this, [this](const QString& notice) {
        m_paceNotice = notice;
        showStatus();
    });
    connect(m_walker, &Walker::finished, this, &Form1::showSummary);
    connect(m_listView1->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (m_scrollingToRow || m_runningRow < 0 || !m_walker->isBusy())
            return;
        const QRect row = m_listView1->visualRect(m_grid->index(m_runningRow, DomainColumn));
        m_following = m_listView1->viewport()->rect().intersects(row);
    });
    connect(m_update, &UpdateCheck::noNewVersion, this, [this](bool reached) {
        if (std::exchange(m_manualUpdateCheck, false))
            m_platform.messageBox(this,
                reached ? u"已是最新版本（%1）。"_s.arg(QString::fromUtf16(kVersion)) : u"无法连接更新服务器。"_s,
                u"检查更新"_s, QMessageBox::Ok, QMessageBox::Information, QMessageBox::Ok);
    });
    connect(m_update, &UpdateCheck::newVersion, this, [this](const QString& version) {
        m_manualUpdateCheck = false;
        const auto answer = m_platform.messageBox(this, u"最新版本Fennory"_s + version + u"，是否更新？"_s,
            u"发现最新版本"_s, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Question, QMessageBox::Ok);
        if (answer == QMessageBox::Ok)
            m_platform.openUrl(QUrl(downloadPageAddress(serviceHost(Service::Update))));
    });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, m_walker, &Walker::stopBatch);
}

void Form1::buildMenus()
{
    const auto action = [this](const QString& name, const QString& text, void (Form1::*handler)()) {
        auto* created = new QAction(text, this);
        created->setObjectName(name);
        connect(created, &QAction::triggered, this, handler);
        return created;
    };
    QAction* rerun = action(u"actionRerunFailed"_s, u"重新查询失败项"_s, &Form1::rerunFailed);
    m_rerunAction = rerun;
    // Greyed out while there is nothing to look up again, or a batch runs.
    const auto updateRerun
        = [this] { m_rerunAction->setEnabled(!m_walker->isBusy() && m_walker->results().problemCount() > 0); };
    updateRerun();
    connect(m_walker, &Walker::busyChanged, this, updateRerun);
    connect(&m_walker->results(), &Results::cellChanged, this, updateRerun);
    connect(&m_walker->results(), &Results::wasReset, this, updateRerun);
    QAction* exportFile = action(u"actionExportCsv"_s, u"导出为 CSV 文件…"_s, &Form1::exportCsv);

    QMenu* file = menuBar()->addMenu(u"文件"_s);
    file->addAction(action(u"actionImportDomains"_s, u"导入域名…"_s, &Form1::importDomains));
    file->addAction(exportFile);
    file->addAction(action(u"actionExportXlsx"_s, u"导出为 Excel 文件…"_s, &Form1::exportXlsx));
    file->addAction(action(u"actionImportRanking"_s, u"导入排名列表…"_s, &Form1::importRankingList));
    file->addSeparator();
    file->addAction(u"退出"_s, this, &QWidget::close);

    QMenu* queries = menuBar()->addMenu(u"查询"_s);
    m_startAction = queries->addAction(u"开始"_s, this, &Form1::Command13_Click);
    queries->addAction(rerun);
    queries->addSeparator();
    m_queriesMenu = queries;
    syncLookupEntries();
    QMenu* settingsMenu = menuBar()->addMenu(u"设置"_s);
    settingsMenu->addAction(action(u"actionPaces"_s, u"服务与速度…"_s, &Form1::showSettings));
    QAction* custom = action(u"actionCustomLookups"_s, u"自定义查询…"_s, &Form1::editCustomLookups);
    settingsMenu->addAction(custom);
    // The table of lookups changes under the grid: never while a batch walks it.
    connect(m_walker, &Walker::busyChanged, custom, [custom](bool busy) { custom->setEnabled(!busy); });
    QMenu* help = menuBar()->addMenu(u"帮助"_s);
    help->addAction(action(u"actionCheckUpdate"_s, u"检查更新"_s, &Form1::checkForUpdates));
    help->addAction(action(u"actionAbout"_s, u"关于"_s, &Form1::showAbout));

    auto* grid = new QMenu(this);
    grid->setObjectName(u"gridMenu"_s);
    grid->addAction(rerun);
    grid->addAction(exportFile);
    grid->addAction(action(u"actionCopySelected"_s, u"复制所选行"_s, &Form1::copySelectedRows));
    grid->addAction(action(u"actionHistory"_s, u"查看历史…"_s, &Form1::showHistory));
    QAction* answer = action(u"actionAnswer"_s, u"查看应答原文"_s, &Form1::showAnswer);
    grid->addAction(answer);
    grid->addSeparator();
    grid->addAction(action(u"actionSettings"_s, u"设置…"_s, &Form1::showSettings));
    m_listView1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_listView1, &QWidget::customContextMenuRequested, grid, [this, grid, answer](const QPoint& at) {
        // Only a registration cell has an answer of its own to show.
        const QModelIndex cell = m_listView1->indexAt(at);
        answer->setVisible(cell.isValid() && isRegistrationColumn(cell.column()));
        grid->popup(m_listView1->viewport()->mapToGlobal(at));
    });
    connect(m_walker, &Walker::busyChanged, this,
        [this](bool busy) { m_startAction->setText(busy ? u"停止"_s : u"开始"_s); });
    TrancoStore& ranks = m_walker->ranks();
    connect(&ranks, &TrancoStore::activity, this, [this](const QString& text) {
        if (!text.isEmpty())
            m_label1->setText(text);
    });
    connect(&ranks, &TrancoStore::installed, this, [this](bool ok, const QString& problem) {
        const TrancoStore& ranks = m_walker->ranks();
        if (ok) {
            m_label1->setText(u"已安装排名列表（%1 个域名，%2）"_s.arg(ranks.list()->size())
                                  .arg(ranks.date().toString(Qt::ISODate)));
        }
        if (ok && !std::exchange(m_rankingDownload, false))
            return;
        m_platform.messageBox(this,
            ok ? u"排名列表已下载（%1）。"_s.arg(ranks.date().toString(Qt::ISODate))
               : (m_rankingDownload ? u"无法下载排名列表：%1"_s : u"无法导入排名列表：%1"_s).arg(problem),
            u"Tranco 排名"_s, QMessageBox::Ok, ok ? QMessageBox::Information : QMessageBox::Warning, QMessageBox::Ok);
        m_rankingDownload = false;
    });
}

void Form1::syncLookupEntries()
{
    for (auto it = m_lookupActions.begin(); it != m_lookupActions.end();) {
        if (m_walker->table().byKey(it.key())) {
            ++it;
            continue;
        }
        delete it.value();
        it = m_lookupActions.erase(it);
    }
    const QStringList checked = m_settings.checkedLookups();
    for (const Lookup* lookup : m_walker->table().lookups()) {
        if (designedByKey(lookup->key))
            continue;
        if (QAction* known = m_lookupActions.value(lookup->key)) {
            // The same key may now be another definition: the entry follows the table.
            known->setText(lookup->header);
            known->disconnect(this);
            connect(known, &QAction::toggled, this, [this, lookup](bool on) { onLookupToggled(*lookup, on); });
            continue;
        }
        QAction* entry = m_queriesMenu->addAction(lookup->header);
        entry->setObjectName(u"lookup-"_s + lookup->key);
        entry->setCheckable(true);
        entry->setChecked(checked.contains(lookup->key));
        m_lookupActions.insert(lookup->key, entry);
        connect(entry, &QAction::toggled, this, [this, lookup](bool on) { onLookupToggled(*lookup, on); });
    }
}

void Form1::editCustomLookups()
{
    if (m_walker->isBusy())
        return;
    CustomLookupsDialog dialog(m_custom, customLookupsPath(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // A new table: the grid's columns follow it, each cell staying with its lookup by key.
    m_custom = dialog.lookups();
    m_walker->setTable(std::make_shared<const LookupTable>(makeLookupTable(m_custom)));
    syncLookupEntries();
    gridSetup();
}

void Form1::onLookupToggled(const Lookup& lookup, bool checked)
{
    QStringList keys;
    for (auto it = m_lookupActions.cbegin(); it != m_lookupActions.cend(); ++it) {
        if (it.value()->isChecked())
            keys.append(it.key());
    }
    m_settings.setCheckedLookups(keys);
    m_listView1->setColumnHidden(m_walker->table().columnOf(lookup), !checked);
    if (checked && lookup.key == u"tranco"_s && !m_walker->ranks().isInstalled()) {
        const auto answer = m_platform.messageBox(this,
            u"还没有 Tranco 排名列表。现在从 %1 下载最新的列表吗？\n也可以用“文件 → 导入排名列表…”导入已下载的列表。"_s
                .arg(serviceHost(Service::Tranco)),
            u"Tranco 排名"_s, QMessageBox::Yes | QMessageBox::No, QMessageBox::Question, QMessageBox::Yes);
        if (answer == QMessageBox::Yes) {
            m_rankingDownload = true;
            m_walker->ranks().download();
        }
    }
}

QList<int> Form1::shownColumns() const
{
    QList<int> columns;
    for (int column = 0; column < m_grid->columnCount(); ++column) {
        if (!m_listView1->isColumnHidden(column))
            columns.append(column);
    }
    return columns;
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_client && event->type() == QEvent::Resize)
        fitToClientArea();
    return QMainWindow::eventFilter(watched, event);
}

void Form1::fitToClientArea()
{
    // The grid and the box over it keep their designed margins and grow with the window.
    const QSize grow = m_client->size() - kClientSize;
    for (QWidget* widget : {static_cast<QWidget*>(m_listView1), static_cast<QWidget*>(m_text2)}) {
        const int left = widget == m_text2 ? 0 : 120 / kTwipsPerPixel;
        const int width = (widget == m_text2 ? 11055 : 10935) / kTwipsPerPixel;
        widget->setGeometry(
            left, 1560 / kTwipsPerPixel, width + qMax(0, grow.width()), 2415 / kTwipsPerPixel + qMax(0, grow.height()));
    }
}

void Form1::Form_Load()
{
    m_text2->setVisible(false);
    gridSetup();
}

void Form1::gridSetup()
{
    // The list's one switched-on display option is whole-row selection.
    m_listView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listView1->header()->setVisible(true);
    for (int column = 0; column < m_grid->columnCount(); ++column)
        m_listView1->header()->resizeSection(column, m_walker->table().width(column));
    // Columns beyond the designed ten show only while their lookup is ticked.
    for (auto it = m_lookupActions.cbegin(); it != m_lookupActions.cend(); ++it)
        m_listView1->setColumnHidden(m_walker->table().columnOf(*m_walker->table().byKey(it.key())), !it.value()->isChecked());
    // Rows keep their names when the grid scrolls sideways.
    if (!m_frozen)
        m_frozen = new FrozenColumns(m_listView1, FirstLookupColumn);
    m_frozen->fitToContents();
}

void Form1::closeEvent(QCloseEvent* event)
{
    bool cancel = false;
    Form_Unload(cancel);
    if (cancel)
        event->ignore();
    else
        event->accept();
}

void Form1::Form_Unload(bool& cancel)
{
    const auto answer = m_platform.messageBox(this, u"真的退出吗?"_s, u"退出"_s, QMessageBox::Ok | QMessageBox::Cancel,
        QMessageBox::Question, QMessageBox::Ok);
    if (answer != QMessageBox::Ok) {
        cancel = true;
        return;
    }
    m_timer1->stop();
    m_update->abort();
    m_walker->abortAll();
    m_platform.quitApplication();
}

void Form1::Command13_Click()
{
    if (m_walker->isBusy()) {
        m_walker->stopBatch();
        return;
    }
    m_text2->setVisible(false);
    const QString input = inputText(*m_text1->document());
    if (input.isEmpty()) {
        m_platform.messageBox(
            this, u"请输入查询域名"_s, QString(), QMessageBox::Ok, QMessageBox::NoIcon, QMessageBox::Ok);
        return;
    }
    const QStringList domains = domainsFromInput(input);
    QHash<int, QString> unreadable;
    for (int i = 0; i < domains.size(); ++i) {
        if (const auto reason = m_importReasons.constFind(domains.at(i)); reason != m_importReasons.cend())
            unreadable.insert(i, *reason);
    }
    m_walker->setQueue(domains, unreadable);
    m_queueMirror->setStringList(domains);
    Command11_Click();
}

void Form1::Command11_Click()
{
    if (m_walker->isBusy())
        return;
    m_check10->setChecked(true);
    m_following = true;
    m_walker->runBatch();
    gridSetup();
}

void Form1::runLookup(const QString& key)
{
    m_following = true;
    if (const Lookup* lookup = m_walker->table().byKey(key))
        m_walker->runLookup(*lookup);
}

void Form1::Command9_Click()
{
    m_walker->setStopFlag(true);
}

void Form1::Command12_Click()
{
    // Wired to nothing: the classic version wrote into a grid row that never exists.
}

void Form1::Command14_Click()
{
    // Without a row there is nothing to copy: the clipboard keeps what it held.
    if (!m_check10->isChecked() || m_walker->results().rowCount() == 0) {
        m_platform.messageBox(this, u"请先查询"_s, QString(), QMessageBox::Ok, QMessageBox::NoIcon, QMessageBox::Ok);
        return;
    }
    m_platform.setClipboardText(exportText(m_walker->results(), int(m_walker->queue().size())));
    m_platform.messageBox(this, u"全部复制成功，您可以粘贴到任意处！"_s, QString(), QMessageBox::Ok,
        QMessageBox::NoIcon, QMessageBox::Ok);
}

void Form1::Command15_Click()
{
    m_platform.openUrl(QUrl(makerPage()));
}

void Form1::Timer1_Timer()
{
    m_timer1->stop();
    m_update->start();
}

void Form1::checkForUpdates()
{
    m_manualUpdateCheck = true;
    m_update->start();
}

void Form1::showAbout()
{
    m_platform.messageBox(this,
        u"seo-Quillmark %1\n\n批量查询域名的注册、备案、收录、反链、排名、出站链接、IP 与 DNS 解析、首页信息。\n"
        u"数据来源：各查询服务、IANA RDAP、Tranco 排名列表、系统的 DNS 解析与 ping。\n\n%2"_s.arg(QString::fromUtf16(kVersion), makerPage()),
        u"关于 seo-Quillmark"_s, QMessageBox::Ok, QMessageBox::Information, QMessageBox::Ok);
}

void Form1::offerToResume()
{
    if (!m_store)
        return;
    if (!m_store->notice().isEmpty()) {
        m_platform.messageBox(
            this, m_store->notice(), u"结果数据库"_s, QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok);
    }
    const std::optional<ResultStore::Batch> unfinished = m_store->unfinishedBatch();
    if (!unfinished || m_walker->isBusy())
        return;
    const auto answer = m_platform.messageBox(this, u"上次的查询没有完成，是否继续？"_s, u"继续查询"_s,
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Question, QMessageBox::Yes);
    if (answer != QMessageBox::Yes)
        return;
    m_text1->setPlainText(unfinished->domains.join(u'\n') + u'\n');
    m_queueMirror->setStringList(unfinished->domains);
    m_check10->setChecked(true);
    m_following = true;
    m_store->resume(*m_walker, *unfinished);
    gridSetup();
}

void Form1::showHistory()
{
    const QModelIndex current = m_listView1->currentIndex();
    if (!current.isValid()) {
        m_platform.messageBox(this, u"请先在表格中选择一个域名。"_s, u"查看历史"_s, QMessageBox::Ok,
            QMessageBox::Information, QMessageBox::Ok);
        return;
    }
    const QString domain = m_walker->results().text(current.row(), DomainColumn);
    HistoryDialog dialog(m_platform,
        domain, m_store ? m_store->history(domain) : QList<ResultStore::Answer>(), m_walker->table(), this);
    dialog.exec();
}

bool Form1::isRegistrationColumn(int column) const
{
    for (const Lookup* lookup :
        {&registrationStatusLookup(), &registrarNameLookup(), &registrationDateLookup(), &expiryDateLookup()}) {
        if (m_walker->table().columnOf(*lookup) == column)
            return true;
    }
    return false;
}

void Form1::showAnswer()
{
    const QModelIndex current = m_listView1->currentIndex();
    if (!current.isValid())
        return;
    const QString domain = m_walker->results().text(current.row(), DomainColumn);
    auto* dialog = new AnswerDialog(domain, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (const auto kept = m_walker->answers().find(typedName(domain).registrable))
        dialog->showAnswer(*kept, false);
    else
        dialog->waitFor(new RegistrationQuestion(domain, m_walker->jobContext(Key::RegStatus)));
    dialog->show();
}

void Form1::importDomains()
{
    const QString path = m_platform.openFileName(this, u"导入域名"_s, u"文本或 CSV 文件 (*.txt *.csv);;所有文件 (*)"_s);
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_platform.messageBox(this, u"无法打开文件 %1：%2"_s.arg(QFileInfo(path).fileName(), file.errorString()),
            u"导入域名"_s, QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok);
        return;
    }
    const DomainFile read = domainsFromFile(file.readAll());
    const QStringList& domains = read.domains;
    // The box holds names only: why a line could not be one is kept for Start.
    m_importReasons.clear();
    for (auto it = read.unreadable.cbegin(); it != read.unreadable.cend(); ++it)
        m_importReasons.insert(domains.at(it.key()), it.value());
    m_text1->setPlainText(domains.join(u'\n') + (domains.isEmpty() ? QString() : u"\n"_s));
    m_label1->setText(u"已导入 %1 个域名"_s.arg(domains.size()));
}

void Form1::importRankingList()
{
    const QString path
        = m_platform.openFileName(this, u"导入排名列表"_s, u"Tranco 排名列表 (*.csv *.zip);;所有文件 (*)"_s);
    if (path.isEmpty())
        return;
    // Read and checked in the background; installed() tells how it went.
    m_walker->ranks().install(path, QFileInfo(path).lastModified().date());
}

void Form1::rerunFailed()
{
    m_following = true;
    m_walker->rerunFailed();
}

void Form1::exportCsv()
{
    const QString path = m_platform.saveFileName(this, u"导出为 CSV 文件"_s, u"seo-quillmark.csv"_s);
    if (path.isEmpty())
        return;
    OutputFile file(path);
    QString error = file.open();
    if (error.isEmpty()) {
        file.write(csvBytes(m_walker->results(), shownColumns()));
        error = file.commit();
    }
    if (!error.isEmpty()) {
        m_platform.messageBox(this, u"无法保存文件 %1：%2"_s.arg(QFileInfo(path).fileName(), error),
            u"导出为 CSV 文件"_s, QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok);
        return;
    }
    m_label1->setText(u"已导出 %1 行"_s.arg(m_walker->results().rowCount()));
}

void Form1::exportXlsx()
{
    const QString path = m_platform.saveFileName(this, u"导出为 Excel 文件"_s, u"seo-quillmark.xlsx"_s);
    if (path.isEmpty())
        return;
    if (const QString error = writeWorkbook(path, m_walker->results(), shownColumns()); !error.isEmpty()) {
        m_platform.messageBox(this, u"无法保存文件 %1：%2"_s.arg(QFileInfo(path).fileName(), error),
            u"导出为 Excel 文件"_s, QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok);
        return;
    }
    m_label1->setText(u"已导出 %1 行"_s.arg(m_walker->results().rowCount()));
}

void Form1::copySelectedRows()
{
    QList<int> rows;
    for (const QModelIndex& index : m_listView1->selectionModel()->selectedRows())
        rows.append(index.row());
    if (rows.isEmpty()) {
        m_platform.messageBox(this, u"请先在表格中选择要复制的行。"_s, u"复制所选行"_s, QMessageBox::Ok,
            QMessageBox::Information, QMessageBox::Ok);
        return;
    }
    std::sort(rows.begin(), rows.end());
    m_platform.setClipboardText(exportLines(m_walker->results(), rows));
    m_label1->setText(u"已复制 %1 行"_s.arg(rows.size()));
}

void Form1::showSettings()
{
    SettingsDialog dialog(m_settings, m_walker->table().services(), this);
    dialog.exec();
}

void Form1::onProgress(const Lookup& lookup, int row, int queueLength, qint64 written, qint64 total)
{
    m_runningRow = row;
    // The column furthest behind, then the whole batch: "百度反链 23/1000 · 共 4,210/8,000".
    const QLocale grouped(QLocale::English);
    m_progress = u"%1 %2/%3 · 共 %4/%5"_s.arg(lookup.header)
                     .arg(row + 1)
                     .arg(queueLength)
                     .arg(grouped.toString(written), grouped.toString(total));
    showStatus();
    if (m_following) {
        m_scrollingToRow = true;
        m_listView1->scrollTo(m_grid->index(row, m_walker->table().columnOf(lookup)));
        m_scrollingToRow = false;
    }
}

void Form1::showStatus()
{
    m_label1->setText(m_paceNotice.isEmpty() ? m_progress : m_progress + u'\n' + m_paceNotice);
}

void Form1::showSummary(qint64 elapsedMs)
{
    m_runningRow = -1;
    m_progress.clear();
    m_label1->setText(u"查询完成，用时 %1 秒\n失败 %2 项"_s.arg(elapsedMs / 1000.0, 0, 'f', 1)
                          .arg(m_walker->results().problemCount()));
}
