// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WatchListDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

WatchListDialog::WatchListDialog(int names, int lookups, const QStringList& taken, QWidget* parent)
    : QDialog(parent)
    , m_name(new QLineEdit)
    , m_hours(new QSpinBox)
    , m_message(new QLabel)
    , m_taken(taken)
{
    setObjectName(u"watchListDialog"_s);
    setWindowTitle(tr("保存为监控列表"));
    m_name->setObjectName(u"name"_s);
    m_name->setMaxLength(64);
    m_hours->setObjectName(u"hours"_s);
    // Once an hour at most: services count requests, and a day holds plenty of checks of one list.
    m_hours->setRange(1, 24 * 30);
    m_hours->setValue(24);
    m_hours->setSuffix(tr(" 小时"));
    m_message->setObjectName(u"message"_s);
    m_message->setTextFormat(Qt::PlainText);
    m_message->setStyleSheet(u"color: #b00020"_s);
    auto* form = new QFormLayout;
    form->addRow(new QLabel(tr("%1 个域名，%2 项查询").arg(names).arg(lookups)));
    form->addRow(tr("名称"), m_name);
    form->addRow(tr("每隔"), m_hours);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &WatchListDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_name, &QLineEdit::textChanged, this, [this] { m_replaceAgreed = false; });
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_message);
    layout->addWidget(buttons);
}

QString WatchListDialog::name() const
{
    return m_name->text().simplified();
}

int WatchListDialog::intervalHours() const
{
    return m_hours->value();
}

void WatchListDialog::accept()
{
    if (name().isEmpty()) {
        m_message->setText(tr("请给列表起个名字"));
        return;
    }
    // A second 确定 under a taken name replaces the list: the first says so.
    if (m_taken.contains(name()) && !m_replaceAgreed) {
        m_message->setText(tr("已有名为「%1」的监控列表；再按一次确定将替换它").arg(name()));
        m_replaceAgreed = true;
        return;
    }
    QDialog::accept();
}
