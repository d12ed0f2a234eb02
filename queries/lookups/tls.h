// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The certificate columns: when the home page's certificate expires and who issued it.
#include "queries/engine/value.h"

#include <QAbstractSocket>
#include <QDateTime>
#include <QList>
#include <QSslError>
#include <QString>

class QSslCertificate;
struct Lookup;

// The certificate the home page's host presents on its HTTPS port, read whether or not it validates:
// one connection per domain answers both columns.
const Lookup& tlsExpiryLookup();
const Lookup& tlsIssuerLookup();

// "2027-03-01（剩 84 天）", or "（已过期 3 天）" from the moment it is past: whole days from `now`, the
// date in the user's time zone.
QString expiryText(const QDateTime& expiry, const QDateTime& now);
CellValue expiryValue(const QDateTime& expiry, const QDateTime& now);
// The issuer's organisation, else its common name; "无" when it names neither.
QString issuerText(const QSslCertificate& certificate);
// Why a certificate cannot be trusted, for the user, from the handshake's errors; empty when it can.
QString certificateProblem(const QList<QSslError>& errors);
// Why a connection failed, for the user, in Chinese; Qt's own English words at most in parentheses.
QString socketErrorReason(QAbstractSocket::SocketError error, quint16 port, const QString& english);
