#pragma once

#include "queries/engine/lookup.h"

#include <QJsonObject>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class PageRegex;

// How a user's lookup finds its fact in what the address answers.
enum class Extraction { Regex, Json, Between };

// A lookup the user defines in lookups.json or the 自定义查询 dialog: an address made from the domain,
// and one way of cutting the cell from the answer.
struct CustomLookup
{
    QString key;
    QString header;
    QString url; // {domain}, {ascii} and {registrable} are put in, each percent-encoded
    QList<std::pair<QString, QString>> headers;
    QString charset; // empty: as the answer declares itself, else as a home page is read
    Extraction extraction = Extraction::Regex;
    QString pattern; // the regular expression, the JSON Pointer, or the opening marker
    QString closing; // the closing marker
    QString service; // whose pace it keeps; empty: the address's host

    QString serviceKey() const;
};

// A definition read from one object of lookups.json. A field of the wrong type, a second extraction or
// none, or anything customProblem() refuses, leaves `problem` saying why.
CustomLookup customFromJson(const QJsonObject& object, QString* problem);
QJsonObject customToJson(const CustomLookup& lookup);
// Why a definition cannot be used, for the user; empty when it can. Keys are checked against each other
// and the built-in ones by the caller.
QString customProblem(const CustomLookup& lookup);

// $XDG_CONFIG_HOME/seo-quillmark/lookups.json
QString customLookupsPath();

struct CustomFile
{
    std::vector<CustomLookup> lookups;
    QStringList skipped; // one line per definition left out, saying which and why
};
// A missing file holds no lookups. `taken` says whether a key belongs to another lookup already.
CustomFile readCustomLookups(const QString& path, const std::function<bool(const QString&)>& taken);
// Written whole or not at all, readable by its owner only: headers may hold API keys. The error, or empty.
QString writeCustomLookups(const QString& path, const std::vector<CustomLookup>& lookups);

// The address for one domain; empty, with `problem` set, when the name cannot be put in.
QString customAddress(const CustomLookup& lookup, const QString& domain, QString* problem);

// The request for one address: the user's headers, the body kept for the extraction.
FetchRequest customRequest(const CustomLookup& lookup, const QString& address);

// What an extraction found: a text, nothing ("无"), or a failure to say.
struct Extracted
{
    std::optional<QString> text;
    QString problem = {};
};

// A regular expression in the engine Qt's own uses (PCRE2), compiled once, matched with bounded work: at
// most the first 2 Mi characters of a page, and a limit on backtracking that is told, not taken for "no match".
class PageRegex
{
public:
    explicit PageRegex(const QString& pattern);
    ~PageRegex();
    PageRegex(const PageRegex&) = delete;
    PageRegex& operator=(const PageRegex&) = delete;

    QString error() const { return m_error; } // empty when the pattern compiled and has a group to capture
    // The first capture group of the first match.
    Extracted firstCapture(const QString& text) const;

private:
    struct Engine;
    std::unique_ptr<Engine> m_engine;
    QString m_error;
};

// The value at an RFC 6901 pointer in a JSON text: strings as they are, numbers and true/false as written,
// objects and arrays as compact JSON. Nothing there, or null: no text.
Extracted jsonAt(const QByteArray& json, const QString& pointer);
Extracted textBetween(const QString& text, const QString& opening, const QString& closing);

// The answer as text: by the definition's charset, else as it declares itself, else by what its bytes say
// (as a home page's title is read).
QString customPageText(const CustomLookup& lookup, const PageResult& page);
// The cell for one answer.
CellResult customCell(const CustomLookup& lookup, const PageRegex* regex, const PageResult& page);

// The lookup's entry in the table: its column, its pace, and its job.
std::unique_ptr<Lookup> customEntry(const CustomLookup& lookup);
