// SPDX-License-Identifier: GPL-3.0-or-later
// Where services are reached, and the variables that move them.
#include "web/hosts.h"

#include <QCoreApplication>
#include <QHostAddress>

using namespace Qt::Literals::StringLiterals;

namespace {

QString variableValue(const Service& service)
{
    return service.hostVariable ? qEnvironmentVariable(service.hostVariable).trimmed() : QString();
}

} // namespace

QString serviceHost(const Service& service)
{
    const QString overridden = variableValue(service);
    return overridden.isEmpty() ? QLatin1String(service.host) : overridden;
}

QString serviceAddress(const Service& service)
{
    const QString host = serviceHost(service);
    return host.contains(u"://"_s) ? host : QLatin1String(service.scheme) + u"://"_s + host;
}

std::optional<Endpoint> parseEndpoint(const QString& text, quint16 defaultPort)
{
    const QString server = text.trimmed();
    QString host = server;
    QString port;
    if (server.startsWith(u'[')) {
        const qsizetype close = server.indexOf(u']');
        if (close < 0 || (close + 1 < server.size() && server.at(close + 1) != u':'))
            return std::nullopt;
        host = server.mid(1, close - 1);
        if (close + 1 < server.size())
            port = server.mid(close + 2);
        if (QHostAddress(host).protocol() != QAbstractSocket::IPv6Protocol)
            return std::nullopt;
    } else if (server.count(u':') == 1) {
        host = server.section(u':', 0, 0);
        port = server.section(u':', 1);
    } else if (server.contains(u':') && QHostAddress(server).isNull()) {
        return std::nullopt; // colons that make no IPv6 address
    }
    if (host.isEmpty() || host.contains(u' ') || host.contains(u'/'))
        return std::nullopt;
    if (port.isNull())
        return Endpoint {host, defaultPort};
    bool numeric = false;
    const uint number = port.toUInt(&numeric);
    if (!numeric || number == 0 || number > 65535)
        return std::nullopt;
    return Endpoint {host, quint16(number)};
}

QString hostVariableProblem(const Service& service)
{
    const QString value = variableValue(service);
    if (value.isEmpty())
        return {};
    QString server = value;
    if (const qsizetype scheme = server.indexOf(u"://"_s); scheme >= 0)
        server = server.mid(scheme + 3);
    if (parseEndpoint(server, 1))
        return {};
    return QCoreApplication::translate(
        "Network", "%1=%2 不能用：应为主机名，或“主机:端口”（端口 1–65535；IPv6 写作 [地址]:端口）")
        .arg(QLatin1String(service.hostVariable), value);
}
