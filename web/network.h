// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the requests of one walker share: their bounds and the connections kept open.
#include <QHash>
#include <QString>
#include <array>
#include <memory>

class QNetworkAccessManager;
class QNetworkProxy;

// Bounds that keep one dead or hostile server from holding a batch of thousands.
struct FetchLimits
{
    int timeLimitMs = 30'000; // whole request, not idle time: a one-byte-a-second trickle is cut too
    qint64 maxBodyBytes = 16 * 1024 * 1024; // after decompression
    int maxRedirects = 5;
    int pingLimitMs = 10'000; // a ping that has printed no address by then has none to print
};

// What the requests of one walker share: the bounds every request keeps, and the connections kept open
// between them. The walker owns one and hands it to its jobs, so two walkers (a test's, the command line's)
// never share limits or connections. A request made outside any walk (the update check, the dialog's 试一试)
// has one of its own.
class Network
{
public:
    Network();
    ~Network();
    Network(const Network&) = delete;
    Network& operator=(const Network&) = delete;

    FetchLimits limits;

    // Qt opens at most six connections to one host per manager. A service may be asked up to 64 times at
    // once, so requests take their managers in turn from enough of them.
    QNetworkAccessManager& manager();
    // Qt sets a proxy per manager: requests through one proxy share managers of their own.
    QNetworkAccessManager& managerFor(const QNetworkProxy& proxy);

private:
    std::array<std::unique_ptr<QNetworkAccessManager>, 11> m_pool;
    size_t m_next = 0;
    QHash<QString, std::shared_ptr<QNetworkAccessManager>> m_byProxy;
};
