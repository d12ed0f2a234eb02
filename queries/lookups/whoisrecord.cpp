// SPDX-License-Identifier: GPL-3.0-or-later
// Where the asked name's record stands in a WHOIS answer: the lines taken apart into blocks and headings, each
// field's role, and the blocks that are a contact's, a name server's, another name's or another object's.
#include "queries/lookups/whoisreader.h"

using namespace Qt::Literals::StringLiterals;

namespace whois {

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
        const bool indentedUnder
            = next < m_lines.size() && m_lines[next].block == line.block && m_lines[next].indent > line.indent;
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
    // A registrar's section ("Registrar" over "Created:", "Expire Date:") holds the registrar's own dates.
    static const QSet<QString> registrar {u"registrar"_s};
    const bool dated = line.role == Role::Created || line.role == Role::Expiry;
    if (dated && line.heading >= 0 && hasWordOf(m_lines[line.heading].key, registrar))
        line.role = Role::None;
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
        if (namesAsked(line.value)) {
            m_recordLine = i;
        } else if (!otherName) {
            otherName = true;
            m_otherLine = i;
        }
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

} // namespace whois
