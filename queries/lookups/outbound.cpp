// SPDX-License-Identifier: GPL-3.0-or-later
// The outbound links lookup: it shares the home page's fetch, whose job counts the links.
#include "queries/lookups/outbound.h"

#include "queries/engine/keys.h"
#include "queries/lookups/home.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

const Lookup& outboundLookup()
{
    static const Lookup lookup
        = homePageLookup(Key::Outbound, QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "出站链接")), Measure::Count);
    return lookup;
}
