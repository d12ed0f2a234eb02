// SPDX-License-Identifier: GPL-3.0-or-later
// A walker's pool of network managers, and those kept per proxy.
#include "web/network.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>

using namespace Qt::Literals::StringLiterals;

Network::Network() = default;

Network::~Network() = default;

QNetworkAccessManager& Network::manager()
{
    std::unique_ptr<QNetworkAccessManager>& instance = m_pool[m_next++ % m_pool.size()];
    if (!instance)
        instance = std::make_unique<QNetworkAccessManager>();
    return *instance;
}

QNetworkAccessManager& Network::managerFor(const QNetworkProxy& proxy)
{
    const QString key
        = u"%1 %2 %3 %4"_s.arg(int(proxy.type())).arg(proxy.hostName()).arg(proxy.port()).arg(proxy.user());
    std::shared_ptr<QNetworkAccessManager>& instance = m_byProxy[key];
    if (!instance) {
        instance = std::make_shared<QNetworkAccessManager>();
        instance->setProxy(proxy);
    }
    return *instance;
}
