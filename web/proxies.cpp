// SPDX-License-Identifier: GPL-3.0-or-later
// Reading proxy addresses and taking them in turn.
#include "web/proxies.h"

#include <QCoreApplication>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

ProxyAddress parseProxy(const QString& url)
{
    const QUrl address(url.trimmed(), QUrl::StrictMode);
    const QString scheme = address.scheme().toLower();
    const QNetworkProxy::ProxyType type = scheme == u"http"_s ? QNetworkProxy::HttpProxy
        : scheme == u"socks5"_s                               ? QNetworkProxy::Socks5Proxy
                                                              : QNetworkProxy::DefaultProxy;
    if (!address.isValid() || type == QNetworkProxy::DefaultProxy || address.host().isEmpty() || address.port() <= 0)
        return {{}, url.trimmed(),
            QCoreApplication::translate("Network", "代理“%1”应写作 http://主机:端口 或 socks5://用户:密码@主机:端口")
                .arg(url.trimmed())};
    const QNetworkProxy proxy(type, address.host(), quint16(address.port()), address.userName(), address.password());
    return {proxy, address.toString(QUrl::RemovePassword), {}};
}

void ProxyRotation::configure(const QStringList& urls)
{
    QList<Entry> proxies;
    for (const QString& url : urls) {
        const ProxyAddress address = parseProxy(url);
        if (!address.problem.isEmpty())
            continue;
        const auto known = std::find_if(m_proxies.cbegin(), m_proxies.cend(),
            [&](const Entry& entry) { return entry.address.name == address.name; });
        proxies.append(known != m_proxies.cend() ? *known : Entry {address});
    }
    m_proxies = proxies;
}

std::optional<ProxyAddress> ProxyRotation::next(qint64 nowMs, qint64* waitMs)
{
    qint64 soonest = -1;
    for (qsizetype tried = 0; tried < m_proxies.size(); ++tried) {
        Entry& entry = m_proxies[m_next++ % m_proxies.size()];
        if (entry.asideUntil <= nowMs)
            return entry.address;
        soonest = soonest < 0 ? entry.asideUntil : qMin(soonest, entry.asideUntil);
    }
    *waitMs = soonest < 0 ? 0 : soonest - nowMs;
    return std::nullopt;
}

void ProxyRotation::report(const QString& name, bool failed, qint64 nowMs)
{
    for (Entry& entry : m_proxies) {
        if (entry.address.name != name)
            continue;
        entry.failures = failed ? entry.failures + 1 : 0;
        if (entry.failures >= kFailuresInARow) {
            entry.failures = 0;
            entry.asideUntil = nowMs + kAsideMs;
        }
    }
}

int ProxyRotation::inUse(qint64 nowMs) const
{
    return int(std::count_if(
        m_proxies.cbegin(), m_proxies.cend(), [nowMs](const Entry& entry) { return entry.asideUntil <= nowMs; }));
}
