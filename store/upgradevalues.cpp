// SPDX-License-Identifier: GPL-3.0-or-later
// The only place a cell's text is read back for its value: the cells saved before values were kept.
#include "store/upgradevalues.h"

#include "queries/engine/keys.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

using namespace Qt::Literals::StringLiterals;

CellValue valueOfSavedText(const QString& lookup, const QString& text)
{
    if (text == u"无"_s)
        return CellValue::nothing();
    if (text == u"未上榜"_s)
        return CellValue::unranked();
    // The words as the program wrote them before values were kept: in Chinese, whatever language reads them now.
    if (lookup == Key::RegStatus) {
        if (text == u"已注册"_s)
            return CellValue::verdict(Verdict::Registered);
        if (text == u"未注册"_s)
            return CellValue::verdict(Verdict::Available);
        if (text == u"未知"_s)
            return CellValue::verdict(Verdict::Unknown);
    }
    // The expiry columns read their day past any spaces; the days left stand as they were reckoned then.
    static const QRegularExpression dated(u"^\\s*([0-9]{4}-[0-9]{2}-[0-9]{2})(?:（(剩|已过期) ([0-9]+) 天）)?\\s*$"_s);
    if (const QRegularExpressionMatch match = dated.match(text); match.hasMatch()) {
        const QDate day = QDate::fromString(match.captured(1), u"yyyy-MM-dd"_s);
        if (!day.isValid())
            return {};
        if (match.capturedLength(2) == 0)
            return CellValue::date(day);
        const qint64 days = match.captured(3).toLongLong();
        return match.captured(2) == u"剩"_s ? CellValue::date(day, days) : CellValue::lapsed(day, days);
    }
    const bool ranked = lookup == u"tranco"_s || lookup == u"alexa"_s;
    return CellValue::written(text, ranked ? CellValue::Kind::Rank : CellValue::Kind::Count);
}

namespace {

// What the old text stood for, still shown as it was where the value alone would show it otherwise.
CellValue valueShownAsSaved(const QString& lookup, const QString& text)
{
    const CellValue value = valueOfSavedText(lookup, text);
    // A word (无, 未上榜, a verdict) was matched whole: it is shown as saved, and in English as English, whichever
    // language this upgrade runs in.
    const CellValue::Kind kind = value.kind();
    if (kind == CellValue::Kind::Nothing || kind == CellValue::Kind::Verdict
        || (kind == CellValue::Kind::Rank && !value.number()))
        return value;
    return displayText(value, text) == text ? value : value.keptAsWritten();
}

} // namespace

bool addCellValues(QSqlDatabase& db, QSqlError* error)
{
    QSqlQuery step(db);
    // A file from before the version stamp may be one this program has just made, values and all.
    if (!step.exec(u"SELECT count(*) FROM pragma_table_info('cells') WHERE name = 'value'"_s) || !step.next()) {
        *error = step.lastError();
        return false;
    }
    if (step.value(0).toInt() > 0)
        return true;
    step.finish();
    QSqlQuery texts(db);
    QSqlQuery fill(db);
    texts.setForwardOnly(true);
    const bool ready = step.exec(u"BEGIN IMMEDIATE"_s)
        && step.exec(u"ALTER TABLE cells ADD COLUMN value TEXT NOT NULL DEFAULT ''"_s)
        && texts.exec(u"SELECT rowid, lookup, text FROM cells WHERE problem = ''"_s)
        && fill.prepare(u"UPDATE cells SET value = ? WHERE rowid = ?"_s);
    bool ok = ready;
    while (ok && texts.next()) {
        const QString value = valueShownAsSaved(texts.value(1).toString(), texts.value(2).toString()).stored();
        if (value.isEmpty())
            continue;
        fill.addBindValue(value);
        fill.addBindValue(texts.value(0));
        ok = fill.exec();
    }
    ok = ok && !texts.lastError().isValid() && step.exec(u"COMMIT"_s);
    if (!ok) {
        for (const QSqlQuery* query : {&step, &texts, &fill}) {
            if (query->lastError().isValid()) {
                *error = query->lastError();
                break;
            }
        }
        QSqlQuery(u"ROLLBACK"_s, db);
    }
    return ok;
}
