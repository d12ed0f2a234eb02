// SPDX-License-Identifier: GPL-3.0-or-later
// Domain lists read a line at a time: the encoding rule, CSV's first column, overlong lines cut at once.
#include "input/domains.h"

#include "input/cleantext.h"
#include "input/textdecoding.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace {

// A line is held whole up to this; past it only its first field is followed, counted but not kept.
constexpr qsizetype kHeldBytes = 4096;
// What an overlong entry shows of itself.
constexpr qsizetype kShownCharacters = 40;
constexpr qsizetype kChunk = 64 * 1024;
// What follows the shown part of an overlong entry, in the interface's language.
const char* const kCutTail = QT_TRANSLATE_NOOP("Names", "…（共 %1 字）");

bool isAscii(QByteArrayView line)
{
    return std::all_of(line.begin(), line.end(), [](char c) { return uchar(c) < 0x80; });
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

// The first field, quoted as RFC 4180 quotes it or up to the first comma.
QString firstField(const QString& line)
{
    const QString field = line.trimmed();
    return (field.startsWith(u'"') ? field.mid(1).section(u'"', 0, 0) : field.section(u',', 0, 0)).trimmed();
}

QString overlongReason(qsizetype line, qsizetype characters)
{
    return QCoreApplication::translate("Names", "第 %1 行过长（共 %2 字），不是域名").arg(line).arg(characters);
}

} // namespace

QString cutName(QStringView start, qsizetype characters)
{
    qsizetype end = qMin(start.size(), kShownCharacters);
    if (end < start.size() && start.at(end).isLowSurrogate())
        --end;
    return start.first(end).toString() + QCoreApplication::translate("Names", kCutTail).arg(characters);
}

bool isOverlongName(const QString& entry)
{
    // An entry cut by cutName, in this language or in the one a batch being run again was read in. Its tail is
    // our own text: read back by the same words that made it, whichever language wrote them.
    const qsizetype mark = entry.lastIndexOf(u'…');
    if (mark >= 0 && entry.size() - mark < 64) {
        static const QRegularExpression number(u"\\d+"_s);
        const QString tail = entry.mid(mark);
        const QString characters = number.match(tail).captured();
        if (!characters.isEmpty()
            && (tail == QCoreApplication::translate("Names", kCutTail).arg(characters)
                || tail == QString::fromUtf8(kCutTail).arg(characters)))
            return true;
    }
    return entry.size() > kLongestName && characterCount(QStringView(entry).trimmed()) > kLongestName;
}

QStringList domainsFromInput(const QString& text)
{
    QStringList entries = text.split(u"\r\n"_s, Qt::SkipEmptyParts);
    for (QString& entry : entries) {
        const QStringView name = QStringView(entry).trimmed();
        if (const qsizetype characters = characterCount(name); characters > kLongestName)
            entry = cutName(name, characters);
    }
    return entries;
}

void Utf8Line::feed(QByteArrayView piece)
{
    // While the line is ASCII the decoder holds nothing, and ASCII needs no decoding.
    if (!m_beyondAscii && isAscii(piece))
        return;
    m_beyondAscii = true;
    [[maybe_unused]] const QString decoded = m_decoder.decode(piece); // decoding is what finds the errors
}

bool Utf8Line::end()
{
    if (!m_beyondAscii)
        return false;
    // A line break after a sequence left unfinished is an error too.
    [[maybe_unused]] const QString decoded = m_decoder.decode(QByteArrayView("\n", 1));
    const bool utf8 = !m_decoder.hasError();
    m_decoder.resetState();
    m_beyondAscii = false;
    return utf8;
}

std::optional<QStringConverter::Encoding> utf16Mark(QByteArrayView head)
{
    if (head.startsWith("\xFF\xFE"))
        return QStringConverter::Utf16LE;
    if (head.startsWith("\xFE\xFF"))
        return QStringConverter::Utf16BE;
    return std::nullopt;
}

bool isUtf8List(QIODevice& list)
{
    if (const QByteArray head = list.peek(3); head.startsWith("\xEF\xBB\xBF") || utf16Mark(head))
        return true;
    Utf8Line line;
    for (QByteArray chunk = list.read(kChunk); !chunk.isEmpty(); chunk = list.read(kChunk)) {
        qsizetype start = 0;
        for (qsizetype at = 0; at < chunk.size(); ++at) {
            if (chunk.at(at) != '\n' && chunk.at(at) != '\r')
                continue;
            line.feed(QByteArrayView(chunk).sliced(start, at - start));
            if (line.end())
                return true;
            start = at + 1;
        }
        line.feed(QByteArrayView(chunk).sliced(start));
    }
    return line.end();
}

DomainFile domainsFromFile(const QByteArray& file)
{
    QBuffer buffer;
    buffer.setData(file);
    buffer.open(QIODevice::ReadOnly);
    return DomainReader(isUtf8List(buffer)).read(file, true);
}

DomainFile shardOf(const DomainFile& file, int index, int count, qint64 first)
{
    DomainFile part;
    for (int i = 0; i < file.domains.size(); ++i) {
        quint64 hash = 14695981039346656037ULL;
        for (const char byte : file.domains.at(i).toUtf8()) {
            hash ^= quint64(uchar(byte));
            hash *= 1099511628211ULL;
        }
        if (hash % quint64(count) != quint64(index - 1))
            continue;
        if (file.unreadable.contains(i))
            part.unreadable.insert(int(part.domains.size()), file.unreadable.value(i));
        part.domains.append(file.domains.at(i));
        part.positions.append(first + i);
    }
    return part;
}

// The first field of a line past kHeldBytes: where it starts in the held bytes, and its length in either
// encoding, counted as its bytes stream by and let go of.
struct DomainReader::LongField
{
    qsizetype start = 0;
    char closing = ',';
    bool held = false; // it ended within the held bytes: the line is read as held, the rest is no one's
    bool ended = false;
    bool beyondAscii = false;
    QStringDecoder utf8 {QStringDecoder::Utf8};
    QStringDecoder gb18030 {"GB18030"};
    qsizetype utf8Characters = 0;
    qsizetype gb18030Characters = 0;
    qsizetype trailingBlanks = 0;

    void count(QByteArrayView bytes)
    {
        if (!beyondAscii && isAscii(bytes)) {
            utf8Characters += bytes.size();
            gb18030Characters += bytes.size();
        } else {
            beyondAscii = true;
            utf8Characters += characterCount(QString(utf8.decode(bytes)));
            gb18030Characters += characterCount(QString(gb18030.decode(bytes)));
        }
        const qsizetype blanks
            = std::find_if(bytes.rbegin(), bytes.rend(), [](char c) { return !isBlank(c); }) - bytes.rbegin();
        trailingBlanks = blanks == bytes.size() ? trailingBlanks + blanks : blanks;
    }
};

DomainReader::DomainReader(std::optional<bool> utf8)
    : m_utf8(utf8)
{
}

DomainReader::~DomainReader() = default;
DomainReader::DomainReader(DomainReader&&) noexcept = default;
DomainReader& DomainReader::operator=(DomainReader&&) noexcept = default;

DomainFile DomainReader::read(QByteArrayView bytes, bool end)
{
    DomainFile result;
    QByteArray head;
    if (!m_started) {
        m_head += bytes;
        if (m_head.size() < 3 && !end)
            return result;
        m_started = true;
        head = std::exchange(m_head, QByteArray());
        qsizetype mark = head.startsWith("\xEF\xBB\xBF") ? 3 : 0;
        if (const auto encoding = utf16Mark(head)) {
            m_utf16.emplace(*encoding);
            mark = 2;
        }
        if (mark > 0)
            m_utf8 = true;
        bytes = QByteArrayView(head).sliced(mark);
    }
    if (m_utf16) {
        // UTF-8 holds every character UTF-16 does and keeps CR and LF single bytes, so the rules below read the
        // list as they read any other. The decoder keeps a unit cut between two reads; a surrogate pair cut there
        // is kept here.
        QString text = m_utf16->decode(bytes);
        if (!m_highSurrogate.isNull())
            text.prepend(std::exchange(m_highSurrogate, QChar()));
        if (!end && !text.isEmpty() && text.back().isHighSurrogate()) {
            m_highSurrogate = text.back();
            text.chop(1);
        }
        split(text.toUtf8(), result);
    } else {
        split(bytes, result);
    }
    if (end && m_lineBytes > 0)
        endLine(result);
    return result;
}

void DomainReader::split(QByteArrayView bytes, DomainFile& into)
{
    // CR, LF and CR LF each end a line; each byte is looked at once, however long its line.
    qsizetype start = 0;
    for (qsizetype at = 0; at < bytes.size(); ++at) {
        const char c = bytes.at(at);
        if (c != '\n' && c != '\r')
            continue;
        if (c == '\n' && m_afterCr && at == start && m_lineBytes == 0) {
            m_afterCr = false;
            start = at + 1;
            continue;
        }
        add(bytes.sliced(start, at - start));
        endLine(into);
        m_afterCr = c == '\r';
        start = at + 1;
    }
    if (start < bytes.size()) {
        add(bytes.sliced(start));
        m_afterCr = false;
    }
}

void DomainReader::add(QByteArrayView piece)
{
    m_lineBytes += piece.size();
    m_lineUtf8.feed(piece);
    if (!m_long) {
        const qsizetype room = kHeldBytes - m_line.size();
        if (piece.size() <= room) {
            m_line += piece;
            return;
        }
        m_line += piece.first(room);
        piece = piece.sliced(room);
        m_long = std::make_unique<LongField>();
        qsizetype at = 0;
        while (at < m_line.size() && isBlank(m_line.at(at)))
            ++at;
        if (at < m_line.size() && m_line.at(at) == '"') {
            m_long->closing = '"';
            ++at;
        }
        const qsizetype closing = m_line.indexOf(m_long->closing, at);
        if (closing >= 0) {
            // A short first field and a long rest (a CSV's other columns): the field is all that counts.
            m_line.truncate(closing + 1);
            m_long->held = m_long->ended = true;
            return;
        }
        m_long->start = at;
        m_long->count(QByteArrayView(m_line).sliced(at));
    }
    if (m_long->ended)
        return;
    const qsizetype closing = piece.indexOf(m_long->closing);
    m_long->count(closing < 0 ? piece : piece.first(closing));
    m_long->ended = closing >= 0;
}

void DomainReader::endLine(DomainFile& into)
{
    ++m_lineNumber;
    const bool beyondAscii = m_lineUtf8.beyondAscii();
    const bool utf8 = m_lineUtf8.end();
    if (!m_utf8 && beyondAscii)
        m_utf8 = utf8;
    if (m_long && !m_long->held)
        takeLong(into);
    else
        take(m_line, into);
    m_line.truncate(0);
    m_lineBytes = 0;
    m_long.reset();
}

void DomainReader::take(QByteArrayView line, DomainFile& into)
{
    const bool utf8 = m_utf8.value_or(true);
    QString text;
    const bool readable = decodeStrictly(utf8 ? "UTF-8" : "GB18030", line, &text);
    if (!readable)
        decodeStrictly("UTF-8", line, &text); // shown with U+FFFD where it could not be read
    QString field = firstField(text);
    for (const QChar dot : {u'。', u'．', u'｡'})
        field.replace(dot, u'.');
    field = cleanCellText(field);
    const qsizetype characters = characterCount(field);
    // A header row ("domain", "域名") names no host.
    if (field.isEmpty() || (m_lineNumber == 1 && !field.contains(u'.') && characters <= kLongestName))
        return;
    if (characters > kLongestName) {
        into.unreadable.insert(int(into.domains.size()), overlongReason(m_lineNumber, characters));
        field = cutName(field, characters);
    } else if (!readable) {
        into.unreadable.insert(int(into.domains.size()),
            QCoreApplication::translate("Names", "第 %1 行无法识别（不是 %2 编码）")
                .arg(m_lineNumber)
                .arg(utf8 ? u"UTF-8"_s : u"GB18030"_s));
    }
    into.domains.append(field);
}

void DomainReader::takeLong(DomainFile& into)
{
    const bool utf8 = m_utf8.value_or(true);
    const qsizetype characters = (utf8 ? m_long->utf8Characters : m_long->gb18030Characters) - m_long->trailingBlanks;
    // Stateful: a character the held bytes cut in two is left out, not shown as U+FFFD.
    QStringDecoder decoder(utf8 ? "UTF-8" : "GB18030");
    const QString start = cleanCellText(decoder.decode(QByteArrayView(m_line).sliced(m_long->start)));
    into.unreadable.insert(int(into.domains.size()), overlongReason(m_lineNumber, characters));
    into.domains.append(cutName(start, characters));
}
