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

namespace demo {

// The demo's warnings. Every state's list holds a frost warning for its last district and an
// item that names no product (a summary page); the switchable warning, a severe thunderstorm
// warning for the district of the region's first station (the station a first run shows), is
// in one of these stages.
enum class WarningStage
{
    None,   // not listed
    New,    // NEW, severity STD
    Update, // UPD, severity SEV, another headline
    Ended   // CAN: listed, but cancelled
};

// The switchable warning's stage and since when (UTC seconds; it is issued then).
struct WarningState
{
    WarningStage stage = WarningStage::None;
    qint64 since = 0;
};

// The schedule of `--warning schedule`, `elapsed` seconds after `startUtc`, repeating every 30
// minutes: new from the start, updated after 5 minutes, cancelled after 15, gone after 25; so
// the scans of a monitor started with the demo bureau, 10 minutes apart, see each stage.
WarningState scheduledWarning(qint64 startUtc, qint64 elapsed);

// "IDZ00054" for the region's list of warnings; empty for a region without one (Antarctica).
QString warningListId(const Region& region);
// "/fwo/IDZ00054.warnings_nsw.xml"; empty for a region without a list.
QString warningListPath(const Region& region);

// The list (RSS 2.0, ttl 1 minute so that a demo shows changes soon).
QByteArray warningList(const Region& region, const WarningState& state, qint64 nowUtc);
// The companion (<id>.amoc.xml) and the full product (<id>.xml, with a small embedded image)
// of one of the region's listed warnings; empty for any other id.
QByteArray warningCompanion(const Region& region, const QString& id, const WarningState& state,
                            qint64 nowUtc);
QByteArray warningProduct(const Region& region, const QString& id, const WarningState& state,
                          qint64 nowUtc);

} // namespace demo
