// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/WindowParts.h"

#include <QHash>
#include <QObject>

class QAction;
class QMenu;
class Settings;
struct Lookup;

// Which lookups a batch runs: the designed ones ticked in their boxes, the newer ones in the 查询 menu (kept
// in the settings); and the Tranco rank list those need, downloaded or imported.
class LookupChoice : public QObject
{
    Q_OBJECT
public:
    LookupChoice(const WindowParts& parts, Settings& settings, QObject* parent = nullptr);

    bool isTicked(const Lookup& lookup) const;
    // The menu's entries follow the engine's table: one per lookup without a box, by key.
    void syncEntries(QMenu& menu);
    // Columns beyond the designed ten show only while their lookup is ticked.
    void hideUnticked();
    void importRankingList();

private:
    void onToggled(const Lookup& lookup, bool checked);
    void followRankList();

    WindowParts m_parts;
    Settings& m_settings;
    QHash<QString, QAction*> m_entries; // the lookups without a check box, by key
    bool m_rankingDownload = false; // the list being installed was downloaded, not imported
};
