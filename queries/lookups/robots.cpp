// SPDX-License-Identifier: GPL-3.0-or-later
// The robots.txt lookup and its rules, as crawlers read them.
#include "queries/lookups/robots.h"

#include "queries/engine/keys.h"
#include "queries/engine/lookup.h"
#include "queries/lookups/home.h"
#include "queries/lookups/sitemap.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace {

QString noFile()
{
    return QCoreApplication::translate("Cells", "无 robots.txt");
}

// One group's rules as far as shutting the whole site goes.
struct Group
{
    bool shutsRoot = false; // Disallow: / (or /*)
    bool allowsSomething = false; // an Allow with a path
};

CellResult robotsCell(const PageResult& page)
{
    // A missing file is an answer, not a failure.
    if (page.failure == FetchFailure::None && page.status >= 400 && page.status < 500 && page.status != 429)
        return {noFile()};
    CellResult cell = pageCell(page, robotsText(page));
    if (!cell.problem.isEmpty())
        cell.text = QCoreApplication::translate("Cells", "无法访问");
    else if (page.cut && cell.text != noFile())
        cell.problem = QCoreApplication::translate("Robots", "robots.txt 超过 %1，只读了前 %1，其后的规则未读")
                           .arg(sizeText(page.capBytes));
    return cell;
}

class RobotsJob : public LookupJob
{
public:
    RobotsJob(const QString& domain, const JobContext& context)
        : m_domain(domain)
        , m_context(context)
    {
    }

    void start() override
    {
        if (QUrl(outboundAddress(m_domain), QUrl::StrictMode).host().isEmpty()) {
            const CellResult invalid {
                QCoreApplication::translate("Cells", "无效域名"), QCoreApplication::translate("Cells", "无效域名")};
            finish(m_context.lookup, {{Key::Robots, invalid}, {Key::Sitemap, invalid}});
            return;
        }
        // One request to a host never asked again: its connection is not kept. Crawlers read the first
        // 500 KiB of a robots.txt and follow what they read there; so do we.
        FetchRequest request(outboundAddress(m_domain) + u"/robots.txt"_s, Charset::Utf8, false);
        request.maxBodyBytes = 512 * 1024;
        request.keepStart = true;
        request.proxy = m_context.proxy;
        request.network = m_context.network;
        auto* fetch = new PageFetch(request, this);
        connect(fetch, &PageFetch::finished, this, [this, fetch] {
            fetch->deleteLater();
            answered(fetch->result());
        });
    }

private:
    void answered(const PageResult& answer)
    {
        const CellResult robots = robotsCell(answer);
        m_cells.insert(Key::Robots, robots);
        if (!m_context.wanted.contains(Key::Sitemap) && m_context.lookup != Key::Sitemap) {
            finish(m_context.lookup, m_cells);
            return;
        }
        // A site we cannot reach for its rules is no better reached for its sitemaps; a long file still names them.
        const bool noRules = robots.text == noFile();
        if (answer.failure != FetchFailure::None || (!noRules && !answer.isSuccess())) {
            m_cells.insert(Key::Sitemap, robots);
            finish(m_context.lookup, m_cells);
            return;
        }
        QStringList sitemaps = noRules ? QStringList() : sitemapAddresses(answer.text);
        if (sitemaps.isEmpty())
            sitemaps.append(outboundAddress(m_domain) + u"/sitemap.xml"_s);
        auto* count = new SitemapCount(sitemaps, m_context, this);
        connect(count, &SitemapCount::finished, this, [this, count] {
            m_cells.insert(Key::Sitemap, count->result());
            finish(m_context.lookup, m_cells);
        });
        count->start();
    }

    QString m_domain;
    JobContext m_context;
    QHash<QString, CellResult> m_cells;
};

} // namespace

QString robotsVerdict(const QString& robotsTxt)
{
    Group baidu, everyone;
    bool baiduNamed = false;
    int sitemaps = 0;
    QList<Group*> current; // the groups the rules being read belong to
    bool readingAgents = false;
    // Lines end in LF, CR LF or a lone CR.
    static const QRegularExpression lineEnd(u"\r\n?|\n"_s);
    for (QStringView line : QStringView(robotsTxt).split(lineEnd)) {
        if (const qsizetype hash = line.indexOf(u'#'); hash >= 0)
            line = line.left(hash);
        const qsizetype colon = line.indexOf(u':');
        if (colon < 0)
            continue;
        const QString field = line.left(colon).trimmed().toString().toLower();
        const QString value = line.mid(colon + 1).trimmed().toString();
        if (field == u"sitemap"_s) {
            sitemaps += value.isEmpty() ? 0 : 1;
            continue;
        }
        if (field == u"user-agent"_s) {
            if (!readingAgents)
                current.clear(); // a new group starts
            readingAgents = true;
            // Crawlers match their product token, ignoring case; "Baiduspider-image" is another robot.
            if (value.compare(u"baiduspider"_s, Qt::CaseInsensitive) == 0) {
                baiduNamed = true;
                current.append(&baidu);
            } else if (value == u"*"_s) {
                current.append(&everyone);
            }
            continue;
        }
        readingAgents = false;
        for (Group* group : current) {
            if (field == u"disallow"_s && (value == u"/"_s || value == u"/*"_s))
                group->shutsRoot = true;
            else if (field == u"allow"_s && !value.isEmpty())
                group->allowsSomething = true;
        }
    }
    const auto shut = [](const Group& group) { return group.shutsRoot && !group.allowsSomething; };
    QString verdict = QCoreApplication::translate("Cells", "允许");
    if (shut(everyone) && (!baiduNamed || shut(baidu)))
        verdict = QCoreApplication::translate("Cells", "禁止全部");
    else if (baiduNamed && shut(baidu))
        verdict = QCoreApplication::translate("Cells", "禁止百度");
    return sitemaps > 0 ? QCoreApplication::translate("Robots", "%1，Sitemap %2").arg(verdict).arg(sitemaps) : verdict;
}

QString robotsText(const PageResult& answer)
{
    // A missing file (any 4xx) leaves every robot free; a server error says nothing either way.
    if (answer.status >= 400 && answer.status < 500)
        return noFile();
    // A site that sends robots.txt on to its home page has none: an HTML page holds no rules.
    const QString start = answer.text.left(512).trimmed().toLower();
    if (answer.contentType.toLower().contains("html") || start.startsWith(u"<!doctype"_s)
        || start.startsWith(u"<html"_s))
        return noFile();
    if (!answer.cut)
        return robotsVerdict(answer.text);
    // A line cut in two is no rule: "Disallow: /admin" cut after its slash would shut the whole site.
    const qsizetype lastEnd = qMax(answer.text.lastIndexOf(u'\n'), answer.text.lastIndexOf(u'\r'));
    return robotsVerdict(answer.text.left(lastEnd + 1));
}

Lookup robotsFileLookup(const QString& key, const QString& header, Measure measure)
{
    return {.key = key,
        .header = header,
        .measure = measure,
        .service = {u"robots"_s, u"robots.txt"_s, {32}},
        .start
        = [](const QString& domain, const JobContext& context) -> LookupJob* { return new RobotsJob(domain, context); },
        .answerGroup = u"robots"_s};
}

const Lookup& robotsLookup()
{
    static const Lookup lookup = robotsFileLookup(Key::Robots, u"robots.txt"_s);
    return lookup;
}
