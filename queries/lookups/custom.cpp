// SPDX-License-Identifier: GPL-3.0-or-later
// A user's lookup as it runs: the address for one row, the request with the user's headers, the answer read
// and cut into its cell, and the lookup's entry in the table.
#include "queries/lookups/custom.h"

#include "queries/engine/keys.h"
#include "queries/lookups/home.h"
#include "queries/sources/registrable.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qsizetype kLongestCell = 500;
QString shortened(const QString& text)
{
    const QString simplified = text.simplified();
    return simplified.isEmpty() ? noneText() : simplified.left(kLongestCell);
}

} // namespace

QString customAddress(const CustomLookup& lookup, const QString& domain, QString* problem, bool* invalidName)
{
    // The names are those the registration columns ask about for the same row, a row typed as an address
    // (https://www.example.com.cn/path, a port) included.
    const TypedName name = typedName(domain);
    const bool invalid = name.host.isEmpty() || (lookup.url.contains(u"{ascii}"_s) && name.ascii.isEmpty())
        || (lookup.url.contains(u"{registrable}"_s) && name.ascii.isEmpty());
    if (invalidName)
        *invalidName = invalid;
    if (invalid) {
        *problem = QCoreApplication::translate("Cells", "无效域名");
        return {};
    }
    if (lookup.url.contains(u"{registrable}"_s) && name.registrable.isEmpty()) {
        *problem = QCoreApplication::translate("CustomLookups", "无法确定可注册域名：%1").arg(name.problem);
        return {};
    }
    return withPlaceholders(lookup.url, name.host, name.ascii, name.registrable);
}

FetchRequest customRequest(const CustomLookup& lookup, const QString& address)
{
    FetchRequest request(address, Charset::Utf8);
    request.keepBody = true;
    for (const auto& [name, value] : lookup.headers)
        request.headers.append({name.toLatin1(), value.toLatin1()});
    return request;
}

QString customPageText(const CustomLookup& lookup, const PageResult& page)
{
    // An answer that says nothing of its charset is read as a home page is: a GBK page that does not say so
    // is no more UTF-8 for being an API's.
    return lookup.charset.isEmpty() ? decodePage(page.body, page.contentType, Charset::Gb2312, true)
                                    : BytesToBstr(page.body, lookup.charset);
}

CellResult customCell(const CustomLookup& lookup, const PageRegex* regex, const PageResult& page)
{
    if (page.failure != FetchFailure::None || page.status < 200 || page.status >= 300)
        return pageCell(page, QCoreApplication::translate("Cells", "查询失败"));
    const QString text = customPageText(lookup, page);
    Extracted found;
    switch (lookup.extraction) {
    case Extraction::Regex:
        found = regex->firstCapture(text);
        if (found.text)
            found.text = decodeEntities(*found.text);
        break;
    case Extraction::Json:
        found = jsonAt(text.toUtf8(), lookup.pattern);
        break;
    case Extraction::Between:
        found = textBetween(text, lookup.pattern, lookup.closing);
        if (found.text)
            found.text = decodeEntities(*found.text);
        break;
    }
    if (!found.problem.isEmpty())
        return {QCoreApplication::translate("Cells", "查询失败"), found.problem};
    return {found.text ? shortened(*found.text) : noneText()};
}

namespace {

class CustomJob : public LookupJob
{
public:
    CustomJob(std::shared_ptr<const CustomLookup> lookup, std::shared_ptr<const PageRegex> regex, const QString& domain,
        const JobContext& context)
        : m_lookup(std::move(lookup))
        , m_regex(std::move(regex))
        , m_domain(domain)
        , m_context(context)
    {
    }

    void start() override
    {
        QString problem;
        bool invalidName = false;
        const QString address = customAddress(*m_lookup, m_domain, &problem, &invalidName);
        if (address.isEmpty()) {
            finish({invalidName ? problem : QCoreApplication::translate("Cells", "查询失败"), problem});
            return;
        }
        FetchRequest request = customRequest(*m_lookup, address);
        request.proxy = m_context.proxy;
        request.network = m_context.network;
        auto* fetch = new PageFetch(request, this);
        connect(fetch, &PageFetch::finished, this,
            [this, fetch] { finish(customCell(*m_lookup, m_regex.get(), fetch->result())); });
    }

private:
    std::shared_ptr<const CustomLookup> m_lookup;
    std::shared_ptr<const PageRegex> m_regex;
    QString m_domain;
    JobContext m_context;
};

} // namespace

std::unique_ptr<Lookup> customEntry(const CustomLookup& definition)
{
    auto lookup = std::make_shared<const CustomLookup>(definition);
    auto regex = definition.extraction == Extraction::Regex ? std::make_shared<const PageRegex>(definition.pattern)
                                                            : std::shared_ptr<const PageRegex>();
    // A service of its own is asked 2 at a time unless the user says otherwise; a built-in one keeps its pace.
    return std::make_unique<Lookup>(Lookup {.key = definition.key,
        .header = definition.header,
        .service = {definition.serviceKey(), definition.serviceKey(), {2}},
        .userDefined = true,
        .start = [lookup, regex](const QString& domain, const JobContext& context) -> LookupJob* {
            return new CustomJob(lookup, regex, domain, context);
        }});
}
