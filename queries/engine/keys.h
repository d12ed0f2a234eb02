// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Lookup keys that more than one file names.
#include "queries/engine/lookup.h"

#include <QCoreApplication>
#include <QHash>
#include <QString>

// Lookup keys that more than one file names: the lookups that share one answer. A typo here fails to
// compile instead of costing a second request.
namespace Key {
inline const QString RegStatus = QStringLiteral("reg-status");
inline const QString RegRegistrar = QStringLiteral("reg-registrar");
inline const QString RegCreated = QStringLiteral("reg-created");
inline const QString RegExpiry = QStringLiteral("reg-expiry");
inline const QString Outbound = QStringLiteral("outbound");
inline const QString HomeStatus = QStringLiteral("home-status");
inline const QString HomeTitle = QStringLiteral("home-title");
inline const QString HomeIcp = QStringLiteral("home-icp");
inline const QString TlsExpiry = QStringLiteral("tls-expiry");
inline const QString TlsIssuer = QStringLiteral("tls-issuer");
inline const QString Robots = QStringLiteral("robots");
inline const QString Sitemap = QStringLiteral("sitemap");
} // namespace Key

// A registration date cell from the registry's calendar date (yyyy-MM-dd).
inline CellResult dayCell(const QString& isoDay)
{
    return CellResult::of(CellValue::date(QDate::fromString(isoDay, Qt::ISODate)));
}

// 无 as a cell shows it, in the interface's language, for a cell that carries it as text.
inline QString noneText()
{
    return displayText(CellValue::nothing());
}

// The four registration cells of one answer: the same cell in each (a failure, 无效域名), or a name no one holds.
inline QHash<QString, CellResult> allFour(const CellResult& cell)
{
    return {{Key::RegStatus, cell}, {Key::RegRegistrar, cell}, {Key::RegCreated, cell}, {Key::RegExpiry, cell}};
}

// The four cells of a registry that gave no answer to go by: 未知, and why.
inline QHash<QString, CellResult> unknownBecause(const QString& reason)
{
    return allFour({QCoreApplication::translate("Cells", "未知"), reason});
}

inline QHash<QString, CellResult> notRegistered()
{
    QHash<QString, CellResult> cells = allFour(CellResult::of(CellValue::nothing()));
    cells[Key::RegStatus] = CellResult::of(CellValue::verdict(Verdict::Available));
    return cells;
}
