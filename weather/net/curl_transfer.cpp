#include "weather/net/curl_transfer.h"

#include <QSocketNotifier>
#include <QUrl>

#include <algorithm>
#include <mutex>

namespace net {

namespace {

void initCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool isRedirect(long status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

} // namespace

CurlTransfer::CurlTransfer(QObject* parent) : QObject(parent)
{
    initCurl();
    multi_ = curl_multi_init();
    curl_multi_setopt(multi_, CURLMOPT_SOCKETFUNCTION, &CurlTransfer::onSocket);
    curl_multi_setopt(multi_, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(multi_, CURLMOPT_TIMERFUNCTION, &CurlTransfer::onTimer);
    curl_multi_setopt(multi_, CURLMOPT_TIMERDATA, this);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { socketAction(CURL_SOCKET_TIMEOUT, 0); });
    // Driven by events, curl notices a silent server only when woken; the stall limit is kept
    // here instead: every byte and reply line restarts it.
    stall_.setSingleShot(true);
    connect(&stall_, &QTimer::timeout, this, [this] { hopDone(CURLE_OPERATION_TIMEDOUT); });
}

CurlTransfer::~CurlTransfer()
{
    release();
    curl_multi_cleanup(multi_);
}

void CurlTransfer::start(const Options& options)
{
    release();
    options_ = options;
    result_ = TransferResult{};
    done_ = false;
    sinceStart_.start();
    startHop(options.url);
}

void CurlTransfer::abort()
{
    release();
}

void CurlTransfer::release()
{
    timer_.stop();
    stall_.stop();
    if (easy_) {
        curl_multi_remove_handle(multi_, easy_);
        curl_easy_cleanup(easy_);
        easy_ = nullptr;
    }
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

void CurlTransfer::startHop(const QString& url)
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
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "https,ftp");
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    // A connection kept for the next transfer would be one whose socket release() no longer
    // watches: a second product from the same FTP server then waited out its time limit.
    curl_easy_setopt(e, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, errorBuffer_);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &CurlTransfer::onBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &CurlTransfer::onHeader);
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

    // An empty proxy also keeps curl from taking one from the environment.
    const common::ProxySettings& proxy = options_.proxy;
    const QByteArray proxyAddress = proxy.useProxy
                                        ? QStringLiteral("http://%1:%2")
                                              .arg(proxy.server.trimmed(), proxy.port.trimmed())
                                              .toUtf8()
                                        : QByteArray("");
    curl_easy_setopt(e, CURLOPT_PROXY, proxyAddress.constData());
    if (proxy.useProxy) {
        curl_easy_setopt(e, CURLOPT_HTTPPROXYTUNNEL, 1L);
        if (proxy.auth) {
            const QByteArray user = proxy.user.trimmed().toUtf8();
            const QByteArray password = proxy.password.toUtf8();
            curl_easy_setopt(e, CURLOPT_PROXYAUTH, long(CURLAUTH_BASIC));
            curl_easy_setopt(e, CURLOPT_PROXYUSERNAME, user.constData());
            curl_easy_setopt(e, CURLOPT_PROXYPASSWORD, password.constData());
        }
    }
    curl_multi_add_handle(multi_, e);
}

void CurlTransfer::hopDone(CURLcode code)
{
    CURL* e = easy_;
    result_.code = code;
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &result_.status);
    curl_easy_getinfo(e, CURLINFO_HTTP_CONNECTCODE, &result_.proxyStatus);
    curl_easy_getinfo(e, CURLINFO_SSL_VERIFYRESULT, &result_.verifyResult);
    curl_off_t retryAfter = 0;
    curl_easy_getinfo(e, CURLINFO_RETRY_AFTER, &retryAfter);
    result_.retryAfterSeconds = long(retryAfter);
    result_.detail = QString::fromUtf8(errorBuffer_).trimmed();
    if (result_.detail.isEmpty() && code != CURLE_OK)
        result_.detail = QString::fromUtf8(curl_easy_strerror(code));

    const bool ftp = result_.url.startsWith(QLatin1String("ftp:"), Qt::CaseInsensitive);
    char* target = nullptr;
    curl_easy_getinfo(e, CURLINFO_REDIRECT_URL, &target);
    if (code == CURLE_OK && !ftp && isRedirect(result_.status) && target) {
        const QString next = QString::fromUtf8(target);
        if (!next.startsWith(QLatin1String("https://"), Qt::CaseInsensitive)) {
            result_.redirectToPlainHttp = true;
            result_.redirect = next;
        } else if (result_.redirects == kMaxRedirects) {
            result_.code = CURLE_TOO_MANY_REDIRECTS;
        } else {
            ++result_.redirects;
            startHop(next);
            return;
        }
    }
    release();
    done_ = true;
    Q_EMIT finished();
}

size_t CurlTransfer::onBody(char* data, size_t size, size_t count, void* self)
{
    auto* t = static_cast<CurlTransfer*>(self);
    const size_t bytes = size * count;
    if (t->result_.body.size() + qsizetype(bytes) > t->options_.maxBytes) {
        t->result_.tooLarge = true;
        return CURL_WRITEFUNC_ERROR;
    }
    t->result_.body.append(data, qsizetype(bytes));
    t->stall_.start();
    return bytes;
}

size_t CurlTransfer::onHeader(char* data, size_t size, size_t count, void* self)
{
    auto* t = static_cast<CurlTransfer*>(self);
    const size_t bytes = size * count;
    const QByteArray line(data, qsizetype(bytes));
    if (line.startsWith("HTTP/")) // a new response (a proxy's CONNECT answer comes first)
        t->result_.head.clear();
    t->result_.head += line;
    t->stall_.start();
    // For FTP the "headers" are the server's reply lines; the goodbye to the closing QUIT is
    // not the answer that tells what went wrong.
    if (!line.trimmed().isEmpty() && !line.startsWith("221 "))
        t->result_.lastReply = QString::fromUtf8(line.trimmed());
    return bytes;
}

int CurlTransfer::onSocket(CURL*, curl_socket_t fd, int what, void* self, void*)
{
    static_cast<CurlTransfer*>(self)->watch(fd, what);
    return 0;
}

int CurlTransfer::onTimer(CURLM*, long timeoutMs, void* self)
{
    // curl must not be called back from here: the timer's event does it.
    auto* t = static_cast<CurlTransfer*>(self);
    if (timeoutMs < 0)
        t->timer_.stop();
    else
        t->timer_.start(int(std::min<long>(timeoutMs, 24L * 3600 * 1000)));
    return 0;
}

void CurlTransfer::watch(curl_socket_t fd, int what)
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

void CurlTransfer::socketAction(curl_socket_t fd, int events)
{
    if (!easy_ || done_)
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

} // namespace net
