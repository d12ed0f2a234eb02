#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QStringList>
#include <optional>

// One queue entry per non-empty line. Only CR LF ends a line: a lone CR or LF stays inside its entry,
// and nothing is trimmed, so a pasted list is queued exactly as it stands.
QStringList domainsFromInput(const QString& text);

// The domains of a text or CSV file, one a line, from its first column.
struct DomainFile
{
    QStringList domains;
    // Entries whose line could not be read, by their place in `domains`: why, with the line's number.
    QHash<int, QString> unreadable;
};

// Each line is read on its own, so one stray byte cannot change every other name: a file with a byte-order
// mark or any line of UTF-8 beyond ASCII is UTF-8, any other is GB18030, and a line that is not valid in
// its file's encoding is kept (with U+FFFD where it could not be read) and listed as unreadable. Full-width
// dots (。．｡) are read as dots. Blank entries, and a first line with no dot at all (a header), are left out.
DomainFile domainsFromFile(const QByteArray& file);

// The same rules for a list that arrives a piece at a time. Without the whole list at hand, the first line
// beyond ASCII decides its encoding (UTF-8 where that line is), unless the caller knows it beforehand.
class DomainReader
{
public:
    explicit DomainReader(std::optional<bool> utf8 = std::nullopt)
        : m_utf8(utf8)
    {
    }
    // The names in the lines `bytes` completes; with `end`, what is left is the last line. Unreadable
    // entries are numbered within the returned list.
    DomainFile read(QByteArrayView bytes, bool end);

private:
    void take(QByteArrayView line, DomainFile& into);

    std::optional<bool> m_utf8;
    QByteArray m_rest; // a line not yet complete
    qsizetype m_line = 0; // lines taken so far
    bool m_started = false; // the byte-order mark is behind us
};

// The names of part `index` (1 to `count`) of a list split by a stable hash of each name as its row shows
// it (64-bit FNV-1a of its UTF-8): the same on every machine and every run, so the parts of one list are
// disjoint and together are the whole list.
DomainFile shardOf(const DomainFile& file, int index, int count);
