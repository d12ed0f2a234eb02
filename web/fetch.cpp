#include "web/fetch.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QStringDecoder>
#include <QTimer>
#include <QUrl>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

FetchLimits g_limits;

QNetworkAccessManager& manager()
{
    static QPointer<QNetworkAccessManager> instance;
    if (!instance)
        instance = new QNetworkAccessManager(QCoreApplication::instance());
    return *instance;
}

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
        return FetchFailure::ConnectionRefused;
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

struct ReplyDeleter
{
    // Deleted at once, not with deleteLater(): a walk over thousands of domains never returns to the
    // loop level that would run the deferred deletes, and the replies would pile up until the batch ends.
    void operator()(QNetworkReply* reply) const { delete reply; }
};

} // namespace

void setFetchLimits(const FetchLimits& limits)
{
    g_limits = limits;
}

PageResult fetchPage(const QString& url, Charset charset)
{
    PageResult result;
    const QUrl address(url, QUrl::TolerantMode);
    if (!address.isValid() || address.scheme() != u"http"_s || address.host().isEmpty()) {
        result.failure = FetchFailure::BadAddress;
        return result;
    }

    QNetworkRequest request(address);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(g_limits.maxRedirects);
    const FetchLimits limits = g_limits;

    std::unique_ptr<QNetworkReply, ReplyDeleter> reply(manager().get(request));
    QByteArray body;
    bool timedOut = false;
    bool oversize = false;

    QEventLoop loop;
    QTimer limit;
    limit.setTimerType(Qt::PreciseTimer);
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, reply.get(), [&] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, [&] {
        body += reply->readAll();
        if (body.size() > limits.maxBodyBytes) {
            oversize = true;
            body.clear();
            reply->abort();
        }
    });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);

    limit.start(limits.timeLimitMs);
    if (!reply->isFinished())
        loop.exec();
    if (!reply->isFinished()) {
        // The loop was left from outside: the program is closing.
        reply->abort();
        result.failure = FetchFailure::Cancelled;
        return result;
    }
    limit.stop();
    if (reply->isOpen())
        body += reply->readAll();

    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QNetworkReply::NetworkError error = reply->error();
    if (timedOut)
        result.failure = FetchFailure::TimedOut;
    else if (oversize)
        result.failure = FetchFailure::Oversize;
    else if (error != QNetworkReply::NoError && !(result.status >= 400 && isStatusOnlyError(error)))
        result.failure = failureOf(error);

    if (result.failure == FetchFailure::None)
        result.text = BytesToBstr(body, charset == Charset::Gb2312 ? u"gb2312"_s : u"utf-8"_s);
    return result;
}

QString failureReason(const PageResult& page)
{
    switch (page.failure) {
    case FetchFailure::None:
        break;
    case FetchFailure::TimedOut:
        return u"请求超时（%1 秒）"_s.arg(g_limits.timeLimitMs / 1000.0);
    case FetchFailure::HostNotFound:
        return u"无法解析主机"_s;
    case FetchFailure::ConnectionRefused:
        return u"连接被拒绝"_s;
    case FetchFailure::ConnectionLost:
        return u"连接中断"_s;
    case FetchFailure::TooManyRedirects:
        return u"重定向次数过多"_s;
    case FetchFailure::Oversize:
        return u"页面过大（超过 %1 MB）"_s.arg(g_limits.maxBodyBytes / (1024 * 1024));
    case FetchFailure::BadContent:
        return u"页面内容无法解码"_s;
    case FetchFailure::BadAddress:
        return u"地址无效"_s;
    case FetchFailure::Cancelled:
        return u"已取消"_s;
    case FetchFailure::OtherNetworkError:
        return u"网络错误"_s;
    }
    if (page.status < 200 || page.status >= 300)
        return u"HTTP %1"_s.arg(page.status);
    return {};
}

QString getHTTPPage(const QString& URL)
{
    return fetchPage(URL, Charset::Gb2312).text;
}

QString getHTTPPage1(const QString& URL)
{
    return fetchPage(URL, Charset::Utf8).text;
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
