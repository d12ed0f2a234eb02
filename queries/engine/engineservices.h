// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What every walk asks through, made once and shared by every walker of the program.
#include "queries/sources/rdap.h"
#include "queries/sources/tranco.h"
#include "web/network.h"

// The request bounds and kept connections, the RDAP servers and the rank list: made once by whoever runs the
// engine (the window, the command line) and handed to each walker, a watch run's too, so none reads the
// bootstrap or the rank list again or keeps connections of its own.
class EngineServices
{
public:
    EngineServices() = default;
    EngineServices(const EngineServices&) = delete;
    EngineServices& operator=(const EngineServices&) = delete;

    // Before anything that may hold a request of theirs.
    Network network;
    RegistryDirectory registries {network};
    TrancoStore ranks {network};
};
