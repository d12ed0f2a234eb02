// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/expiries.h"

#include <QDate>

#include <memory>

class LookupTable;
class Results;

// 即将到期 as rows the grid's exports take: a domain per row, soonest first, its 到期日 and 证书到期 with the
// days left counted today ("2027-03-17（剩 12 天）", "2026-11-30（已过期 7 天）"). `table` holds those two
// lookups.
std::unique_ptr<Results> expiringRows(
    const QList<expiries::Expiring>& due, std::shared_ptr<const LookupTable> table, const QDate& today);

// The table of the two columns, made of `full`'s own lookups.
std::shared_ptr<const LookupTable> expiryTable(const std::shared_ptr<const LookupTable>& full);

QString withDaysLeft(const QDate& day, const QDate& today);
