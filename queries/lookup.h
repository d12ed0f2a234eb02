#pragma once

#include <QString>

struct PageResult;

// What a lookup writes for one domain. `problem` says, for the user, why the text cannot be trusted:
// the request failed or a search engine answered with a verification page. A real answer has none,
// a negative one included.
struct CellResult
{
    QString text;
    QString problem;
};

CellResult pageCell(const PageResult& page, const QString& text);
// A result page that shows no count and carries a challenge's signature is no answer at all. One that
// shows its count is a result page, whatever its snippets mention.
CellResult searchEngineCell(const PageResult& page, const QString& text, bool countShown);
