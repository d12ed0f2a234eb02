// SPDX-License-Identifier: GPL-3.0-or-later
// One GET of a page over Qt's network access, and the decoding of what came back.
#include "web/fetch.h"

#include "web/charset.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QStringDecoder>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qint64 kReadBufferBytes = 256 * 1024;

// Errors Qt derives from an HTTP error status alone: the body arrived whole and counts as the page.
// The same codes with a 2xx status mean the body itself was bad, e.g. a compressed bomb Qt refused.
bool isStatusOnlyError(QNetworkReply::NetworkError error)
{
    return (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError)
        || error == QNetworkReply::ProtocolInvalidOperationError
        || (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
}

FetchFailure failureOf(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::NoError:
        return FetchFailure::None;
    case QNetworkReply::HostNotFoundError:
        return FetchFailure::HostNotFound;
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::ProxyConnectionRefusedError:
        return FetchFailure::ConnectionRefused;
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return FetchFailure::ProxyAuthentication;
    case QNetworkReply::ProxyNotFoundError:
        return FetchFailure::ProxyNotFound;
    case QNetworkReply::ProxyTimeoutError:
        return FetchFailure::ProxyTimedOut;
    case QNetworkReply::UnknownProxyError:
        return FetchFailure::ProxyFailed;
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::ProxyConnectionClosedError:
        return FetchFailure::ConnectionLost;
    case QNetworkReply::TimeoutError:
        return FetchFailure::TimedOut;
    case QNetworkReply::TooManyRedirectsError:
    case QNetworkReply::InsecureRedirectError:
        return FetchFailure::TooManyRedirects;
    case QNetworkReply::UnknownContentError:
        return FetchFailure::BadContent;
    case QNetworkReply::ProtocolUnknownError:
    case QNetworkReply::ProtocolInvalidOperationError:
        return FetchFailure::BadAddress;
    default:
        return FetchFailure::OtherNetworkError;
    }
}

// The GET itself: redirects, cookies, the bomb check, the caller's headers and whether its connection is kept.
QNetworkRequest getRequest(const FetchRequest& request, const QUrl& address, int maxRedirects, qint64 bombThreshold)
{
    QNetworkRequest get(address);
    get.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    get.setMaximumRedirectsAllowed(maxRedirects);
    // A server that sets a new cookie on every answer would otherwise grow every later request's header
    // until the server refuses them all.
    get.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    get.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    get.setDecompressedSafetyCheckThreshold(bombThreshold);
    if (!request.accept.isEmpty())
        get.setRawHeader("Accept", request.accept);
    for (const auto& [name, value] : request.headers)
        get.setRawHeader(name, value);
    if (!request.keepConnection) {
        get.setRawHeader("Connection", "close");
        get.setAttribute(QNetworkRequest::ConnectionCacheExpiryTimeoutSecondsAttribute, 0);
    }
    return get;
}

// http://a.test and http://a.test/ are one page: a chain back to either is a loop.
QUrl withPath(QUrl address)
{
    if (address.path().isEmpty())
        address.setPath(u"/"_s);
    return address;
}

} // namespace

PageFetch::PageFetch(const FetchRequest& request, QObject* parent)
    : QObject(parent)
    , m_limit(new QTimer(this))
    , m_charset(request.charset)
    , m_keepStart(request.keepStart)
    , m_keepBody(request.keepBody)
    , m_sink(request.sink)
{
    // A request outside any walk (the update check, 试一试) brings its own connections and goes with them.
    if (!request.network)
        m_ownNetwork = std::make_unique<Network>();
    Network& network = request.network ? *request.network : *m_ownNetwork;
    m_maxBody = request.maxBodyBytes > 0 ? request.maxBodyBytes : network.limits.maxBodyBytes;
    const int limitMs = request.timeLimitMs > 0 ? request.timeLimitMs : network.limits.timeLimitMs;
    // Said in the reason when one of them ends the request.
    m_result.limitMs = limitMs;
    m_result.capBytes = m_maxBody;
    const QUrl address(request.url, QUrl::TolerantMode);
    const bool web = address.scheme() == u"http"_s || address.scheme() == u"https"_s;
    if (!address.isValid() || !web || address.host().isEmpty()) {
        QMetaObject::invokeMethod(
            this, [this] { fail(FetchFailure::BadAddress); }, Qt::QueuedConnection);
        return;
    }

    // Qt's own bomb check would refuse large honest pages well below our cap; the cap itself still holds.
    // A request that keeps the start of a long body stops reading at the cap: a highly compressed file of
    // honest rules past it (a robots.txt of a million lines) is no bomb to it.
    const QNetworkRequest get = getRequest(request, address, network.limits.maxRedirects, m_keepStart ? -1 : m_maxBody);
    m_reply = request.proxy ? network.managerFor(*request.proxy).get(get) : network.manager().get(get);
    // Qt's network thread reads as fast as the server sends; without a bound its buffer holds a 100 MB page
    // whole before the cap below ever sees it.
    m_reply->setReadBufferSize(kReadBufferBytes);
    m_elapsed.start();
    m_visited.append(withPath(address));
    connect(m_reply, &QNetworkReply::redirected, this, &PageFetch::onRedirected);
    connect(m_reply, &QNetworkReply::readyRead, this, &PageFetch::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &PageFetch::onFinished);
    startLimits(limitMs, request.stallLimitMs);
}

void PageFetch::startLimits(int limitMs, int stallLimitMs)
{
    m_limit->setSingleShot(true);
    m_limit->setTimerType(Qt::PreciseTimer);
    connect(m_limit, &QTimer::timeout, this, [this, limitMs] {
        m_result.limitMs = limitMs;
        fail(FetchFailure::TimedOut);
    });
    m_limit->start(limitMs);
    connect(m_reply, &QNetworkReply::downloadProgress, this, &PageFetch::progress);
    if (stallLimitMs > 0) {
        m_stall = new QTimer(this);
        m_stall->setSingleShot(true);
        connect(m_stall, &QTimer::timeout, this, [this, stallLimitMs] {
            m_result.limitMs = stallLimitMs;
            fail(FetchFailure::Stalled);
        });
        connect(m_reply, &QNetworkReply::downloadProgress, m_stall, qOverload<>(&QTimer::start));
        m_stall->start(stallLimitMs);
    }
}

PageFetch::~PageFetch()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        delete m_reply;
    }
}

void PageFetch::onRedirected(const QUrl& to)
{
    // Qt has the redirect's own answer in hand when it tells us where it leads.
    m_result.redirects.append(m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt());
    // A chain that comes back where it was is no slow site: asking on to the redirect limit says nothing more.
    // (Qt has already sent the repeat by now; its answer is dropped. Qt 6.4 misreads answers under the
    // UserVerifiedRedirectPolicy that would hold the repeat back: a status 100 and a caching error.)
    if (m_visited.contains(withPath(to))) {
        m_result.loopedTo = to;
        fail(FetchFailure::RedirectLoop);
        return;
    }
    m_visited.append(withPath(to));
}

void PageFetch::pour()
{
    const QByteArray piece = m_reply->readAll();
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status < 200 || status >= 300)
        return; // an error page is no part of the file
    m_received += piece.size();
    const qint64 over = qMax<qint64>(0, m_received - m_maxBody);
    if (over > 0 && !m_keepStart) {
        fail(FetchFailure::Oversize);
        return;
    }
    if (!m_sink(QByteArrayView(piece).first(piece.size() - over)) || over > 0) {
        m_result.cut = true;
        complete();
    }
}

void PageFetch::onReadyRead()
{
    if (m_sink) {
        pour();
        return;
    }
    m_body += m_reply->readAll();
    if (m_body.size() <= m_maxBody)
        return;
    if (!m_keepStart) {
        fail(FetchFailure::Oversize);
        return;
    }
    // The rest is not waited for: the answer is complete as far as we read it.
    m_body.truncate(m_maxBody);
    m_result.cut = true;
    complete();
}

void PageFetch::fail(FetchFailure failure)
{
    m_limit->stop();
    if (m_stall)
        m_stall->stop();
    m_result.failure = failure;
    m_body.clear();
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    emit finished();
}

void PageFetch::onFinished()
{
    if (m_reply->isOpen() && m_reply->bytesAvailable() > 0) {
        onReadyRead();
        if (!m_reply)
            return;
    }
    complete();
}

void PageFetch::complete()
{
    // The limit is for waiting on the network; once the answer is in, nothing can make it late.
    m_limit->stop();
    if (m_stall)
        m_stall->stop();
    m_result.status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    m_result.retryAfter = m_reply->rawHeader("Retry-After");
    m_result.url = m_reply->url();
    m_result.contentType = m_reply->rawHeader("Content-Type");
    m_result.server = m_reply->rawHeader("Server");
    m_result.elapsedMs = m_elapsed.elapsed();
    const QNetworkReply::NetworkError error = m_reply->error();
    if (error != QNetworkReply::NoError && !(m_result.status >= 400 && isStatusOnlyError(error)))
        m_result.failure = failureOf(error);
    // Qt reads a chunk size it cannot parse as the last chunk and calls the page complete. An answer that
    // announced chunks and delivered none is such a broken stream, not an empty page.
    else if (m_body.isEmpty() && m_received == 0
        && m_reply->rawHeader("Transfer-Encoding").toLower().contains("chunked"))
        m_result.failure = FetchFailure::BadContent;

    if (m_result.failure == FetchFailure::None && m_keepBody)
        m_result.body = m_body;
    else if (m_result.failure == FetchFailure::None)
        m_result.text = decodePage(m_body, m_result.contentType, m_charset);
    m_body.clear();
    m_reply->disconnect(this);
    if (m_result.cut) {
        // The stall timer listens to the reply too: nothing that comes after this may start it again.
        if (m_stall)
            m_reply->disconnect(m_stall);
        m_reply->abort();
    }
    m_reply->deleteLater();
    m_reply = nullptr;
    emit finished();
}

PageFetch* getHTTPPage(const QString& URL, QObject* parent)
{
    return new PageFetch({URL, Charset::Gb2312}, parent);
}

PageFetch* getHTTPPage1(const QString& URL, QObject* parent)
{
    return new PageFetch({URL, Charset::Utf8}, parent);
}

QString failureReason(const PageResult& page)
{
    switch (page.failure) {
    case FetchFailure::None:
        break;
    case FetchFailure::TimedOut:
        return QCoreApplication::translate("Network", "请求超时（%1 秒）").arg(page.limitMs / 1000.0);
    case FetchFailure::Stalled:
        return QCoreApplication::translate("Network", "%1 秒没有收到数据").arg(page.limitMs / 1000.0);
    case FetchFailure::HostNotFound:
        return QCoreApplication::translate("Network", "无法解析主机");
    case FetchFailure::ConnectionRefused:
        return QCoreApplication::translate("Network", "连接被拒绝");
    case FetchFailure::ConnectionLost:
        return QCoreApplication::translate("Network", "连接中断");
    case FetchFailure::TooManyRedirects:
        return QCoreApplication::translate("Network", "重定向次数过多");
    case FetchFailure::RedirectLoop:
        return QCoreApplication::translate("Network", "重定向循环（回到 %1）").arg(page.loopedTo.toString());
    case FetchFailure::Oversize:
        return QCoreApplication::translate("Network", "页面过大（超过 %1）").arg(sizeText(page.capBytes));
    case FetchFailure::BadContent:
        return QCoreApplication::translate("Network", "页面内容无法解码");
    case FetchFailure::BadAddress:
        return QCoreApplication::translate("Network", "地址无效");
    case FetchFailure::ProxyAuthentication:
        return QCoreApplication::translate("Network", "代理要求身份验证（用户名或密码不对）");
    case FetchFailure::ProxyNotFound:
        return QCoreApplication::translate("Network", "找不到代理服务器");
    case FetchFailure::ProxyTimedOut:
        return QCoreApplication::translate("Network", "代理没有应答");
    case FetchFailure::ProxyFailed:
        return QCoreApplication::translate("Network", "代理出错");
    case FetchFailure::OtherNetworkError:
        return QCoreApplication::translate("Network", "网络错误");
    }
    if (page.status < 200 || page.status >= 300)
        return u"HTTP %1"_s.arg(page.status);
    return {};
}

QString sizeText(qint64 bytes)
{
    const bool megabytes = bytes >= 1024 * 1024;
    const double amount = double(bytes) / (megabytes ? 1024 * 1024 : 1024);
    // One decimal at most, and none when it is zero.
    return QString::number(qRound(amount * 10) / 10.0, 'f', qRound(amount * 10) % 10 ? 1 : 0)
        + (megabytes ? u" MB"_s : u" KB"_s);
}

QString BytesToBstr(const QByteArray& body, const QString& Cset)
{
    const QString name = Cset.trimmed().toLower();
    // Pages labelled GB2312 routinely carry GBK characters; browsers read them as GB18030 and so do we.
    QStringDecoder decoder(name == u"gb2312"_s || name == u"gbk"_s ? "GB18030" : name.toLatin1().constData());
    if (!decoder.isValid())
        return {};
    return decoder.decode(body);
}

namespace {

QByteArray charsetIn(const QByteArray& text)
{
    const qsizetype at = text.toLower().indexOf("charset=");
    if (at < 0)
        return {};
    qsizetype begin = at + 8;
    while (begin < text.size() && (text.at(begin) == '"' || text.at(begin) == '\'' || text.at(begin) == ' '))
        ++begin;
    qsizetype end = begin;
    while (end < text.size()
        && (QChar::isLetterOrNumber(uchar(text.at(end))) || QByteArray("-_:.").contains(text.at(end))))
        ++end;
    return text.mid(begin, end - begin).toLower();
}

QByteArray withoutComments(const QByteArray& html)
{
    QByteArray kept;
    qsizetype done = 0;
    for (qsizetype open = html.indexOf("<!--"); open >= 0; open = html.indexOf("<!--", done)) {
        kept += html.mid(done, open - done);
        const qsizetype close = html.indexOf("-->", open + 4);
        if (close < 0)
            return kept;
        done = close + 3;
    }
    return kept + html.mid(done);
}

} // namespace

QString decodePage(const QByteArray& body, const QByteArray& contentType, Charset fallback, bool sniff, bool* sniffed)
{
    if (body.startsWith("\xFF\xFE") || body.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringConverter::Utf16).decode(body);
    if (body.startsWith("\xEF\xBB\xBF"))
        return BytesToBstr(body, u"utf-8"_s);
    QByteArray declared = charsetIn(contentType);
    // The <meta> tag must come within the first 1,024 bytes, as browsers expect it, and outside comments.
    const QByteArray head = withoutComments(body.left(1024).toLower());
    for (qsizetype meta = head.indexOf("<meta"); declared.isEmpty() && meta >= 0;
         meta = head.indexOf("<meta", meta + 5)) {
        declared = charsetIn(head.mid(meta, head.indexOf('>', meta) - meta));
        // A tag that names UTF-16 or UTF-32 was read as ASCII, so the page is neither: browsers take UTF-8.
        if (declared.startsWith("utf-16") || declared.startsWith("utf-32") || declared.startsWith("ucs"))
            declared = "utf-8";
    }
    const QString name = QString::fromLatin1(declared);
    if (!declared.isEmpty()
        && (name == u"gb2312"_s || name == u"gbk"_s || QStringDecoder(declared.constData()).isValid()))
        return BytesToBstr(body, name);
    if (sniff) {
        if (const QByteArray found = sniffedCharset(body); !found.isEmpty()) {
            if (sniffed)
                *sniffed = true;
            return BytesToBstr(body, QString::fromLatin1(found));
        }
    }
    return BytesToBstr(body, fallback == Charset::Gb2312 ? u"gb2312"_s : u"utf-8"_s);
}
