// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One GET of a page: bounded in time and size, decoded by the charset it declares, each failure told.
#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QNetworkProxy>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include "web/network.h"
#include <functional>
#include <memory>
#include <optional>

class QNetworkReply;
class QTimer;

enum class Charset { Gb2312, Utf8 };

enum class FetchFailure {
    None,
    TimedOut,
    Stalled, // nothing arrived for a while, though the whole may take longer
    HostNotFound,
    ConnectionRefused,
    ConnectionLost, // closed or reset before the whole answer was in
    TooManyRedirects,
    RedirectLoop, // sent back to an address already visited
    Oversize,
    BadContent, // a compressed body that would not decompress, a broken chunked body
    BadAddress,
    ProxyAuthentication, // the proxy wants a user name and password it was not given, or not these
    ProxyNotFound,
    ProxyTimedOut,
    ProxyFailed, // the proxy answered in a way that is no proxy's
    OtherNetworkError,
};

// What one GET brought back. `text` is all a lookup reads; the rest says why a text may be empty.
struct PageResult
{
    QString text;
    FetchFailure failure = FetchFailure::None;
    int status = 0; // HTTP status of the final answer, 0 when none arrived
    QByteArray retryAfter; // the answer's Retry-After header, as sent
    QUrl url; // where the answer came from, after redirects
    QByteArray body; // the undecoded body, only for a request that asks for it
    QByteArray contentType; // the answer's Content-Type header
    int limitMs = 0; // the limit that ended it, for TimedOut and Stalled
    qint64 capBytes = 0; // the cap that ended it, for Oversize, or that cut it, when `cut`
    bool cut = false; // only the first capBytes were read, for a request that keeps the start of a long body
    QList<int> redirects; // the status of each redirect followed, in order
    QUrl loopedTo; // the address a RedirectLoop came back to
    qint64 elapsedMs = 0; // from the request to the last byte of the final answer
    QByteArray server; // the final answer's Server header

    bool isSuccess() const { return failure == FetchFailure::None && status >= 200 && status < 300; }
};

struct FetchRequest
{
    FetchRequest(const QString& address, Charset declaredNone = Charset::Gb2312, bool keep = true)
        : url(address)
        , charset(declaredNone)
        , keepConnection(keep)
    {
    }

    QString url;
    // The charset of a page that declares none.
    Charset charset;
    // A service is asked again and again, so its connection is worth keeping. A home page is one request
    // to a host never seen again: keeping its connection would hold a file open per domain.
    bool keepConnection;
    QByteArray accept; // an Accept header, when the service wants one
    QList<std::pair<QByteArray, QByteArray>> headers; // more headers, as the user wrote them (an API key)
    qint64 maxBodyBytes = 0; // 0: the limits' cap
    bool keepStart = false; // a longer body is not a failure: its first maxBodyBytes are the answer
    bool keepBody = false; // a file, not a page: its bytes are wanted as they came
    // A file read as it comes (a sitemap of hundreds of megabytes): a 2xx answer's body goes here a piece at a
    // time instead of into the result. Returning false ends the read there, as `cut`.
    std::function<bool(QByteArrayView piece)> sink;
    std::optional<QNetworkProxy> proxy; // none: the system's proxy settings
    int timeLimitMs = 0; // 0: the limits' time limit
    int stallLimitMs = 0; // fails when nothing arrives for this long; 0: no such limit
    Network* network = nullptr; // whose limits and connections; none: the request's own
};

// One GET, started at once. finished() comes exactly once, never from inside the constructor; deleting
// the fetch before then drops the request.
class PageFetch : public QObject
{
    Q_OBJECT
public:
    explicit PageFetch(const FetchRequest& request, QObject* parent = nullptr);
    ~PageFetch() override;

    const PageResult& result() const { return m_result; }

signals:
    void finished();
    void progress(qint64 received, qint64 total); // total -1 when the server did not say

private:
    // The whole request's time limit, and the stall limit when there is one.
    void startLimits(int limitMs, int stallLimitMs);
    void onRedirected(const QUrl& to);
    void onReadyRead();
    void pour();
    void onFinished();
    void complete();
    void fail(FetchFailure failure);

    std::unique_ptr<Network> m_ownNetwork; // declared before the reply: it outlives it
    QPointer<QNetworkReply> m_reply;
    QTimer* m_limit = nullptr;
    QTimer* m_stall = nullptr;
    Charset m_charset;
    qint64 m_maxBody;
    bool m_keepStart;
    bool m_keepBody;
    std::function<bool(QByteArrayView)> m_sink;
    qint64 m_received = 0;
    QByteArray m_body;
    QElapsedTimer m_elapsed;
    QList<QUrl> m_visited; // every address asked, to tell a loop from a long chain
    PageResult m_result;
};

// The status never changes the text: an error page's body is returned like any other.
PageFetch* getHTTPPage(const QString& URL, QObject* parent = nullptr); // body decoded as GB2312 (GB18030)
PageFetch* getHTTPPage1(const QString& URL, QObject* parent = nullptr); // body decoded as UTF-8

// Why a page cannot be trusted, for the user: a failed request or a status outside 2xx. Empty when fine.
QString failureReason(const PageResult& page);
// A size for the user: "512 KB", "1.5 MB", "16 MB".
QString sizeText(qint64 bytes);

// Bytes invalid in the charset become U+FFFD and the rest still decodes; a UTF-8 byte-order mark is dropped.
QString BytesToBstr(const QByteArray& body, const QString& Cset);

// A page read by the charset it declares: a byte-order mark, else its Content-Type header, else its <meta>
// tag, else `fallback`. A declared charset we cannot read counts as none. With `sniff`, a page that declares
// nothing is read by what its bytes say first (sniffedCharset(): an XML declaration, UTF-8, a detector);
// `sniffed` tells whether they said anything.
QString decodePage(const QByteArray& body, const QByteArray& contentType, Charset fallback, bool sniff = false,
    bool* sniffed = nullptr);
