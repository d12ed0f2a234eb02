// The window's life and its designed handlers: Start and Stop, the hidden buttons, Export, the maker's page,
// the update check, closing; and what the grid's menu opens (history, a registration answer, settings).
// The controls are made in windowlayout.cpp, the menus in windowmenus.cpp, the file actions in
// fileactions.cpp and the progress line in progressline.cpp.
#include "app/Form1.h"

#include "app/AnswerDialog.h"
#include "app/FrozenColumns.h"
#include "app/HistoryDialog.h"
#include "app/Platform.h"
#include "app/ResultsGrid.h"
#include "app/SettingsDialog.h"
#include "app/changedrows.h"
#include "app/designed.h"
#include "app/intake.h"
#include "export/export.h"
#include "input/domains.h"
#include "queries/engine/keys.h"
#include "queries/engine/walker.h"
#include "queries/lookups/builtin.h"
#include "queries/lookups/registration.h"
#include "queries/sources/registrable.h"
#include "store/store.h"
#include "update/update.h"
#include "update/version.h"
#include "watching/watcher.h"
#include "web/hosts.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStringListModel>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

Form1::Form1(
    Platform& platform, Settings& settings, std::vector<CustomLookup> custom, ResultStore* store, QWidget* parent)
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
    m_walker->setSelection([this](const Lookup& lookup) { return isTicked(lookup); });
    buildControls();
    connectControls();
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
    m_grid->setWarnDays(m_settings.warnDays());
    Form_Load();
    m_timer1->start();
}

Form1::~Form1()
{
    m_walker->abortAll();
}

bool Form1::isTicked(const Lookup& lookup) const
{
    if (QAction* action = m_lookupActions.value(lookup.key))
        return action->isChecked();
    const DesignedLookup* designed = designedByKey(lookup.key);
    const auto* box = designed ? findChild<QCheckBox*>(designed->box) : nullptr;
    return box && box->isChecked();
}

QString Form1::caption()
{
    return u"seo-Quillmark"_s + QString::fromUtf16(kVersion)
        + u"     http://www.quillmark.example/ 羽墨网络工作室   010-5550-0188"_s;
}

QString Form1::makerPage()
{
    return u"http://www.quillmark.example/"_s;
}

void Form1::connectControls()
{
    const auto clicked = [this](const QString& name, void (Form1::*handler)()) {
        connect(
            m_client->findChild<QPushButton*>(name, Qt::FindDirectChildrenOnly), &QPushButton::clicked, this, handler);
    };
    clicked(u"Command13"_s, &Form1::Command13_Click);
    clicked(u"Command14"_s, &Form1::Command14_Click);
    clicked(u"Command15"_s, &Form1::Command15_Click);
    clicked(u"Command9"_s, &Form1::Command9_Click);
    clicked(u"Command11"_s, &Form1::Command11_Click);
    clicked(u"Command12"_s, &Form1::Command12_Click);
    connect(m_timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    connect(m_check1, &QCheckBox::toggled, m_walker, &Walker::setStopFlag);
    connect(m_walker, &Walker::stopFlagChanged, m_check1, &QCheckBox::setChecked);
    connect(m_walker, &Walker::busyChanged, this,
        [this, start = m_command13->text()](bool busy) { m_command13->setText(busy ? u"停  止"_s : start); });
    connectProgressLine();
    connect(m_update, &UpdateCheck::noNewVersion, this, &Form1::sayNoNewVersion);
    connect(m_update, &UpdateCheck::newVersion, this, &Form1::askToUpdate);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, m_walker, &Walker::stopBatch);
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
        m_listView1->setColumnHidden(
            m_walker->table().columnOf(*m_walker->table().byKey(it.key())), !it.value()->isChecked());
    // Rows keep their names when the grid scrolls sideways.
    if (!m_frozen) {
        m_frozen = new FrozenColumns(m_listView1, FirstLookupColumn);
        if (std::exchange(m_changedRows, nullptr)) // 只看变化 hides the frozen rows too from now on
            setOnlyChanges(m_onlyChanges->isChecked());
    }
    m_frozen->fitToContents();
}

void Form1::closeEvent(QCloseEvent* event)
{
    // With watch lists and a tray, closing the window puts it away: the lists go on running.
    if (m_closeToTray && !m_quitting && m_watcher && !m_watcher->lists().isEmpty()) {
        event->ignore();
        hide();
        emit hiddenToTray();
        return;
    }
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

void Form1::sayNoNewVersion(bool reached)
{
    if (std::exchange(m_manualUpdateCheck, false))
        m_platform.messageBox(this,
            reached ? u"已是最新版本（%1）。"_s.arg(QString::fromUtf16(kVersion)) : u"无法连接更新服务器。"_s,
            u"检查更新"_s, QMessageBox::Ok, QMessageBox::Information, QMessageBox::Ok);
}

void Form1::askToUpdate(const QString& version)
{
    m_manualUpdateCheck = false;
    const auto answer = m_platform.messageBox(this, u"最新版本Fennory"_s + version + u"，是否更新？"_s,
        u"发现最新版本"_s, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Question, QMessageBox::Ok);
    if (answer == QMessageBox::Ok)
        m_platform.openUrl(QUrl(downloadPageAddress(serviceHost(Service::Update))));
}

void Form1::showAbout()
{
    m_platform.messageBox(this,
        u"seo-Quillmark %1\n\n批量查询域名的注册、备案、收录、反链、排名、出站链接、IP 与 DNS 解析、首页信息。\n"
        u"数据来源：各查询服务、IANA RDAP、Tranco 排名列表、系统的 DNS 解析与 ping。\n\n%2"_s.arg(
            QString::fromUtf16(kVersion), makerPage()),
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
    // A database that cannot be read says so rather than passing for one with nothing to go on with.
    const auto cannotRead = [this](const QString& why) {
        m_platform.messageBox(this, u"无法读取上次的查询（%1）；不能继续上次的查询。"_s.arg(why), u"结果数据库"_s,
            QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok);
    };
    const ReadResult<std::optional<ResultStore::Batch>> last = m_store->unfinishedBatch();
    if (!last.ok()) {
        cannotRead(last.error());
        return;
    }
    const std::optional<ResultStore::Batch> unfinished = last.value();
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
    const QString failure = m_store->resume(*m_walker, *unfinished);
    gridSetup();
    if (!failure.isEmpty())
        cannotRead(failure);
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
    HistoryDialog dialog(
        m_platform, domain, m_store ? m_store->history(domain) : QList<ResultStore::Answer>(), m_walker->table(), this);
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

void Form1::rerunFailed()
{
    m_following = true;
    m_walker->rerunFailed();
}

void Form1::showSettings()
{
    SettingsDialog dialog(m_settings, m_walker->table().services(), this);
    if (dialog.exec() == QDialog::Accepted)
        m_grid->setWarnDays(m_settings.warnDays());
}
