// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "queries/engine/value.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <optional>

// The latest real answer of every domain's 到期日 and 证书到期, one row per domain and lookup, indexed by the
// day it names: what 即将到期 and --expiring read, in milliseconds over a million domains, where the cells
// would have to be searched batch by batch. The writer keeps it as it saves cells.
namespace expiries {

// The table and its index, and on a file that predates them, filled from the cells already saved.
bool create(QSqlQuery& step);
bool fill(const QSqlDatabase& db);

// Whether a lookup's answers are kept here.
bool isKept(const QString& lookupKey);

struct Expiring
{
    QString domain;
    QString lookup; // key
    QDate day;
};

// Every kept answer whose day is from `firstDay` to `lastDay`, soonest first. Empty on an error, which `error`
// then holds.
QList<Expiring> dueBetween(
    const QSqlDatabase& db, const QDate& firstDay, const QDate& lastDay, QString* error = nullptr);

} // namespace expiries

// The writer's side: an answer of a kept lookup replaces the domain's earlier one unless it is older (a batch
// resumed late writes answers of its own time); an answer that names no day ("无" for a name no one holds)
// takes the domain out.
class ExpiryRecorder
{
public:
    bool prepare(const QSqlDatabase& db);
    bool record(
        const QString& domain, const QString& lookup, const CellValue& value, const QString& text, const QString& at);
    QString error() const { return m_error; }
    void reset();

private:
    std::optional<QSqlQuery> m_upsert;
    std::optional<QSqlQuery> m_remove;
    QString m_error;
};
