#include "queries/lookups/whois.h"

#include "queries/engine/keys.h"

#include <QDate>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kNone = u"无"_s;
const QString kUnknown = u"未知"_s;
// Keys longer than this, or of more words, are prose that happens to hold a colon.
constexpr int kMaxKeyLength = 48;
constexpr int kMaxKeyWords = 8;
// Lines longer than this are notices, never an answer's verdict.
constexpr int kMaxVerdictLength = 200;

using Role = WhoisRules::Role;

bool isUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)decoder.decode(bytes);
    return !decoder.hasError();
}

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
}

// One line of an answer, taken apart.
struct Line
{
    QString content; // trimmed
    QString lower; // the same in lower case
    int indent = 0;
    int block = -1; // blank lines and rules part blocks; -1 for those
    bool comment = false; // a "%", "#" or ">>>" line: notes, never fields
    bool hasKey = false;
    bool isHeading = false;
    bool excluded = false; // a contact's, a name server's, another name's or another object's
    int heading = -1; // the line of the heading it stands under, -1 at the top
    QString key; // lower case, white space folded, padding dots gone
    QString plain; // the key as known: "creation date" of "data de registo / creation date (dd/mm/yyyy)"
    QString value;
    Role role = Role::None;
    int rank = 0;
    DateOrder order = DateOrder::Unknown; // a key's "(dd/mm/yyyy)"
};

// In lower case, white space folded to single spaces, the padding dots of "Registrar......" gone: in one pass,
// as every line of every answer goes through here.
QString normalKey(QStringView raw)
{
    QString key(raw.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(key.data());
    qsizetype length = 0;
    bool space = true; // drops leading white space
    for (QChar c : raw) {
        if (c.isSpace()) {
            if (!space)
                out[length++] = u' ';
            space = true;
            continue;
        }
        space = false;
        const char16_t u = c.unicode();
        out[length++] = u < 128 ? (u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u) : c.toLower().unicode();
    }
    while (length > 0 && (out[length - 1] == u'.' || out[length - 1] == u' '))
        --length;
    key.truncate(length);
    return key;
}

// "Nome de domínio / Domain Name" and "Creation Date (dd/mm/yyyy)": bilingual keys are known by their last
// part, and a format in brackets is no part of the name.
QString plainKey(const QString& key)
{
    const qsizetype slash = key.lastIndexOf(u" / "_s);
    QString plain = slash < 0 ? key : key.mid(slash + 3);
    const qsizetype bracket = plain.indexOf(u'(');
    if (bracket > 0)
        plain = plain.left(bracket).trimmed();
    return plain;
}

// Calls `visit` with each word of `text` (its runs of letters and digits) while it says yes; tells whether it
// said yes to every one.
template <typename Visit>
bool everyWord(QStringView text, Visit visit)
{
    qsizetype start = -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool inWord = i < text.size() && text.at(i).isLetterOrNumber();
        if (inWord && start < 0)
            start = i;
        if (!inWord && start >= 0) {
            if (!visit(text.mid(start, i - start).toString()))
                return false;
            start = -1;
        }
    }
    return true;
}

// Whether one of a key's words ("tech" and "c" of "Tech-C") is among `words`.
bool hasWordOf(QStringView key, const QSet<QString>& words)
{
    return !everyWord(key, [&](const QString& word) { return !words.contains(word); });
}

// Whether every word of `text` is one of `words`; punctuation counts for nothing.
bool hasOnlyWordsOf(QStringView text, const QSet<QString>& words)
{
    return everyWord(text, [&](const QString& word) { return words.contains(word); });
}

bool isMark(QChar c)
{
    return c.isSpace() || c == u'%' || c == u'#' || c == u'*' || c == u'>' || c == u'=' || c == u'-' || c == u'['
        || c == u']';
}

// Where a verdict's words start: past "%", "***", and an error code ("%ERROR:103:", "%error 230").
qsizetype verdictStart(QStringView lower)
{
    qsizetype i = 0;
    while (i < lower.size() && isMark(lower.at(i)))
        ++i;
    if (lower.mid(i).startsWith(u"error")) {
        i += 5;
        while (i < lower.size() && (lower.at(i).isSpace() || lower.at(i) == u':' || lower.at(i).isDigit()))
            ++i;
    }
    return i;
}

QStringView firstWord(QStringView text)
{
    qsizetype end = 0;
    while (end < text.size() && !text.at(end).isSpace() && text.at(end) != u':' && text.at(end) != u'\uff1a')
        ++end;
    return text.left(end);
}

void splitKey(Line& line)
{
    QStringView text(line.content);
    // Numbered or lettered lines: JPRS's "a. [Domain Name]   EXAMPLE.JP", "1a.   Domain Name : example.gov.za".
    qsizetype mark = 0;
    while (mark < 2 && mark < text.size() && text.at(mark).isDigit())
        ++mark;
    if (mark < text.size() && text.at(mark) >= u'a' && text.at(mark) <= u'z')
        ++mark;
    if (mark > 0 && mark + 1 < text.size() && text.at(mark) == u'.' && text.at(mark + 1).isSpace())
        text = text.mid(mark + 1).trimmed();
    else if (mark == 1 && text.size() > 2 && text.at(1).isSpace() && text.mid(2).trimmed().startsWith(u'['))
        text = text.mid(2).trimmed(); // "a [Domain Name]   example.my"
    // "** Registrant:"
    while (text.startsWith(u'*'))
        text = text.mid(1).trimmed();
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close > 1 && close <= kMaxKeyLength) {
            line.hasKey = true;
            line.key = normalKey(text.mid(1, close - 1));
            line.value = text.mid(close + 1).trimmed().toString();
        }
        return;
    }
    qsizetype split = -1;
    for (qsizetype i = 0; i < text.size() && i <= kMaxKeyLength; ++i) {
        // "Record expires on Sun Mar 30 23:59:00 2014": a colon between digits is a time's.
        const bool time = i > 0 && i + 1 < text.size() && text.at(i - 1).isDigit() && text.at(i + 1).isDigit();
        if ((text.at(i) == u':' || text.at(i) == u'\uff1a') && !time) {
            split = i;
            break;
        }
    }
    if (split <= 0)
        return;
    const QStringView key = text.left(split);
    const QStringView value = text.mid(split + 1).trimmed();
    if (value.startsWith(u"//") || !std::any_of(key.begin(), key.end(), [](QChar c) { return c.isLetter(); }))
        return;
    const QString normal = normalKey(key);
    if (normal.count(u' ') >= kMaxKeyWords)
        return;
    line.hasKey = true;
    line.key = normal;
    line.value = value.toString();
}

struct Found
{
    int line = -1;
    int rank = 0;
};

class Reader
{
public:
    Reader(const QStringList& lines, const QString& asciiName, const WhoisRules& rules)
        : m_rules(rules)
        , m_ascii(asciiName.toLower())
        , m_unicode(QUrl::fromAce(asciiName.toLatin1()).toLower())
    {
        takeApart(lines);
        findHeadings();
        for (Line& line : m_lines)
            classify(line);
        findRecord();
    }

    WhoisReading read();

private:
    void takeApart(const QStringList& lines);
    void splitKnownKey(Line& line) const;
    void findHeadings();
    void classify(Line& line) const;
    void findRecord();
    void dropBlocks(bool objects);
    bool namesAsked(const QString& value) const;
    bool mayBeVerdict(const Line& line) const;
    QString verdictText(const Line& line) const;
    // The line's text against phrases that stand alone on it: what follows may be the asked name, a remark in
    // brackets and a few words that change nothing, else the phrase must end with " *". Tells whether it names
    // another name instead.
    bool standsAlone(const QString& text, const std::vector<WhoisRules::Phrase>& phrases, bool* otherName) const;
    bool isNoticeBlock(int block) const { return m_noticeBlocks.contains(block); }
    bool isBlockLead(int index) const { return index == 0 || m_lines[index - 1].block != m_lines[index].block; }
    bool inRecordBlock(const Line& line) const
    {
        return m_recordLine >= 0 && line.block == m_lines[m_recordLine].block;
    }
    bool recordHasFacts() const;
    WhoisReading registered(int evidenceLine) const;
    WhoisReading allFourWith(const CellResult& cell, int evidenceLine) const;

    const WhoisRules& m_rules;
    QString m_ascii;
    QString m_unicode;
    QList<Line> m_lines;
    QSet<int> m_noticeBlocks;
    int m_recordLine = -1; // the field that names the asked name in its record
    bool m_otherRecord = false; // a record of another name is all there is
};

void Reader::takeApart(const QStringList& lines)
{
    m_lines.resize(lines.size());
    // Blank lines part blocks, and so does a run of comments: notes before a record are no part of it.
    int block = -1;
    bool blank = true;
    bool comments = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& raw = lines.at(i);
        Line& line = m_lines[i];
        line.content = raw.trimmed();
        // A comment with nothing in it ("%", "#") or a rule ("****", "-----") parts blocks as a blank line does.
        if (std::none_of(line.content.cbegin(), line.content.cend(), [](QChar c) { return c.isLetterOrNumber(); })) {
            blank = true;
            continue;
        }
        line.comment = line.content.startsWith(u'%') || line.content.startsWith(u'#') || line.content.startsWith(u'>');
        if (blank || line.comment != comments)
            ++block;
        blank = false;
        comments = line.comment;
        line.block = block;
        for (QChar c : raw) {
            if (c == u' ')
                ++line.indent;
            else if (c == u'\t')
                line.indent += 4;
            else
                break;
        }
        if (!line.comment)
            splitKey(line);
        // Fields need no lower case of their own: their key is.
        if (!line.hasKey)
            line.lower = line.content.toLower();
        if (!line.comment && !line.hasKey)
            splitKnownKey(line);
        // Prose tells of terms of use; a field's value never does, its key may ("Terms of Use: …").
        const QString& prose = line.hasKey ? line.key : line.lower;
        if (!m_noticeBlocks.contains(block) && m_rules.noticeSet.foundIn(prose))
            m_noticeBlocks.insert(block);
    }
}

void Reader::splitKnownKey(Line& line) const
{
    // "Record created on 22-Apr-2003": a known field written without a colon, followed by its value.
    if (line.content.size() > kMaxVerdictLength)
        return;
    const auto candidates = m_rules.keysByFirstWord.constFind(firstWord(line.lower).toString());
    if (candidates == m_rules.keysByFirstWord.cend())
        return;
    for (const QString& key : *candidates) {
        if (!line.lower.startsWith(key) || line.lower.size() <= key.size() || !line.lower.at(key.size()).isSpace())
            continue;
        // "Domain not found" is no field, nor "Domain name example.bg does not exist"; "Domain-name   example.sk" is.
        const QString rest = line.content.mid(key.size()).trimmed();
        if (m_rules.fieldRoles.value(key).first == Role::Domain && (!rest.contains(u'.') || rest.contains(u' ')))
            continue;
        line.hasKey = true;
        line.key = key;
        line.value = rest;
        return;
    }
}

void Reader::findHeadings()
{
    for (int i = 0; i < m_lines.size(); ++i) {
        Line& line = m_lines[i];
        if (line.block < 0 || line.comment)
            continue;
        // "Registrant:" or a bare "Registrant" over the lines that belong to it.
        const bool emptyKey = line.hasKey && line.value.isEmpty();
        const bool bare = !line.hasKey && line.content.size() <= kMaxKeyLength && !line.content.endsWith(u'.');
        if (!emptyKey && !bare)
            continue;
        const int next = i + 1;
        const bool indentedUnder = next < m_lines.size() && m_lines[next].block == line.block
            && m_lines[next].indent > line.indent;
        if (!indentedUnder && !emptyKey)
            continue;
        const QString key = emptyKey ? line.key : normalKey(line.content);
        const bool excluded = hasWordOf(key, m_rules.contactSet) || hasWordOf(key, m_rules.nameServerSet);
        const bool known = excluded || m_rules.fieldRoles.contains(key) || key == u"registrar"_s;
        if (!indentedUnder && !known)
            continue;
        line.isHeading = true;
        line.hasKey = true;
        line.key = key;
        line.excluded = excluded;
        // What stands under it: the more indented lines, or those up to the block's end or the next heading.
        bool valueTaken = false;
        for (int j = next; j < m_lines.size() && m_lines[j].block == line.block; ++j) {
            Line& under = m_lines[j];
            if (indentedUnder ? under.indent <= line.indent : (under.hasKey && under.value.isEmpty()))
                break;
            under.heading = i;
            under.excluded = under.excluded || excluded;
            // "Domain name:" over "    example.co.uk": the first bare line is the heading's own value.
            if (!under.hasKey && !under.comment && !valueTaken && (indentedUnder || !excluded)) {
                line.value = under.content;
                valueTaken = true;
            }
        }
    }
}

void Reader::classify(Line& line) const
{
    if (!line.hasKey)
        return;
    line.plain = plainKey(line.key);
    const auto find = [&](const QString& key) {
        const auto found = m_rules.fieldRoles.constFind(key);
        if (found == m_rules.fieldRoles.cend())
            return false;
        line.role = found->first;
        line.rank = found->second;
        return true;
    };
    // "name" under "Registrar" first, then the key as written, then as known.
    if (line.heading < 0 || !find(plainKey(m_lines[line.heading].key) + u'/' + line.plain))
        find(line.key) || (line.plain.size() != line.key.size() && find(line.plain));
    // "Creation Date (dd/mm/yyyy)" says how its dates are written.
    if (line.plain.size() != line.key.size() && line.key.contains(u"(dd"_s))
        line.order = DateOrder::DayMonth;
    else if (line.plain.size() != line.key.size() && line.key.contains(u"(mm"_s))
        line.order = DateOrder::MonthDay;
}

bool Reader::namesAsked(const QString& value) const
{
    QString first = firstWord(value).toString().section(u'\t', 0, 0).toLower();
    if (first.endsWith(u'.'))
        first.chop(1);
    return !first.isEmpty() && (first == m_ascii || first == m_unicode);
}

void Reader::findRecord()
{
    bool otherName = false;
    for (int i = 0; i < m_lines.size() && m_recordLine < 0; ++i) {
        const Line& line = m_lines[i];
        if (line.excluded || line.value.isEmpty() || line.role != Role::Domain)
            continue;
        if (namesAsked(line.value))
            m_recordLine = i;
        else
            otherName = true;
    }
    if (m_recordLine < 0)
        m_otherRecord = otherName;
    // An object: a block that starts with the name's own field and goes on with more ("domain: example.fr",
    // "status: ACTIVE"…), as RIPE-style registries write each object.
    const Line* record = m_recordLine >= 0 ? &m_lines[m_recordLine] : nullptr;
    const bool objects = record && !record->isHeading && isBlockLead(m_recordLine)
        && std::count_if(m_lines.cbegin(), m_lines.cend(),
               [&](const Line& line) { return line.block == record->block && line.hasKey; })
            > 1;
    dropBlocks(objects);
}

void Reader::dropBlocks(bool objects)
{
    QSet<QString> recordKeys;
    for (const Line& line : std::as_const(m_lines)) {
        if (objects && inRecordBlock(line) && line.hasKey)
            recordKeys.insert(line.key);
    }
    for (int i = 0; i < m_lines.size(); ++i) {
        const Line& lead = m_lines[i];
        if (lead.block < 0 || lead.comment || !isBlockLead(i) || inRecordBlock(lead))
            continue;
        const bool field = lead.hasKey && !lead.isHeading;
        const bool domainLead = field && !lead.value.isEmpty() && lead.role == Role::Domain;
        // A contact's object ("nic-hdl:", "contact:"), another name's record, and where the record is an object
        // of its own ("domain: example.fr"), the objects after it that start with one of its fields ("registrar:",
        // the registrar's, with its own "registered" date), with a contact or with name servers.
        const bool drop = (field && m_rules.contactObjectSet.contains(lead.plain))
            || (domainLead && !namesAsked(lead.value))
            || (objects && field && !domainLead
                && (recordKeys.contains(lead.key) || hasWordOf(lead.key, m_rules.nameServerSet)
                    || hasWordOf(lead.key, m_rules.contactSet)));
        for (int j = i; drop && j < m_lines.size() && m_lines[j].block == lead.block; ++j)
            m_lines[j].excluded = true;
    }
}

bool Reader::recordHasFacts() const
{
    // A record is more than the name: a registrar, a date, a status, contacts or name servers. The name alone,
    // beside a server's counters or a notice, says nothing.
    for (int i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        // The record's own headings of contacts and name servers tell of a record, though nothing is read there.
        if (line.isHeading && line.excluded && line.block >= m_lines[m_recordLine].block)
            return true;
        if (i == m_recordLine || line.excluded || line.comment || !line.hasKey || line.value.isEmpty())
            continue;
        if ((line.role != Role::None && line.role != Role::Domain) || m_rules.statusSet.contains(line.plain)
            || hasWordOf(line.plain, m_rules.nameServerSet) || hasWordOf(line.plain, m_rules.contactSet)
            || line.plain.startsWith(u"name server"_s))
            return true;
    }
    return false;
}

bool Reader::mayBeVerdict(const Line& line) const
{
    // Most lines of a record are fields no verdict starts with; their status is read as one.
    if (line.hasKey && !line.isHeading && m_rules.statusSet.contains(line.plain))
        return true;
    const QString& lower = line.hasKey ? line.plain : line.lower;
    const QStringView text = QStringView(lower).mid(verdictStart(lower));
    const QStringView word = firstWord(text);
    if (m_rules.verdictStarts.count(std::u16string_view(reinterpret_cast<const char16_t*>(word.utf16()), size_t(word.size()))))
        return true;
    // "example.com is free", "\"example.se\" not found", "[example.my]".
    const QStringView bare = text.mid(text.startsWith(u'"') || text.startsWith(u'\'') || text.startsWith(u'[') ? 1 : 0);
    return m_rules.verdictStarts.count(u"{name}") && (bare.startsWith(m_ascii) || bare.startsWith(m_unicode));
}

QString Reader::verdictText(const Line& line) const
{
    QString text;
    if (line.hasKey && !line.isHeading) {
        // "Domain Status: available" is read as "status: available".
        text = (m_rules.statusSet.contains(line.plain) ? u"status"_s : line.plain) + u": "_s + line.value.toLower();
    } else {
        const QString lower = line.hasKey ? line.content.toLower() : line.lower;
        text = lower.mid(verdictStart(lower));
    }
    text.removeIf([](QChar c) { return c == u'"' || c == u'\'' || c == u'\u2018' || c == u'\u2019' || c == u'\u201c'
                                          || c == u'\u201d'; });
    text = text.simplified();
    // The name as a whole word: "other-example.cn" is another name, not "other-" and ours.
    const auto partOfName = [](QChar c) { return c.isLetterOrNumber() || c == u'-' || c == u'.' || c == u'_'; };
    for (const QString& name : {m_ascii, m_unicode}) {
        for (qsizetype at = name.isEmpty() ? -1 : text.indexOf(name); at >= 0; at = text.indexOf(name, at + 1)) {
            const qsizetype end = at + name.size();
            const bool whole = (at == 0 || !partOfName(text.at(at - 1)))
                && (end == text.size() || !partOfName(text.at(end)) || (text.at(end) == u'.' && end + 1 == text.size())
                    || (text.at(end) == u'.' && !partOfName(text.at(end + 1))));
            if (whole)
                text.replace(at, name.size(), u"{name}"_s);
        }
    }
    // "Domain Name [example.my] does not exist", "(example.ie)": the name in brackets is the name.
    return text.replace(u"[{name}]"_s, u"{name}"_s).replace(u"({name})"_s, u"{name}"_s);
}

bool Reader::standsAlone(const QString& text, const std::vector<WhoisRules::Phrase>& phrases, bool* otherName) const
{
    static const QRegularExpression domainLike(u"[\\p{L}\\p{N}_-]+(?:\\.[\\p{L}\\p{N}_-]+)+"_s);
    static const QRegularExpression remark(u"\\([^()]*\\)"_s);
    // "No match for domain example.name", "not registered here": what may follow a verdict and change nothing.
    static const QSet<QString> connectors {u"for"_s, u"of"_s, u"on"_s, u"in"_s, u"to"_s, u"the"_s, u"our"_s,
        u"this"_s, u"domain"_s, u"name"_s, u"object"_s, u"query"_s, u"match"_s, u"database"_s, u"registry"_s,
        u"registration"_s, u"purchase"_s, u"here"_s, u"found"_s};
    for (const WhoisRules::Phrase& prepared : phrases) {
        // "No match for example": some servers name the asked name's first label alone.
        const QString phrase = prepared.label
            ? QString(prepared.text).replace(u"{label}"_s, m_ascii.section(u'.', 0, 0))
            : prepared.text;
        if (!text.startsWith(phrase))
            continue;
        if (prepared.anyRest) {
            *otherName = false;
            return true;
        }
        QString rest = text.mid(phrase.size());
        rest.remove(u"{name}"_s);
        const bool named = rest.contains(domainLike);
        rest.remove(domainLike).remove(remark);
        if (!hasOnlyWordsOf(rest, connectors))
            continue;
        *otherName = named;
        return true;
    }
    return false;
}

WhoisReading Reader::allFourWith(const CellResult& cell, int evidenceLine) const
{
    WhoisReading reading {allFour(cell), {}};
    if (evidenceLine >= 0)
        reading.evidence.insert(Key::RegStatus, {evidenceLine});
    return reading;
}

WhoisReading Reader::registered(int evidenceLine) const
{
    Found best[5];
    DateOrder orders[5];
    for (int i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.excluded || line.comment || line.value.isEmpty() || line.role == Role::None)
            continue;
        // The record's own block tells more than any other: a name server object has its own "created".
        const int rank = line.rank + (m_recordLine >= 0 && !inRecordBlock(line) ? 1000 : 0);
        Found& slot = best[int(line.role)];
        if (slot.line < 0 || rank < slot.rank) {
            slot = {i, rank};
            orders[int(line.role)] = line.order != DateOrder::Unknown ? line.order : m_rules.dateOrder;
        }
    }
    WhoisReading reading;
    reading.cells.insert(Key::RegStatus, {u"已注册"_s});
    reading.evidence.insert(Key::RegStatus, {evidenceLine});
    const Found& registrar = best[int(Role::Registrar)];
    if (registrar.line >= 0) {
        reading.cells.insert(Key::RegRegistrar, {m_lines[registrar.line].value.simplified()});
        reading.evidence.insert(Key::RegRegistrar, {registrar.line});
    } else {
        reading.cells.insert(Key::RegRegistrar, {kNone});
    }
    const std::pair<QString, Role> dates[] = {{Key::RegCreated, Role::Created}, {Key::RegExpiry, Role::Expiry}};
    for (const auto& [key, role] : dates) {
        const Found& found = best[int(role)];
        if (found.line < 0) {
            reading.cells.insert(key, {kNone});
            continue;
        }
        const QString date = whoisDate(m_lines[found.line].value, orders[int(role)]);
        reading.cells.insert(key, date.isEmpty() ? CellResult {kNone, u"日期无法识别"_s} : CellResult {date});
        reading.evidence.insert(key, {found.line});
    }
    return reading;
}

WhoisReading Reader::read()
{
    if (std::all_of(m_lines.cbegin(), m_lines.cend(), [](const Line& line) { return line.block < 0; }))
        return allFourWith({kUnknown, u"WHOIS 应答为空"_s}, -1);
    int notFound = -1;
    int notFoundOther = -1;
    int reserved = -1;
    int busy = -1;
    int held = -1;
    bool statusFree = false;
    for (int i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.block < 0 || line.content.size() > kMaxVerdictLength)
            continue;
        bool other = false;
        const bool inRecord = inRecordBlock(line);
        // Said where the record is not, at its contacts or another name's record: only a held name's answer
        // that starts with its registrant (.tr) counts there.
        if (line.excluded && !inRecord) {
            if (held < 0 && line.isHeading && mayBeVerdict(line)
                && standsAlone(verdictText(line), m_rules.registeredPhrases, &other) && !other)
                held = i;
            continue;
        }
        // A server asking us to slow down says so where there are no terms of use.
        if (busy < 0 && !line.hasKey && !isNoticeBlock(line.block) && m_rules.rateLimitSet.foundIn(line.lower))
            busy = i;
        // A verdict stands as the answer: the first line of its block, or in a block that is no notice.
        if ((!isBlockLead(i) && isNoticeBlock(line.block)) || !mayBeVerdict(line))
            continue;
        const QString text = verdictText(line);
        if (notFound < 0 && standsAlone(text, m_rules.notFoundPhrases, &other)) {
            if (!other) {
                notFound = i;
                statusFree = inRecord;
            } else if (notFoundOther < 0) {
                notFoundOther = i;
            }
        }
        if (reserved < 0 && !line.comment && standsAlone(text, m_rules.reservedPhrases, &other) && !other)
            reserved = i;
        if (held < 0 && standsAlone(text, m_rules.registeredPhrases, &other) && !other)
            held = i;
    }
    // The record's own status says free ("Status: free", "Status: AVAILABLE") or kept back.
    if (notFound >= 0 && statusFree)
        return {notRegistered(), {{Key::RegStatus, {notFound}}}};
    if (reserved >= 0 && inRecordBlock(m_lines[reserved]))
        return allFourWith({kUnknown, u"保留域名"_s}, reserved);
    if (m_recordLine >= 0 && recordHasFacts())
        return registered(m_recordLine);
    if (notFound >= 0)
        return {notRegistered(), {{Key::RegStatus, {notFound}}}};
    if (held >= 0)
        return registered(held);
    if (reserved >= 0)
        return allFourWith({kUnknown, u"保留域名"_s}, reserved);
    if (busy >= 0) {
        CellResult cell {kUnknown, u"WHOIS 服务器要求放慢查询"_s};
        cell.pushBack = PushBack::Busy;
        return allFourWith(cell, busy);
    }
    if (m_recordLine >= 0)
        return allFourWith({kUnknown, u"WHOIS 记录中只有域名，没有注册信息"_s}, m_recordLine);
    if (m_otherRecord || notFoundOther >= 0)
        return allFourWith({kUnknown, u"WHOIS 应答不是 %1 的记录"_s.arg(m_ascii)}, notFoundOther);
    return allFourWith({kUnknown, u"WHOIS 应答无法识别"_s}, -1);
}

int monthNumber(const QString& name)
{
    // "Apr", "April", "Sept": a month's name or its start, three letters at least.
    const QString lower = name.toLower();
    static const QStringList full {u"january"_s, u"february"_s, u"march"_s, u"april"_s, u"may"_s, u"june"_s,
        u"july"_s, u"august"_s, u"september"_s, u"october"_s, u"november"_s, u"december"_s};
    for (int i = 0; i < 12; ++i) {
        if (lower.size() >= 3 && full.at(i).startsWith(lower))
            return i + 1;
    }
    return 0;
}

} // namespace

QStringList whoisLines(const QByteArray& answer, const QByteArray& encoding)
{
    QStringList lines;
    if (isAscii(answer) || isUtf8(answer)) {
        // The usual case: one decoding for the whole answer.
        lines = QString::fromUtf8(answer).split(u'\n');
    } else {
        std::optional<QStringDecoder> other;
        for (const QByteArray& line : answer.split('\n')) {
            if (isAscii(line) || isUtf8(line)) {
                lines.append(QString::fromUtf8(line));
                continue;
            }
            // A decoder of its own for each line: a broken sequence must not swallow the next line's start.
            other.emplace(encoding.isEmpty() ? "GB18030" : encoding.constData(), QStringDecoder::Flag::Stateless);
            lines.append(other->isValid() ? other->decode(line) : QString::fromUtf8(line));
        }
    }
    for (QString& line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    return lines;
}

QString whoisText(const QByteArray& answer, const QByteArray& encoding)
{
    return whoisLines(answer, encoding).join(u'\n');
}

QString whoisReferral(const QString& ianaAnswer)
{
    static const QRegularExpression refer(u"^\\s*(?:refer|whois):\\s*(\\S+)\\s*$"_s,
        QRegularExpression::MultilineOption | QRegularExpression::CaseInsensitiveOption);
    return refer.match(ianaAnswer).captured(1).toLower();
}

WhoisReading readWhois(const QStringList& lines, const QString& asciiName, const WhoisRules& rules)
{
    return Reader(lines, asciiName, rules).read();
}

QString whoisDate(const QString& value, DateOrder order)
{
    static const QRegularExpression yearFirst(u"^(\\d{4})\\s*[-/.]\\s*(\\d{1,2})\\s*[-/.]\\s*(\\d{1,2})(?!\\d)"_s);
    static const QRegularExpression compact(u"^(\\d{4})(\\d{2})(\\d{2})(?!\\d)"_s);
    static const QRegularExpression chinese(u"^(\\d{4})\\s*年\\s*(\\d{1,2})\\s*月\\s*(\\d{1,2})\\s*日"_s);
    static const QRegularExpression yearLast(u"^(\\d{1,2})\\s*[-/.]\\s*(\\d{1,2})\\s*[-/.]\\s*(\\d{4})(?!\\d)"_s);
    // "06-Apr-2004", "21-March-2002", "7th April, 2018", "Friday 7th November 2003".
    static const QRegularExpression dayName(
        u"^(?:[A-Za-z]{3,9},?\\s+)?(\\d{1,2})(?:st|nd|rd|th)?[-/. ]+([A-Za-z]{3,9})\\.?[-/., ]+(\\d{4})(?!\\d)"_s);
    // "Connected (2010/09/30)": JPRS gives a name's paid-up date beside its state.
    static const QRegularExpression bracketed(u"\\((\\d{4})[-/.](\\d{1,2})[-/.](\\d{1,2})\\)"_s);
    static const QRegularExpression yearName(u"^(\\d{4})[-/. ]([A-Za-z]{3,9})[-/. ](\\d{1,2})(?!\\d)"_s);
    // "Tue Apr 06 2004", "April 6, 2004", date(1)'s "Tue Apr  6 00:00:00 CEST 2004".
    static const QRegularExpression nameFirst(
        u"^(?:[A-Za-z]{3,9},?\\s+)?([A-Za-z]{3,9})\\.?\\s+(\\d{1,2})(?:st|nd|rd|th)?,?\\s+"
        u"(?:\\d{1,2}:\\d{2}(?::\\d{2})?\\s+(?:[A-Za-z]{2,5}\\s+)?)?(\\d{4})(?!\\d)"_s);
    QString text = value.trimmed();
    if (text.startsWith(u'"') || text.startsWith(u'\''))
        text = text.mid(1);
    int year = 0;
    int month = 0;
    int day = 0;
    if (auto m = yearFirst.match(text); m.hasMatch()) {
        year = m.captured(1).toInt(), month = m.captured(2).toInt(), day = m.captured(3).toInt();
    } else if (auto m = chinese.match(text); m.hasMatch()) {
        year = m.captured(1).toInt(), month = m.captured(2).toInt(), day = m.captured(3).toInt();
    } else if (auto m = compact.match(text); m.hasMatch()) {
        year = m.captured(1).toInt(), month = m.captured(2).toInt(), day = m.captured(3).toInt();
    } else if (auto m = yearLast.match(text); m.hasMatch()) {
        const int first = m.captured(1).toInt();
        const int second = m.captured(2).toInt();
        year = m.captured(3).toInt();
        // The registry's order where it is known; else only what the numbers themselves decide.
        if (order == DateOrder::DayMonth || (order == DateOrder::Unknown && (first > 12 || first == second)))
            day = first, month = second;
        else if (order == DateOrder::MonthDay || (order == DateOrder::Unknown && second > 12))
            month = first, day = second;
        else
            return {};
    } else if (auto m = dayName.match(text); m.hasMatch()) {
        day = m.captured(1).toInt(), month = monthNumber(m.captured(2)), year = m.captured(3).toInt();
    } else if (auto m = yearName.match(text); m.hasMatch()) {
        year = m.captured(1).toInt(), month = monthNumber(m.captured(2)), day = m.captured(3).toInt();
    } else if (auto m = nameFirst.match(text); m.hasMatch()) {
        month = monthNumber(m.captured(1)), day = m.captured(2).toInt(), year = m.captured(3).toInt();
    } else if (auto m = bracketed.match(text); m.hasMatch()) {
        year = m.captured(1).toInt(), month = m.captured(2).toInt(), day = m.captured(3).toInt();
    }
    const QDate date(year, month, day);
    return date.isValid() && year >= 1985 ? date.toString(u"yyyy-MM-dd"_s) : QString();
}
