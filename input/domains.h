// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Domain lists as they come in: pasted text, files and pipes, one name a line, in any of the encodings lists come in.
#include <QByteArrayView>
#include <QHash>
#include <QStringDecoder>
#include <QStringList>
#include <optional>

class QIODevice;

// The longest name a domain can have, in characters once trimmed. A line longer than that names no domain:
// it is shown cut (`aaaa…（共 N 字）`) and gets 无效域名 at once, without a request.
constexpr qsizetype kLongestName = 253;
QString cutName(QStringView start, qsizetype characters);
// An entry no request is made for: longer than kLongestName, or cut as such an entry is.
bool isOverlongName(const QString& entry);

// One queue entry per non-empty line. Only CR LF ends a line: a lone CR or LF stays inside its entry,
// and nothing is trimmed, so a pasted list is queued exactly as it stands (but for overlong lines, cut).
QStringList domainsFromInput(const QString& text);

// The domains of a text or CSV file, one a line, from its first column.
struct DomainFile
{
    QStringList domains;
    // Entries whose line could not be read, by their place in `domains`: why, with the line's number.
    QHash<int, QString> unreadable;
    // Each entry's place in the whole list, where this is a part of one (shardOf); empty: the entries are
    // the list's own, in order.
    QList<qint64> positions;
};

// The test the encoding rule makes of each line: some of it beyond ASCII, and all of it valid UTF-8. Fed a
// piece at a time, so a line's length costs no memory.
class Utf8Line
{
public:
    void feed(QByteArrayView piece);
    bool beyondAscii() const { return m_beyondAscii; }
    // At the line's end (a sequence left unfinished is invalid); ready for the next line afterwards.
    bool end();

private:
    QStringDecoder m_decoder {QStringDecoder::Utf8};
    bool m_beyondAscii = false;
};

// The encoding of a list of domains, the same rule wherever the list comes from: a list with a byte-order
// mark, or with any line beyond ASCII that is valid UTF-8, is UTF-8; any other is GB18030. Reads `list` to
// its end, a piece at a time, so a long line costs no memory. A UTF-16 list (its mark says so) counts as UTF-8:
// the reader turns it into UTF-8 as it goes.
bool isUtf8List(QIODevice& list);

// Each line is read on its own, so one stray byte cannot change every other name: a line that is not valid
// in its list's encoding is kept (with U+FFFD where it could not be read) and listed as unreadable.
// Full-width dots (。．｡) are read as dots. Blank entries, and a first line with no dot at all (a header),
// are left out. The window's import reads whole files this way.
DomainFile domainsFromFile(const QByteArray& file);

// The same rules for a list that arrives a piece at a time, in memory bounded by a few KiB a line whatever
// the line's length. Unless the caller knows the encoding beforehand (isUtf8List over a file), the first
// line beyond ASCII decides it, as that line says. A list that starts with UTF-16's byte-order mark (FF FE,
// as Windows Notepad saves "Unicode", or FE FF) is UTF-16 whatever the caller said.
class DomainReader
{
public:
    explicit DomainReader(std::optional<bool> utf8 = std::nullopt);
    ~DomainReader();
    DomainReader(DomainReader&&) noexcept;
    DomainReader& operator=(DomainReader&&) noexcept;

    // The names in the lines `bytes` completes; with `end`, what is left is the last line. Unreadable
    // entries are numbered within the returned list.
    DomainFile read(QByteArrayView bytes, bool end);

private:
    struct LongField;
    void split(QByteArrayView bytes, DomainFile& into);
    void add(QByteArrayView piece);
    void endLine(DomainFile& into);
    void take(QByteArrayView line, DomainFile& into);
    void takeLong(DomainFile& into);

    std::optional<bool> m_utf8;
    QByteArray m_head; // the first bytes, until a byte-order mark is ruled in or out
    std::optional<QStringDecoder> m_utf16; // a UTF-16 list, turned into UTF-8 a piece at a time
    QChar m_highSurrogate; // the first half of a pair the last piece of a UTF-16 list ended with
    bool m_started = false;
    bool m_afterCr = false; // the last line ended with a CR: an LF right after it ends nothing more
    QByteArray m_line; // the line being read, its first few KiB
    qsizetype m_lineBytes = 0;
    qsizetype m_lineNumber = 0;
    Utf8Line m_lineUtf8;
    std::unique_ptr<LongField> m_long; // a first field longer than m_line holds
};

// The names of part `index` (1 to `count`) of a list split by a stable hash of each name as its row shows
// it (64-bit FNV-1a of its UTF-8): the same on every machine and every run, so the parts of one list are
// disjoint and together are the whole list. `first` is the place of the file's first entry in the whole
// list, which each entry's position counts from.
DomainFile shardOf(const DomainFile& file, int index, int count, qint64 first = 0);
