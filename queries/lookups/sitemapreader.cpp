// SPDX-License-Identifier: GPL-3.0-or-later
// Sitemaps read a piece at a time: zlib's streaming inflate for gzip, QXmlStreamReader for the XML.
#include "queries/lookups/sitemapreader.h"

#include <QCoreApplication>
#include <zlib.h>

namespace {

// Inflated a piece at a time: a gzip of a few kilobytes can hold gigabytes.
constexpr int kInflatePiece = 64 * 1024;
// An address is for counting or asking; one longer than this is no address.
constexpr qsizetype kLongestLoc = 4096;

} // namespace

SitemapReader::SitemapReader() = default;

SitemapReader::~SitemapReader()
{
    if (m_zip)
        inflateEnd(m_zip.get());
}

bool SitemapReader::add(QByteArrayView bytes)
{
    if (!m_error.isEmpty() || m_kind == Kind::NotSitemap || m_full)
        return false;
    if (!m_sniffed) {
        // A .xml.gz is sent as it lies on disk, without a Content-Encoding that would have Qt inflate it.
        m_sniffed = true;
        if (bytes.size() >= 2 && uchar(bytes[0]) == 0x1F && uchar(bytes[1]) == 0x8B) {
            m_zip = std::make_unique<z_stream_s>();
            if (inflateInit2(m_zip.get(), 15 + 16) != Z_OK) {
                m_zip.reset();
                m_error = QCoreApplication::translate("Cells", "无法解压");
                return false;
            }
        }
    }
    if (m_zip)
        return inflate(bytes);
    m_xml.addData(bytes.toByteArray());
    return read();
}

bool SitemapReader::inflate(QByteArrayView bytes)
{
    m_zip->next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    m_zip->avail_in = uInt(bytes.size());
    QByteArray piece(kInflatePiece, Qt::Uninitialized);
    while (m_zip->avail_in > 0) {
        m_zip->next_out = reinterpret_cast<Bytef*>(piece.data());
        m_zip->avail_out = uInt(piece.size());
        const int status = ::inflate(m_zip.get(), Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) {
            m_error = QCoreApplication::translate("Cells", "gzip 数据损坏");
            return false;
        }
        const qsizetype made = piece.size() - qsizetype(m_zip->avail_out);
        m_inflated += made;
        if (m_inflated > kMostBytes) {
            m_full = true;
            return false;
        }
        m_xml.addData(piece.first(made));
        if (!read())
            return false;
        // Files joined one after another (`cat a.gz b.gz`) are one gzip stream to its readers.
        if (status == Z_STREAM_END && inflateReset(m_zip.get()) != Z_OK)
            return false;
        if (status == Z_BUF_ERROR && made == 0)
            break;
    }
    return true;
}

bool SitemapReader::read()
{
    while (!m_xml.atEnd()) {
        switch (m_xml.readNext()) {
        case QXmlStreamReader::StartElement:
            startElement();
            break;
        case QXmlStreamReader::Characters:
            if (m_inLoc && m_loc.size() < kLongestLoc)
                m_loc += m_xml.text().left(kLongestLoc - m_loc.size());
            break;
        case QXmlStreamReader::EndElement:
            if (m_inLoc && m_kind == Kind::Index) {
                if (const QString loc = m_loc.trimmed(); !loc.isEmpty() && loc.size() < kLongestLoc)
                    m_listed.append(loc);
            }
            m_inLoc = false;
            if (m_depth == m_entryDepth)
                m_entryDepth = -1;
            --m_depth;
            break;
        default:
            break;
        }
        if (m_kind == Kind::NotSitemap)
            return false;
        if (m_pages >= kMostPages || m_listed.size() >= kMostListed) {
            m_full = true;
            return false;
        }
    }
    if (m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError)
        return true;
    if (m_xml.hasError()) {
        // A page that is no XML at all (a site answering every address with its home page) is no sitemap.
        if (m_kind == Kind::Unknown)
            m_kind = Kind::NotSitemap;
        else
            m_error = QCoreApplication::translate("Cells", "%1（第 %2 行）")
                          .arg(m_xml.errorString())
                          .arg(m_xml.lineNumber());
    }
    return false;
}

void SitemapReader::startElement()
{
    const QStringView name = m_xml.name();
    ++m_depth;
    if (m_depth == 1) {
        m_kind = name == u"urlset" ? Kind::Pages : name == u"sitemapindex" ? Kind::Index : Kind::NotSitemap;
        return;
    }
    const QStringView entry = m_kind == Kind::Pages ? u"url" : u"sitemap";
    if (m_depth == 2 && name == entry) {
        m_entryDepth = m_depth;
    } else if (m_entryDepth >= 0 && m_depth == m_entryDepth + 1 && name == u"loc") {
        m_inLoc = true;
        m_loc.clear();
        if (m_kind == Kind::Pages)
            ++m_pages;
    }
}

void SitemapReader::end()
{
    if (!m_error.isEmpty() || m_full || m_kind == Kind::NotSitemap)
        return;
    if (m_kind == Kind::Unknown)
        m_kind = Kind::NotSitemap; // an empty file, or one of text
    // Fed a piece at a time, the reader waits for more even after the root closed; only an open root is cut short.
    else if (m_depth > 0)
        m_error = QCoreApplication::translate("Cells", "文件不完整");
}
