// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reading WHOIS answers: the lines decoded, the four registration cells and their evidence, the dates, IANA's
// referral.
#include "queries/engine/lookup.h"
#include "queries/sources/whoisregistries.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// One WHOIS answer read for one name: the four registration cells by lookup key, and for each the lines
// (counted from 0) that gave it, so a user can be shown why a name reads what it reads.
struct WhoisReading
{
    QHash<QString, CellResult> cells;
    QHash<QString, QList<int>> evidence;
};

// More lines than any registry's record of one name holds (a few hundred at most): an answer of more is told,
// not read, so a megabyte of line breaks costs no more than a megabyte of text.
constexpr qsizetype kMaxWhoisLines = 10'000;

// The answer's lines, each as UTF-8 where it is valid and else in `encoding` (GB18030 when empty): CNNIC's
// answers mix a registrar name in UTF-8 with the rest in GB18030, and one line must not garble another. At
// most kMaxWhoisLines + 1: one more tells that the answer had more.
QStringList whoisLines(const QByteArray& answer, const QByteArray& encoding = {});
QString whoisText(const QByteArray& answer, const QByteArray& encoding = {});
// The server IANA's WHOIS names for a suffix ("refer:" or "whois:"); empty when none.
QString whoisReferral(const QString& ianaAnswer);

// Reads an answer about `asciiName` by the rules of the server that sent it. Facts come only from the name's own
// record, never from a contact's, a registrar's or a name server's block, nor from notices. 已注册 needs a record
// of the name (in its ASCII or Unicode form) or the registry's own registered line; 未注册 needs the registry's
// own not-found answer for that name, standing as the answer; anything else is 未知, marked with why.
WhoisReading readWhois(const QStringList& lines, const QString& asciiName, const WhoisRules& rules);

// A date as registries write it, as the registry's calendar date yyyy-MM-dd: whatever time and zone follow,
// the day is the one written. Empty when it cannot be read for sure (a year-last date whose day and month could
// be either, with no order known).
QString whoisDate(const QString& value, DateOrder order);
