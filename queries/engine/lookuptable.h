// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The table of lookups and services a walker runs, made by its owner and handed down.
#include "settings/settings.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

struct Lookup;

// The first two columns of every row; each lookup owns one column after them, in table order.
enum : int { PositionColumn = 0, DomainColumn = 1, FirstLookupColumn = 2 };

// The services the lookups ask, each with its name for the user and how hard it may be asked by default.
// Entries are held by value: what is handed out is a copy, never a pointer into a table that may be replaced.
class ServiceTable
{
public:
    // Why the service cannot join the table as it is (the same key already named otherwise); empty when it can.
    QString add(const Service& service);
    std::optional<Service> find(const QString& key) const;
    const std::vector<Service>& all() const { return m_services; }

private:
    std::vector<Service> m_services;
};

// The lookups of a batch, in the order of the grid's columns (which is also the order a batch runs them in),
// and the services they ask. Made once by its owner (the window's start, the command line's run, a test) and
// handed to whoever needs it; never changed: editing the user's own lookups makes a new table. A lookup
// entry stays alive as long as a table (or a job) holds it.
class LookupTable
{
public:
    LookupTable() = default;
    explicit LookupTable(std::vector<std::shared_ptr<const Lookup>> lookups);

    const std::vector<const Lookup*>& lookups() const { return m_lookups; }
    // By key; keys that earlier versions used ("rdap-status") are still understood.
    const Lookup* byKey(const QString& key) const;
    const ServiceTable& services() const { return m_services; }
    // What is wrong with the table (a key or a service given twice, a service with no name or pace), a line
    // each; empty for a sound one.
    const QStringList& problems() const { return m_problems; }

    int columnOf(const Lookup& lookup) const; // -1 when it is not in this table
    int columnCount() const { return FirstLookupColumn + int(m_lookups.size()); }
    const Lookup* lookupAt(int column) const; // nullptr for the position and domain columns
    // "" over the positions, "查询域名地址" over the domains, then each lookup's own.
    QString header(int column) const;
    // The same as the user reads it, in the interface's language (the CSV header keeps header(): scripts
    // read it).
    QString shownHeader(int column) const;

private:
    std::vector<std::shared_ptr<const Lookup>> m_held;
    std::vector<const Lookup*> m_lookups;
    ServiceTable m_services;
    QStringList m_problems;
};
