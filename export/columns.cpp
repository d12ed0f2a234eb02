// SPDX-License-Identifier: GPL-3.0-or-later
// The columns' widths and the clipboard's labels, by lookup key.
#include "export/columns.h"

#include "queries/engine/lookup.h"
#include "queries/engine/lookuptable.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Shown
{
    const char* key;
    int width;
    const char* label = nullptr; // QT_TRANSLATE_NOOP("Export", …)
};

// Pasted exports are parsed by users' own scripts: the labels, the lower-case "yahoo排名" included, stay exactly
// as they have always been in Chinese, the default; in English they are English words, for people to read.
const Shown kShown[] = {
    {"registrar", 70, QT_TRANSLATE_NOOP("Export", "|注册：")},
    {"icp", 100, QT_TRANSLATE_NOOP("Export", "|备案：")},
    {"baidu-index", 65, QT_TRANSLATE_NOOP("Export", "|百度收录：")},
    {"baidu-links", 65, QT_TRANSLATE_NOOP("Export", "|百度反链：")},
    {"alexa", 70, QT_TRANSLATE_NOOP("Export", "|Alexa：")},
    {"yahoo", 75, QT_TRANSLATE_NOOP("Export", "|yahoo排名：")},
    {"outbound", 65, QT_TRANSLATE_NOOP("Export", "|出站：")},
    {"ip", 105, QT_TRANSLATE_NOOP("Export", "|IP：")},
    {"reg-status", 70},
    {"reg-registrar", 150},
    {"dns", 200},
    {"home-status", 220},
    {"home-title", 200},
    {"home-icp", 140},
    {"tls-expiry", 150},
    {"tls-issuer", 150},
    {"robots", 150},
    {"home-final", 200},
    {"home-redirects", 110},
    {"home-server", 110},
    {"home-description", 240},
    {"home-keywords", 160},
    {"home-canonical", 200},
    {"home-h1", 160},
    {"dns-ns", 240},
    {"dns-mx", 260},
};

const Shown* shown(const Lookup& lookup)
{
    if (lookup.userDefined)
        return nullptr;
    for (const Shown& entry : kShown) {
        if (lookup.key == QLatin1String(entry.key))
            return &entry;
    }
    return nullptr;
}

} // namespace

int columnWidth(const LookupTable& table, int column)
{
    if (column == PositionColumn)
        return 10; // the position is meant to hardly show: the domain names the row
    if (column == DomainColumn)
        return 100;
    const Lookup* lookup = table.lookupAt(column);
    if (!lookup)
        return 0;
    if (const Shown* entry = shown(*lookup))
        return entry->width;
    // A user's own column is usually a longer text than a count.
    return lookup->userDefined ? 120 : 80;
}

QString exportLabel(const Lookup& lookup)
{
    const Shown* entry = shown(lookup);
    return entry && entry->label ? QCoreApplication::translate("Export", entry->label) : QString();
}
