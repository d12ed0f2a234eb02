// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The Tranco rank column.
struct Lookup;

// Tranco 排名: the domain's rank in the installed Tranco top-sites list, or 未上榜.
const Lookup& trancoLookup();
