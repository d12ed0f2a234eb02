// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The site IP column.
struct Lookup;

// The host's address, from the system's ping.
const Lookup& siteIpLookup();
