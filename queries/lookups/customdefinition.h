// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a user's lookup is, why a definition is refused, and lookups.json, the file that holds them.
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>
#include <vector>

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

// The address with each placeholder put in, percent-encoded: {domain}, {ascii} and {registrable}.
QString withPlaceholders(const QString& url, const QString& domain, const QString& ascii, const QString& registrable);
