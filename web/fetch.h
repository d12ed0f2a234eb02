#pragma once

#include <QByteArray>
#include <QString>

enum class Charset { Gb2312, Utf8 };

enum class FetchFailure {
    None,
    TimedOut,
    HostNotFound,
    ConnectionRefused,
    ConnectionLost, // closed or reset before the whole answer was in
    TooManyRedirects,
    Oversize,
    BadContent, // e.g. a compressed body that would not decompress
    BadAddress,
    Cancelled, // the program is closing
    OtherNetworkError,
};

// What one GET brought back. `text` is all a lookup reads; the rest says why a text may be empty.
struct PageResult
{
    QString text;
    FetchFailure failure = FetchFailure::None;
    int status = 0; // HTTP status of the final answer, 0 when none arrived

    bool isSuccess() const { return failure == FetchFailure::None && status >= 200 && status < 300; }
};

// Bounds that keep one dead or hostile server from holding a batch of thousands.
struct FetchLimits
{
    int timeLimitMs = 30'000; // whole request, not idle time: a one-byte-a-second trickle is cut too
    qint64 maxBodyBytes = 16 * 1024 * 1024; // after decompression
    int maxRedirects = 5;
};

void setFetchLimits(const FetchLimits& limits);

// The status never changes the text: an error page's body is returned like any other.
// The wait runs an event loop, so the window stays live and nested fetches return their own pages.
PageResult fetchPage(const QString& url, Charset charset);

// Why a page cannot be trusted, for the user: a failed request or a status outside 2xx. Empty when fine.
QString failureReason(const PageResult& page);

QString getHTTPPage(const QString& URL); // body decoded as GB2312 (GB18030, its superset)
QString getHTTPPage1(const QString& URL); // body decoded as UTF-8

// Bytes invalid in the charset become U+FFFD and the rest still decodes; a UTF-8 byte-order mark is dropped.
QString BytesToBstr(const QByteArray& body, const QString& Cset);
