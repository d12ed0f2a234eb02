#pragma once

#include <QHash>
#include <QString>

struct CellResult;

// The WHOIS server of a registrable domain's suffix from the table that ships with the program (the
// longest suffix wins); empty when the table has none.
QString whoisServerFor(const QString& asciiName);
// The question in the form the server wants: JPRS answers in English to "name/e", DENIC gives its whole
// record only to "-T dn,ace name".
QByteArray whoisQuery(const QString& server, const QString& asciiName);
// The server IANA's WHOIS names for a suffix ("refer:" or "whois:"); empty when none.
QString whoisReferral(const QString& ianaAnswer);
// The answer's text: UTF-8 where it is, else GB18030 (CNNIC and older Chinese servers).
QString whoisText(const QByteArray& answer);
// The four registration cells of an answer, by lookup key. Registered needs a record of the name;
// not registered needs the registry's own "no match" answer; anything else is 未知, marked with why.
QHash<QString, CellResult> whoisCells(const QString& answer, const QString& asciiName);
