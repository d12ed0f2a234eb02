// SPDX-License-Identifier: GPL-3.0-or-later
// A cell's value and the one function that shows it.
#include "queries/engine/value.h"

#include <QLocale>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

CellValue CellValue::nothing()
{
    CellValue value;
    value.m_kind = Kind::Nothing;
    return value;
}

CellValue CellValue::count(qint64 number, bool grouped, bool approximate)
{
    CellValue value;
    value.m_kind = Kind::Count;
    value.m_number = number;
    value.m_flags = quint8((grouped ? Grouped : 0) | (approximate ? Approximate : 0));
    return value;
}

CellValue CellValue::rank(qint64 position)
{
    CellValue value = count(position, false);
    value.m_kind = Kind::Rank;
    return value;
}

CellValue CellValue::unranked()
{
    CellValue value;
    value.m_kind = Kind::Rank;
    value.m_flags = Unranked;
    return value;
}

CellValue CellValue::date(const QDate& day, std::optional<qint64> daysLeft)
{
    CellValue value;
    value.m_kind = Kind::Date;
    value.m_number = day.toJulianDay();
    if (daysLeft) {
        value.m_flags = quint8(HasDays | (*daysLeft < 0 ? Lapsed : 0));
        value.m_days = qint32(qAbs(*daysLeft));
    }
    return value;
}

CellValue CellValue::lapsed(const QDate& day, qint64 daysAgo)
{
    CellValue value = date(day, 0);
    value.m_flags |= Lapsed;
    value.m_days = qint32(daysAgo);
    return value;
}

CellValue CellValue::verdict(Verdict verdict)
{
    CellValue value;
    value.m_kind = Kind::Verdict;
    value.m_number = qint64(verdict);
    return value;
}

CellValue CellValue::written(const QString& text, Kind kind)
{
    // Baidu's older wording keeps "约" before its count; some pages pad theirs.
    static const QRegularExpression shape(u"^\\s*(约?)\\s*(\\d{1,3}(?:,\\d{3})+|\\d+)\\s*$"_s);
    const QRegularExpressionMatch match = shape.match(text);
    if (!match.hasMatch())
        return {};
    bool ok = false;
    const qint64 number = match.captured(2).remove(u',').toLongLong(&ok);
    if (!ok)
        return {};
    CellValue value
        = count(number, match.capturedLength(2) > 3 && match.captured(2).contains(u','), match.capturedLength(1) > 0);
    value.m_kind = kind;
    return displayText(value) == text ? value : value.keptAsWritten();
}

CellValue CellValue::fromPage(const QString& text)
{
    static const QRegularExpression isoDate(u"^[0-9]{4}-[0-9]{2}-[0-9]{2}$"_s);
    if (isoDate.match(text).hasMatch()) {
        const QDate day = QDate::fromString(text, u"yyyy-MM-dd"_s);
        return day.isValid() ? date(day) : CellValue();
    }
    return written(text);
}

CellValue CellValue::keptAsWritten() const
{
    CellValue value = *this;
    if (m_kind != Kind::Text)
        value.m_flags |= AsWritten;
    return value;
}

std::optional<qint64> CellValue::number() const
{
    if ((m_kind != Kind::Count && m_kind != Kind::Rank) || (m_flags & Unranked))
        return std::nullopt;
    return m_number;
}

std::optional<QDate> CellValue::day() const
{
    return m_kind == Kind::Date ? std::optional<QDate>(QDate::fromJulianDay(m_number)) : std::nullopt;
}

std::optional<qint64> CellValue::daysLeft() const
{
    if (m_kind != Kind::Date || !(m_flags & HasDays))
        return std::nullopt;
    return m_flags & Lapsed ? -qint64(m_days) : qint64(m_days);
}

namespace {
const QString kKinds = u"tncrdv"_s; // in the order of CellValue::Kind
}

QString CellValue::stored() const
{
    if (m_kind == Kind::Text)
        return {};
    return u"%1:%2:%3:%4"_s.arg(kKinds.at(int(m_kind))).arg(m_number).arg(m_flags).arg(m_days);
}

CellValue CellValue::fromStored(const QString& stored)
{
    const QStringList parts = stored.split(u':');
    const qsizetype kind = parts.size() == 4 && parts[0].size() == 1 ? kKinds.indexOf(parts[0]) : -1;
    if (kind <= 0)
        return {};
    CellValue value;
    value.m_kind = Kind(kind);
    value.m_number = parts[1].toLongLong();
    value.m_flags = quint8(parts[2].toUInt());
    value.m_days = parts[3].toInt();
    return value;
}

QString displayText(const CellValue& value, const QString& written)
{
    if (value.m_kind == CellValue::Kind::Text || (value.m_flags & CellValue::AsWritten))
        return written;
    switch (value.m_kind) {
    case CellValue::Kind::Text:
        return written;
    case CellValue::Kind::Nothing:
        return u"无"_s;
    case CellValue::Kind::Count:
    case CellValue::Kind::Rank:
        if (value.m_flags & CellValue::Unranked)
            return u"未上榜"_s;
        return (value.m_flags & CellValue::Approximate ? u"约"_s : QString())
            + (value.m_flags & CellValue::Grouped ? QLocale(QLocale::English).toString(value.m_number)
                                                  : QString::number(value.m_number));
    case CellValue::Kind::Date: {
        const QString day = QDate::fromJulianDay(value.m_number).toString(u"yyyy-MM-dd"_s);
        if (!(value.m_flags & CellValue::HasDays))
            return day;
        return day + (value.m_flags & CellValue::Lapsed ? u"（已过期 %1 天）"_s : u"（剩 %1 天）"_s).arg(value.m_days);
    }
    case CellValue::Kind::Verdict:
        switch (value.verdict()) {
        case Verdict::Registered:
            return u"已注册"_s;
        case Verdict::Available:
            return u"未注册"_s;
        case Verdict::Unknown:
            break;
        }
        return u"未知"_s;
    }
    return written;
}
