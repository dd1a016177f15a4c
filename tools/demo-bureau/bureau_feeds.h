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
// product letter) with its latest observation as its one period, "surface" level. A station
// lists only the elements with a value; elements carry units and, for the day's extremes and
// the rain, the times they cover as extra attributes.
QByteArray stateProduct(const QList<const Region*>& regions, QChar letter, qint64 nowUtc);

// The station's 72 hours (JSON): the rows of its history page, newest first, numbers as JSON
// numbers, a value the page shows as "-" as null (the rain and the wind direction as strings,
// "-" included, as the bureau writes them).
QByteArray stationProduct(const Region& region, const Station& station, qint64 nowUtc);

} // namespace demo
