// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The registration cells one RDAP answer gives, and why each reads what it reads.
#include <QHash>
#include <QString>
#include <QUrl>

struct CellResult;
struct PageResult;

// The four cells one RDAP answer (RFC 9083) gives, by lookup key: whether the name is registered, the
// registrar's name, the registration and the expiration dates. Only a domain object for `asciiName` counts;
// only the server asked (at `asked`) says a name is not registered, with a 404 that is RDAP (JSON, or
// nothing), never with a web server's own error page. `why` gets, by key, the part of the answer each cell
// comes from.
QHash<QString, CellResult> rdapCells(
    const PageResult& answer, const QString& asciiName, const QUrl& asked = {}, QHash<QString, QString>* why = nullptr);
// An RFC 3339 date as the registry's calendar date, yyyy-MM-dd; empty when it is none.
QString registryDate(const QString& rfc3339);
