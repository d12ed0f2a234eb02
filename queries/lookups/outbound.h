#pragma once

struct Lookup;

const Lookup& outboundLookup();
