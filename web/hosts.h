// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where a service is reached: its default host, or the QUILLMARK_HOST_* variable that moves it.
#include "settings/settings.h"

#include <QString>

#include <optional>

// The host (or host:port) a service is reached at: its variable when set, else its default.
QString serviceHost(const Service& service);
// The same with its scheme, "https://data.iana.org": a variable without one gets the service's own.
QString serviceAddress(const Service& service);

// A server as a host variable or the WHOIS table names it.
struct Endpoint
{
    QString host;
    quint16 port = 0;
};
// "host", "host:port", "[v6]:port" or a bare IPv6 address; nothing when it cannot be read: no host, or a port
// that is no number or lies outside 1–65535 (never wrapped into range, never replaced by the default).
std::optional<Endpoint> parseEndpoint(const QString& text, quint16 defaultPort);
// Why a service's host variable cannot be used, for the cells it would have answered; empty when it is unset
// or sound.
QString hostVariableProblem(const Service& service);
