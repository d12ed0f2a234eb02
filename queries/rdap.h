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
    // The base address of the server for a name in ASCII; the longest matching suffix wins. Empty: none.
    QString baseFor(const QString& asciiName) const;

private:
    QHash<QString, QString> m_bases; // suffix → base address ending in '/'
};

// The bootstrap in use: IANA's copy saved in the cache folder when there is one, else the copy that ships
// with the program. The first use in a day asks IANA for a fresher one.
const RdapBootstrap& rdapBootstrap();

QString rdapAddress(const QString& base, const QString& asciiName);
// The three cells one RDAP answer (RFC 9083) gives, by lookup key: whether the name is registered, the
// registrar's name and the expiration date.
QHash<QString, CellResult> rdapCells(const PageResult& answer);

const Lookup& rdapStatusLookup();
const Lookup& rdapRegistrarLookup();
const Lookup& rdapExpiryLookup();
