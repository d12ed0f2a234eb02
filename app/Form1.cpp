#include "app/Form1.h"

#include "app/Platform.h"
#include "app/ResultsGrid.h"
#include "app/intake.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace {

// The window was laid out in twips; at 96 dpi fifteen of them make a pixel.
constexpr int kTwipsPerPixel = 15;
constexpr int kClientWidth = 11070 / kTwipsPerPixel;
constexpr int kClientHeight = 4095 / kTwipsPerPixel;

struct Placement
{
    int left, top, width, height, tab;
};

void place(QWidget* widget, const QString& name, const Placement& at)
{
    widget->setObjectName(name);
    widget->setGeometry(
        at.left / kTwipsPerPixel, at.top / kTwipsPerPixel, at.width / kTwipsPerPixel, at.height / kTwipsPerPixel);
    widget->setProperty("tabIndex", at.tab);
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption, const Placement& at)
{
    auto* widget = new QPushButton(caption, parent);
    place(widget, name, at);
    return widget;
}

QCheckBox* checkBox(QWidget* parent, const QString& name, const QString& caption, const Placement& at)
{
    auto* widget = new QCheckBox(caption, parent);
    place(widget, name, at);
    return widget;
}

QListWidget* listBox(QWidget* parent, const QString& name, const Placement& at)
{
    auto* widget = new QListWidget(parent);
    place(widget, name, at);
    return widget;
}

QPlainTextEdit* textBox(QWidget* parent, const QString& name, const Placement& at)
{
    auto* widget = new QPlainTextEdit(parent);
    widget->setLineWrapMode(QPlainTextEdit::NoWrap);
    place(widget, name, at);
    return widget;
}

struct Turn
{
    const char* box;
    void (Form1::*lookup)();
};

// The batch runs the ticked lookups in the order of the grid's columns.
constexpr Turn kDispatch[] = {
    {"Check2", &Form1::Command3_Click},
    {"Check3", &Form1::Command1_Click},
    {"Check4", &Form1::Command6_Click},
    {"Check5", &Form1::Command7_Click},
    {"Check6", &Form1::Command2_Click},
    {"Check7", &Form1::Command8_Click},
    {"Check8", &Form1::Command5_Click},
    {"Check9", &Form1::Command4_Click},
};

} // namespace

Form1::Form1(Platform& platform, QWidget* parent)
    : QWidget(parent)
    , m_platform(platform)
    , m_grid(new ResultsGrid(this))
{
    setObjectName(u"Form1"_s);
    setWindowTitle(caption());
    setWindowIcon(QIcon(u":/icons/quillmark.ico"_s));
    setFixedSize(kClientWidth, kClientHeight);
    QFont designFont = font();
    designFont.setPixelSize(12);
    setFont(designFont);

    buildControls();
    Form_Load();
    m_timer1->start();
}

Form1::~Form1() = default;

QString Form1::caption()
{
    return u"seo-Quillmark8.0     http://www.quillmark.example/ 羽墨网络工作室   010-5550-0188"_s;
}

QString Form1::makerPage()
{
    return u"http://www.quillmark.example/"_s;
}

void Form1::buildControls()
{
    // Creation order is stacking order: List1 lies under Text1, the grid under Text2.
    m_list1 = listBox(this, u"List1"_s, {240, 120, 2055, 1140, 1});
    m_text1 = textBox(this, u"Text1"_s, {120, 120, 2175, 1335, 25});
    // A vertical scroll bar only: long lines wrap on screen but stay one domain each.
    m_text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_text1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_text1->setPlainText(u"example.com\nwww.example.org\nexample.net\n"_s);

    auto* start = button(this, u"Command13"_s, u"开  始"_s, {2520, 120, 1215, 495, 24});
    auto* exportButton = button(this, u"Command14"_s, u"导  出"_s, {2520, 840, 1215, 495, 26});
    // Only the box shows; its caption lies beyond its width.
    m_check10 = checkBox(this, u"Check10"_s, u"Check10"_s, {3480, 1080, 255, 255, 28});
    checkBox(this, u"Check2"_s, u"未注册域名批量检测"_s, {3960, 120, 1935, 255, 16});
    checkBox(this, u"Check3"_s, u"备案批量查询"_s, {3960, 480, 1575, 255, 17});
    checkBox(this, u"Check4"_s, u"百度收录批量查询"_s, {3960, 840, 1815, 255, 18});
    checkBox(this, u"Check5"_s, u"百度反链批量查询"_s, {3960, 1200, 1935, 255, 19});
    checkBox(this, u"Check8"_s, u"出站链接批量查询"_s, {6120, 120, 1935, 255, 22});
    checkBox(this, u"Check6"_s, u"Alexa排名批量查询"_s, {6120, 480, 1935, 255, 20});
    checkBox(this, u"Check7"_s, u"雅虎反链批量查询"_s, {6120, 840, 1815, 255, 21});
    checkBox(this, u"Check9"_s, u"站点IP批量查询"_s, {6120, 1200, 1815, 255, 23});
    auto* makerButton = button(this, u"Command15"_s, u"访问官网"_s, {9360, 120, 1575, 495, 29});
    // Progress and the last batch's summary, in the free space under Command15.
    m_label1 = new QLabel(this);
    m_label1->setObjectName(u"Label1"_s);
    m_label1->setGeometry(8160 / kTwipsPerPixel, 720 / kTwipsPerPixel, 2775 / kTwipsPerPixel, 780 / kTwipsPerPixel);
    m_label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_label1->setWordWrap(true);

    m_listView1 = new QTreeView(this);
    place(m_listView1, u"ListView1"_s, {120, 1560, 10935, 2415, 13});
    m_listView1->setModel(m_grid);
    m_listView1->setRootIsDecorated(false);
    m_listView1->setItemsExpandable(false);
    m_listView1->setUniformRowHeights(true);
    m_listView1->setAllColumnsShowFocus(true);
    m_listView1->header()->setStretchLastSection(false);
    m_listView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_listView1->header()->setMinimumSectionSize(10); // the position column is meant to hardly show
    m_text2 = textBox(this, u"Text2"_s, {0, 1560, 11055, 2415, 27});

    // Below the designed client area: driven from code, never seen at the window's size.
    auto* icp = button(this, u"Command1"_s, u"备案批量查询"_s, {1920, 4440, 1575, 855, 0});
    auto* alexa = button(this, u"Command2"_s, u"Alexa排名批量查询"_s, {240, 5520, 1575, 735, 2});
    auto* registrar = button(this, u"Command3"_s, u"可注册域名批量"_s, {240, 4440, 1575, 855, 3});
    auto* siteIp = button(this, u"Command4"_s, u"站点IP批量查询"_s, {5760, 5520, 1695, 735, 4});
    auto* outbound = button(this, u"Command5"_s, u"出站链接批量查询"_s, {3840, 5520, 1575, 735, 5});
    auto* baiduIndex = button(this, u"Command6"_s, u"百度收录批量"_s, {3840, 4440, 1575, 855, 7});
    auto* baiduLinks = button(this, u"Command7"_s, u"百度反链批量"_s, {5760, 4440, 1695, 855, 8});
    auto* yahoo = button(this, u"Command8"_s, u"雅虎反链批量"_s, {1920, 5520, 1695, 735, 9});
    auto* stop = button(this, u"Command9"_s, u"停止"_s, {7920, 5760, 975, 495, 11});
    button(this, u"Command10"_s, u"清空"_s, {7920, 4920, 975, 375, 12});
    auto* batch = button(this, u"Command11"_s, u"Command11"_s, {7920, 5400, 975, 375, 14});
    auto* command12 = button(this, u"Command12"_s, u"Command12"_s, {3000, 6360, 975, 375, 15});
    m_check1 = checkBox(this, u"Check1"_s, u"Check1"_s, {8400, 6000, 255, 255, 10});
    m_list3 = listBox(this, u"List3"_s, {8280, 5880, 375, 420, 6});

    for (int i = 0; i < 41; ++i) {
        auto* entry = new QListWidgetItem(u"sample%1.example"_s.arg(i + 1), m_list1);
        entry->setData(Qt::UserRole, 0);
    }

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(u"Timer1"_s);
    m_timer1->setInterval(2000);

    QList<QWidget*> tabChain;
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (child->property("tabIndex").isValid())
            tabChain.append(child);
    }
    std::sort(tabChain.begin(), tabChain.end(),
        [](QWidget* a, QWidget* b) { return a->property("tabIndex").toInt() < b->property("tabIndex").toInt(); });
    for (int i = 1; i < tabChain.size(); ++i)
        setTabOrder(tabChain.at(i - 1), tabChain.at(i));

    connect(start, &QPushButton::clicked, this, &Form1::Command13_Click);
    connect(exportButton, &QPushButton::clicked, this, &Form1::Command14_Click);
    connect(makerButton, &QPushButton::clicked, this, &Form1::Command15_Click);
    connect(icp, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(alexa, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(registrar, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(siteIp, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(outbound, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(baiduIndex, &QPushButton::clicked, this, &Form1::Command6_Click);
    connect(baiduLinks, &QPushButton::clicked, this, &Form1::Command7_Click);
    connect(yahoo, &QPushButton::clicked, this, &Form1::Command8_Click);
    connect(stop, &QPushButton::clicked, this, &Form1::Command9_Click);
    connect(batch, &QPushButton::clicked, this, &Form1::Command11_Click);
    connect(command12, &QPushButton::clicked, this, &Form1::Command12_Click);
    connect(m_timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);

    buildGridMenu();
}

void Form1::buildGridMenu()
{
    auto* menu = new QMenu(this);
    menu->setObjectName(u"gridMenu"_s);
    const auto add = [&](const QString& name, const QString& text, void (Form1::*handler)()) {
        QAction* action = menu->addAction(text);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, handler);
    };
    add(u"actionRerunFailed"_s, u"重新查询失败项"_s, &Form1::rerunFailed);
    add(u"actionExportCsv"_s, u"导出为 CSV 文件…"_s, &Form1::exportCsv);
    add(u"actionCopySelected"_s, u"复制所选行"_s, &Form1::copySelectedRows);
    m_listView1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_listView1, &QWidget::customContextMenuRequested, menu,
        [this, menu](const QPoint& at) { menu->popup(m_listView1->viewport()->mapToGlobal(at)); });
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

    QStringList headers;
    for (const GridColumnInfo& column : gridColumns())
        headers.append(column.header);
    m_grid->setHeaders(headers);
    for (int i = 0; i < int(gridColumns().size()); ++i)
        m_listView1->header()->resizeSection(i, gridColumns().at(size_t(i)).width);
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
    // A lookup waiting inside an event loop sees this when its wait ends, and writes nothing more.
    m_closing = true;
    m_timer1->stop();
    m_platform.quitApplication();
}

void Form1::Command13_Click()
{
    if (isBusy())
        return;
    m_text2->setVisible(false);
    const QString input = inputText(*m_text1->document());
    if (input.isEmpty()) {
        m_platform.messageBox(
            this, u"请输入查询域名"_s, QString(), QMessageBox::Ok, QMessageBox::NoIcon, QMessageBox::Ok);
        return;
    }
    m_list1->clear();
    m_list1->addItems(domainsFromInput(input));
    Command11_Click();
}

void Form1::Command11_Click()
{
    // A second batch would empty the grid under the walk that is still writing to it.
    if (isBusy())
        return;
    QScopedValueRollback<bool> running(m_batchRunning, true);
    QElapsedTimer clock;
    clock.start();

    m_check10->setChecked(true);
    m_grid->clear();
    gridSetup();
    QStringList domains;
    domains.reserve(m_list1->count());
    for (int i = 0; i < m_list1->count(); ++i)
        domains.append(m_list1->item(i)->text());
    m_grid->appendRows(domains);

    // Each box is read just before its turn: ticking or unticking one during an earlier lookup counts.
    for (const Turn& turn : kDispatch) {
        if (m_closing)
            return;
        if (findChild<QCheckBox*>(QLatin1String(turn.box))->isChecked())
            (this->*turn.lookup)();
    }
    showSummary(clock.elapsed());
}

void Form1::rerunFailed()
{
    if (isBusy())
        return;
    QScopedValueRollback<bool> running(m_batchRunning, true);
    QElapsedTimer clock;
    clock.start();
    for (int column = RegistrarColumn; column < GridColumnCount; ++column) {
        if (m_closing)
            return;
        if (m_grid->hasProblems(column))
            walk(lookupFor(column), Rows::Marked);
    }
    showSummary(clock.elapsed());
}

void Form1::showSummary(qint64 elapsedMs)
{
    m_label1->setText(
        u"查询完成，用时 %1 秒\n失败 %2 项"_s.arg(elapsedMs / 1000.0, 0, 'f', 1).arg(m_grid->problemCount()));
}

void Form1::Command12_Click()
{
    // Wired to nothing: the classic version wrote into a grid row that never exists.
}

void Form1::Command15_Click()
{
    m_platform.openUrl(QUrl(makerPage()));
}
