#pragma once

#include <QDateTime>
#include <QHash>
#include <QPair>
#include <QString>
#include <QUrl>

#include <deque>
#include <memory>

class Network;
class PageFetch;
struct CellResult;
struct Lookup;
struct PageResult;
struct RegistrationAnswer;

// IANA's RDAP bootstrap for domain names (RFC 9224): which server answers for which suffix.
class RdapBootstrap
{
public:
    bool load(const QByteArray& json);
    void add(const QString& suffix, const QString& base);
    // The base address of the server for a name in ASCII; the longest matching suffix wins. Empty: none.
    QString baseFor(const QString& asciiName) const;
    qsizetype size() const { return m_bases.size(); }
    // Whether this one lists at least nine in ten of the suffixes `other` lists: a fresh copy that lost most
    // of its entries is a broken one.
    bool covers(const RdapBootstrap& other) const;

private:
    QHash<QString, QString> m_bases; // suffix → base address ending in '/'
};

// Where a registry is asked about a name, as one walker's jobs learn it: the RDAP servers, and the WHOIS
// servers IANA names.
class RegistryDirectory
{
public:
    explicit RegistryDirectory(Network& network);
    ~RegistryDirectory();

    // The bootstrap in use: IANA's copy saved in the cache folder when there is one, else the copy that
    // ships with the program. Read when first asked.
    const RdapBootstrap& bootstrap();
    // Asks IANA for a fresher bootstrap when the one in use is more than a day old; once per walk.
    void refresh();

    // Suffix → WHOIS server, as IANA named it (empty: it named none).
    QHash<QString, QString> whoisReferrals;
    // Suffix → why IANA could not be asked, and until when that stands: a batch of thousands does not ask
    // an unreachable server once a row.
    QHash<QString, QPair<QString, QDateTime>> unreachedReferrals;

    // The answers read last, by the name asked, for 查看应答原文: the newest few thousand, within a few
    // dozen megabytes whatever the answers' size.
    void keepAnswer(const RegistrationAnswer& answer);
    std::shared_ptr<const RegistrationAnswer> answerFor(const QString& asked) const;

private:
    Network& m_network;
    RdapBootstrap m_bootstrap;
    bool m_loaded = false;
    std::unique_ptr<PageFetch> m_fetch;
    QHash<QString, std::shared_ptr<const RegistrationAnswer>> m_answers;
    std::deque<QString> m_answerOrder; // oldest first
    qint64 m_answerBytes = 0;
};

// Servers registries run that IANA does not list (data/rdap-extra.json), asked after the bootstrap. Data that
// ships with the program, never changed while it runs.
const RdapBootstrap& rdapSupplement();

QString rdapAddress(const QString& base, const QString& asciiName);
// The four cells one RDAP answer (RFC 9083) gives, by lookup key: whether the name is registered, the
// registrar's name, the registration and the expiration dates. Only a domain object for `asciiName` counts;
// only the server asked (at `asked`) says a name is not registered, with a 404 that is RDAP (JSON, or
// nothing), never with a web server's own error page. `why` gets, by key, the part of the answer each cell
// comes from.
QHash<QString, CellResult> rdapCells(const PageResult& answer, const QString& asciiName, const QUrl& asked = {},
    QHash<QString, QString>* why = nullptr);
// An RFC 3339 date as the registry's calendar date, yyyy-MM-dd; empty when it is none.
QString registryDate(const QString& rfc3339);
