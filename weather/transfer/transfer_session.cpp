#include "weather/transfer/transfer_session.h"

#include "weather/net/system_proxy.h"
#include "weather/transfer/mail_dialogue.h"

#include <algorithm>

namespace transfer {

using net::CurlTransfer;

namespace {

bool isRedirect(long status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The value of the header `name` (any capitals) in the head of one response, trimmed.
QByteArray headerValue(const QByteArray& head, QByteArrayView name)
{
    for (const QByteArray& line : head.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 &&
            QByteArrayView(line).first(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

} // namespace

TransferSession::TransferSession(Done done) : done_(std::move(done))
{
    multi_ = curl_multi_init();
    curl_multi_setopt(multi_, CURLMOPT_SOCKETFUNCTION, &TransferSession::onSocket);
    curl_multi_setopt(multi_, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(multi_, CURLMOPT_TIMERFUNCTION, &TransferSession::onTimer);
    curl_multi_setopt(multi_, CURLMOPT_TIMERDATA, this);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { socketAction(CURL_SOCKET_TIMEOUT, 0); });
    // Driven by events, curl notices a silent server only when woken; the stall limit is kept
    // here instead: every byte and reply line restarts it.
    stall_.setSingleShot(true);
    connect(&stall_, &QTimer::timeout, this, [this] { hopDone(CURLE_OPERATION_TIMEDOUT); });
}

TransferSession::~TransferSession()
{
    release();
    curl_multi_cleanup(multi_);
}

void TransferSession::start(const CurlTransfer::Options& options)
{
    release();
    options_ = options;
    if (options.mail)
        mail_ = std::make_unique<MailDialogue>(*options.mail);
    result_ = net::TransferResult{};
    stalled_ = false;
    sinceStart_.start();
    startHop(options.url);
}

void TransferSession::release()
{
    timer_.stop();
    stall_.stop();
    if (easy_) {
        curl_multi_remove_handle(multi_, easy_);
        curl_easy_cleanup(easy_);
        easy_ = nullptr;
    }
    curl_slist_free_all(headers_);
    headers_ = nullptr;
    // Removing the handle has told onSocket to drop every watch; any left are dropped here.
    for (auto& [fd, w] : watches_) {
        for (auto* n : {w.read.release(), w.write.release()}) {
            if (n) {
                n->setEnabled(false);
                n->deleteLater();
            }
        }
    }
    watches_.clear();
}

void TransferSession::startHop(const QString& url)
{
    if (!easy_) {
        easy_ = curl_easy_init();
    } else {
        curl_multi_remove_handle(multi_, easy_);
    }
    result_.url = url;
    result_.head.clear();
    result_.body.clear();
    errorBuffer_[0] = '\0';

    CURL* e = easy_;
    const QByteArray address = url.toUtf8();
    curl_easy_setopt(e, CURLOPT_URL, address.constData());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, mail_ ? "smtp,smtps" : "https,ftp");
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, errorBuffer_);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &TransferSession::onBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &TransferSession::onHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(e, CURLOPT_USERAGENT, options_.userAgent.constData());
    curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, ""); // every encoding curl can decode
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);  // followed here, to refuse https -> http
    curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(options_.maxBytes));

    // Verification is never switched off; a CA file of the environment is trusted besides the
    // system store (the compiled-in CA directory stays in use).
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
    const QByteArray caFile = qgetenv("SSL_CERT_FILE");
    if (!caFile.isEmpty())
        curl_easy_setopt(e, CURLOPT_CAINFO, caFile.constData());

    const qint64 left = std::max<qint64>(1, options_.fetchLimitMs - sinceStart_.elapsed());
    curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, long(left));
    stall_.start(options_.receiveLimitMs);
    sinceHeard_.start();
    // curl waits for some FTP replies in a blocking poll, where stall_ cannot fire: bound each
    // reply wait by the stall limit too, and let the progress callback end it sooner.
    curl_easy_setopt(e, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                     long(std::max(1, (options_.receiveLimitMs + 999) / 1000)));
    curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, &TransferSession::onProgress);
    curl_easy_setopt(e, CURLOPT_XFERINFODATA, this);
    // A connection kept for reuse would say QUIT, and wait for its answer, from the handle
    // cleanup, where no limit of this transfer applies; and a second product from the same
    // server would wait on a connection nothing watches.
    curl_easy_setopt(e, CURLOPT_FORBID_REUSE, 1L);

    const net::Validators& known = options_.ifChanged;
    const bool ftp = url.startsWith(QLatin1String("ftp:"), Qt::CaseInsensitive);
    curl_slist_free_all(headers_);
    headers_ = nullptr;
    if (ftp) {
        // One CWD to the product's folder, not one per part of its path: two round trips less
        // on every fetch of a bureau product (anon/gen/fwo/).
        curl_easy_setopt(e, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_SINGLECWD));
        curl_easy_setopt(e, CURLOPT_FILETIME, 1L);
        if (known.fileTime >= 0) {
            curl_easy_setopt(e, CURLOPT_TIMECONDITION, long(CURL_TIMECOND_IFMODSINCE));
            curl_easy_setopt(e, CURLOPT_TIMEVALUE_LARGE, curl_off_t(known.fileTime));
        }
    } else {
        if (!known.etag.isEmpty())
            headers_ = curl_slist_append(headers_, "If-None-Match: " + known.etag);
        if (!known.lastModified.isEmpty())
            headers_ = curl_slist_append(headers_, "If-Modified-Since: " + known.lastModified);
        curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers_);
    }

    // The proxy is always named here, "" for none, so that every transport agrees on it.
    const common::ProxySettings& proxy = options_.proxy;
    const QByteArray proxyAddress = proxy.useProxy
                                        ? QStringLiteral("http://%1:%2")
                                              .arg(proxy.server.trimmed(), proxy.port.trimmed())
                                              .toUtf8()
                                        : net::systemProxyFor(url);
    curl_easy_setopt(e, CURLOPT_PROXY, proxyAddress.constData());
    result_.proxy = proxyAddress;
    // FTP, too, through a tunnel: a web proxy would answer an ftp:// GET itself, if at all.
    curl_easy_setopt(e, CURLOPT_HTTPPROXYTUNNEL, 1L);
    if (proxy.useProxy) {
        if (proxy.auth) {
            const QByteArray user = proxy.user.trimmed().toUtf8();
            const QByteArray password = proxy.password.toUtf8();
            curl_easy_setopt(e, CURLOPT_PROXYAUTH, long(CURLAUTH_BASIC));
            curl_easy_setopt(e, CURLOPT_PROXYUSERNAME, user.constData());
            curl_easy_setopt(e, CURLOPT_PROXYPASSWORD, password.constData());
        }
    }
    if (mail_)
        mail_->setUp(e);
    curl_multi_add_handle(multi_, e);
}

void TransferSession::hopDone(CURLcode code)
{
    CURL* e = easy_;
    // The progress callback ended a stalled wait.
    if (stalled_ && code == CURLE_ABORTED_BY_CALLBACK)
        code = CURLE_OPERATION_TIMEDOUT;
    result_.code = code;
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &result_.status);
    curl_easy_getinfo(e, CURLINFO_HTTP_CONNECTCODE, &result_.proxyStatus);
    curl_easy_getinfo(e, CURLINFO_SSL_VERIFYRESULT, &result_.verifyResult);
    curl_off_t retryAfter = 0;
    curl_easy_getinfo(e, CURLINFO_RETRY_AFTER, &retryAfter);
    result_.retryAfterSeconds = qint64(retryAfter);
    long osError = 0;
    curl_easy_getinfo(e, CURLINFO_OS_ERRNO, &osError);
    result_.osError = int(osError);
    result_.detail = QString::fromUtf8(errorBuffer_).trimmed();
    if (result_.detail.isEmpty() && code != CURLE_OK)
        result_.detail = QString::fromUtf8(curl_easy_strerror(code));
    readValidators();

    const bool ftp = result_.url.startsWith(QLatin1String("ftp:"), Qt::CaseInsensitive);
    char* target = nullptr;
    curl_easy_getinfo(e, CURLINFO_REDIRECT_URL, &target);
    if (code == CURLE_OK && !ftp && isRedirect(result_.status) && target) {
        const QString next = QString::fromUtf8(target);
        if (!next.startsWith(QLatin1String("https://"), Qt::CaseInsensitive)) {
            result_.redirectToPlainHttp = true;
            result_.redirect = next;
        } else if (result_.redirects == CurlTransfer::kMaxRedirects) {
            result_.code = CURLE_TOO_MANY_REDIRECTS;
        } else {
            ++result_.redirects;
            startHop(next);
            return;
        }
    }
    release();
    // The body grew in steps (a compressed one past its announced size) and is kept between
    // scans by whoever caches it: no more than its size.
    result_.body.squeeze();
    if (mail_)
        result_.lastReply = mail_->answer();
    done_(result_);
}

void TransferSession::readValidators()
{
    net::Validators& got = result_.validators;
    if (result_.url.startsWith(QLatin1String("ftp:"), Qt::CaseInsensitive)) {
        long unmet = 0;
        curl_easy_getinfo(easy_, CURLINFO_CONDITION_UNMET, &unmet);
        curl_off_t time = -1;
        curl_easy_getinfo(easy_, CURLINFO_FILETIME_T, &time);
        result_.notModified = unmet != 0;
        // An unchanged file's time is the one asked with.
        got.fileTime = result_.notModified ? options_.ifChanged.fileTime : qint64(time);
        return;
    }
    result_.notModified = result_.status == 304;
    got.etag = headerValue(result_.head, "ETag");
    got.lastModified = headerValue(result_.head, "Last-Modified");
    // A 304 may leave out what did not change.
    if (result_.notModified && got.etag.isEmpty())
        got.etag = options_.ifChanged.etag;
    if (result_.notModified && got.lastModified.isEmpty())
        got.lastModified = options_.ifChanged.lastModified;
}

void TransferSession::heard()
{
    stall_.start();
    sinceHeard_.start();
}

int TransferSession::onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto* t = static_cast<TransferSession*>(self);
    if (t->sinceHeard_.elapsed() >= t->options_.receiveLimitMs) {
        t->stalled_ = true;
        return 1;
    }
    return 0;
}

size_t TransferSession::onBody(char* data, size_t size, size_t count, void* self)
{
    auto* t = static_cast<TransferSession*>(self);
    const size_t bytes = size * count;
    if (t->result_.body.size() + qsizetype(bytes) > t->options_.maxBytes) {
        t->result_.tooLarge = true;
        return CURL_WRITEFUNC_ERROR;
    }
    if (t->result_.body.isEmpty()) {
        // The announced size (FTP's, or an uncompressed HTTP body's): room for it at once.
        curl_off_t announced = -1;
        curl_easy_getinfo(t->easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
        if (announced > 0 && announced <= t->options_.maxBytes)
            t->result_.body.reserve(qsizetype(announced));
    }
    t->result_.body.append(data, qsizetype(bytes));
    t->heard();
    return bytes;
}

size_t TransferSession::onHeader(char* data, size_t size, size_t count, void* self)
{
    auto* t = static_cast<TransferSession*>(self);
    const size_t bytes = size * count;
    const QByteArray line(data, qsizetype(bytes));
    if (line.startsWith("HTTP/")) // a new response (a proxy's CONNECT answer comes first)
        t->result_.head.clear();
    t->result_.head += line;
    t->heard();
    // For FTP the "headers" are the server's reply lines; the answer to QUIT, as the connection
    // closes, tells nothing about the transfer.
    if (!line.trimmed().isEmpty() && !line.startsWith("221 "))
        t->result_.lastReply = QString::fromUtf8(line.trimmed());
    return bytes;
}

int TransferSession::onSocket(CURL*, curl_socket_t fd, int what, void* self, void*)
{
    static_cast<TransferSession*>(self)->watch(fd, what);
    return 0;
}

int TransferSession::onTimer(CURLM*, long timeoutMs, void* self)
{
    // curl must not be called back from here: the timer's event does it.
    auto* t = static_cast<TransferSession*>(self);
    if (timeoutMs < 0)
        t->timer_.stop();
    else
        t->timer_.start(int(std::min<long>(timeoutMs, 24L * 3600 * 1000)));
    return 0;
}

void TransferSession::watch(curl_socket_t fd, int what)
{
    Watch& w = watches_[fd];
    // Notifiers may be dropped from inside their own signal: disable now, delete later.
    const auto set = [this, fd](std::unique_ptr<QSocketNotifier>& n, QSocketNotifier::Type type,
                                bool wanted, int event) {
        if (wanted && !n) {
            n = std::make_unique<QSocketNotifier>(fd, type);
            connect(n.get(), &QSocketNotifier::activated, this,
                    [this, fd, event] { socketAction(fd, event); });
        } else if (!wanted && n) {
            n->setEnabled(false);
            n.release()->deleteLater();
        }
    };
    const bool remove = what == CURL_POLL_REMOVE;
    set(w.read, QSocketNotifier::Read, !remove && (what & CURL_POLL_IN), CURL_CSELECT_IN);
    set(w.write, QSocketNotifier::Write, !remove && (what & CURL_POLL_OUT), CURL_CSELECT_OUT);
    if (remove)
        watches_.erase(fd);
}

void TransferSession::socketAction(curl_socket_t fd, int events)
{
    if (!easy_)
        return;
    int running = 0;
    curl_multi_socket_action(multi_, fd, events, &running);
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == easy_) {
            hopDone(message->data.result);
            return;
        }
    }
}

} // namespace transfer
