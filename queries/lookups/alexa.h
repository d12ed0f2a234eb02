// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The Alexa rank: its data service's address and the rank cut from its XML answer.
#include <QString>

struct Lookup;

QString alexaAddress(const QString& host, const QString& domain);
// The rank from the data service's XML answer, exactly as written there, or "0".
QString alexaCellText(const QString& answer);
const Lookup& alexaLookup();
