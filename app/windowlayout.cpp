// SPDX-License-Identifier: GPL-3.0-or-later
// The window's controls where the design put them: made from the tables in app/designed.cpp, given what
// each holds, put in the design's Tab order; and the grid growing with the window.
#include "app/MainWindow.h"

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
#include <QTreeView>

using namespace Qt::Literals::StringLiterals;

namespace {

QWidget* makeControl(const DesignedControl& control, QWidget* parent)
{
    switch (control.kind) {
    case DesignedControl::Button:
        return new QPushButton(parent);
    case DesignedControl::CheckBox:
        return new QCheckBox(parent);
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

void MainWindow::buildControls()
{
    m_client = new QWidget(this);
    m_client->setObjectName(u"clientArea"_s);
    m_client->installEventFilter(this);
    setCentralWidget(m_client);
    for (const DesignedControl& control : designedControls())
        place(makeControl(control, m_client), control.name, control.place);
    // Each designed lookup's box, and its button below the client area that runs it alone.
    for (const DesignedLookup& designed : designedLookups()) {
        place(new QCheckBox(m_client), designed.box, designed.boxPlace);
        place(new QPushButton(m_client), designed.button, designed.buttonPlace);
    }
    setCaptions();
    const auto control = [this]<typename Widget>(Widget*& member, const QString& name) {
        member = m_client->findChild<Widget*>(name, Qt::FindDirectChildrenOnly);
    };
    const DesignedNames& names = designedNames();
    control(m_queueList, names.queueList);
    control(m_domainsBox, names.domainsBox);
    control(m_coverBox, names.coverBox);
    control(m_stopFlagBox, names.stopFlag);
    control(m_statusLine, names.statusLine);
    control(m_view, names.grid);
    fillControls();
    followDesignedTabOrder();
}

// Also on a change of language: the boxes are the designed ones, so a translation must fit them.
void MainWindow::setCaptions()
{
    const auto caption = [this](const QString& name, const char* text) {
        if (auto* button = m_client->findChild<QAbstractButton*>(name, Qt::FindDirectChildrenOnly))
            button->setText(shownCaption(text));
    };
    for (const DesignedControl& control : designedControls())
        caption(control.name, control.caption);
    for (const DesignedLookup& designed : designedLookups()) {
        caption(designed.box, designed.boxCaption);
        caption(designed.button, designed.buttonCaption);
    }
}

void MainWindow::fillControls()
{
    // The queue's list only mirrors the walker's queue, so it is filled in one step and never shown.
    m_queueMirror = new QStringListModel(m_queueList);
    m_queueList->setModel(m_queueMirror);
    m_queueList->hide();
    QStringList samples;
    for (int i = 0; i < kDesignedSampleNames; ++i)
        samples.append(u"sample%1.example"_s.arg(i + 1));
    m_queueMirror->setStringList(samples);
    m_walker->setQueue(samples);

    // A vertical scroll bar only: long lines wrap on screen but stay one domain each.
    m_domainsBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_domainsBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_domainsBox->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_domainsBox->setPlainText(u"example.com\nwww.example.org\nexample.net\n"_s);

    m_statusLine->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_statusLine->setWordWrap(true);
    m_statusLine->setTextFormat(Qt::PlainText);

    m_view->setModel(m_grid);
    m_view->setItemDelegate(new DeltaDelegate(m_view));
    m_view->setRootIsDecorated(false);
    m_view->setItemsExpandable(false);
    m_view->setUniformRowHeights(true);
    m_view->setAllColumnsShowFocus(true);
    m_view->setTextElideMode(Qt::ElideRight);
    m_view->header()->setStretchLastSection(false);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->header()->setMinimumSectionSize(10); // the position column is meant to hardly show
}

void MainWindow::followDesignedTabOrder()
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

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_client && event->type() == QEvent::Resize)
        fitToClientArea();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::fitToClientArea()
{
    // The grid and the box over it keep their designed margins and grow with the window.
    const QSize grow = (m_client->size() - kClientSize).expandedTo(QSize(0, 0));
    for (QWidget* widget : {static_cast<QWidget*>(m_view), static_cast<QWidget*>(m_coverBox)}) {
        QRect at = designedControl(widget->objectName()).place.pixels();
        at.setSize(at.size() + grow);
        widget->setGeometry(at);
    }
}
