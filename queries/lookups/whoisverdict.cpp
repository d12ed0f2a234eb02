// SPDX-License-Identifier: GPL-3.0-or-later
// What a WHOIS answer says of the asked name: the registry's own words for a name held, free, kept back or
// asked too fast, standing as the answer, and the facts of a held name's record.
#include "queries/lookups/whoisreader.h"

#include "queries/engine/keys.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <array>

using namespace Qt::Literals::StringLiterals;

namespace whois {

namespace {

QString unknown()
{
    return QCoreApplication::translate("Cells", "未知");
}

} // namespace

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

bool Reader::deniesItsKey(const Line& line) const
{
    // "Reserved By Registry: No": a field that says its key is not so.
    static const QSet<QString> denials {u"no"_s, u"n"_s, u"false"_s, u"0"_s, u"none"_s, u"否"_s, u"无"_s};
    return line.hasKey && !line.isHeading && !isStatusField(line) && denials.contains(line.value.toLower());
}

int Reader::freeStatusLine() const
{
    // "Status: NOT AVAILABLE" is .be's held name.
    static const QSet<QString> freeWords {u"available"_s, u"free"_s};
    static const QSet<QString> negations {u"not"_s, u"no"_s, u"non"_s};
    for (int i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (!inRecordBlock(line) || !isStatusField(line) || line.excluded)
            continue;
        const QString value = line.value.toLower();
        if (hasWordOf(value, freeWords) && !hasWordOf(value, negations))
            return i;
    }
    return -1;
}

bool Reader::mayBeVerdict(const Line& line) const
{
    // Most lines of a record are fields no verdict starts with; their status is read as one.
    if (isStatusField(line))
        return true;
    if (deniesItsKey(line))
        return false;
    const QString& lower = line.hasKey ? line.plain : line.lower;
    const QStringView text = QStringView(lower).mid(verdictStart(lower));
    const QStringView word = firstWord(text);
    if (m_rules.verdictStarts.count(
            std::u16string_view(reinterpret_cast<const char16_t*>(word.utf16()), size_t(word.size()))))
        return true;
    // "example.com is free", "\"example.se\" not found", "[example.my]".
    const QStringView bare = text.mid(text.startsWith(u'"') || text.startsWith(u'\'') || text.startsWith(u'[') ? 1 : 0);
    return m_rules.verdictStarts.count(u"{name}") && (bare.startsWith(m_ascii) || bare.startsWith(m_unicode));
}

QString Reader::verdictText(const Line& line) const
{
    QString text;
    if (isStatusField(line)) {
        // "Domain Status: available" is read as "status: available", and so is .nz's "query_status: 220
        // Available": a status's code in front is no part of its words.
        QStringView value(line.value);
        while (!value.isEmpty() && value.front().isDigit())
            value = value.mid(1);
        text = u"status: "_s + (value.size() == line.value.size() ? value : value.trimmed()).toString().toLower();
    } else if (line.hasKey && !line.isHeading) {
        text = line.plain + u": "_s + line.value.toLower();
    } else {
        const QString lower = line.hasKey ? line.content.toLower() : line.lower;
        text = lower.mid(verdictStart(lower));
    }
    text.removeIf([](QChar c) {
        return c == u'"' || c == u'\'' || c == u'\u2018' || c == u'\u2019' || c == u'\u201c' || c == u'\u201d';
    });
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
    static const QSet<QString> connectors {u"for"_s, u"of"_s, u"on"_s, u"in"_s, u"to"_s, u"the"_s, u"our"_s, u"this"_s,
        u"domain"_s, u"name"_s, u"object"_s, u"query"_s, u"match"_s, u"database"_s, u"registry"_s, u"registration"_s,
        u"purchase"_s, u"here"_s, u"found"_s};
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
    std::array<Found, size_t(Role::Count)> best;
    std::array<DateOrder, size_t(Role::Count)> orders {};
    for (int i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.excluded || line.comment || line.value.isEmpty() || line.role == Role::None)
            continue;
        // The record's own block tells more than any other: a name server object has its own "created".
        const int rank = line.rank + (m_recordLine >= 0 && !inRecordBlock(line) ? 1000 : 0);
        Found& slot = best[size_t(line.role)];
        if (slot.line < 0 || rank < slot.rank) {
            slot = {i, rank};
            orders[size_t(line.role)] = line.order != DateOrder::Unknown ? line.order : m_rules.dateOrder;
        }
    }
    WhoisReading reading;
    reading.cells.insert(Key::RegStatus, CellResult::of(CellValue::verdict(Verdict::Registered)));
    reading.evidence.insert(Key::RegStatus, {evidenceLine});
    const Found& registrar = best[size_t(Role::Registrar)];
    if (registrar.line >= 0) {
        reading.cells.insert(Key::RegRegistrar, {m_lines[registrar.line].value.simplified()});
        reading.evidence.insert(Key::RegRegistrar, {registrar.line});
    } else {
        reading.cells.insert(Key::RegRegistrar, CellResult::of(CellValue::nothing()));
    }
    const std::pair<QString, Role> dates[] = {{Key::RegCreated, Role::Created}, {Key::RegExpiry, Role::Expiry}};
    for (const auto& [key, role] : dates) {
        const Found& found = best[size_t(role)];
        if (found.line < 0) {
            reading.cells.insert(key, CellResult::of(CellValue::nothing()));
            continue;
        }
        const QString date = whoisDate(m_lines[found.line].value, orders[size_t(role)]);
        reading.cells.insert(key,
            date.isEmpty() ? CellResult {noneText(), QCoreApplication::translate("Registration", "日期无法识别")}
                           : dayCell(date));
        reading.evidence.insert(key, {found.line});
    }
    return reading;
}

Reader::Verdicts Reader::findVerdicts() const
{
    Verdicts found;
    const bool recordFacts = m_recordLine >= 0 && recordHasFacts();
    for (int i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.block < 0 || line.content.size() > kMaxVerdictLength)
            continue;
        bool other = false;
        const bool inRecord = inRecordBlock(line);
        // Said where the record is not, at its contacts or another name's record: only a held name's answer
        // that starts with its registrant (.tr) counts there.
        if (line.excluded && !inRecord) {
            if (found.held < 0 && line.isHeading && mayBeVerdict(line)
                && standsAlone(verdictText(line), m_rules.registeredPhrases, &other) && !other)
                found.held = i;
            continue;
        }
        // A server asking us to slow down says so where there are no terms of use.
        if (found.busy < 0 && !line.hasKey && !isNoticeBlock(line.block) && m_rules.rateLimitSet.foundIn(line.lower))
            found.busy = i;
        // A verdict stands as the answer: the first line of its block, or in a block that is no notice.
        if ((!isBlockLead(i) && isNoticeBlock(line.block)) || !mayBeVerdict(line))
            continue;
        const QString text = verdictText(line);
        // Inside a record only its own status field may say the name is free: a "Not found" between its
        // fields is a server's slip or another question's answer. The name alone is an echo, no record.
        const bool mayBeFree = !inRecord || isStatusField(line) || !recordFacts;
        if (found.notFound < 0 && mayBeFree && standsAlone(text, m_rules.notFoundPhrases, &other)) {
            if (!other) {
                found.notFound = i;
                found.statusFree = inRecord;
            } else if (found.notFoundOther < 0) {
                found.notFoundOther = i;
            }
        }
        if (found.reserved < 0 && !line.comment && standsAlone(text, m_rules.reservedPhrases, &other) && !other)
            found.reserved = i;
        if (found.held < 0 && standsAlone(text, m_rules.registeredPhrases, &other) && !other)
            found.held = i;
    }
    return found;
}

WhoisReading Reader::read() const
{
    if (m_tooLong)
        return allFourWith(
            {unknown(),
                QCoreApplication::translate("Registration", "WHOIS 应答过长（超过 %1 行），未读").arg(kMaxWhoisLines)},
            -1);
    // Bytes that no encoding reads are something, not nothing: such an answer is unrecognised, never empty.
    if (std::all_of(m_lines.cbegin(), m_lines.cend(),
            [](const Line& line) { return line.block < 0 && !line.content.contains(QChar::ReplacementCharacter); }))
        return allFourWith({unknown(), QCoreApplication::translate("Registration", "WHOIS 应答为空")}, -1);
    const Verdicts found = findVerdicts();
    // The record's own status says free ("Status: free", "Status: AVAILABLE") or kept back.
    if (found.notFound >= 0 && found.statusFree)
        return {notRegistered(), {{Key::RegStatus, {found.notFound}}}};
    if (found.reserved >= 0 && inRecordBlock(m_lines[found.reserved]))
        return allFourWith({unknown(), QCoreApplication::translate("Registration", "保留域名")}, found.reserved);
    if (m_recordLine >= 0 && recordHasFacts()) {
        // A record whose own status says the name is free, in words no phrase knows, is no held name's.
        if (const int free = freeStatusLine(); free >= 0)
            return allFourWith({unknown(),
                                   QCoreApplication::translate("Registration", "WHOIS 记录的状态是 %1，不能算已注册")
                                       .arg(m_lines[free].value)},
                free);
        return registered(m_recordLine);
    }
    // A not-found beside an echo or a record of another name may be that name's.
    if (found.notFound >= 0 && !m_otherRecord)
        return {notRegistered(), {{Key::RegStatus, {found.notFound}}}};
    if (found.held >= 0)
        return registered(found.held);
    if (found.reserved >= 0)
        return allFourWith({unknown(), QCoreApplication::translate("Registration", "保留域名")}, found.reserved);
    if (found.busy >= 0) {
        CellResult cell {unknown(), QCoreApplication::translate("Registration", "WHOIS 服务器要求放慢查询")};
        cell.pushBack = PushBack::Busy;
        return allFourWith(cell, found.busy);
    }
    if (m_recordLine >= 0)
        return allFourWith(
            {unknown(), QCoreApplication::translate("Registration", "WHOIS 记录中只有域名，没有注册信息")},
            m_recordLine);
    if (m_otherRecord || found.notFoundOther >= 0)
        return allFourWith(
            {unknown(), QCoreApplication::translate("Registration", "WHOIS 应答不是 %1 的记录").arg(m_ascii)},
            m_otherRecord ? m_otherLine : found.notFoundOther);
    return allFourWith({unknown(), QCoreApplication::translate("Registration", "WHOIS 应答无法识别")}, -1);
}

} // namespace whois

WhoisReading readWhois(const QStringList& lines, const QString& asciiName, const WhoisRules& rules)
{
    return whois::Reader(lines, asciiName, rules).read();
}
