#include "weather/engine/forecast_watch.h"

#include "weather/net/error_log.h"
#include "weather/net/frm_inet.h"

#include <QStringBuilder>

namespace engine {
namespace {

// An hour, less a minute: the scan that comes an hour after the one that fetched starts a little
// less than an hour after that fetch began (the first scan starts a moment after the timer),
// and would otherwise wait for the next one.
constexpr qint64 kRefetchMsecs = 59 * 60 * 1000;

QString noTown(const QString& town)
{
    return QStringLiteral("Town forecasts feed has no forecast for %1.\r\n"
                          "Connection OK; the last good forecast stays.")
        .arg(town);
}

} // namespace

ForecastWatch::ForecastWatch(net::frmInet& inet, net::ErrorLog& log) : inet_(inet), log_(log) {}

void ForecastWatch::setLayout(const config::StateLayout& layout)
{
    if (layout.townForecastUrl == url_ && layout.townForecastFallbackUrl == fallbackUrl_)
        return;
    url_ = layout.townForecastUrl;
    fallbackUrl_ = layout.townForecastFallbackUrl;
    // A layout with only the second road still has the product.
    if (url_.isEmpty())
        std::swap(url_, fallbackUrl_);
    product_ = {};
    shown_ = {};
    issued_ = {};
    lastFetch_.invalidate();
}

void ForecastWatch::setStation(const QString& name, const QString& district)
{
    if (name == station_ && district == district_)
        return;
    station_ = name;
    district_ = district;
    showWanted();
}

void ForecastWatch::setChosenTown(const QString& aac)
{
    if (aac == chosen_)
        return;
    chosen_ = aac;
    showWanted();
}

QString ForecastWatch::wantedTown() const
{
    return chosen_.isEmpty() ? defaultTownOf(product_, district_, station_) : chosen_;
}

bool ForecastWatch::due() const
{
    return available() && (!lastFetch_.isValid() || lastFetch_.hasExpired(kRefetchMsecs));
}

void ForecastWatch::fetch()
{
    if (!available())
        return;
    lastFetch_.start();
    // A failed fetch has logged why; so has the reader for a product it refuses.
    std::optional<TownForecasts> read = inet_.readProduct(
        {url_, fallbackUrl_}, [&](const QByteArray& document) -> std::optional<TownForecasts> {
            if (document.isEmpty())
                return std::nullopt;
            auto result = readTownForecasts(document, productIdOf(url_));
            if (!result.rows)
                log_.writeTxt(result.error);
            return std::move(result.rows);
        });
    if (!read)
        return;
    product_ = std::move(*read);
    const QString wanted = wantedTown();
    const ForecastTown* town = product_.town(wanted);
    if (!wanted.isEmpty() && (!town || town->periods.isEmpty()))
        log_.writeTxt(noTown(town ? town->name : wanted));
    showWanted();
}

void ForecastWatch::showWanted()
{
    const QString wanted = wantedTown();
    const ForecastTown* town = product_.town(wanted);
    if (town && !town->periods.isEmpty()) {
        shown_ = *town;
        issued_ = product_.issued;
    } else if (wanted.isEmpty() || wanted != shown_.aac) {
        shown_ = {};
        issued_ = {};
    }
}

QString ForecastWatch::missingText() const
{
    if (shown())
        return QString();
    if (!available())
        return QStringLiteral("The bureau has no town forecasts for this region.");
    if (product_.towns.isEmpty())
        return QStringLiteral("Town forecast not read yet.");
    if (wantedTown().isEmpty())
        return QStringLiteral("No town near this station: choose one under Settings.");
    return QStringLiteral("No forecast for this town in the bureau's product.");
}

QString issueTimeText(const QDateTime& issuedAt, const ForecastTown* town)
{
    QDateTime issued = issuedAt.toUTC();
    if (town && !town->periods.isEmpty() && town->periods.first().start.isValid())
        issued = issued.toOffsetFromUtc(town->periods.first().start.offsetFromUtc());
    return shortDayName(issued.date()) % u' ' % issued.toString(QStringLiteral("dd/MM hh:mm AP"));
}

QString forecastTipText(const ForecastWatch& watch, const QDateTime& now)
{
    const ForecastTown* town = watch.shown();
    if (!town)
        return QString();
    const QString crlf = QStringLiteral("\r\n");
    if (forecastOutOfDate(watch.issued(), now))
        return QStringLiteral("Forecast out of date (issued ") %
               issueTimeText(watch.issued(), town) % u')' % crlf;
    QString text;
    for (const QString& line : glanceLines(*town, now))
        text += line % crlf;
    return text;
}

} // namespace engine
