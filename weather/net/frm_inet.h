#pragma once

#include "common/proxy_settings.h"
#include "platform/socket_control.h"
#include "weather/net/curl_transfer.h"
#include "weather/net/fetch_cache.h"
#include "weather/net/page_fetcher.h"
#include "weather/net/smtp_mailer.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <optional>

namespace net {

class ErrorLog;

// A product as frmInet::fetchProduct() gave it.
struct Product
{
    QByteArray body;        // the product's bytes; empty when no address gave one
    bool fromCache = false; // unchanged since it was last fetched: the kept body
    QString url;            // the address it came from; empty when none gave it

    bool arrived() const { return !url.isEmpty(); }
};

// The program's invisible network form. It carries the socket control array `WS`: element 1
// fetches web pages (myOpenURL), element 2 belongs to the mailer, element 0 is not used.
//
// myOpenURL fetches one page and returns the body of the response or "" on failure, logging why
// where the failure has a message. It blocks until the fetch has ended but pumps events while
// it waits, so the user interface stays alive. An https:// or ftp:// address goes through
// CurlTransfer (its port honoured, the proxy reached with CONNECT); every failure of those is
// logged, and a 429/503 with Retry-After holds the timed scans off that address for a while
// (FetchState::retryAfter, bounded by retryAfterEnd()). Any other address gets an
// HTTP/1.0 GET, straight from the web server (always port 80) or through the proxy of the
// settings it was given, as described next. In data-block mode every transport checks the
// page for both markers.
//
// The whole response is collected before it is judged: receiving lasts until the server
// closes, `receiveLimit` has passed since the request was sent, or a socket error. After that
// the wait ends once the page is there (whole-page mode: any text; data-block mode: the text
// contains `blockEnd`, any capitals), the connection is gone, or `fetchLimit` has passed since
// the start. A shutdown (`appClosing`) ends any wait at once with "". A response larger than
// kMaxResponseBytes ends the fetch at once with a logged message. A socket error (a reset
// included) fails the fetch with its "Winsock Error" message only, whatever arrived before it.
//
// Every failure logs its reason: a time limit passed, a server that closed without answering,
// an answer that is not HTTP, a status other than 200 (301 and 407 with their own texts), an
// address with a space or control character (refused before connecting).
//
// A call made while a fetch is already running (from an event handled during its wait)
// returns "" at once and leaves the running fetch undisturbed.
class frmInet : public QObject
{
    Q_OBJECT
public:
    static constexpr int kFetchLimitMs = 60000;
    static constexpr int kReceiveLimitMs = 30000;
    static constexpr qsizetype kMaxResponseBytes = 8 * 1024 * 1024;
    static constexpr int kSocketCount = 3;

    // The flags, the proxy settings and the log must outlive the form; the program changes the
    // proxy settings in place when the user changes them.
    frmInet(FetchState& state, const common::ProxySettings& proxy, ErrorLog& log,
            QObject* parent = nullptr);
    ~frmInet() override;

    QString myOpenURL(const QString& sUrl, bool NoDelimCheck);

    // Fetches a product (whole-page mode) from the first of `urls` that gives one `usable`
    // takes (the reader: true when it can use the bytes, as they came, having logged why not
    // otherwise; it sees an empty body too). https:// and ftp:// addresses are fetched
    // conditionally against the cache (setCacheFile()): an unchanged product is the kept body,
    // checked by `usable` like a fresh one; a kept body it refuses is fetched again in full
    // (a "not modified" to a request that was not conditional is an error). A product fetched or
    // confirmed since newScan() is not asked for again. Only a body `usable` takes is kept. Other
    // addresses are fetched with myOpenURL() every time.
    // `usable` reads a kept body while the server is asked whether it changed, so it may have
    // taken a body that is then not the product: what it took counts only when a product is
    // returned, and the last body it saw before that return is the returned one.
    Product fetchProduct(const QStringList& urls,
                         const std::function<bool(const QByteArray&)>& usable);
    // fetchProduct() with a reader that gives what it made of a body (a std::optional, nullopt
    // for a body it refuses, having logged why): what it made of the product returned, nullopt
    // when none was (what it made of a kept body read ahead does not count then).
    template <typename Read>
    auto readProduct(const QStringList& urls, Read read) -> decltype(read(QByteArray()))
    {
        decltype(read(QByteArray())) made;
        const Product product = fetchProduct(urls, [&](const QByteArray& body) {
            made = read(body);
            return made.has_value();
        });
        if (!product.arrived())
            made.reset();
        return made;
    }
    // Starts a new scan: products are asked for again (conditionally).
    void newScan() { confirmed_.clear(); }
    // Ends a scan: the products it read leave memory (the cache's file keeps them) until a
    // fetch needs them again. A fetch under way (the scan ran in its wait) is left alone.
    void endScan();
    // Where fetchProduct() keeps products between runs; "" keeps them in memory only.
    void setCacheFile(const QString& path) { cache_ = FetchCache(path); }
    // "Nimbulo/<version> (+<home page>)", sent with every https:// request; "Nimbulo/<version>"
    // when the build names no home page.
    static QString userAgent();

    // Time limits of a fetch: counted from its start, and for receiving from the request.
    void setTimeLimits(int fetchLimitMs, int receiveLimitMs);

    // The state of element `index` of WS; Closed while it is not loaded.
    platform::SocketControl::State socketState(int index) const;

    // Markers a data-block page must contain; set by the caller before each such fetch.
    QString blockStart;
    QString blockEnd;

    // Sends one alarm mail through `server` over element 2 of WS (SmtpMailer gives the
    // dialogue). Returns when the mail has been dealt with; while it waits, events are pumped.
    void MailStatsTo(const MailServer& server, const MailMessage& message);
    // The mailer behind MailStatsTo (its limits, its progress).
    SmtpMailer& mailer();

    // Why a server's certificate was refused, in plain words.
    static QString certificateProblem(const TransferResult& result);
    // Why a connection could not be made, in plain words ("connection refused").
    static QString connectProblem(const TransferResult& result);

private:
    // Unloads element `index` of WS if it is loaded and loads it anew.
    platform::SocketControl& loadSocket(int index);
    void unloadSocket(int index);

    // Everything received over HTTP/1.0 for the current fetch, as received.
    QByteArray responseText;
    // The URL of the current fetch as the caller gave it.
    QString requestUrl;
    std::array<std::unique_ptr<platform::SocketControl>, kSocketCount> WS;

    // Progress of the running fetch.
    struct Fetch
    {
        bool active = false;
        bool requestSent = false;
        bool receiving = false; // request sent, the receive phase not over yet
        bool failed = false;    // a socket error or an oversized response ended it
        bool tooLarge = false;
        bool endMarkerSeen = false;
        qsizetype markerScanned = 0; // bytes of responseText already searched for blockEnd
        QElapsedTimer sinceStart;
        QElapsedTimer sinceRequest;
    };

    void onConnected();
    void onDataArrival(const QByteArray& data);
    void onSocketError(int number, const QString& description);

    bool waitOver(bool wholePage);
    bool endMarkerArrived();
    std::optional<QString> httpFetch(bool wholePage);
    std::optional<QString> evaluate(bool wholePage);
    // One fetch's bookkeeping: false, failing it, while another fetch runs.
    bool beginFetch(const QString& url);
    void endFetch(bool fetched);
    // The page of `url` as text, whatever the road.
    std::optional<QString> open(const QString& url, bool wholePage);
    // The product at an https:// or ftp:// `url`, asked for if changed since `ifChanged`: true
    // when transfer_'s result holds it (or says it is unchanged). `meanwhile`, when set, runs
    // once the request is under way, before the wait for the answer.
    bool transferProduct(const QString& url, const Validators& ifChanged,
                         const std::function<void()>& meanwhile);
    bool curlFetch(const Validators& ifChanged, const std::function<void()>& meanwhile);
    // Logs why a transfer failed; true when it gave a page (or "not modified" to a
    // `conditional` request).
    bool judgeTransfer(const TransferResult& result, bool conditional);
    // The marker checks of a data-block page; true when it passes.
    bool markersFound(QStringView page);

    FetchState& state_;
    const common::ProxySettings& proxy_;
    ErrorLog& log_;
    int fetchLimitMs_ = kFetchLimitMs;
    int receiveLimitMs_ = kReceiveLimitMs;
    Fetch fetch_;
    // Wake the HTTP/1.0 wait at its limits (waitOver() judges them).
    QTimer fetchLimitTimer_;
    QTimer receiveLimitTimer_;
    PageText pageText_;
    CurlTransfer transfer_;
    FetchCache cache_;
    QSet<QString> confirmed_; // products fetched or confirmed since newScan()
    std::unique_ptr<SmtpMailer> mailer_;
};

} // namespace net
