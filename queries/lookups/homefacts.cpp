// SPDX-License-Identifier: GPL-3.0-or-later
// The home page's further columns: cuts of the one answer the home page's walk already fetches.
#include "queries/lookups/homefacts.h"

#include "queries/lookups/home.h"

#include <QRegularExpression>
#include <QStringList>
#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

// Texts are for reading: a description of a whole article is cut here, as titles are.
constexpr qsizetype kLongestText = 500;
// Meta and link tags belong in the head; as for the title, a page of megabytes is not searched to its end.
constexpr qsizetype kHeadChars = 2 * 1024 * 1024;

const QString kFinal = u"home-final"_s;
const QString kRedirects = u"home-redirects"_s;
const QString kTime = u"home-time"_s;
const QString kSize = u"home-size"_s;
const QString kServer = u"home-server"_s;
const QString kDescription = u"home-description"_s;
const QString kKeywords = u"home-keywords"_s;
const QString kCanonical = u"home-canonical"_s;
const QString kHeading = u"home-h1"_s;

struct Tag
{
    QHash<QString, QString> attributes; // names in lower case, values unquoted and decoded
    qsizetype end = -1; // just past its '>', or the text's end for a tag never closed
};

bool isSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

// A tag's attributes from just after its name. Quoted values may hold '>', so the end is found by reading.
Tag readTag(QStringView html, qsizetype at)
{
    Tag tag;
    const qsizetype size = html.size();
    while (at < size) {
        while (at < size && (isSpace(html[at]) || html[at] == u'/'))
            ++at;
        if (at >= size || html[at] == u'>')
            break;
        const qsizetype nameStart = at;
        while (at < size && !isSpace(html[at]) && html[at] != u'=' && html[at] != u'>' && html[at] != u'/')
            ++at;
        const QString name = html.mid(nameStart, at - nameStart).toString().toLower();
        while (at < size && isSpace(html[at]))
            ++at;
        QString value;
        if (at < size && html[at] == u'=') {
            ++at;
            while (at < size && isSpace(html[at]))
                ++at;
            const QChar quote = at < size && (html[at] == u'"' || html[at] == u'\'') ? html[at] : QChar();
            const qsizetype valueStart = quote.isNull() ? at : at + 1;
            at = valueStart;
            while (at < size && (quote.isNull() ? !isSpace(html[at]) && html[at] != u'>' : html[at] != quote))
                ++at;
            value = decodeEntities(html.mid(valueStart, at - valueStart).toString());
            if (!quote.isNull() && at < size)
                ++at;
        }
        if (!tag.attributes.contains(name)) // the first of a repeated attribute counts, as in browsers
            tag.attributes.insert(name, value);
    }
    tag.end = at < size ? at + 1 : size;
    return tag;
}

bool opensTag(QStringView html, qsizetype at, QStringView name)
{
    if (html.mid(at + 1, name.size()).compare(name, Qt::CaseInsensitive) != 0)
        return false;
    const qsizetype after = at + 1 + name.size();
    return after >= html.size() || isSpace(html[after]) || html[after] == u'>' || html[after] == u'/';
}

// Each tag named `name` in document order, passed over where it stands inside a comment or a script (a
// template's commented-out description is not the page's), until `found` returns false.
void forEachTag(QStringView html, QStringView name, const std::function<bool(const Tag&)>& found)
{
    for (qsizetype at = html.indexOf(u'<'); at >= 0;) {
        qsizetype next = at + 1;
        if (html.mid(at, 4) == u"<!--") {
            const qsizetype close = html.indexOf(u"-->", at + 4);
            next = close < 0 ? html.size() : close + 3;
        } else if (opensTag(html, at, u"script")) {
            const qsizetype close = html.indexOf(u"</script", at + 7, Qt::CaseInsensitive);
            next = close < 0 ? html.size() : close + 8;
        } else if (opensTag(html, at, name)) {
            const Tag tag = readTag(html, at + 1 + name.size());
            if (!found(tag))
                return;
            next = tag.end;
        }
        at = html.indexOf(u'<', next);
    }
}

QString forReading(const QString& text)
{
    return text.simplified().left(kLongestText);
}

CellResult textCell(const QString& text)
{
    return text.isEmpty() ? CellResult::of(CellValue::nothing()) : CellResult {text};
}

QUrl withPath(QUrl address)
{
    if (address.path().isEmpty())
        address.setPath(u"/"_s);
    return address;
}

} // namespace

QString redirectChainText(const PageResult& page)
{
    QStringList codes;
    for (const int status : page.redirects)
        codes.append(QString::number(status));
    codes.append(QString::number(page.status));
    return codes.join(u" → "_s);
}

QString finalAddressText(const PageResult& page, const QString& asked)
{
    const QUrl start = withPath(QUrl(asked, QUrl::TolerantMode));
    return withPath(page.url) == start ? QString() : page.url.toString();
}

QString metaContent(const QString& page, const QString& name)
{
    QString content;
    forEachTag(QStringView(page).left(kHeadChars), u"meta", [&](const Tag& tag) {
        if (tag.attributes.value(u"name"_s).trimmed().compare(name, Qt::CaseInsensitive) != 0)
            return true;
        content = forReading(tag.attributes.value(u"content"_s));
        return false;
    });
    return content;
}

QString canonicalAddress(const QString& page, const QUrl& base)
{
    QString address;
    forEachTag(QStringView(page).left(kHeadChars), u"link", [&](const Tag& tag) {
        const QStringList rel = tag.attributes.value(u"rel"_s).toLower().split(u' ', Qt::SkipEmptyParts);
        const QString href = tag.attributes.value(u"href"_s).trimmed();
        if (!rel.contains(u"canonical"_s) || href.isEmpty())
            return true;
        address = base.resolved(QUrl(href, QUrl::TolerantMode)).toString();
        return false;
    });
    return address;
}

QString firstHeading(const QString& page)
{
    QString heading;
    const QStringView html(page);
    forEachTag(html, u"h1", [&](const Tag& tag) {
        const qsizetype close = html.indexOf(u"</h1", tag.end, Qt::CaseInsensitive);
        QString inner = html.mid(tag.end, close < 0 ? -1 : close - tag.end).left(64 * 1024).toString();
        // Inner markup (<a>, <span>, <br>) is not text; as a browser's textContent, it adds no space.
        static const QRegularExpression markup(u"<[^>]*>"_s);
        heading = forReading(decodeEntities(inner.remove(markup)));
        return false;
    });
    return heading;
}

QHash<QString, CellResult> homeFactCells(const PageResult& page, const QString& text, const QString& asked)
{
    return {
        {kFinal, textCell(finalAddressText(page, asked))},
        {kRedirects, CellResult {redirectChainText(page)}},
        {kTime, CellResult::of(CellValue::count(page.elapsedMs))},
        {kSize, CellResult::of(CellValue::count(page.body.size()))},
        {kServer, textCell(forReading(QString::fromLatin1(page.server)))},
        {kDescription, textCell(metaContent(text, u"description"_s))},
        {kKeywords, textCell(metaContent(text, u"keywords"_s))},
        {kCanonical, textCell(canonicalAddress(text, page.url))},
        {kHeading, textCell(firstHeading(text))},
    };
}

const Lookup& homeFinalLookup()
{
    static const Lookup lookup = homePageLookup(kFinal, QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "最终地址")));
    return lookup;
}

const Lookup& homeRedirectsLookup()
{
    static const Lookup lookup = homePageLookup(kRedirects, QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "跳转")));
    return lookup;
}

const Lookup& homeTimeLookup()
{
    static const Lookup lookup
        = homePageLookup(kTime, QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "响应时间")), Measure::Count);
    return lookup;
}

const Lookup& homeSizeLookup()
{
    static const Lookup lookup
        = homePageLookup(kSize, QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "页面大小")), Measure::Count);
    return lookup;
}

const Lookup& homeServerLookup()
{
    static const Lookup lookup = homePageLookup(kServer, QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "服务器")));
    return lookup;
}

const Lookup& homeDescriptionLookup()
{
    static const Lookup lookup = homePageLookup(kDescription, QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "描述")));
    return lookup;
}

const Lookup& homeKeywordsLookup()
{
    static const Lookup lookup = homePageLookup(kKeywords, QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "关键词")));
    return lookup;
}

const Lookup& homeCanonicalLookup()
{
    static const Lookup lookup
        = homePageLookup(kCanonical, QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "规范地址")));
    return lookup;
}

const Lookup& homeHeadingLookup()
{
    static const Lookup lookup = homePageLookup(kHeading, QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "一级标题")));
    return lookup;
}
