#pragma once

#include "tools/demo-bureau/station_data.h"

#include <QByteArray>
#include <QChar>
#include <QList>
#include <QString>

namespace demo {

// The bureau's data-feed products, built from the same readings as the demo's pages, so a
// station reads the same on either. Every product is a pure function of its arguments.

// "IDN60920" for the state observations product of the regions with product letter `letter`.
QString stateProductId(QChar letter);

// "/fwo/IDN60920.xml"
QString stateProductPath(QChar letter);

// "/fwo/IDN60801/IDN60801.94768.json"
QString stationProductPath(const Region& region, const Station& station);

// The state observations product (XML): every station of `regions` (the regions that share the
// product letter) with its latest observation as its one period, "surface" level, and its
// forecast district (forecastDistrictId()). A station
// lists only the elements with a value; elements carry units and, for the day's extremes and
// the rain, the times they cover as extra attributes.
QByteArray stateProduct(const QList<const Region*>& regions, QChar letter, qint64 nowUtc);

// The station's 72 hours (JSON): the rows of its history page, newest first, numbers as JSON
// numbers, a value the page shows as "-" as null (the rain and the wind direction as strings,
// "-" included, as the bureau writes them).
QByteArray stationProduct(const Region& region, const Station& station, qint64 nowUtc);

// The identifier of the region's town forecasts (precis) product ("IDN11060"); empty for a
// region without one (Antarctica).
QString townForecastProductId(const Region& region);

// "NSW_PW004": the region's district `district` (0-based) as the products name it.
QString forecastDistrictId(const Region& region, int district);

// The region's town forecasts product in the bureau's shape: issued at 4:25 am or 4:20 pm local
// time (the latest before `nowUtc`), its districts, and a town for each station (its name
// without what follows " (" or a final " Airport"; stations of one town share it) with seven
// periods: the rest of the day of issue (with a maximum when issued in the morning), then six
// whole days, drawn from the station's climate and the date so that they follow the season.
QByteArray townForecastProduct(const Region& region, qint64 nowUtc);

} // namespace demo
