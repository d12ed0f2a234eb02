#pragma once

#include <QHash>
#include <QString>

struct CellResult;
struct Lookup;
struct PageResult;

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

// The bootstrap in use: IANA's copy saved in the cache folder when there is one, else the copy that ships
// with the program.
const RdapBootstrap& rdapBootstrap();
// Servers registries run that IANA does not list (data/rdap-extra.json), asked after the bootstrap.
const RdapBootstrap& rdapSupplement();
// Asks IANA for a fresher bootstrap when the one in use is more than a day old; once per walk.
void refreshRdapBootstrap();

QString rdapAddress(const QString& base, const QString& asciiName);
// The four cells one RDAP answer (RFC 9083) gives, by lookup key: whether the name is registered, the
// registrar's name, the registration and the expiration dates. Only a domain object for `asciiName` counts.
QHash<QString, CellResult> rdapCells(const PageResult& answer, const QString& asciiName);
// An RFC 3339 date as the registry's calendar date, yyyy-MM-dd; empty when it is none.
QString registryDate(const QString& rfc3339);
