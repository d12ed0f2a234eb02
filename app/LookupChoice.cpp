// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LookupChoice.h"

#include "app/Platform.h"
#include "app/designed.h"
#include "queries/engine/walker.h"
#include "queries/sources/tranco.h"
#include "settings/settings.h"
#include "web/hosts.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QTreeView>

using namespace Qt::Literals::StringLiterals;

LookupChoice::LookupChoice(const WindowParts& parts, Settings& settings, QObject* parent)
    : QObject(parent)
    , m_parts(parts)
    , m_settings(settings)
{
    followRankList();
}

bool LookupChoice::isTicked(const Lookup& lookup) const
{
    if (QAction* action = m_entries.value(lookup.key))
        return action->isChecked();
    const DesignedLookup* designed = designedByKey(lookup.key);
    const auto* box = designed ? m_parts.window.findChild<QCheckBox*>(designed->box) : nullptr;
    return box && box->isChecked();
}

void LookupChoice::syncEntries(QMenu& menu)
{
    const LookupTable& table = m_parts.walker.table();
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (table.byKey(it.key())) {
            ++it;
            continue;
        }
        delete it.value();
        it = m_entries.erase(it);
    }
    const QStringList checked = m_settings.checkedLookups();
    for (const Lookup* lookup : table.lookups()) {
        if (designedByKey(lookup->key))
            continue;
        QAction* entry = m_entries.value(lookup->key);
        if (entry) {
            // The same key may now be another definition, or the language another: the entry follows.
            entry->setText(shownHeader(*lookup));
            entry->disconnect(this);
        } else {
            entry = menu.addAction(shownHeader(*lookup));
            entry->setObjectName(u"lookup-"_s + lookup->key);
            entry->setCheckable(true);
            entry->setChecked(checked.contains(lookup->key));
            m_entries.insert(lookup->key, entry);
        }
        connect(entry, &QAction::toggled, this, [this, lookup](bool on) { onToggled(*lookup, on); });
    }
}

void LookupChoice::hideUnticked()
{
    const LookupTable& table = m_parts.walker.table();
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it)
        m_parts.view.setColumnHidden(table.columnOf(*table.byKey(it.key())), !it.value()->isChecked());
}

void LookupChoice::onToggled(const Lookup& lookup, bool checked)
{
    QStringList keys;
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it) {
        if (it.value()->isChecked())
            keys.append(it.key());
    }
    m_settings.setCheckedLookups(keys);
    Walker& walker = m_parts.walker;
    m_parts.view.setColumnHidden(walker.table().columnOf(lookup), !checked);
    if (checked && lookup.key == u"tranco"_s && !walker.ranks().isInstalled()) {
        const auto answer = m_parts.platform.messageBox(&m_parts.window,
            tr("还没有 Tranco 排名列表。现在从 %1 下载最新的列表吗？\n也可以用“文件 → 导入排名列表…”导入已下载的列表。")
                .arg(serviceHost(trancoService())),
            tr("Tranco 排名"), QMessageBox::Yes | QMessageBox::No, QMessageBox::Question, QMessageBox::Yes);
        if (answer == QMessageBox::Yes) {
            m_rankingDownload = true;
            walker.ranks().download();
        }
    }
}

void LookupChoice::importRankingList()
{
    const QString path = m_parts.platform.openFileName(
        &m_parts.window, tr("导入排名列表"), tr("Tranco 排名列表 (*.csv *.zip);;所有文件 (*)"));
    if (path.isEmpty())
        return;
    // Read and checked in the background; installed() tells how it went.
    m_parts.walker.ranks().install(path, QFileInfo(path).lastModified().date());
}

void LookupChoice::followRankList()
{
    TrancoStore& ranks = m_parts.walker.ranks();
    connect(&ranks, &TrancoStore::activity, this, [this](const QString& text) {
        if (!text.isEmpty())
            m_parts.statusLine.setText(text);
    });
    connect(&ranks, &TrancoStore::installed, this, [this](bool ok, const QString& problem) {
        const TrancoStore& ranks = m_parts.walker.ranks();
        if (ok) {
            m_parts.statusLine.setText(tr("已安装排名列表（%1 个域名，%2）")
                                           .arg(ranks.list()->size())
                                           .arg(ranks.date().toString(Qt::ISODate)));
        }
        if (ok && !std::exchange(m_rankingDownload, false))
            return;
        m_parts.platform.messageBox(&m_parts.window,
            ok ? tr("排名列表已下载（%1）。").arg(ranks.date().toString(Qt::ISODate))
               : (m_rankingDownload ? tr("无法下载排名列表：%1") : tr("无法导入排名列表：%1")).arg(problem),
            tr("Tranco 排名"), QMessageBox::Ok, ok ? QMessageBox::Information : QMessageBox::Warning, QMessageBox::Ok);
        m_rankingDownload = false;
    });
}
