#pragma once

// The outbound links column, counted from the home page.
struct Lookup;

const Lookup& outboundLookup();
