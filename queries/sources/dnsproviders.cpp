// SPDX-License-Identifier: GPL-3.0-or-later
// The DNS hosts and parking services the name server column names, from the file that ships and the user's own.
#include "queries/sources/dnsproviders.h"

#include "input/userfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

// "ns.cloudflare.com" serves its own name and every name under it; "awsdns-*.com" any label in that place.
bool matches(const QString& pattern, const QString& server)
{
    const QStringList want = pattern.toLower().split(u'.');
    const QStringList have = server.toLower().split(u'.');
    if (have.size() < want.size())
        return false;
    for (qsizetype i = 1; i <= want.size(); ++i) {
        const QString& label = want[want.size() - i];
        const QString& actual = have[have.size() - i];
        const qsizetype star = label.indexOf(u'*');
        if (star < 0 ? label != actual
                     : !(actual.size() >= label.size() - 1 && actual.startsWith(label.left(star))
                         && actual.endsWith(label.mid(star + 1))))
            return false;
    }
    return true;
}

struct Loaded
{
    DnsProviders providers;
    QStringList problems;
};

const Loaded& loaded()
{
    static const Loaded once = [] {
        Loaded result;
        QFile shipped(u":/data/dns-providers.json"_s);
        if (shipped.open(QIODevice::ReadOnly))
            result.problems << result.providers.add(shipped.readAll(), u"dns-providers.json"_s);
        const UserFile own = readUserFile(dnsProvidersUserPath());
        if (!own.problem.isEmpty())
            result.problems << own.problem;
        else if (own.found)
            result.problems << result.providers.add(own.bytes, dnsProvidersUserPath());
        return result;
    }();
    return once;
}

} // namespace

QStringList DnsProviders::add(const QByteArray& json, const QString& fileName)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (!document.isObject())
        return {QCoreApplication::translate("Sources", "%1 无法读取：%2").arg(fileName, error.errorString())};
    QStringList problems;
    const QJsonArray entries = document.object().value(u"providers"_s).toArray();
    for (qsizetype at = 0; at < entries.size(); ++at) {
        const QJsonObject entry = entries.at(at).toObject();
        DnsProvider provider {entry.value(u"name"_s).toString().trimmed(), entry.value(u"parking"_s).toBool(), {}};
        for (const QJsonValue& server : entry.value(u"nameServers"_s).toArray()) {
            if (const QString name = server.toString().trimmed().toLower(); !name.isEmpty())
                provider.nameServers.append(name);
        }
        if (provider.name.isEmpty() || provider.nameServers.isEmpty()) {
            problems << QCoreApplication::translate("Sources", "%1 第 %2 项没有 name 或 nameServers，未载入")
                            .arg(fileName)
                            .arg(at + 1);
            continue;
        }
        const auto same = std::find_if(m_providers.begin(), m_providers.end(),
            [&](const DnsProvider& known) { return known.name.compare(provider.name, Qt::CaseInsensitive) == 0; });
        if (same != m_providers.end())
            *same = std::move(provider);
        else
            m_providers.push_back(std::move(provider));
    }
    return problems;
}

const DnsProvider* DnsProviders::serving(const QString& nameServer) const
{
    // The user's entries come later and may name a host ours also match: the later entry wins.
    for (auto provider = m_providers.rbegin(); provider != m_providers.rend(); ++provider) {
        for (const QString& pattern : provider->nameServers) {
            if (matches(pattern, nameServer))
                return &*provider;
        }
    }
    return nullptr;
}

const DnsProviders& dnsProviders()
{
    return loaded().providers;
}

QStringList dnsProviderProblems()
{
    return loaded().problems;
}

QString dnsProvidersUserPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + u"/seo-quillmark/dns-providers.json"_s;
}
