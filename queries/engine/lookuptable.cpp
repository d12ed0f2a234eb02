// SPDX-License-Identifier: GPL-3.0-or-later
// The table of lookups and services: columns by position and key, and what is wrong with a table.
#include "queries/engine/lookuptable.h"

#include "queries/engine/lookup.h"

#include <QCoreApplication>
#include <QSet>

using namespace Qt::Literals::StringLiterals;

namespace {
const char* const kDomainHeader = QT_TRANSLATE_NOOP("Columns", "查询域名地址");
}

QString ServiceTable::add(const Service& service)
{
    const std::optional<Service> known = find(service.key);
    if (!known) {
        m_services.push_back(service);
        return {};
    }
    if (known->name != service.name || known->pace.concurrency != service.pace.concurrency
        || known->pace.gapMs != service.pace.gapMs || qstrcmp(known->hostVariable, service.hostVariable) != 0
        || qstrcmp(known->host, service.host) != 0)
        return QCoreApplication::translate("LookupTable", "服务 %1 有两种定义").arg(service.key);
    return {};
}

std::optional<Service> ServiceTable::find(const QString& key) const
{
    for (const Service& service : m_services) {
        if (service.key == key)
            return service;
    }
    return std::nullopt;
}

LookupTable::LookupTable(std::vector<std::shared_ptr<const Lookup>> lookups)
    : m_held(std::move(lookups))
{
    QSet<QString> keys;
    for (const auto& lookup : m_held) {
        m_lookups.push_back(lookup.get());
        if (lookup->key.isEmpty() || keys.contains(lookup->key.toLower()))
            m_problems << QCoreApplication::translate("LookupTable", "查询的键 %1 为空或重复").arg(lookup->key);
        keys.insert(lookup->key.toLower());
        // A user's lookup may keep a built-in service's pace ("baidu"); its own services ask 2 at a time.
        if (lookup->userDefined && m_services.find(lookup->service.key))
            continue;
        if (lookup->service.name.isEmpty() || lookup->service.pace.concurrency < 1)
            m_problems << QCoreApplication::translate("LookupTable", "查询 %1 的服务 %2 没有名称或速度")
                              .arg(lookup->key, lookup->service.key);
        for (const Service& service : lookup->services()) {
            if (const QString problem = m_services.add(service); !problem.isEmpty())
                m_problems << problem;
        }
    }
}

const Lookup* LookupTable::byKey(const QString& key) const
{
    // The registration columns were named after RDAP before WHOIS answered them too.
    const QString current = key.startsWith(u"rdap-"_s) ? u"reg-"_s + key.mid(5) : key;
    for (const Lookup* lookup : m_lookups) {
        if (lookup->key == current)
            return lookup;
    }
    return nullptr;
}

int LookupTable::columnOf(const Lookup& lookup) const
{
    const auto found = std::find(m_lookups.begin(), m_lookups.end(), &lookup);
    return found == m_lookups.end() ? -1 : FirstLookupColumn + int(found - m_lookups.begin());
}

const Lookup* LookupTable::lookupAt(int column) const
{
    return column >= FirstLookupColumn && column < columnCount() ? m_lookups.at(size_t(column - FirstLookupColumn))
                                                                 : nullptr;
}

QString LookupTable::header(int column) const
{
    if (column == DomainColumn)
        return QString::fromUtf8(kDomainHeader);
    const Lookup* lookup = lookupAt(column);
    return lookup ? lookup->header : QString();
}

QString LookupTable::shownHeader(int column) const
{
    if (column == DomainColumn)
        return QCoreApplication::translate("Columns", kDomainHeader);
    const Lookup* lookup = lookupAt(column);
    return lookup ? ::shownHeader(*lookup) : QString();
}
