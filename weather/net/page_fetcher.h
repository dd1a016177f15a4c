#pragma once

#include "common/proxy_settings.h"

#include <QByteArray>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QHash>
#include <QString>
#include <QStringDecoder>

namespace net {

// Flags the page fetcher shares with the rest of the program. The program owns one instance and
// hands it to frmInet by reference.
struct FetchState
{
    bool fetchBusy = false;   // a fetch is under way: the scan timers skip their tick
    bool fetchFailed = false; // the last fetch failed
    bool appClosing = false;  // the program is shutting down: a waiting fetch gives up
    // Addresses whose server asked to be left alone (HTTP 429/503 with Retry-After), each with
    // the time it may be fetched again by a timed scan (retryAfterEnd()).
    QHash<QString, QDeadlineTimer> retryAfter;

    // True while a timed scan must leave `url` alone.
    bool holdsOff(const QString& url) const
    {
        return !retryAfter.value(url, QDeadlineTimer()).hasExpired();
    }
};

// When a timed scan may fetch again from a server that asked for `seconds` of rest at `now`:
// no later than an hour after `now`, nor than the next midnight (the next day's first scan, the
// daily check, is never held up); any count of seconds however large, none for 0 or less.
QDateTime retryAfterEnd(qint64 seconds, const QDateTime& now);

// The texts the fetcher logs.
namespace fetch_text {
inline const QString kHostNotFound =
    QStringLiteral("Host not found / DNS error, if proxy is used ensure proxy settings [HOST] & "
                   "[PORT] are placed in program options");
inline const QString kStartMissing =
    QStringLiteral("Data block start not found on page returned.\r\n"
                   "Connection OK but correct data page not retrieved.");
inline const QString kEndMissing =
    QStringLiteral("Data block end not found on page returned\r\n"
                   "Connection was blocked or timed out during page retrieval.");
inline const QString kBasicAuthRequired =
    QStringLiteral("Proxy server requires username and password for authorization.");
inline const QString kOtherAuthRequired =
    QStringLiteral("Proxy server requires authorization using a Digital Authentication.\r\n"
                   "Nimbulo supports Basic Authentication ONLY.");
inline const QString kPageTooLarge =
    QStringLiteral("Page too large: more than 8 MB received from server.");

inline const QString kForbidden = QStringLiteral(
    "The bureau refused the request (HTTP 403): its firewall may be blocking this computer.\r\n"
    "The bureau's official feeds on ftp://ftp.bom.gov.au/anon/gen/fwo/ are not behind it.");

// The texts of the https:// and ftp:// transports; `url` is the address that failed.
QString certificateNotTrusted(const QString& host, const QString& reason);
// "Could not connect to <host> (<reason>)."; "Could not find <host> (unknown host name)."
QString couldNotConnect(const QString& host, const QString& reason);
QString unknownHost(const QString& host);
QString handshakeFailed(const QString& host, const QString& detail);
QString notFound(const QString& url);
// HTTP 429 or 503; `resumeAt` (the time the timed scans of `url` resume) is "" when the server
// named no time.
QString serverBusy(int status, const QString& url, const QString& resumeAt);
QString otherStatus(int status, const QString& url);
QString redirectLoop(const QString& url);
QString redirectToPlainHttp(const QString& url, const QString& target);
// A redirect from https to an address of another scheme (file:, ftp:, …).
QString redirectRefused(const QString& url, const QString& target);
// A header line longer than libcurl reads (100 KB).
QString headerTooLong(const QString& url);
// An HTTP/1.0 answer that is not HTTP (no status), and a server that closed without answering.
QString notHttp(const QString& url);
QString noAnswer(const QString& url);
// An http:// address with a space or a control character, which would break the request line.
QString badAddress(const QString& url);
QString ftpRefused(const QString& url, const QString& reply);
QString timedOut(const QString& url);
QString transferFailed(const QString& url, const QString& detail);

// "Winsock Error " + number + " - Description" + description.
QString socketError(int number, const QString& description);
// The four-line message of a moved page.
QString moved(const QString& url);
} // namespace fetch_text

// The host part of `url` for a direct connection: the text after "://" (from the start when
// the URL has no scheme) up to the next "/" or the end. With `stripWww` a leading "www." (any
// capitals) is dropped. The URL's own capitals are kept.
QString hostFromUrl(const QString& url, bool stripWww);

// The status code of a response: the three characters after the first space when they are
// three digits, else 0.
int httpStatus(const QString& response);

// The scheme word of the "Proxy-Authenticate: " header (the key in exactly these capitals,
// at the start of a line): the text after the key up to the next space or line end. "" when
// the header is missing or the scheme is empty.
QString proxyAuthScheme(const QString& response);

// True when `url` can stand in a request line: no space, no control character.
bool requestableUrl(QStringView url);

// The HTTP/1.0 request for `url`: the request line with the full URL as given, then
// "Accept: text/html" or, with both the proxy and its authentication on, the Basic proxy
// credentials (user + ":" + password as UTF-8, Base64) and no Accept line; no Host header.
QByteArray httpRequest(const QString& url, const common::ProxySettings& proxy);

// Where the body of a response starts: after its first empty line, whether the lines end in
// CR LF or in a bare LF (as some servers send); -1 when there is no empty line yet.
qsizetype bodyStart(QStringView response);

// A response decoded once, as it arrives: the pieces go through one stateful UTF-8 decoder (a
// character split between pieces is completed by the next one). When the bytes turn out not to
// be UTF-8, finish() decodes them as Windows-1252 instead.
class PageText
{
public:
    void clear();
    void append(QByteArrayView bytes);
    // True once `marker` (any capitals) is in the text; each call searches only what is new.
    bool contains(const QString& marker);
    // The text of all `bytes` appended since clear().
    QString& finish(const QByteArray& bytes);

private:
    QStringDecoder decoder_{QStringDecoder::Utf8};
    QString text_;
    qsizetype scanned_ = 0;
    bool found_ = false;
};

} // namespace net
