// SPDX-License-Identifier: GPL-3.0-or-later
// Sniffing a page's charset: an XML declaration, valid UTF-8, else uchardet's guess.
#include "web/charset.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <uchardet/uchardet.h>

#include <algorithm>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

// The detector reads no further: a page's language shows long before, and a 16 MB page costs no more.
constexpr qsizetype kSampleBytes = 64 * 1024;

bool decodable(const QByteArray& name)
{
    return !name.isEmpty() && QStringDecoder(name.constData()).isValid();
}

QByteArray declaredInXml(const QByteArray& body)
{
    // <?xml version="1.0" encoding="Shift_JIS"?>, perhaps after white space (many pages are assembled).
    static const QRegularExpression declaration(uR"(^\s*<\?xml\s[^>]*?\bencoding\s*=\s*["']([A-Za-z0-9._:-]+)["'])"_s);
    const QRegularExpressionMatch match = declaration.match(QString::fromLatin1(body.left(1024)));
    const QByteArray name = match.captured(1).toLatin1().toLower();
    // A declaration of UTF-16 that was read as ASCII is wrong about itself, as a <meta> tag would be.
    if (name.startsWith("utf-16") || name.startsWith("utf-32"))
        return "utf-8";
    return decodable(name) ? name : QByteArray();
}

// Whether the bytes read as Chinese in GBK: every byte beyond ASCII in a GBK pair, and three pairs in four
// in GB2312's own range. Western text fails this (an accented letter stands between ASCII ones), and so
// do Cyrillic and Greek text, mostly; a few words of Chinese pass.
bool readsAsGbk(const QByteArray& bytes)
{
    qsizetype pairs = 0, common = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar lead = uchar(bytes[i]);
        if (lead < 0x80)
            continue;
        if (i + 1 >= bytes.size())
            return pairs > 0; // cut at the sample's end
        const uchar trail = uchar(bytes[++i]);
        if (lead < 0x81 || lead == 0xFF || trail < 0x40 || trail == 0x7F || trail == 0xFF)
            return false;
        ++pairs;
        common += lead >= 0xA1 && lead <= 0xF7 && trail >= 0xA1;
    }
    return pairs > 0 && common * 4 >= pairs * 3;
}

// uchardet's names for what Qt (ICU) reads under another name, or reads more narrowly than browsers do.
QByteArray decoderName(const QByteArray& detected)
{
    if (detected == "UHC" || detected == "EUC-KR")
        return "windows-949"; // EUC-KR as browsers read it, with the Hangul EUC-KR lacks
    if (detected == "ISO-8859-1")
        return "windows-1252";
    if (detected == "GB18030" || detected == "GB2312" || detected == "GBK")
        return "GB18030";
    return detected;
}

// The single-byte charsets uchardet may name for a few words of Chinese: it has little to go on, and a page
// of a Chinese site that says nothing of its charset is far likelier to be GBK than Latin-1.
bool mayBeShortChinese(const QByteArray& detected)
{
    static const QByteArray western[] = {"WINDOWS-1252", "ISO-8859-1", "ISO-8859-15", "WINDOWS-1250", "ISO-8859-2",
        "WINDOWS-1253", "ISO-8859-7", "WINDOWS-1254", "ISO-8859-9", "WINDOWS-1256", "ISO-8859-6", "WINDOWS-1257",
        "ISO-8859-13", "WINDOWS-1258", "ISO-8859-3", "ISO-8859-4", "ISO-8859-10", "ISO-8859-16", "MAC-CENTRALEUROPE",
        "IBM852", "TIS-620", "ISO-8859-11"};
    return std::find(std::begin(western), std::end(western), detected) != std::end(western);
}

} // namespace

QByteArray sniffedCharset(const QByteArray& body)
{
    if (const QByteArray declared = declaredInXml(body); !declared.isEmpty())
        return declared;
    // GB-encoded Chinese is hardly ever valid UTF-8, and UTF-8 needs no guess.
    // Checked a slice at a time, each slice's text made and dropped (the decoder does nothing, and finds
    // no error, until its result is taken): the page's text is made once, by the caller.
    QStringDecoder check(QStringDecoder::Utf8);
    for (qsizetype at = 0; at < body.size() && !check.hasError(); at += kSampleBytes) {
        const QString slice = check.decode(QByteArrayView(body).sliced(at, qMin(kSampleBytes, body.size() - at)));
        Q_UNUSED(slice);
    }
    if (!check.hasError())
        return "utf-8";
    const QByteArray sample = body.left(kSampleBytes);
    const std::unique_ptr<uchardet, void (*)(uchardet_t)> detector(uchardet_new(), uchardet_delete);
    if (!detector || uchardet_handle_data(detector.get(), sample.constData(), size_t(sample.size())) != 0)
        return {};
    uchardet_data_end(detector.get());
    const QByteArray detected = QByteArray(uchardet_get_charset(detector.get())).toUpper();
    // Nothing found, plain ASCII, or UTF-8 (which the bytes were not).
    if (detected.isEmpty() || detected == "ASCII" || detected == "UTF-8")
        return {};
    if (mayBeShortChinese(detected) && readsAsGbk(sample))
        return "GB18030";
    const QByteArray name = decoderName(detected);
    return decodable(name) ? name : QByteArray();
}
