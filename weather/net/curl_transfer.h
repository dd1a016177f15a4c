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
    QString detail; // curl's own description of a failure
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
// that file too. FTP: anonymous login, passive mode (EPSV, then PASV), one file in binary.
// With the proxy on, both go through an HTTP CONNECT tunnel with Basic credentials when `auth`
// is set. `fetchLimitMs` bounds the whole transfer; `receiveLimitMs` bounds a stall (no byte
// received, no server reply). A body over `maxBytes` ends it with tooLarge.
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
