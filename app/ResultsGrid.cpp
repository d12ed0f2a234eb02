// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ResultsGrid.h"

#include "queries/engine/results.h"
#include "queries/lookups/rank.h"
#include "queries/sources/tranco.h"

#include "queries/engine/keys.h"
#include "watch/changes.h"
#include "watch/expiry.h"

#include <QColor>
#include <QEvent>
#include <QFont>
#include <QPainter>
#include <QTextDocument>

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr qsizetype kShownCharacters = 1000;
}

QString displayText(const QString& cell)
{
    QString shown = cell.left(kShownCharacters);
    if (shown.size() < cell.size())
        shown += u'…';
    shown.replace(u"\r\n"_s, u"↵"_s);
    shown.replace(u'\r', u'↵');
    shown.replace(u'\n', u'↵');
    return shown;
}

QString plainToolTip(const QString& text)
{
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text) : text;
}

ResultsGrid::ResultsGrid(const Results& results, const TrancoStore& ranks, QObject* parent, const Clock& clock)
    : QAbstractTableModel(parent)
    , m_results(results)
    , m_ranks(ranks)
    , m_clock(clock)
{
    connect(&results, &Results::aboutToReset, this, &ResultsGrid::beginResetModel);
    connect(&results, &Results::wasReset, this, &ResultsGrid::endResetModel);
    const auto changed = [this](int row, int column) {
        const QModelIndex cell = index(row, column);
        emit dataChanged(cell, cell,
            {Qt::DisplayRole, Qt::ToolTipRole, Qt::FontRole, Qt::ForegroundRole, Qt::BackgroundRole, RowChangedRole});
    };
    connect(&results, &Results::cellChanged, this, changed);
    connect(&results, &Results::earlierChanged, this, changed);
}

int ResultsGrid::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_results.rowCount();
}

int ResultsGrid::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_results.table().columnCount();
}

QVariant ResultsGrid::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const int row = index.row();
    const int column = index.column();
    if (role == RowChangedRole)
        return m_results.hasChange(row);
    const QString why = m_results.problem(row, column);
    const std::optional<Results::Earlier> earlier = m_results.earlier(row, column);
    switch (role) {
    case Qt::DisplayRole:
        return shown(row, column, why, earlier);
    case DeltaRole:
        return why.isEmpty() ? delta(row, column, earlier) : QString();
    case Qt::ToolTipRole:
        if (!why.isEmpty())
            return plainToolTip(earlier ? why + u'\n' + lastAnswerText({earlier->text, earlier->date}) : why);
        if (earlier) {
            const QString moved = delta(row, column, earlier);
            return plainToolTip(lastAnswerText({displayText(earlier->text), earlier->date})
                + (moved.isEmpty() ? QString() : tr("（%1）").arg(moved)));
        }
        return m_results.note(row, column).isEmpty() ? QVariant() : QVariant(plainToolTip(m_results.note(row, column)));
    case Qt::ForegroundRole:
        return why.isEmpty() ? QVariant() : QVariant(QColor(Qt::gray));
    case Qt::FontRole:
        return font(!why.isEmpty(), earlier && earlier->changed);
    case Qt::BackgroundRole:
        return background(row, column, why, earlier);
    default:
        return {};
    }
}

void ResultsGrid::setWarnDays(int days)
{
    m_warnDays = days;
    if (rowCount() > 0)
        emit dataChanged(index(0, FirstLookupColumn), index(rowCount() - 1, columnCount() - 1), {Qt::BackgroundRole});
}

// The cell's text; a failed cell's with the last real answer beside its mark.
QString ResultsGrid::shown(
    int row, int column, const QString& why, const std::optional<Results::Earlier>& earlier) const
{
    const QString text = displayText(m_results.text(row, column));
    if (!earlier || why.isEmpty())
        return text;
    return tr("%1　%2").arg(text, lastAnswerText({displayText(earlier->text), earlier->date}));
}

QString ResultsGrid::delta(int row, int column, const std::optional<Results::Earlier>& earlier) const
{
    if (!earlier || !earlier->changed)
        return {};
    const Lookup* lookup = m_results.table().lookupAt(column);
    return compareCell(LastAnswer {earlier->text, earlier->date, earlier->value}, m_results.text(row, column),
        m_results.value(row, column), false, lookup ? lookup->measure : Measure::Text)
        .delta;
}

void DeltaDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    const QString delta = index.data(ResultsGrid::DeltaRole).toString();
    if (delta.isEmpty())
        return;
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QFontMetrics metrics(item.font);
    const QRect room = option.rect.adjusted(4, 0, -4, 0);
    // Only where the text and the movement both fit whole: a number is never covered.
    if (metrics.horizontalAdvance(item.text) + metrics.horizontalAdvance(delta) + 8 > room.width())
        return;
    painter->save();
    painter->setFont(item.font);
    painter->setPen(option.palette.color(
        option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::PlaceholderText));
    painter->drawText(room, Qt::AlignRight | Qt::AlignVCenter, delta);
    painter->restore();
}

QVariant ResultsGrid::font(bool failed, bool changed) const
{
    if (!failed && !changed)
        return {};
    QFont font;
    font.setItalic(failed);
    font.setBold(changed);
    return font;
}

// Translucent colours over the theme's own base: they read on a light grid and on a dark one.
QVariant ResultsGrid::background(
    int row, int column, const QString& why, const std::optional<Results::Earlier>& earlier) const
{
    const Lookup* lookup = m_results.table().lookupAt(column);
    if (why.isEmpty() && lookup && (lookup->key == Key::RegExpiry || lookup->key == Key::TlsExpiry)) {
        if (const std::optional<QDate> day = m_results.value(row, column).day()) {
            switch (urgencyOf(*day, m_clock.today(), m_warnDays)) {
            case Urgency::Past:
                return QColor(229, 57, 53, 110);
            case Urgency::Soon:
                return QColor(255, 160, 0, 110);
            case Urgency::None:
                break;
            }
        }
    }
    if (earlier && earlier->changed)
        return QColor(66, 133, 244, 70);
    return {};
}

QVariant ResultsGrid::headerData(int section, Qt::Orientation orientation, int role) const
{
    const LookupTable& table = m_results.table();
    if (orientation != Qt::Horizontal || section < 0 || section >= table.columnCount())
        return {};
    if (role == Qt::DisplayRole)
        return table.shownHeader(section);
    if (role == Qt::ToolTipRole && section == table.columnOf(trancoLookup())) {
        return m_ranks.isInstalled() ? tr("Tranco 列表日期：%1").arg(m_ranks.date().toString(Qt::ISODate))
                                     : tr("还没有排名列表：文件 → 导入排名列表…");
    }
    return {};
}

bool ResultsGrid::event(QEvent* event)
{
    // The headers are the table's, shown in the language of the moment. A cell's text was made in the language
    // of its batch, and saved so: it stays as it was, and the next batch's cells come in the new language.
    if (event->type() == QEvent::LanguageChange && columnCount() > 0)
        emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    return QAbstractTableModel::event(event);
}
