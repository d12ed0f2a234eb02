// SPDX-License-Identifier: GPL-3.0-or-later
// The results grid: how a cell reads there, and the frozen columns (the position and the domain) that keep each
// row's name in view and on its own row while the grid scrolls sideways and down.
#include "app/ResultsGrid.h"
#include "app/WatchController.h"
#include "app/intake.h"
#include "store/store.h"
#include "watching/watcher.h"
#include "windowtesting.h"

#include <QLabel>
#include <QMenu>
#include <QTextDocument>

using namespace Qt::Literals::StringLiterals;

class TestGrid : public QObject
{
    Q_OBJECT
private slots:
    void init() { f.emplace(); }
    void cleanup() { f.reset(); }
    void boxTextAndCellDisplay();
    void frozenColumns();
    void changesStandOutAndOnlyChangesShowsThem();
    void watchListRemovedFromTheMenu();

private:
    std::optional<WindowFixture> f;
};

void TestGrid::boxTextAndCellDisplay()
{
    // The box's text: CR LF between lines (Shift+Enter's too), and a no-break space stays one.
    QTextDocument document(u"a.test\nb\u00a0.test\u2028c.test\n"_s);
    QCOMPARE(inputText(document), u"a.test\r\nb\u00a0.test\r\nc.test\r\n"_s);
    // A cell on screen: one line, line breaks marked, a long one elided (the exports keep it whole).
    QCOMPARE(displayText(u"ping: x\r\nline\nend\r"_s), u"ping: x↵line↵end↵"_s);
    QCOMPARE(displayText(QString(1500, u'x')), QString(1000, u'x') + u'…');
}

void TestGrid::frozenColumns()
{
    MainWindow& form = *f->form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.resize(form.size() + QSize(262, 327));
    auto* view = form.findChild<QTreeView*>(u"ListView1"_s);
    QTRY_COMPARE(view->width(), 729 + 262);
    // The domain column grows for a long name, to a third of the grid at most.
    const QString longName = u"www.a-name-far-longer-than-the-designed-column.example.com.cn\n"_s;
    setInput(form, longName + QString(u"a.test\n"_s).repeated(199));
    QVERIFY(runToEnd(form));
    auto* frozen = form.findChild<QTreeView*>(u"ListView1Frozen"_s);
    QVERIFY(frozen && frozen->isVisible());
    QCOMPARE(view->columnWidth(DomainColumn), view->viewport()->width() / 3 - view->columnWidth(PositionColumn));
    QCOMPARE(frozen->width(), view->columnWidth(PositionColumn) + view->columnWidth(DomainColumn));
    QVERIFY(frozen->isColumnHidden(FirstLookupColumn) && !frozen->isColumnHidden(DomainColumn));
    QTRY_VERIFY(view->verticalScrollBar()->maximum() > 120); // once the grid has laid its rows out
    view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
    view->verticalScrollBar()->setValue(120);
    QTRY_COMPARE(frozen->verticalScrollBar()->value(), 120);
    QCOMPARE(frozen->indexAt(QPoint(60, 5)).row(), view->indexAt(QPoint(60, 5)).row());
    QCOMPARE(frozen->geometry().topLeft(), QPoint(view->frameWidth(), view->frameWidth()));
    // A right click on a frozen name opens the grid's menu on that row.
    QSignalSpy menu(view, &QWidget::customContextMenuRequested);
    emit frozen->customContextMenuRequested(QPoint(60, 5));
    QCOMPARE(menu.size(), 1);
    QCOMPARE(view->indexAt(menu.first().first().toPoint()).row(), frozen->indexAt(QPoint(60, 5)).row());
    // In the designed size the grid scrolls sideways; at its end the first column in view starts where the
    // frozen ones end, its header whole.
    form.resize(form.minimumSize());
    QTRY_VERIFY(view->horizontalScrollBar()->maximum() > 0);
    view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
    bool atTheEdge = false;
    for (int column = FirstLookupColumn; column < view->model()->columnCount(); ++column)
        atTheEdge |= !view->isColumnHidden(column) && view->columnViewportPosition(column) == frozen->width();
    QVERIFY(atTheEdge);
}

void TestGrid::changesStandOutAndOnlyChangesShowsThem()
{
    ResultStore store(f->folder.filePath(u"results.db"_s));
    auto form = f->window(&store);
    f->slowIcp(0, *form);
    setInput(*form, u"a.test\nb.test\nc.test\n"_s);
    QVERIFY(runToEnd(*form));
    // The next batch finds b.test no longer filed, and c.test's filing request failing.
    f->server.route(u"/Api/?ApiVersion=2.0&Domain=b.test"_s, TestHttpServer::page(testData(u"icp-none.gb2312.html"_s)));
    f->server.route(u"/Api/?ApiVersion=2.0&Domain=c.test"_s, TestHttpServer::page("", 503));
    QVERIFY(runToEnd(*form));
    auto* view = form->findChild<QTreeView*>(u"ListView1"_s);
    const QAbstractItemModel* grid = view->model();
    const QString last = u"上次（%1）：京ICP备12345678号"_s.arg(QDate::currentDate().toString(Qt::ISODate));
    const QModelIndex changed = grid->index(1, FirstLookupColumn + 1);
    QCOMPARE(changed.data().toString(), u"未备案"_s);
    QTRY_COMPARE(changed.data(Qt::ToolTipRole).toString(), last); // the writer thread finds it a moment later
    QVERIFY(changed.data(Qt::BackgroundRole).isValid() && changed.data(Qt::FontRole).value<QFont>().bold());
    const QModelIndex same = grid->index(0, FirstLookupColumn + 1);
    QVERIFY(!same.data(Qt::ToolTipRole).isValid() && !same.data(Qt::BackgroundRole).isValid());
    // A failure is no change: its mark, and the last real answer beside it.
    const QModelIndex failed = grid->index(2, FirstLookupColumn + 1);
    QTRY_VERIFY(failed.data().toString().endsWith(last));
    QVERIFY(!failed.data(Qt::BackgroundRole).isValid() && failed.data(Qt::FontRole).value<QFont>().italic());

    // 只看变化: b's row alone, in the grid and in its frozen columns; off again, every row.
    auto* frozen = form->findChild<QTreeView*>(u"ListView1Frozen"_s);
    // Each row as the grid and its frozen columns show it: "g" and "f" for shown, "-" for hidden.
    const auto shown = [&] {
        QString rows;
        for (int row = 0; row < view->model()->rowCount(); ++row)
            rows += QString(view->isRowHidden(row, {}) ? u'-' : u'g') + (frozen->isRowHidden(row, {}) ? u'-' : u'f');
        return rows;
    };
    auto* onlyChanges = form->findChild<QAction*>(u"actionOnlyChanges"_s);
    onlyChanges->trigger();
    QCOMPARE(shown(), u"--gf--"_s);
    onlyChanges->trigger();
    QCOMPARE(shown(), u"gfgfgf"_s);
}

void TestGrid::watchListRemovedFromTheMenu()
{
    const QString path = f->folder.filePath(u"results.db"_s);
    ResultStore store(path);
    auto form = f->window(&store);
    Watcher watcher(
        f->settings, [&form] { return form->walker().results().sharedTable(); }, form->walker().services(), path);
    form->watching().setWatcher(&watcher, false);
    QVERIFY(watcher.store().save({u"客户站点"_s, {u"a.test"_s}, {u"icp"_s}, {}, {}, 0}));
    auto* menu = form->findChild<QMenu*>(u"menuRemoveWatchList"_s);
    const auto names = [menu] {
        emit menu->aboutToShow();
        QStringList texts;
        for (const QAction* action : menu->actions())
            texts.append(action->isEnabled() ? action->text() : u"-"_s);
        return texts;
    };
    QCOMPARE(names(), QStringList {u"客户站点"_s});
    // Asked first; "No" keeps it.
    f->platform.answers = {QMessageBox::No};
    menu->actions().first()->trigger();
    QCOMPARE(watcher.lists().value(), QStringList {u"客户站点"_s});
    f->platform.answers = {QMessageBox::Yes};
    names();
    menu->actions().first()->trigger();
    QVERIFY(watcher.lists().value().isEmpty());
    QCOMPARE(form->findChild<QLabel*>(u"Label1"_s)->text(), u"已删除监控列表「客户站点」"_s);
    QCOMPARE(names(), QStringList {u"-"_s});
}

QTEST_MAIN(TestGrid)
#include "test_grid.moc"
