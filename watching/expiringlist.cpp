// SPDX-License-Identifier: GPL-3.0-or-later
#include "watching/expiringlist.h"

#include "queries/engine/keys.h"
#include "queries/engine/results.h"
#include "watch/expiry.h"

using namespace Qt::Literals::StringLiterals;

QString withDaysLeft(const QDate& day, const QDate& today)
{
    return displayText(CellValue::date(day, daysLeft(day, today)));
}

std::shared_ptr<const LookupTable> expiryTable(const std::shared_ptr<const LookupTable>& full)
{
    // Each entry keeps the full table, which holds it, alive.
    std::vector<std::shared_ptr<const Lookup>> two;
    for (const QString& key : {Key::RegExpiry, Key::TlsExpiry}) {
        if (const Lookup* lookup = full->byKey(key))
            two.push_back(std::shared_ptr<const Lookup>(full, lookup));
    }
    return std::make_shared<const LookupTable>(std::move(two));
}

std::unique_ptr<Results> expiringRows(
    const QList<expiries::Expiring>& due, std::shared_ptr<const LookupTable> table, const QDate& today)
{
    // `due` comes soonest first: a domain's row stands where its soonest day puts it.
    QStringList domains;
    QHash<QString, int> rowOf;
    rowOf.reserve(due.size());
    for (const expiries::Expiring& entry : due) {
        if (!rowOf.contains(entry.domain)) {
            rowOf.insert(entry.domain, int(domains.size()));
            domains.append(entry.domain);
        }
    }
    auto rows = std::make_unique<Results>();
    rows->setTable(table);
    rows->reset(domains);
    for (const expiries::Expiring& entry : due) {
        const Lookup* lookup = table->byKey(entry.lookup);
        if (lookup)
            rows->setCell(rowOf.value(entry.domain), table->columnOf(*lookup), withDaysLeft(entry.day, today), {}, {},
                CellValue::date(entry.day, daysLeft(entry.day, today)));
    }
    return rows;
}
