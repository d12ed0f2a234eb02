// The window's controls where the design put them: made from the tables in app/designed.cpp, given what
// each holds, put in the design's Tab order; and the grid growing with the window.
#include "app/Form1.h"

#include "app/ResultsGrid.h"
#include "app/designed.h"
#include "queries/engine/walker.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringListModel>
#include <QTimer>
#include <QTreeView>

using namespace Qt::Literals::StringLiterals;

namespace {

QWidget* makeControl(const DesignedControl& control, QWidget* parent)
{
    switch (control.kind) {
    case DesignedControl::Button:
        return new QPushButton(control.caption, parent);
    case DesignedControl::CheckBox:
        return new QCheckBox(control.caption, parent);
    case DesignedControl::TextBox:
        return new QPlainTextEdit(parent);
    case DesignedControl::List:
        return new QListView(parent);
    case DesignedControl::Grid:
        return new QTreeView(parent);
    case DesignedControl::Label:
        return new QLabel(parent);
    }
    return nullptr;
}

template <typename Widget> Widget* place(Widget* widget, const QString& name, const Placement& at)
{
    widget->setObjectName(name);
    widget->setGeometry(at.pixels());
    if (at.tab >= 0)
        widget->setProperty("tabIndex", at.tab);
    // Below the designed client area: driven from code, never seen, never reached with Tab.
    if (at.top >= kClientHeightTwips)
        widget->hide();
    return widget;
}

} // namespace

void Form1::buildControls()
{
    m_client = new QWidget(this);
    m_client->setObjectName(u"clientArea"_s);
    m_client->installEventFilter(this);
    setCentralWidget(m_client);
    for (const DesignedControl& control : designedControls())
        place(makeControl(control, m_client), control.name, control.place);
    // Each designed lookup's box, and its button below the client area that runs it alone.
    for (const DesignedLookup& designed : designedLookups()) {
        place(new QCheckBox(designed.boxCaption, m_client), designed.box, designed.boxPlace);
        auto* alone = place(new QPushButton(designed.buttonCaption, m_client), designed.button, designed.buttonPlace);
        connect(alone, &QPushButton::clicked, this, [this, key = designed.key] { runLookup(key); });
    }
    const auto control = [this]<typename Widget>(Widget*& member, const QString& name) {
        member = m_client->findChild<Widget*>(name, Qt::FindDirectChildrenOnly);
    };
    control(m_list1, u"List1"_s);
    control(m_text1, u"Text1"_s);
    control(m_text2, u"Text2"_s);
    control(m_command13, u"Command13"_s);
    control(m_check1, u"Check1"_s);
    control(m_check10, u"Check10"_s);
    control(m_label1, u"Label1"_s);
    control(m_listView1, u"ListView1"_s);
    fillControls();
    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(u"Timer1"_s);
    m_timer1->setInterval(2000);
    followDesignedTabOrder();
}

void Form1::fillControls()
{
    // List1 only mirrors the walker's queue, so it is filled in one step and never shown.
    m_queueMirror = new QStringListModel(m_list1);
    m_list1->setModel(m_queueMirror);
    m_list1->hide();
    QStringList samples;
    for (int i = 0; i < 41; ++i)
        samples.append(u"sample%1.example"_s.arg(i + 1));
    m_queueMirror->setStringList(samples);
    m_walker->setQueue(samples);

    // A vertical scroll bar only: long lines wrap on screen but stay one domain each.
    m_text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_text1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_text1->setPlainText(u"example.com\nwww.example.org\nexample.net\n"_s);

    m_label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_label1->setWordWrap(true);
    m_label1->setTextFormat(Qt::PlainText);

    m_listView1->setModel(m_grid);
    m_listView1->setItemDelegate(new DeltaDelegate(m_listView1));
    m_listView1->setRootIsDecorated(false);
    m_listView1->setItemsExpandable(false);
    m_listView1->setUniformRowHeights(true);
    m_listView1->setAllColumnsShowFocus(true);
    m_listView1->setTextElideMode(Qt::ElideRight);
    m_listView1->header()->setStretchLastSection(false);
    m_listView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_listView1->header()->setMinimumSectionSize(10); // the position column is meant to hardly show
}

void Form1::followDesignedTabOrder()
{
    QList<QWidget*> tabChain;
    for (QWidget* child : m_client->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (child->property("tabIndex").isValid())
            tabChain.append(child);
    }
    std::sort(tabChain.begin(), tabChain.end(),
        [](QWidget* a, QWidget* b) { return a->property("tabIndex").toInt() < b->property("tabIndex").toInt(); });
    for (int i = 1; i < tabChain.size(); ++i)
        setTabOrder(tabChain.at(i - 1), tabChain.at(i));
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
    const QSize grow = (m_client->size() - kClientSize).expandedTo(QSize(0, 0));
    for (QWidget* widget : {static_cast<QWidget*>(m_listView1), static_cast<QWidget*>(m_text2)}) {
        QRect at = designedControl(widget->objectName()).place.pixels();
        at.setSize(at.size() + grow);
        widget->setGeometry(at);
    }
}
