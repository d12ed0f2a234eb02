// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a cell holds, apart from how it looks: the lookups make it, the display text is made from it, and the
// change rules, the workbook, the expiry window and the chart read it instead of reading the text again.
#include <QDate>
#include <QMetaType>
#include <QString>

#include <optional>

// What kind of value a lookup's cells hold, for telling what changed and for drawing a line through its
// history: a count, a rank (1 is the best), a date, or any other text.
enum class Measure { Text, Count, Rank, Date };

// What a registration status cell says.
enum class Verdict : quint8 { Registered, Available, Unknown };

// Sixteen bytes, so a million rows of values cost little beside their texts.
class CellValue
{
public:
    enum class Kind : quint8 { Text, Nothing, Count, Rank, Date, Verdict };

    CellValue() = default; // a text: the cell's own text is all there is
    static CellValue nothing();
    // `grouped`: shown as 1,230,000, else as 1230000, the way the page wrote it.
    static CellValue count(qint64 number, bool grouped = true, bool approximate = false);
    static CellValue rank(qint64 position);
    static CellValue unranked();
    // A date, and the whole days that were left when it was answered ("剩 12 天", "已过期 3 天" when negative).
    static CellValue date(const QDate& day, std::optional<qint64> daysLeft = std::nullopt);
    // A date gone by so many days: a certificate counts from the instant, so one an hour past has 0 days gone.
    static CellValue lapsed(const QDate& day, qint64 daysAgo);
    static CellValue verdict(Verdict verdict);
    // A number as a page wrote it ("1,230,000", "12300", Baidu's older "约12,300"): a count or a rank as
    // `kind` says, still shown as written when the page put it some other way (" 007"); a text when it is no
    // number at all.
    static CellValue written(const QString& text, Kind kind = Kind::Count);
    // What a page gave as a cell, read for what it is: a number as written, a yyyy-MM-dd date, or a text.
    static CellValue fromPage(const QString& text);

    Kind kind() const { return m_kind; }
    // A count's or a rank's number; nothing for anything else, and for a rank not in the list.
    std::optional<qint64> number() const;
    bool isApproximate() const { return m_flags & Approximate; }
    // Shown as the page wrote it, which the value alone cannot say.
    bool isAsWritten() const { return m_flags & AsWritten; }
    CellValue keptAsWritten() const;
    std::optional<QDate> day() const;
    std::optional<qint64> daysLeft() const;
    Verdict verdict() const { return Verdict(m_number); }

    // For the database: a short, stable form of the value, empty for a text; and back.
    QString stored() const;
    static CellValue fromStored(const QString& stored);

    bool operator==(const CellValue&) const = default;

private:
    enum Flag : quint8 { Approximate = 1, Grouped = 2, AsWritten = 4, HasDays = 8, Unranked = 16, Lapsed = 32 };
    friend QString displayText(const CellValue& value, const QString& written);

    qint64 m_number = 0; // a count, a rank, a date's Julian day, a verdict
    qint32 m_days = 0; // left, or gone by once lapsed
    Kind m_kind = Kind::Text;
    quint8 m_flags = 0;
};
static_assert(sizeof(CellValue) == 16);

Q_DECLARE_METATYPE(CellValue)

// The one place a cell's text is made from its value: "1,230,000", "约12,300", "2027-03-01（剩 84 天）",
// "未上榜", "无", "已注册", in the interface's language (the value is the same in every one). `written` is the
// text a text value (or a number kept as written) shows.
QString displayText(const CellValue& value, const QString& written = QString());
