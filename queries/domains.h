#pragma once

#include <QStringList>

// One queue entry per non-empty line. Only CR LF ends a line: a lone CR or LF stays inside its entry,
// and nothing is trimmed, so a pasted list is queued exactly as it stands.
QStringList domainsFromInput(const QString& text);

// The domains of a text or CSV file, one a line, from its first column: UTF-8 with or without a byte-order
// mark, else GB18030. Blank entries, and a first line that holds no name (a header), are left out.
QStringList domainsFromFile(const QByteArray& file);
