// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The registrar lookup: its address (without www.) and its available-or-not cut.
#include <QString>

struct Lookup;

// The registrar is asked about the bare domain: every "www." (exact case) is removed, wherever it stands.
QString registrarAddress(const QString& host, const QString& domain);
QString registrarCellText(const QString& answer);
const Lookup& registrarLookup();
