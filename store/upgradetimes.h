// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Versions 1 to 4 of the results database wrote the cells' and the batches' times in the local time of the
// computer that saved them, with no offset; version 5 writes instants (store/instants.h). The upgrade reads
// each old time in `zone`, the zone of the computer opening the file, once: a file carried from another zone
// before the upgrade keeps that zone's times shifted by the difference, as it showed them before.
class QSqlQuery;
class QTimeZone;

// Adds the offset columns and rewrites the old times, in the transaction the caller holds; false with the error
// in `step` at the first statement that fails.
bool upgradeTimes(QSqlQuery& step, const QTimeZone& zone);
