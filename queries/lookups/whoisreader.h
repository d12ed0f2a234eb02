// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The reader of one WHOIS answer: the lines taken apart, the asked name's record found among contacts, name
// servers, other names and notices, and the verdict read from the registry's own words. Shared by the reader's
// files only.
#include "queries/lookups/whois.h"
#include "queries/lookups/whoisfields.h"

#include <QList>
#include <QSet>
#include <QUrl>

namespace whois {

// The most telling line found for one role.
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
        if (lines.size() > kMaxWhoisLines) {
            m_tooLong = true;
            return;
        }
        takeApart(lines);
        findHeadings();
        for (Line& line : m_lines)
            classify(line);
        findRecord();
    }

    WhoisReading read() const;

private:
    // The lines that stand as the registry's own answer, each the first of its kind (-1: none).
    struct Verdicts
    {
        int notFound = -1;
        int notFoundOther = -1; // a not-found of another name
        int reserved = -1;
        int busy = -1;
        int held = -1;
        bool statusFree = false; // the not-found is the record's own status
    };

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
    bool isStatusField(const Line& line) const
    {
        return line.hasKey && !line.isHeading && m_rules.statusSet.contains(line.plain);
    }
    bool deniesItsKey(const Line& line) const;
    bool isBlockLead(int index) const { return index == 0 || m_lines[index - 1].block != m_lines[index].block; }
    bool inRecordBlock(const Line& line) const
    {
        return m_recordLine >= 0 && line.block == m_lines[m_recordLine].block;
    }
    bool recordHasFacts() const;
    int freeStatusLine() const;
    WhoisReading registered(int evidenceLine) const;
    WhoisReading allFourWith(const CellResult& cell, int evidenceLine) const;
    Verdicts findVerdicts() const;

    const WhoisRules& m_rules;
    QString m_ascii;
    QString m_unicode;
    QList<Line> m_lines;
    QSet<int> m_noticeBlocks;
    int m_recordLine = -1; // the field that names the asked name in its record
    bool m_otherRecord = false; // a record of another name, or an echo of one, is all there is
    int m_otherLine = -1; // the field that names that other name
    bool m_tooLong = false; // more lines than any record: not read
};

} // namespace whois
