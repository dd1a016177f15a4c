#pragma once

#include "weather/config/layout_file.h"
#include "weather/engine/town_forecast.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QString>

namespace net {
class ErrorLog;
class frmInet;
} // namespace net

namespace engine {

// The town forecast the monitor shows: which town (the user's `fc_town`, else the station's
// default town), when the state's precis product is fetched again, and the last good forecast
// with its issue time, kept through failed fetches and refused products.
class ForecastWatch
{
public:
    // The fetcher and the log must outlive the watch.
    ForecastWatch(net::frmInet& inet, net::ErrorLog& log);

    // A new region: its product's addresses; what was read belongs to another product and goes,
    // and the next fetch is due at once.
    void setLayout(const config::StateLayout& layout);
    // The shown station and its forecast district (for the default town).
    void setStation(const QString& name, const QString& district);
    // The user's town (an `aac`); empty: the station's default town.
    void setChosenTown(const QString& aac);

    // The region has a product and none was fetched yet, or the last fetch began an hour ago
    // (less a minute for the scans' own timing) or more: the products are issued a few times a
    // day.
    bool due() const;
    // Fetches the product (the fallback address when the first fails) and reads it. A failed
    // fetch, a refused product and one without the wanted town (or without any period for it)
    // are logged; the last good forecast then stays.
    void fetch();

    // The region names a product.
    bool available() const { return !url_.isEmpty(); }
    // The last product read: the towns the user can choose from.
    const TownForecasts& product() const { return product_; }
    // The town wanted now (chosen or default); empty when there is none.
    QString wantedTown() const;
    // The forecast on show, with its issue time; nullptr when there is none.
    const ForecastTown* shown() const { return shown_.aac.isEmpty() ? nullptr : &shown_; }
    const QDateTime& issued() const { return issued_; }

    // One line for a user where there is no forecast to show; empty when there is one.
    QString missingText() const;

private:
    // Shows the wanted town from the last product when it has periods there; keeps what is
    // shown when it is that town; else shows nothing.
    void showWanted();

    net::frmInet& inet_;
    net::ErrorLog& log_;
    QString url_;
    QString fallbackUrl_;
    QString station_;
    QString district_;
    QString chosen_;
    TownForecasts product_;
    ForecastTown shown_;
    QDateTime issued_;
    QElapsedTimer lastFetch_; // invalid: none since the region was set
};

// The stats tooltip's forecast: the glance lines of the shown town at `now` (glanceLines()),
// or "Forecast out of date (issued Sun 27/10 03:50 PM)" for one issued more than 36 hours
// before; each line ends with CR LF. Empty without a forecast.
QString forecastTipText(const ForecastWatch& watch, const QDateTime& now);

// "Sun 27/10 03:50 PM": an issue time in the town's wall clock (the offset of its first period),
// else in UTC.
QString issueTimeText(const QDateTime& issued, const ForecastTown* town);

} // namespace engine
