// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The ICP filing lookup: its address and the filing number cut from the answer.
#include <QString>

struct Lookup;

QString icpAddress(const QString& host, const QString& domain);
// The filing number ("京ICP备12345678号"), or "未备案" when the answer holds none.
QString icpCellText(const QString& answer);
const Lookup& icpLookup();
