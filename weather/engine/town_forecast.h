#pragma once

#include "weather/engine/state_feed.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace engine {

// One period of a town's forecast: usually a whole local day; the first is often what is left
// of the day of issue. Any part may be missing.
struct ForecastPeriod
{
    QDateTime start;  // start-time-local, with its offset (the town's wall clock)
    QDateTime end;    // end-time-local
    int iconCode = 0; // forecast_icon_code when it is one we draw (knownIconCode()); else 0
    std::optional<int> minimum;    // air_temperature_minimum, °C
    std::optional<int> maximum;    // air_temperature_maximum, °C
    std::optional<int> rainChance; // probability_of_precipitation, per cent
    QString precis;                // "Becoming cloudy."
    QString rainRange;             // precipitation_range: "0 to 1 mm"
};

// A town ("location" area) of the precis product.
struct ForecastTown
{
    QString aac;                   // "NSW_PT131"
    QString name;                  // "Sydney"
    QString district;              // its parent-aac: "NSW_PW005"
    QList<ForecastPeriod> periods; // in product order
};

// A public district of the product, which the towns and the observing stations name.
struct ForecastDistrict
{
    QString aac;  // "NSW_PW005"
    QString name; // "Sydney Metropolitan"
};

// The state's precis product (IDN11060.xml and the like) as read.
struct TownForecasts
{
    QString identifier;                // <amoc><identifier>
    QDateTime issued;                  // <amoc><issue-time-utc>, in UTC
    QList<ForecastDistrict> districts; // in product order
    QList<ForecastTown> towns;         // in product order

    // The town with `aac`, or nullptr.
    const ForecastTown* town(QStringView aac) const;
};

// The icon codes the bureau uses and we draw: 1 sunny, 2 clear, 3 partly cloudy, 4 cloudy,
// 6 hazy, 8 light rain, 9 windy, 10 fog, 11 shower, 12 rain, 13 dusty, 14 frost, 15 snow,
// 16 storm, 17 light shower, 18 heavy shower, 19 tropical cyclone.
bool knownIconCode(int code);

// Reads the precis product front to back from its bytes (common::setXmlDocument()) with
// QXmlStreamReader. Districts are the areas of type
// "public-district", towns those of type "location" (other areas are skipped), each with its
// periods and their elements by `type` (unknown types ignored; a number that does not read is
// missing; an icon code we do not draw reads 0, so the period shows as text only).
//
// No forecasts, and the text the error log gets, for a document with a DTD (the bureau's
// products have none), one that is not well-formed XML (cut short included), one that is not a
// forecast product, a product whose identifier differs from `expectedProduct` when both are
// known (another state's), one without a readable issue time, and one that lists no town.
FeedResult<TownForecasts> readTownForecasts(const QByteArray& document,
                                            const QString& expectedProduct);

// The town whose forecast a station shows by default: among the towns of the station's district
// `district`, the one whose name begins the station's name as whole words, any capitals (the
// longest when several do: "Sydney Olympic Park" before "Sydney"); else the district's first
// town. Empty when the district has no town (Lord Howe Island's stations name the state).
QString defaultTownOf(const TownForecasts& forecasts, const QString& district,
                      const QString& station);

// A forecast is out of date when it was issued more than this long before now.
inline constexpr qint64 kForecastOutOfDateSecs = 36 * 3600;
bool forecastOutOfDate(const QDateTime& issued, const QDateTime& now);

// The periods of `town` that have not ended at `now`, in order (a period without a readable
// start time is left out).
QList<ForecastPeriod> periodsAhead(const ForecastTown& town, const QDateTime& now);

// "14–25 °C", "max 25 °C", "min 14 °C", or empty.
QString temperatureText(const ForecastPeriod& period);

// What an icon code shows, as a precis would say it ("Partly cloudy"); empty for 0.
QString iconName(int code);

// One line per period, as `weather --print=forecast` prints it:
// "Mon 28/10: 14–25 °C, Becoming cloudy. Rain 30 % (0 to 1 mm)"; the parts that are missing are
// left out, a missing precis is the icon's name (day names in English, whatever the locale).
QString periodLine(const ForecastPeriod& period);

// The stats tooltip's glance: one line for the period under way at `now` (or the next)
// and one for the following, each named "Rest of today", "Tomorrow" or by its day:
// "Tomorrow: 14–25 °C, becoming cloudy, 30 %". At most two lines.
QStringList glanceLines(const ForecastTown& town, const QDateTime& now);

// "Mon", "Tue", … of a date, in English.
QString shortDayName(const QDate& date);

} // namespace engine
