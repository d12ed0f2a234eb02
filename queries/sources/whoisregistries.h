// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the program knows of each WHOIS registry: its server, its suffixes, and the words and fields its answers use.
#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <bitset>
#include <string_view>
#include <unordered_set>

#include <memory>
#include <vector>

// How to read numeric dates a registry writes with the year last: 06-04-2004 is the 6th of April at most
// registries and the 4th of June at a few. Never guessed: without an order, such a date is read only where
// the numbers leave no choice.
enum class DateOrder { Unknown, DayMonth, MonthDay };

// Phrases looked for anywhere in a text, at the speed of one pass: each position is tried only where two letters
// that start a phrase stand.
class PhraseSet
{
public:
    void add(const QString& phrase);
    bool foundIn(QStringView text) const;

private:
    QStringList m_phrases;
    std::bitset<128 * 128> m_asciiStarts; // the first two characters of each phrase, where both are ASCII
    QSet<quint32> m_otherStarts; // and where they are not
};

// What one WHOIS server's answers look like, as the registry publishes them (data/whois-registries.json), on top
// of what most servers share. Phrases and field names are in lower case; a field name "registrar/name" is the
// "name" line under a "Registrar" heading.
struct WhoisRules
{
    QString server;
    QStringList suffixes; // the suffixes it answers for, in ASCII: their names are asked there directly
    // Suffixes whose answers it gives, asked where IANA's referral says: a host the file names may be gone or
    // renamed since, and IANA's referral stays current, so only the reading follows the suffix.
    QStringList serves;
    QString query = QStringLiteral("{name}"); // {name}: the name in ASCII; {unicode}: as people write it
    QByteArray encoding; // of a line that is not UTF-8; empty: GB18030
    DateOrder dateOrder = DateOrder::Unknown;
    // Lines that stand as the registry's answer: a name no one holds, one kept back, a client asking too fast, and
    // for registries whose record does not name the domain, a name that is held.
    QStringList notFound, reserved, rateLimit, registered;
    QStringList registrar, created, expiry; // the fields, most telling first
    // How blocks are told apart: the name's own field, its status field ("Domain Status: available" is read
    // as "status: available"), headings of contacts and of name servers, the first
    // field of a contact object, words of terms of use.
    QStringList domainFields, statusFields, contactWords, nameServerWords, contactObjects, noticeWords;

    // Built once from the lists above, for reading fast.
    enum class Role { None, Domain, Registrar, Created, Expiry, Count }; // Count: how many roles there are
    QHash<QString, std::pair<Role, int>> fieldRoles; // field name → what it gives, how much it tells (0 most)
    struct Phrase
    {
        QString text;
        bool anyRest = false; // "reserved by *": whatever follows
        bool label = false; // holds {label}, the asked name's first label
    };
    std::vector<Phrase> notFoundPhrases, reservedPhrases, registeredPhrases;
    QStringList verdictWords; // the first word of every such phrase ("{name}" for the name), held for:
    std::unordered_set<std::u16string_view> verdictStarts; // looked up without a copy of each line's word
    QSet<QString> contactSet, nameServerSet, statusSet, contactObjectSet;
    PhraseSet noticeSet, rateLimitSet;
    QHash<QString, QStringList> keysByFirstWord; // known fields that may stand without a colon, longest first
};

// Every registry the program knows, with the rules of servers it does not know.
class WhoisRegistries
{
public:
    WhoisRegistries();
    // Reads one file; an entry for a server already known replaces it. Returns one line per entry left out,
    // and why; the others load.
    QStringList add(const QByteArray& json, const QString& fileName);

    // The rules a server's answers are read by: its own over the common ones. A host the files do not know (a
    // registry renames its hosts; IANA's referral names the new one) is read by the entry that serves the
    // asked name's suffix, if any.
    const WhoisRules& rulesFor(const QString& server, const QString& asciiName = {}) const;
    // The server of a registrable domain's suffix (the longest suffix wins); empty when none is listed.
    QString serverFor(const QString& asciiName) const;
    // The question in the form the server wants ("name/e" for JPRS's English answer).
    QByteArray query(const QString& server, const QString& asciiName) const;
    qsizetype size() const { return m_rules.size(); }

private:
    static QString longestSuffix(const QHash<QString, QString>& servers, const QString& asciiName);

    WhoisRules m_common; // the "generic" entries of every file, one after the other
    // By server, as the files give them: checked when read, made rules only when a server is asked, as a
    // user's file may list tens of thousands and each set of rules costs tens of KB.
    QHash<QString, QJsonObject> m_own;
    mutable QHash<QString, std::shared_ptr<const WhoisRules>> m_rules; // by server, merged with the common ones
    std::shared_ptr<const WhoisRules> m_fallback; // the common ones, prepared
    QHash<QString, QString> m_servers; // suffix → server asked
    QHash<QString, QString> m_readers; // suffix → server whose rules read its answers
};

// The registries that ship with the program, then the user's own file
// ($XDG_CONFIG_HOME/seo-quillmark/whois-registries.json) over them; read once.
const WhoisRegistries& whoisRegistries();
// What could not be read of those files, a line an entry; the window and the command line say it once.
QStringList whoisRegistryProblems();
QString whoisRegistriesUserPath();
