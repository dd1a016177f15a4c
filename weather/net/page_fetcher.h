#pragma once

#include "common/proxy_settings.h"

#include <QByteArray>
#include <QString>

namespace net {

// Flags the page fetcher shares with the rest of the program. The program owns one instance and
// hands it to frmInet by reference.
struct FetchState
{
    bool fetchBusy = false;   // a fetch is under way: the scan timers skip their tick
    bool fetchFailed = false; // the last fetch failed
    bool appClosing = false;  // the program is shutting down: a waiting fetch gives up
};

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

// The HTTP/1.0 request for `url`: the request line with the full URL as given, then
// "Accept: text/html" or, with both the proxy and its authentication on, the Basic proxy
// credentials (user + ":" + password as UTF-8, Base64) and no Accept line; no Host header.
QByteArray httpRequest(const QString& url, const common::ProxySettings& proxy);

// A raw response split at its first empty line. `head` is the status line and the headers
// with the CR LF CR LF (ASCII, read as Latin-1); `body` is everything after it, decoded as
// UTF-8 or, when it is not valid UTF-8, as Windows-1252. A response without an empty line is
// all head (decoded like a body) and has an empty body.
struct ResponseParts
{
    QString head;
    QString body;
};
ResponseParts splitResponse(const QByteArray& response);

} // namespace net
