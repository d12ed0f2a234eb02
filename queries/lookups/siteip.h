#pragma once

struct Lookup;

// The host's address, from the system's ping.
const Lookup& siteIpLookup();
