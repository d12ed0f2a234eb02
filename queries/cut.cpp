#include "queries/cut.h"

std::optional<QString> cutAfter(const QString& text, const QString& marker, const QString& terminator)
{
    const qsizetype at = text.indexOf(marker);
    if (at < 0)
        return std::nullopt;
    const qsizetype start = at + marker.size();
    const qsizetype next = text.indexOf(marker, start);
    const QStringView piece = QStringView(text).mid(start, next < 0 ? -1 : next - start);
    const qsizetype end = piece.indexOf(terminator);
    return (end < 0 ? piece : piece.left(end)).toString();
}
