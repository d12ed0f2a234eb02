// SPDX-License-Identifier: GPL-3.0-or-later
// One fetch of the home page answering its status, title and filing number, and counting its outbound links in slices.
#include "queries/lookups/home.h"

#include "queries/engine/keys.h"
#include "queries/lookups/homefacts.h"
#include "web/links.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

// A page may hold a hundred thousand links. They are counted in slices of about this long, so the
// window is never held up for longer, and Stop is seen between any two of them.
constexpr qint64 kSliceMs = 15;
// A title is for reading: longer ones are cut here.
constexpr qsizetype kLongestTitle = 500;
QString unreachable()
{
    return QCoreApplication::translate("Cells", "无法访问");
}

class HomePageJob : public LookupJob
{
public:
    HomePageJob(const QString& domain, const JobContext& context)
        : m_domain(domain)
        , m_context(context)
    {
    }

    void start() override
    {
        // A name no host can have asks nothing of the network for these columns; the outbound count still
        // tries the address as typed, as it always has.
        const bool validHost = !QUrl(outboundAddress(m_domain), QUrl::StrictMode).host().isEmpty();
        if (!validHost && m_context.lookup != Key::Outbound) {
            const CellResult invalid {
                QCoreApplication::translate("Cells", "无效域名"), QCoreApplication::translate("Cells", "无效域名")};
            finish(m_context.lookup, pageCells({}, {}, invalid));
            return;
        }
        FetchRequest request(outboundAddress(m_domain), Charset::Gb2312, false);
        request.keepBody = true;
        request.proxy = m_context.proxy;
        request.network = m_context.network;
        auto* fetch = new PageFetch(request, this);
        connect(fetch, &PageFetch::finished, this, [this, fetch, validHost] {
            m_page = fetch->result();
            fetch->deleteLater();
            // These columns read the page as it declares itself, else by what its bytes say (UTF-8, another
            // charset its XML declaration or the detector finds); the outbound count reads it as it always
            // has, by its declaration or else as GB2312.
            bool sniffed = false;
            const QString page = decodePage(m_page.body, m_page.contentType, Charset::Gb2312, true, &sniffed);
            CellResult failed {unreachable(), failureReason(m_page)};
            failed.unreachable = pageCell(m_page, {}).unreachable;
            if (!validHost)
                failed = {
                    QCoreApplication::translate("Cells", "无效域名"), QCoreApplication::translate("Cells", "无效域名")};
            const bool answered = validHost && m_page.failure == FetchFailure::None;
            m_cells = pageCells(m_page, page, answered ? std::optional<CellResult>() : failed);
            if (m_context.lookup != Key::Outbound) {
                finish(m_context.lookup, m_cells);
                return;
            }
            m_page.text = sniffed ? decodePage(m_page.body, m_page.contentType, Charset::Gb2312) : page;
            m_page.body.clear();
            m_links.emplace(QString::fromUtf16(kLinkPattern), m_page.text);
            countSlice();
        });
    }

private:
    // Every column of the page's answer, or `failed` in each when there is none.
    QHash<QString, CellResult> pageCells(
        const PageResult& answer, const QString& page, const std::optional<CellResult>& failed) const
    {
        const auto cell = [](const QString& text) {
            return CellResult {text, {}, {}, -1, {}, false, CellValue::fromPage(text)};
        };
        QHash<QString, CellResult> cells = homeFactCells(answer, page, outboundAddress(m_domain));
        cells.insert(Key::HomeStatus, cell(homeStatusText(answer)));
        cells.insert(Key::HomeTitle, cell(pageTitle(page)));
        cells.insert(Key::HomeIcp, cell(filingNumberOnPage(page)));
        if (failed) {
            for (CellResult& each : cells)
                each = *failed;
        }
        return cells;
    }

    void countSlice()
    {
        QElapsedTimer slice;
        slice.start();
        // Only the passing elements' number is ever read, so they are counted, not collected.
        while (m_links->hasNext() && !m_context.stopRequested()) {
            if (isOutboundLink(m_links->next(), m_domain))
                ++m_count;
            if (slice.elapsed() >= kSliceMs) {
                QTimer::singleShot(0, this, &HomePageJob::countSlice);
                return;
            }
        }
        m_links.reset();
        m_page.text.clear();
        m_cells.insert(Key::Outbound, pageCell(m_page, QString::number(m_count)));
        finish(m_context.lookup, m_cells);
    }

    QString m_domain;
    JobContext m_context;
    PageResult m_page;
    QHash<QString, CellResult> m_cells;
    std::optional<MatchScanner> m_links;
    qsizetype m_count = 0;
};

} // namespace

QString homeStatusText(const PageResult& page)
{
    return u"%1 → %2"_s.arg(page.status).arg(page.url.toString());
}

QString pageTitle(const QString& page)
{
    // Titles stand in the head, but some heads carry megabytes of inline scripts first; a 16 MB page
    // without one is not searched to its end. Found by plain searches, so a page of a hundred thousand
    // unclosed tags costs one pass.
    const QStringView head = QStringView(page).left(2 * 1024 * 1024);
    for (qsizetype open = head.indexOf(u"<title", 0, Qt::CaseInsensitive); open >= 0;
         open = head.indexOf(u"<title", open + 6, Qt::CaseInsensitive)) {
        const QChar next = head.mid(open + 6, 1).isEmpty() ? QChar() : head.at(open + 6);
        if (next != u'>' && !next.isSpace())
            continue; // <titles>, <titlebar>
        const qsizetype start = head.indexOf(u'>', open);
        const qsizetype close = start < 0 ? -1 : head.indexOf(u"</title", start, Qt::CaseInsensitive);
        if (close < 0)
            return noneText();
        const QString text = decodeEntities(head.mid(start + 1, close - start - 1).toString()).simplified();
        return text.isEmpty() ? noneText() : text.left(kLongestTitle);
    }
    return noneText();
}

QString filingNumberOnPage(const QString& page)
{
    static const QRegularExpression number(u"([京津沪渝冀豫云辽黑湘皖鲁新苏浙赣鄂桂甘晋蒙陕吉闽贵粤青藏川宁琼])\\s*"
                                           u"ICP\\s*([备证])\\s*(\\d+)\\s*号(?:\\s*(-\\s*\\d+))?"_s);
    const QRegularExpressionMatch match = number.match(page);
    if (!match.hasMatch())
        return noneText();
    QString suffix = match.captured(4);
    suffix.remove(u' ');
    return match.captured(1) + u"ICP"_s + match.captured(2) + match.captured(3) + u'号' + suffix;
}

QString decodeEntities(const QString& text)
{
    static const QHash<QString, QString> named {{u"amp"_s, u"&"_s}, {u"lt"_s, u"<"_s}, {u"gt"_s, u">"_s},
        {u"quot"_s, u"\""_s}, {u"apos"_s, u"'"_s}, {u"nbsp"_s, u" "_s}, {u"copy"_s, u"©"_s}, {u"reg"_s, u"®"_s},
        {u"middot"_s, u"·"_s}, {u"mdash"_s, u"—"_s}, {u"ndash"_s, u"–"_s}, {u"hellip"_s, u"…"_s}, {u"ldquo"_s, u"“"_s},
        {u"rdquo"_s, u"”"_s}, {u"laquo"_s, u"«"_s}, {u"raquo"_s, u"»"_s}};
    static const QRegularExpression entity(u"&(#[0-9]{1,7}|#[xX][0-9a-fA-F]{1,6}|[a-zA-Z]+);"_s);
    QString result;
    qsizetype done = 0;
    for (const QRegularExpressionMatch& match : entity.globalMatch(text)) {
        const QString name = match.captured(1);
        QString replacement = match.captured(0);
        if (name.startsWith(u'#')) {
            bool ok = false;
            const uint code = name.at(1).toLower() == u'x' ? name.mid(2).toUInt(&ok, 16) : name.mid(1).toUInt(&ok);
            if (ok && code > 0 && code <= 0x10FFFF && !QChar::isSurrogate(code))
                replacement = QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
        } else if (named.contains(name)) {
            replacement = named.value(name);
        }
        result += QStringView(text).mid(done, match.capturedStart() - done);
        result += replacement;
        done = match.capturedEnd();
    }
    return result + QStringView(text).mid(done);
}

QString outboundAddress(const QString& domain)
{
    return u"http://"_s + domain;
}

bool isOutboundLink(const QString& element, const QString& domain)
{
    // Host names ignore case: a link to HTTP://WWW.A.TEST is the site's own.
    return element.contains(u"http"_s) && !element.contains(domain, Qt::CaseInsensitive);
}

Lookup homePageLookup(const QString& key, const QString& header, Measure measure)
{
    return {.key = key,
        .header = header,
        .measure = measure,
        .service = {u"home"_s, QString::fromUtf8(QT_TRANSLATE_NOOP("Services", "网站首页")), {32}},
        .start = [](const QString& domain, const JobContext& context) -> LookupJob* {
            return new HomePageJob(domain, context);
        },
        .answerGroup = u"home"_s};
}

const Lookup& homeStatusLookup()
{
    static const Lookup lookup
        = homePageLookup(Key::HomeStatus, QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "首页状态")));
    return lookup;
}

const Lookup& homeTitleLookup()
{
    static const Lookup lookup
        = homePageLookup(Key::HomeTitle, QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "首页标题")));
    return lookup;
}

const Lookup& homeIcpLookup()
{
    static const Lookup lookup
        = homePageLookup(Key::HomeIcp, QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "页面备案号")));
    return lookup;
}
