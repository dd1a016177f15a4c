#include "weather/net/frm_inet.h"

#include "common/text_codec.h"
#include "platform/event_pump.h"
#include "weather/config/settings.h"
#include "weather/net/error_log.h"

namespace net {

using platform::SocketControl;

frmInet::frmInet(FetchState& state, const common::ProxySettings& proxy, ErrorLog& log,
                 QObject* parent)
    : QObject(parent), state_(state), proxy_(proxy), log_(log)
{
    setObjectName(QStringLiteral("frmInet"));
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

QString frmInet::myOpenURL(const QString& sUrl, bool NoDelimCheck)
{
    if (fetch_.active) {
        state_.fetchFailed = true;
        return {};
    }
    fetch_ = Fetch{};
    fetch_.active = true;
    state_.fetchBusy = true;
    state_.fetchFailed = false;
    requestUrl = sUrl;
    responseText.clear();

    SocketControl& ws = loadSocket(1);
    connect(&ws, &SocketControl::connected, this, &frmInet::onConnected);
    connect(&ws, &SocketControl::dataArrival, this, &frmInet::onDataArrival);
    connect(&ws, &SocketControl::error, this, &frmInet::onSocketError);

    fetch_.sinceStart.start();
    if (proxy_.useProxy)
        ws.connectTo(proxy_.server, proxy_.port);
    else
        ws.connectTo(hostFromUrl(sUrl, proxy_.stripWww), QStringLiteral("80"));

    // waitOver() applies the limits; the bound here is only the longest wait they allow.
    platform::waitFor([this, NoDelimCheck] { return waitOver(NoDelimCheck); },
                      fetchLimitMs_ + receiveLimitMs_);

    const std::optional<QString> page = state_.appClosing ? std::nullopt : evaluate(NoDelimCheck);
    ws.close();
    state_.fetchBusy = false;
    state_.fetchFailed = !page;
    fetch_.active = false;
    return page.value_or(QString());
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
    if (fetch_.endMarkerSeen || fetch_.markerScanned == responseText.size())
        return fetch_.endMarkerSeen;
    // Search only the new bytes plus enough old ones for a marker that straddles them, from the
    // start of a character, so the wait stays linear in the size of the page.
    qsizetype from = qMax<qsizetype>(0, fetch_.markerScanned - blockEnd.toUtf8().size());
    while (from > 0 && (static_cast<uchar>(responseText.at(from)) & 0xC0) == 0x80)
        --from;
    fetch_.markerScanned = responseText.size();
    fetch_.endMarkerSeen =
        common::decodeText(responseText.sliced(from)).contains(blockEnd, Qt::CaseInsensitive);
    return fetch_.endMarkerSeen;
}

std::optional<QString> frmInet::evaluate(bool wholePage)
{
    if (fetch_.tooLarge) {
        log_.writeTxt(fetch_text::kPageTooLarge);
        return std::nullopt;
    }
    // A socket error (a reset in mid-page, say) has been logged and failed the fetch; what
    // arrived before it is no page, and judging it would log a second, misleading reason.
    if (fetch_.failed || responseText.isEmpty())
        return std::nullopt;

    const ResponseParts response = splitResponse(responseText);
    const auto contains = [&response](const QString& marker) {
        return response.head.contains(marker, Qt::CaseInsensitive) ||
               response.body.contains(marker, Qt::CaseInsensitive);
    };
    switch (httpStatus(response.head)) {
    case 200:
        if (!wholePage && !contains(blockStart)) {
            log_.writeTxt(fetch_text::kStartMissing);
            return std::nullopt;
        }
        if (!wholePage && !contains(blockEnd)) {
            log_.writeTxt(fetch_text::kEndMissing);
            return std::nullopt;
        }
        return response.body;
    case 301:
        log_.writeTxt(fetch_text::moved(requestUrl));
        return std::nullopt;
    case 407:
        log_.writeTxt(
            proxyAuthScheme(response.head).compare(QLatin1String("BASIC"), Qt::CaseInsensitive) == 0
                ? fetch_text::kBasicAuthRequired
                : fetch_text::kOtherAuthRequired);
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

void frmInet::onConnected()
{
    responseText.clear();
    WS[1]->send(httpRequest(requestUrl, proxy_));
    fetch_.requestSent = true;
    fetch_.receiving = true;
    fetch_.sinceRequest.start();
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
