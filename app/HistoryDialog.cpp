#include "app/HistoryDialog.h"

#include "app/ResultsGrid.h"
#include "queries/engine/lookuptable.h"
#include "queries/engine/lookup.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

HistoryDialog::HistoryDialog(const QString& domain, const QList<ResultStore::Answer>& answers,
    const LookupTable& table, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(u"historyDialog"_s);
    setWindowTitle(u"查看历史：%1"_s.arg(domain));
    auto* list = new QTreeWidget;
    list->setObjectName(u"answers"_s);
    list->setRootIsDecorated(false);
    list->setHeaderLabels({u"时间"_s, u"查询"_s, u"结果"_s, u"说明"_s});
    for (const ResultStore::Answer& answer : answers) {
        const Lookup* lookup = table.byKey(answer.lookup);
        new QTreeWidgetItem(list,
            {answer.at.toString(u"yyyy-MM-dd HH:mm"_s), lookup ? lookup->header : answer.lookup,
                displayText(answer.text), answer.problem});
    }
    if (answers.isEmpty())
        new QTreeWidgetItem(list, {QString(), QString(), u"没有保存的结果"_s});
    list->header()->resizeSection(0, 130);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list);
    layout->addWidget(buttons);
    resize(640, 360);
}
