#include "queries/domains.h"

#include "queries/results.h"

#include <QStringDecoder>

using namespace Qt::Literals::StringLiterals;

namespace {

QList<QByteArrayView> lines(QByteArrayView file)
{
    QList<QByteArrayView> lines;
    qsizetype start = 0;
    for (qsizetype at = 0; at <= file.size(); ++at) {
        if (at == file.size() || file.at(at) == '\n' || file.at(at) == '\r') {
            lines.append(file.sliced(start, at - start));
            if (at + 1 < file.size() && file.at(at) == '\r' && file.at(at + 1) == '\n')
                ++at;
            start = at + 1;
        }
    }
    return lines;
}

bool isAscii(QByteArrayView line)
{
    return std::all_of(line.begin(), line.end(), [](char c) { return uchar(c) < 0x80; });
}

// Decodes a whole line; false when some of it is not valid in the encoding.
bool decode(const char* encoding, QByteArrayView line, QString* text)
{
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    *text = decoder.decode(line);
    return !decoder.hasError();
}

// The first field, quoted as RFC 4180 quotes it or up to the first comma.
QString firstField(const QString& line)
{
    const QString field = line.trimmed();
    return (field.startsWith(u'"') ? field.mid(1).section(u'"', 0, 0) : field.section(u',', 0, 0)).trimmed();
}

} // namespace

DomainFile shardOf(const DomainFile& file, int index, int count)
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
    }
    return part;
}

QStringList domainsFromInput(const QString& text)
{
    return text.split(u"\r\n"_s, Qt::SkipEmptyParts);
}

DomainFile domainsFromFile(const QByteArray& file)
{
    const bool marked = file.startsWith("\xEF\xBB\xBF");
    const QList<QByteArrayView> all = lines(QByteArrayView(file).sliced(marked ? 3 : 0));
    const bool utf8 = marked || std::any_of(all.begin(), all.end(), [](QByteArrayView line) {
        QString ignored;
        return !isAscii(line) && decode("UTF-8", line, &ignored);
    });
    return DomainReader(utf8).read(file, true);
}

DomainFile DomainReader::read(QByteArrayView bytes, bool end)
{
    DomainFile result;
    m_rest += bytes;
    if (!m_started && (m_rest.size() >= 3 || end)) {
        m_started = true;
        if (m_rest.startsWith("\xEF\xBB\xBF")) {
            m_rest.remove(0, 3);
            m_utf8 = true;
        }
    }
    if (!m_started)
        return result;
    qsizetype start = 0;
    for (qsizetype at = 0; at < m_rest.size(); ++at) {
        const char c = m_rest.at(at);
        if (c != '\n' && c != '\r')
            continue;
        // A CR at the end of what came so far may be the first half of a CR LF.
        if (c == '\r' && at + 1 == m_rest.size() && !end)
            break;
        take(QByteArrayView(m_rest).sliced(start, at - start), result);
        if (c == '\r' && at + 1 < m_rest.size() && m_rest.at(at + 1) == '\n')
            ++at;
        start = at + 1;
    }
    m_rest.remove(0, start);
    if (end && !m_rest.isEmpty()) {
        take(m_rest, result);
        m_rest.clear();
    }
    return result;
}

void DomainReader::take(QByteArrayView line, DomainFile& into)
{
    const qsizetype number = ++m_line;
    if (!m_utf8 && !isAscii(line)) {
        QString ignored;
        m_utf8 = decode("UTF-8", line, &ignored);
    }
    const bool utf8 = m_utf8.value_or(true);
    QString text;
    const bool readable = decode(utf8 ? "UTF-8" : "GB18030", line, &text);
    if (!readable)
        decode("UTF-8", line, &text); // shown with U+FFFD where it could not be read
    QString field = firstField(text);
    for (const QChar dot : {u'。', u'．', u'｡'})
        field.replace(dot, u'.');
    field = cleanCellText(field);
    // A header row ("domain", "域名") names no host.
    if (field.isEmpty() || (number == 1 && !field.contains(u'.')))
        return;
    if (!readable) {
        into.unreadable.insert(int(into.domains.size()),
            u"第 %1 行无法识别（不是 %2 编码）"_s.arg(number).arg(utf8 ? u"UTF-8"_s : u"GB18030"_s));
    }
    into.domains.append(field);
}
