#include "weather/net/frm_inet.h"

#include "common/text_codec.h"
#include "platform/event_pump.h"
#include "weather/config/settings.h"
#include "weather/net/error_log.h"
#include "weather/net/system_proxy.h"
#include "weather/net/version_check.h"

#include <QDateTime>
#include <QUrl>

#include <cerrno>
#include <openssl/x509_vfy.h>

namespace net {

namespace {

// https:// and ftp:// addresses go through CurlTransfer, any other through the own HTTP/1.0
// client.
bool viaCurl(const QString& url)
{
    return url.startsWith(QLatin1String("https://"), Qt::CaseInsensitive) ||
           url.startsWith(QLatin1String("ftp://"), Qt::CaseInsensitive);
}

} // namespace

using platform::SocketControl;

frmInet::frmInet(FetchState& state, const common::ProxySettings& proxy, ErrorLog& log,
                 QObject* parent)
    : QObject(parent), state_(state), proxy_(proxy), log_(log)
{
    setObjectName(QStringLiteral("frmInet"));
    for (QTimer* limit : {&fetchLimitTimer_, &receiveLimitTimer_}) {
        limit->setSingleShot(true);
        limit->setTimerType(Qt::PreciseTimer);
    }
}

frmInet::~frmInet() = default;

void frmInet::setTimeLimits(int fetchLimitMs, int receiveLimitMs)
{
    fetchLimitMs_ = fetchLimitMs;
    receiveLimitMs_ = receiveLimitMs;
}

SocketControl& frmInet::loadSocket(int index)
{
    unloadSocket(index);
    WS.at(index) = std::make_unique<SocketControl>();
    WS[index]->setObjectName(QStringLiteral("WS%1").arg(index));
    return *WS[index];
}

void frmInet::unloadSocket(int index)
{
    WS.at(index).reset();
}

SocketControl::State frmInet::socketState(int index) const
{
    const auto& socket = WS.at(index);
    return socket ? socket->state() : SocketControl::State::Closed;
}

QString frmInet::myOpenURL(const QString& sUrl, bool NoDelimCheck)
{
    return open(sUrl, NoDelimCheck).value_or(QString());
}

Product frmInet::fetchProduct(const QStringList& urls,
                              const std::function<bool(const QByteArray&)>& usable)
{
    for (const QString& url : urls) {
        if (url.isEmpty())
            continue;
        if (!viaCurl(url)) {
            // The own HTTP/1.0 client reads text as it arrives.
            const std::optional<QString> page = open(url, true);
            const QByteArray bytes = page ? page->toUtf8() : QByteArray();
            if (page && usable(bytes))
                return {bytes, false, url};
            continue;
        }
        std::optional<CachedProduct> kept = cache_.find(url);
        // Asked already in this scan: the same body, read again by another reader.
        if (kept && confirmed_.contains(url)) {
            if (usable(kept->body))
                return {kept->body, true, url};
            cache_.drop(url);
            kept.reset();
        }
        // At most twice: conditionally, then in full when the kept body cannot serve.
        for (int attempt = 0; attempt < 2; ++attempt) {
            // The kept body is read while the server is asked whether it changed: most often
            // it has not, and the answer then finds the reading done.
            std::optional<bool> keptTaken;
            const auto readKept = [&] { keptTaken = usable(kept->body); };
            if (!transferProduct(url, kept ? kept->validators : Validators{},
                                 kept ? std::function<void()>(readKept) : nullptr))
                break;
            const TransferResult& r = transfer_.result();
            // Only a conditional request (with a kept body) is answered "not modified".
            if (r.notModified && kept) {
                confirmed_.insert(url);
                if (keptTaken.value_or(false))
                    return {kept->body, true, url};
                cache_.drop(url);
                kept.reset();
                continue;
            }
            if (!usable(r.body))
                break;
            cache_.store(url, {r.validators, r.body});
            confirmed_.insert(url);
            return {r.body, false, url};
        }
    }
    return {};
}

void frmInet::endScan()
{
    // A scan can run in the wait of another fetch (a graph's history): that one goes on.
    if (fetch_.active)
        return;
    cache_.release();
    transfer_.abort();
}

bool frmInet::beginFetch(const QString& url)
{
    if (fetch_.active) {
        state_.fetchFailed = true;
        return false;
    }
    fetch_ = Fetch{};
    fetch_.active = true;
    state_.fetchBusy = true;
    state_.fetchFailed = false;
    requestUrl = url;
    responseText.clear();
    pageText_.clear();
    return true;
}

void frmInet::endFetch(bool fetched)
{
    state_.fetchBusy = false;
    state_.fetchFailed = !fetched;
    fetch_.active = false;
}

bool frmInet::transferProduct(const QString& url, const Validators& ifChanged,
                              const std::function<void()>& meanwhile)
{
    if (!beginFetch(url))
        return false;
    const bool fetched = curlFetch(ifChanged, meanwhile);
    endFetch(fetched);
    return fetched;
}

std::optional<QString> frmInet::open(const QString& sUrl, bool NoDelimCheck)
{
    if (!beginFetch(sUrl))
        return std::nullopt;
    std::optional<QString> page;
    if (!viaCurl(sUrl)) {
        page = httpFetch(NoDelimCheck);
    } else if (curlFetch({}, nullptr)) {
        page = common::decodeText(transfer_.result().body);
        if (!NoDelimCheck && !markersFound(*page))
            page.reset();
    }
    endFetch(page.has_value());
    return page;
}

std::optional<QString> frmInet::httpFetch(bool wholePage)
{
    if (!requestableUrl(requestUrl)) {
        log_.writeTxt(fetch_text::badAddress(requestUrl));
        return std::nullopt;
    }
    SocketControl& ws = loadSocket(1);
    connect(&ws, &SocketControl::connected, this, &frmInet::onConnected);
    connect(&ws, &SocketControl::dataArrival, this, &frmInet::onDataArrival);
    connect(&ws, &SocketControl::error, this, &frmInet::onSocketError);

    fetch_.sinceStart.start();
    // The limits wake the wait themselves: a silent server sends no event that would.
    fetchLimitTimer_.start(fetchLimitMs_);
    // The request line holds the whole address, which a proxy needs and a web server takes.
    const QUrl systemProxy(proxy_.useProxy ? QString()
                                           : QString::fromUtf8(systemProxyFor(requestUrl)));
    if (proxy_.useProxy)
        ws.connectTo(proxy_.server, proxy_.port);
    else if (systemProxy.isValid() && !systemProxy.host().isEmpty())
        ws.connectTo(systemProxy.host(), QString::number(systemProxy.port(80)));
    else
        ws.connectTo(hostFromUrl(requestUrl, proxy_.stripWww), QStringLiteral("80"));

    // waitOver() applies the limits; the bound here is only the longest wait they allow.
    platform::waitFor([this, wholePage] { return waitOver(wholePage); },
                      fetchLimitMs_ + receiveLimitMs_);

    fetchLimitTimer_.stop();
    receiveLimitTimer_.stop();
    const std::optional<QString> page = state_.appClosing ? std::nullopt : evaluate(wholePage);
    ws.close();
    return page;
}

bool frmInet::curlFetch(const Validators& ifChanged, const std::function<void()>& meanwhile)
{
    CurlTransfer::Options options;
    options.url = requestUrl;
    options.proxy = proxy_;
    options.userAgent = userAgent().toUtf8();
    options.fetchLimitMs = fetchLimitMs_;
    options.receiveLimitMs = receiveLimitMs_;
    options.maxBytes = kMaxResponseBytes;
    options.ifChanged = ifChanged;
    transfer_.start(options);
    if (meanwhile) {
        // The request reaches the helper first, so that both go on at once.
        platform::pumpEvents();
        meanwhile();
    }
    // The transfer's own limits end it; the bound here only backs them up.
    platform::waitFor([this] { return state_.appClosing || transfer_.done(); },
                      fetchLimitMs_ + receiveLimitMs_);
    if (!transfer_.done()) {
        transfer_.abort();
        return false;
    }
    return judgeTransfer(transfer_.result(), ifChanged.any());
}

QString frmInet::userAgent()
{
    // A contact address only when the build names a web site: never a made-up one.
    const QString name = QStringLiteral("Nimbulo/") + programVersion();
    return homePage().isEmpty() ? name
                                : name + QStringLiteral(" (+") + homePage() + QLatin1Char(')');
}

bool frmInet::judgeTransfer(const TransferResult& r, bool conditional)
{
    const QString host = QUrl(r.url).host();
    const auto fail = [this](const QString& text) {
        log_.writeTxt(text);
        return false;
    };
    if (r.proxyStatus == 407 || r.proxyStatus == 401) {
        // Some proxies (tinyproxy) refuse a CONNECT with 401 and WWW-Authenticate instead.
        QString head = QString::fromLatin1(r.head);
        head.replace(QLatin1String("\r\nWWW-Authenticate: "),
                     QLatin1String("\r\nProxy-Authenticate: "));
        return fail(proxyAuthScheme(head).compare(QLatin1String("BASIC"), Qt::CaseInsensitive) == 0
                        ? fetch_text::kBasicAuthRequired
                        : fetch_text::kOtherAuthRequired);
    }
    if (r.redirectToPlainHttp)
        return fail(r.redirect.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
                        ? fetch_text::redirectToPlainHttp(r.url, r.redirect)
                        : fetch_text::redirectRefused(r.url, common::printableText(r.redirect)));
    if (r.tooLarge)
        return fail(fetch_text::kPageTooLarge);
    switch (r.code) {
    case CURLE_OK:
        break;
    case CURLE_COULDNT_RESOLVE_HOST:
        return fail(fetch_text::unknownHost(host));
    case CURLE_COULDNT_RESOLVE_PROXY:
        return fail(fetch_text::kHostNotFound);
    case CURLE_COULDNT_CONNECT: {
        // Through a proxy, the connection that failed is the one to the proxy.
        const QUrl peer(r.proxy.isEmpty() ? r.url : QString::fromUtf8(r.proxy));
        const QString name = r.proxy.isEmpty() ? QString() : QStringLiteral("the proxy ");
        return fail(fetch_text::couldNotConnect(
            name + peer.host() +
                (peer.port() > 0 ? u':' + QString::number(peer.port()) : QString()),
            connectProblem(r)));
    }
    case CURLE_PEER_FAILED_VERIFICATION:
        return fail(fetch_text::certificateNotTrusted(host, certificateProblem(r)));
    case CURLE_SSL_CONNECT_ERROR:
        return fail(fetch_text::handshakeFailed(host, common::printableText(r.detail)));
    case CURLE_TOO_MANY_REDIRECTS:
        return fail(fetch_text::redirectLoop(requestUrl));
    case CURLE_OPERATION_TIMEDOUT:
        return fail(fetch_text::timedOut(r.url));
    case CURLE_FILESIZE_EXCEEDED:
        return fail(fetch_text::kPageTooLarge);
    case CURLE_OUT_OF_MEMORY: // what libcurl says of a header line past its 100 KB
        return fail(fetch_text::headerTooLong(r.url));
    case CURLE_LOGIN_DENIED:
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_FTP_WEIRD_SERVER_REPLY:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_COULDNT_RETR_FILE:
    case CURLE_FTP_COULDNT_SET_TYPE:
    case CURLE_FTP_ACCEPT_FAILED:
        return fail(fetch_text::ftpRefused(r.url, common::printableText(r.lastReply)));
    default:
        return fail(fetch_text::transferFailed(r.url, common::printableText(r.detail)));
    }

    // An FTP transfer that ends well has no status to judge (its last reply is a 226).
    const bool ftp = r.url.startsWith(QLatin1String("ftp:"), Qt::CaseInsensitive);
    // "Not modified" is an answer only to a conditional request; the caller reuses its body.
    if (r.notModified && conditional)
        return true;
    switch (ftp ? 200 : r.status) {
    case 200:
        break;
    case 403:
        return fail(fetch_text::kForbidden);
    case 404:
        return fail(fetch_text::notFound(r.url));
    case 429:
    case 503: {
        // Bounded, and only for the address that asked (a busy update server or history feed
        // does not stop the scans of the observations).
        QString resumeAt;
        if (r.retryAfterSeconds > 0) {
            const QDateTime now = QDateTime::currentDateTime();
            const QDateTime end = retryAfterEnd(r.retryAfterSeconds, now);
            state_.retryAfter.insert(requestUrl, QDeadlineTimer(now.msecsTo(end)));
            resumeAt = end.toString(QStringLiteral("HH:mm:ss"));
        }
        return fail(fetch_text::serverBusy(int(r.status), r.url, resumeAt));
    }
    default:
        return fail(fetch_text::otherStatus(int(r.status), r.url));
    }

    return true;
}

QString frmInet::connectProblem(const TransferResult& r)
{
    switch (r.osError) {
    case ECONNREFUSED:
        return QStringLiteral("connection refused");
    case EHOSTUNREACH:
        return QStringLiteral("no route to the host");
    case ENETUNREACH:
        return QStringLiteral("the network is unreachable");
    case ETIMEDOUT:
        return QStringLiteral("no answer");
    default:
        return common::printableText(r.detail);
    }
}

QString frmInet::certificateProblem(const TransferResult& r)
{
    // curl reports OpenSSL's verification result; it may check the host name itself and say so.
    if (r.detail.contains(QLatin1String("host name"), Qt::CaseInsensitive))
        return QStringLiteral("it was issued for another host name");
    switch (r.verifyResult) {
    case X509_V_ERR_HOSTNAME_MISMATCH:
        return QStringLiteral("it was issued for another host name");
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        return QStringLiteral("it was issued by an unknown certificate authority");
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return QStringLiteral("it is not valid yet");
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return QStringLiteral("it has expired");
    default:
        return r.detail;
    }
}

bool frmInet::markersFound(QStringView page)
{
    if (!page.contains(blockStart, Qt::CaseInsensitive)) {
        log_.writeTxt(fetch_text::kStartMissing);
        return false;
    }
    if (!page.contains(blockEnd, Qt::CaseInsensitive)) {
        log_.writeTxt(fetch_text::kEndMissing);
        return false;
    }
    return true;
}

bool frmInet::waitOver(bool wholePage)
{
    if (state_.appClosing || fetch_.failed)
        return true;
    const bool connected = WS[1]->state() == SocketControl::State::Connected;
    if (fetch_.receiving) {
        if (connected && fetch_.sinceRequest.elapsed() < receiveLimitMs_)
            return false;
        fetch_.receiving = false;
    }
    if (fetch_.requestSent) {
        if (wholePage ? !responseText.isEmpty() : endMarkerArrived())
            return true;
        // Nothing more can arrive once the connection is gone.
        if (!connected)
            return true;
    }
    return fetch_.sinceStart.elapsed() >= fetchLimitMs_;
}

bool frmInet::endMarkerArrived()
{
    return pageText_.contains(blockEnd);
}

std::optional<QString> frmInet::evaluate(bool wholePage)
{
    if (fetch_.tooLarge) {
        log_.writeTxt(fetch_text::kPageTooLarge);
        return std::nullopt;
    }
    // A socket error (a reset in mid-page, say) has been logged and failed the fetch; what
    // arrived before it is no page, and judging it would log a second, misleading reason.
    if (fetch_.failed)
        return std::nullopt;
    if (responseText.isEmpty()) {
        const bool gone = fetch_.requestSent && WS[1]->state() != SocketControl::State::Connected &&
                          fetch_.sinceStart.elapsed() < fetchLimitMs_;
        log_.writeTxt(gone ? fetch_text::noAnswer(requestUrl) : fetch_text::timedOut(requestUrl));
        return std::nullopt;
    }

    // The decoded response is judged and cut in place: the body is what is left of it.
    QString& text = pageText_.finish(responseText);
    const qsizetype start = bodyStart(text);
    const QStringView head = start < 0 ? QStringView(text) : QStringView(text).first(start);
    switch (httpStatus(head.toString())) {
    case 200:
        if (!wholePage && !markersFound(text))
            return std::nullopt;
        if (start < 0)
            return QString();
        text.remove(0, start);
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        return std::move(text);
    case 301:
        log_.writeTxt(fetch_text::moved(requestUrl));
        return std::nullopt;
    case 407:
        log_.writeTxt(
            proxyAuthScheme(head.toString()).compare(QLatin1String("BASIC"), Qt::CaseInsensitive) ==
                    0
                ? fetch_text::kBasicAuthRequired
                : fetch_text::kOtherAuthRequired);
        return std::nullopt;
    case 0:
        log_.writeTxt(fetch_text::notHttp(requestUrl));
        return std::nullopt;
    default:
        log_.writeTxt(fetch_text::otherStatus(httpStatus(head.toString()), requestUrl));
        return std::nullopt;
    }
}

void frmInet::onConnected()
{
    responseText.clear();
    pageText_.clear();
    WS[1]->send(httpRequest(requestUrl, proxy_));
    fetch_.requestSent = true;
    fetch_.receiving = true;
    fetch_.sinceRequest.start();
    receiveLimitTimer_.start(receiveLimitMs_);
}

void frmInet::onDataArrival(const QByteArray& data)
{
    if (fetch_.failed)
        return;
    if (responseText.size() + data.size() > kMaxResponseBytes) {
        // A page this size is not an observation page; stop before it eats the memory.
        fetch_.tooLarge = true;
        fetch_.failed = true;
        WS[1]->close();
        return;
    }
    responseText += data;
    pageText_.append(data);
}

void frmInet::onSocketError(int number, const QString& description)
{
    log_.writeTxt(number == SocketControl::kHostNotFound
                      ? fetch_text::kHostNotFound
                      : fetch_text::socketError(number, description));
    WS[1]->close();
    fetch_.failed = true;
    state_.fetchFailed = true;
}

} // namespace net
