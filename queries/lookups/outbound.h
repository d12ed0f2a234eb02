// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The outbound links column, counted from the home page.
struct Lookup;

const Lookup& outboundLookup();
