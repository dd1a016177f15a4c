#pragma once

#include "common/proxy_settings.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>
#include <curl/curl.h>
#include <functional>

namespace net {

// What tells whether a product changed since it was last fetched: the HTTP `ETag` and
// `Last-Modified` header values (as the server wrote them), and for FTP the file's time from
// `MDTM` (seconds since the epoch, -1 when unknown).
struct Validators
{
    QByteArray etag;
    QByteArray lastModified;
    qint64 fileTime = -1;

    bool any() const { return !etag.isEmpty() || !lastModified.isEmpty() || fileTime >= 0; }
};

// What one finished transfer produced. `code` is curl's result; `status` the last HTTP status
// (0 for FTP); `head` the header lines of the last HTTP response, the CONNECT answer of a proxy
// included (CR LF line ends as received); `lastReply` the server's last FTP reply line.
struct TransferResult
{
    CURLcode code = CURLE_OK;
    long status = 0;
    long proxyStatus = 0;         // the proxy's answer to CONNECT
    long verifyResult = 0;        // OpenSSL's certificate verification result
    qint64 retryAfterSeconds = 0; // as the server asked, unbounded
    int redirects = 0;
    bool redirectToPlainHttp = false;
    bool tooLarge = false;
    QString url;      // the address of the last hop
    QString redirect; // the target of a refused redirect
    QByteArray head;
    QByteArray body;
    QString lastReply;
    QString detail;   // curl's own description of a failure
    int osError = 0;  // the system's errno of a failed connect
    QByteArray proxy; // the proxy gone through, "" for none
    // The product has not changed since `Options::ifChanged` (HTTP 304, or an FTP file time not
    // newer): no body was sent.
    bool notModified = false;
    Validators validators; // of the product received (or confirmed unchanged)
};

// One transfer of an https:// or ftp:// address with libcurl's multi interface, run on a worker
// thread of its own with its own Qt event loop: curl names the sockets to watch (a
// QSocketNotifier per direction) and its next deadline (a single-shot QTimer), so nothing polls.
// libcurl waits for some FTP replies (the final "226" of a download, the answer to QUIT) in a
// blocking poll; on the worker that wait never holds up the calling thread, and it is bounded
// by the stall limit (CURLOPT_SERVER_RESPONSE_TIMEOUT, and the progress callback that curl calls
// every second during it).
//
// For the caller nothing of the thread shows: start(), abort() and the accessors are called
// from the thread that made the object, and finished() is emitted there, from its event loop,
// with result() complete.
//
// HTTPS: HTTP/1.1 or HTTP/2, Host and `userAgent`, compressed bodies accepted and decoded,
// chunked bodies, up to kMaxRedirects redirects followed (never from https to http: that ends
// the transfer with redirectToPlainHttp). The server certificate is always verified against
// the system's CA store and, when the SSL_CERT_FILE environment variable names a file, against
// that file too. FTP: anonymous login, passive mode (EPSV, then PASV), one file in binary, its
// time asked with MDTM. With `ifChanged` set, HTTPS sends If-None-Match/If-Modified-Since and
// FTP skips the download when the file's time is not newer (result notModified).
// With the proxy on, both go through an HTTP CONNECT tunnel with Basic credentials when `auth`
// is set; with it off, through the proxy the system names for the address (systemProxyFor()),
// if any. `fetchLimitMs` bounds the whole transfer; `receiveLimitMs` bounds a stall (no byte
// received, no server reply). A body over `maxBytes` ends it with tooLarge.
// The proxy the system names for `url` (the environment's https_proxy, http_proxy, ftp_proxy,
// all_proxy and no_proxy, or the desktop's settings as Qt's system proxy query gives them), as
// "http://host:port" (with "user:password@" when the system gives credentials); "" for a direct
// connection.
QByteArray systemProxyFor(const QString& url);

class CurlTransfer : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMaxRedirects = 5;

    struct Options
    {
        QString url;
        common::ProxySettings proxy;
        QByteArray userAgent;
        int fetchLimitMs = 60000;
        int receiveLimitMs = 30000;
        qsizetype maxBytes = 8 * 1024 * 1024;
        Validators ifChanged;
        // Called with the handle after the options above are set, before the transfer starts:
        // another protocol (the mail submission's SMTP) sets its own options and protocols here.
        // Runs on the thread that drives the transfer.
        std::function<void(CURL*)> setUp;
    };

    explicit CurlTransfer(QObject* parent = nullptr);
    // Ends a running transfer and the worker; waits at most about a second (a blocking curl
    // wait notices the end at its next progress call).
    ~CurlTransfer() override;

    // Starts a transfer; a running one is aborted first.
    void start(const Options& options);
    // Ends a running transfer at once for the caller (finished() stays false and its result is
    // never delivered); the worker closes its connections as soon as curl returns to it.
    void abort();
    bool running() const { return serial_ != 0 && !done_; }
    bool done() const { return done_; }
    const TransferResult& result() const { return result_; }

Q_SIGNALS:
    void finished();

private:
    void deliver(quint64 serial, const TransferResult& result);

    // The transfer the caller waits for; the worker drops any other. Read by the worker.
    std::atomic<quint64> wanted_{0};
    quint64 serial_ = 0;
    bool done_ = false;
    TransferResult result_;
    QThread thread_;
    class Session;
    Session* session_; // lives on thread_, deleted there when it ends
};

} // namespace net
