// SPDX-License-Identifier: GPL-3.0-or-later
// The sitemap column: the sitemaps robots.txt names, else /sitemap.xml, each streamed through a SitemapReader.
#include "queries/lookups/sitemap.h"

#include "queries/engine/keys.h"
#include "queries/lookups/robots.h"
#include "queries/lookups/sitemapreader.h"

#include <QCoreApplication>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

QStringList sitemapAddresses(const QString& robotsTxt)
{
    QStringList addresses;
    static const QRegularExpression lineEnd(u"\r\n?|\n"_s);
    for (QStringView line : QStringView(robotsTxt).split(lineEnd)) {
        if (const qsizetype hash = line.indexOf(u'#'); hash >= 0)
            line = line.left(hash);
        const qsizetype colon = line.indexOf(u':');
        if (colon < 0 || line.left(colon).trimmed().compare(u"sitemap", Qt::CaseInsensitive) != 0)
            continue;
        const QString address = line.mid(colon + 1).trimmed().toString();
        if (!address.isEmpty() && !addresses.contains(address))
            addresses.append(address);
    }
    return addresses;
}

SitemapCount::SitemapCount(const QStringList& addresses, const JobContext& context, QObject* parent)
    : QObject(parent)
    , m_context(context)
{
    for (const QString& address : addresses.mid(0, SitemapReader::kMostListed))
        m_queue.append({address, false});
}

void SitemapCount::start()
{
    next();
}

void SitemapCount::next()
{
    if (m_queue.isEmpty()) {
        m_result = m_found ? CellResult::of(CellValue::count(m_pages)) : CellResult::of(CellValue::nothing());
        m_result.note = m_notes.join(u'\n');
        emit finished();
        return;
    }
    const auto [address, listed] = m_queue.takeFirst();
    m_asked.append(address);
    auto reader = std::make_shared<SitemapReader>();
    FetchRequest request(address, Charset::Utf8, false);
    // The protocol's bound on a file; past it, what was read is counted.
    request.maxBodyBytes = SitemapReader::kMostBytes;
    request.keepStart = true;
    request.sink = [reader](QByteArrayView piece) { return reader->add(piece); };
    request.proxy = m_context.proxy;
    request.network = m_context.network;
    auto* fetch = new PageFetch(request, this);
    connect(fetch, &PageFetch::finished, this, [this, fetch, reader, address, listed] {
        fetch->deleteLater();
        if (read(address, fetch->result(), *reader, listed))
            next();
        else
            emit finished();
    });
}

bool SitemapCount::read(const QString& address, const PageResult& answer, SitemapReader& reader, bool listed)
{
    const QString file = QCoreApplication::translate("Cells", "网站地图 %1：%2");
    if (answer.failure != FetchFailure::None) {
        m_result = pageCell(answer, QCoreApplication::translate("Cells", "无法访问"));
        m_result.problem = file.arg(address, m_result.problem);
        return false;
    }
    // A sitemap the site does not have is no failure: the next one, or 无.
    if (answer.status < 200 || answer.status >= 300) {
        if (listed)
            m_notes.append(file.arg(address, failureReason(answer)));
        return true;
    }
    if (!answer.cut)
        reader.end();
    if (!reader.error().isEmpty()) {
        m_result = {QCoreApplication::translate("Cells", "无法读取"), file.arg(address, reader.error())};
        return false;
    }
    if (reader.kind() != SitemapReader::Kind::NotSitemap && (reader.full() || answer.cut)) {
        m_notes.append(file.arg(address,
            QCoreApplication::translate("Cells", "超出上限（5 万个地址、50 个网站地图或 50 MB），只读了前面的")));
    }
    if (reader.kind() == SitemapReader::Kind::Pages) {
        m_found = true;
        m_pages += reader.pages();
    } else if (reader.kind() == SitemapReader::Kind::Index) {
        m_found = true;
        if (listed) {
            m_notes.append(file.arg(address, QCoreApplication::translate("Cells", "索引里的索引，未再读取")));
            return true;
        }
        for (const QString& child : reader.listed()) {
            if (m_asked.size() + m_queue.size() < SitemapReader::kMostListed && !m_asked.contains(child))
                m_queue.append({child, true});
        }
    }
    return true;
}

const Lookup& sitemapLookup()
{
    static const Lookup lookup
        = robotsFileLookup(Key::Sitemap, QString::fromUtf8(QT_TRANSLATE_NOOP("Columns", "网站地图")), Measure::Count);
    return lookup;
}
