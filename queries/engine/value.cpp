// SPDX-License-Identifier: GPL-3.0-or-later
// A cell's value and the one function that shows it.
#include "queries/engine/value.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace {

// A count's or a rank's digits, grouped or not as the page wrote them.
QString digits(qint64 number, bool grouped)
{
    return grouped ? QLocale(QLocale::English).toString(number) : QString::number(number);
}

} // namespace

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
    // Against the page's own words, never against the display text: that one follows the interface's language,
    // and the value may not.
    const QString canonical
        = (value.m_flags & Approximate ? u"约"_s : QString()) + digits(number, value.m_flags & Grouped);
    return canonical == text ? value : value.keptAsWritten();
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
        return QCoreApplication::translate("Cells", "无");
    case CellValue::Kind::Count:
    case CellValue::Kind::Rank:
        if (value.m_flags & CellValue::Unranked)
            return QCoreApplication::translate("Cells", "未上榜");
        if (value.m_flags & CellValue::Approximate)
            return QCoreApplication::translate("Cells", "约%1")
                .arg(digits(value.m_number, value.m_flags & CellValue::Grouped));
        return digits(value.m_number, value.m_flags & CellValue::Grouped);
    case CellValue::Kind::Date: {
        const QString day = QDate::fromJulianDay(value.m_number).toString(u"yyyy-MM-dd"_s);
        if (!(value.m_flags & CellValue::HasDays))
            return day;
        return value.m_flags & CellValue::Lapsed
            ? QCoreApplication::translate("Cells", "%1（已过期 %2 天）").arg(day).arg(value.m_days)
            : QCoreApplication::translate("Cells", "%1（剩 %2 天）").arg(day).arg(value.m_days);
    }
    case CellValue::Kind::Verdict:
        switch (value.verdict()) {
        case Verdict::Registered:
            return QCoreApplication::translate("Cells", "已注册");
        case Verdict::Available:
            return QCoreApplication::translate("Cells", "未注册");
        case Verdict::Unknown:
            break;
        }
        return QCoreApplication::translate("Cells", "未知");
    }
    return written;
}
