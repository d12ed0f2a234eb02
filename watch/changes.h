#pragma once

#include <QDate>
#include <QString>

#include <optional>

// What kind of value a lookup's cell holds, for telling what changed: a count ("1,230,000"), a rank (1 is the
// best; "未上榜" is none), a date first ("2027-03-01（剩 84 天）"), or any other text.
enum class Measure { Text, Count, Rank, Date };

// The last real answer the same domain's lookup gave before this batch.
struct LastAnswer
{
    QString text;
    QDate date;
};

// A cell against its lookup's last real answer.
struct CellChange
{
    enum class Kind { None, New, Changed };
    Kind kind = Kind::None;
    QString delta; // "↑ 12,300", "↓ 5", "排名 ↑ 2"; empty for a text, or where a side is no number
};

// Numbers compare as numbers ("1,230,000" is "1230000"), dates as dates (the days left beside them change every
// day), texts as texts; "未上榜" against a rank and "无" against a value are changes. A cell whose request failed
// today is never a change (its mark says why; the last answer stands beside it), and a first answer is new.
CellChange compareCell(const std::optional<LastAnswer>& last, const QString& now, bool failed, Measure measure);

// "1,230,000", "约12,300", "42": the count a cell shows; nothing when it shows none.
std::optional<qint64> countOf(const QString& cell);
// "上次（2026-12-01）：1,230,000"
QString lastAnswerText(const LastAnswer& last);
