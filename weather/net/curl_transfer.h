#pragma once

#include "common/proxy_settings.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <curl/curl.h>
#include <functional>
#include <map>
#include <memory>

class QSocketNotifier;

namespace net {

// What one finished transfer produced. `code` is curl's result; `status` the last HTTP status
// (0 for FTP); `head` the header lines of the last HTTP response, the CONNECT answer of a proxy
// included (CR LF line ends as received); `lastReply` the server's last FTP reply line.
struct TransferResult
{
    CURLcode code = CURLE_OK;
    long status = 0;
    long proxyStatus = 0;  // the proxy's answer to CONNECT
    long verifyResult = 0; // OpenSSL's certificate verification result
    long retryAfterSeconds = 0;
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

// One transfer of an https:// or ftp:// address with libcurl's multi interface, driven by the
// Qt event loop of the calling thread: curl names the sockets to watch (a QSocketNotifier per
// direction) and its next deadline (a single-shot QTimer), so nothing runs in a thread and
// nothing polls.
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
    ~CurlTransfer() override;

    // Starts a transfer; a running one is aborted first.
    void start(const Options& options);
    // Ends a running transfer at once, closing its connections; finished() stays false.
    void abort();
    bool running() const { return easy_ != nullptr && !done_; }
    bool done() const { return done_; }
    const TransferResult& result() const { return result_; }

Q_SIGNALS:
    void finished();

private:
    struct Watch
    {
        std::unique_ptr<QSocketNotifier> read;
        std::unique_ptr<QSocketNotifier> write;
    };

    static size_t onBody(char* data, size_t size, size_t count, void* self);
    static size_t onHeader(char* data, size_t size, size_t count, void* self);
    static int onSocket(CURL* easy, curl_socket_t fd, int what, void* self, void* socketData);
    static int onTimer(CURLM* multi, long timeoutMs, void* self);

    void watch(curl_socket_t fd, int what);
    void socketAction(curl_socket_t fd, int events);
    void startHop(const QString& url);
    void hopDone(CURLcode code);
    void release();

    CURLM* multi_ = nullptr;
    CURL* easy_ = nullptr;
    QTimer timer_;
    QTimer stall_;
    std::map<curl_socket_t, Watch> watches_;
    Options options_;
    QElapsedTimer sinceStart_;
    TransferResult result_;
    char errorBuffer_[CURL_ERROR_SIZE] = {};
    bool done_ = false;
};

} // namespace net
