// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by every lookup: the page job most lookups run, the cells a page gives, Retry-After, verification pages.
#include "queries/engine/lookup.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QRegularExpression>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace {

// Search engines answer throttled clients with a verification page instead of results.
bool isVerificationPage(const QString& page)
{
    // Titles and hosts of the challenge pages the engines have been seen to serve (/antispider/ is where Sogou
    // sends clients it takes for robots).
    static const QString signatures[] = {
        u"百度安全验证"_s,
        u"安全验证"_s,
        u"wappass.baidu.com"_s,
        u"请输入验证码"_s,
        u"verify.baidu.com"_s,
        u"captcha"_s,
        u"/antispider/"_s,
    };
    for (const QString& signature : signatures) {
        if (page.contains(signature, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

using Address = QString (*)(const QString& domain);
using Cut = CellResult (*)(const PageResult& page, const QString& domain);

class PageJob : public LookupJob
{
public:
    PageJob(Address address, Charset charset, Cut cut, const QString& domain, const JobContext& context)
        : m_address(address)
        , m_charset(charset)
        , m_cut(cut)
        , m_domain(domain)
        , m_context(context)
    {
    }

    void start() override
    {
        // As getHTTPPage and getHTTPPage1 ask, with the walker's bounds and connections.
        FetchRequest request(m_address(m_domain), m_charset);
        request.proxy = m_context.proxy;
        request.network = m_context.network;
        auto* fetch = new PageFetch(request, this);
        connect(fetch, &PageFetch::finished, this, [this, fetch] { finish(m_cut(fetch->result(), m_domain)); });
    }

private:
    Address m_address;
    Charset m_charset;
    Cut m_cut;
    QString m_domain;
    JobContext m_context;
};

} // namespace

void LookupJob::finish(const CellResult& result)
{
    m_result = result;
    emit finished();
}

void LookupJob::finish(const QString& lookup, QHash<QString, CellResult> cells)
{
    m_result = cells.take(lookup);
    m_siblings = std::move(cells);
    emit finished();
}

StartJob pageJob(Address address, Charset charset, Cut cut)
{
    return [=](const QString& domain, const JobContext& context) -> LookupJob* {
        return new PageJob(address, charset, cut, domain, context);
    };
}

CellResult pageCell(const PageResult& page, const QString& text)
{
    CellResult cell {text, failureReason(page)};
    cell.value = CellValue::fromPage(text);
    cell.unreachable = page.status == 407
        || (page.failure != FetchFailure::None && page.failure != FetchFailure::Oversize
            && page.failure != FetchFailure::BadContent && page.failure != FetchFailure::TooManyRedirects
            && page.failure != FetchFailure::RedirectLoop);
    if (page.failure == FetchFailure::None && (page.status == 429 || page.status == 503)) {
        cell.pushBack = PushBack::Busy;
        cell.retryAfterMs = retryAfterMs(page.retryAfter, systemClock().now());
    }
    return cell;
}

CellResult searchEngineCell(const PageResult& page, const QString& text, bool countShown)
{
    CellResult cell = pageCell(page, text);
    if (cell.problem.isEmpty() && !countShown && isVerificationPage(page.text)) {
        cell.problem = QCoreApplication::translate("Cells", "搜索引擎要求验证");
        cell.pushBack = PushBack::Verification;
    }
    return cell;
}

qint64 retryAfterMs(const QByteArray& value, const QDateTime& now)
{
    const QByteArray trimmed = value.trimmed();
    bool isNumber = false;
    const qint64 seconds = trimmed.toLongLong(&isNumber);
    if (isNumber)
        return seconds < 0 ? -1 : qMin(seconds, qint64(1) << 40) * 1000;
    // Servers send the IMF date ("Mon, 07 Dec 2026 08:00:30 GMT"), which Qt's RFC 2822 reader does not take.
    QDateTime at = QDateTime::fromString(QString::fromLatin1(trimmed), u"ddd, dd MMM yyyy HH:mm:ss 'GMT'"_s);
    at.setTimeSpec(Qt::UTC);
    return at.isValid() ? qMax<qint64>(0, now.msecsTo(at)) : -1;
}

std::optional<QString> cutAfter(const QString& text, const QString& marker, const QString& terminator)
{
    const qsizetype at = text.indexOf(marker);
    if (at < 0)
        return std::nullopt;
    const qsizetype start = at + marker.size();
    const qsizetype next = text.indexOf(marker, start);
    const QStringView piece = QStringView(text).mid(start, next < 0 ? -1 : next - start);
    const qsizetype end = piece.indexOf(terminator);
    return (end < 0 ? piece : piece.left(end)).toString();
}

QString shownHeader(const Lookup& lookup)
{
    return lookup.userDefined ? lookup.header
                              : QCoreApplication::translate("Columns", lookup.header.toUtf8().constData());
}
