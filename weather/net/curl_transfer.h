#pragma once

#include "common/proxy_settings.h"
#include "weather/net/mail_message.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

// CURLcode and its values only: libcurl itself runs in the transfer helper, never here.
#include <curl/curl.h>
#include <optional>

class QProcess;

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
// included (CR LF line ends as received); `lastReply` the server's last FTP reply line (for a
// mail, its last reply before QUIT).
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

// A mail for an SMTP server (the address smtp://host:port/ with STARTTLS required, or smtps://):
// the envelope from the message's sender and recipient, a login when `user` is not empty. The
// message is sent 8bit when the server announces 8BITMIME and the text needs it, else
// quoted-printable (mail::wholeMessage).
struct MailSubmission
{
    MailMessage message;
    QString user;
    QString password;
    int connectMs = 8000; // until the connection is made
};

// One transfer of an https:// or ftp:// address, or one mail's submission, with libcurl in a
// helper process of its own (nimbulo-transfer, helperPath()): the long-running program never
// loads libcurl and its TLS and FTP stacks, and a transfer that goes wrong cannot take the
// program with it. The request goes to the helper on its standard input and the result comes
// back on its standard output (transfer_wire); nothing here waits for it: start() returns at
// once and finished() is emitted from the event loop, with result() complete.
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
// received, no server reply). A body over `maxBytes` ends it with tooLarge. A helper that
// cannot be started, or ends without a result, ends the transfer with CURLE_FAILED_INIT and
// says so in `detail`.
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
        std::optional<MailSubmission> mail; // set: the address is a mail server's
    };

    explicit CurlTransfer(QObject* parent = nullptr);
    // Ends a running transfer (its helper is killed).
    ~CurlTransfer() override;

    // Starts a transfer; a running one is aborted first.
    void start(const Options& options);
    // Ends a running transfer at once (finished() stays false and its result is never
    // delivered); its helper is killed, which closes its connections. The last result is let
    // go (a product's body among it).
    void abort();
    bool running() const { return helper_ != nullptr; }
    bool done() const { return done_; }
    const TransferResult& result() const { return result_; }

    // The helper: NIMBULO_TRANSFER_HELPER when the environment names one, else nimbulo-transfer
    // beside the program, else in ../libexec/nimbulo/ from the program's folder (a system-wide
    // installation).
    static QString helperPath();

    // A helper started ahead, while this object lives: the next transfer started takes it
    // instead of starting its own. A one-shot run makes one before reading its files, so that
    // the helper loads its libraries meanwhile. One still unused at the end is stopped quietly.
    class EarlyHelper
    {
    public:
        EarlyHelper();
        ~EarlyHelper();
        EarlyHelper(const EarlyHelper&) = delete;
        EarlyHelper& operator=(const EarlyHelper&) = delete;
    };

Q_SIGNALS:
    void finished();

private:
    void takeAnswer(); // the helper's whole answer is in: the result
    void fail(const QString& detail, CURLcode code = CURLE_FAILED_INIT);
    void release();

    QProcess* helper_ = nullptr;
    QTimer deadline_; // backs the helper's own limits up
    bool done_ = false;
    TransferResult result_;
};

} // namespace net
