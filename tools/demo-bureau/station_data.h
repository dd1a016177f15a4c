#pragma once

#include <QChar>
#include <QDateTime>
#include <QList>
#include <QString>

#include <array>

namespace demo {

// One station of the demo bureau and the climate its readings are drawn from.
struct Station
{
    QString name;
    QString wmo;          // station number; also the file name of its history page
    int district = 0;     // index into the region's districts
    double meanTemp = 0;  // annual mean, °C
    double seasonal = 0;  // half the difference between summer and winter means
    double daily = 0;     // half the difference between afternoon and dawn
    double dewSpread = 0; // mean temperature minus mean dew point
    double meanWind = 0;  // km/h
    bool hasBarometer = true;
    bool hasRainGauge = true;
    // A manual (not automatic) station: one observation a day at 9 am, no gusts, the rain of
    // the 24 hours to 9 am; `lateDays` days behind when its observer has not reported since.
    bool manual = false;
    int lateDays = 0;
};

struct District
{
    QString id; // short code used in the table and cell ids ("NR")
    QString name;
};

// A region as the demo bureau knows it: the stations of its "all stations" page.
struct Region
{
    QString code;             // first folder of the observation page path: "nsw"
    QString title;            // page heading
    QChar productLetter;      // x of the IDx60801 history products
    int utcOffsetMinutes = 0; // the region's standard time, in which the pages write times
    QString zoneName;         // "EST"
    QList<District> districts;
    QList<Station> stations;
};

// The regions with their stations: real places; station numbers and climates are approximate.
const QList<Region>& builtInRegions();

// The region whose observation page lies in folder `code` ("nsw"), or nullptr.
const Region* findRegion(QStringView code);

// "/products/IDN60801/IDN60801.94768.shtml"
QString historyPath(const Region& region, const Station& station);

// The quantities of a reading, in the order of the history page's columns.
enum Quantity
{
    Temp,
    AppTemp,
    DewPoint,
    RelHum,
    DeltaT,
    WindDir,
    WindSpdKmh,
    WindGustKmh,
    WindSpdKts,
    WindGustKts,
    PressQnh,
    PressMsl,
    RainSince9am,
    QuantityCount
};

// One observation as the bureau writes it: every value is page text, "-" when not reported.
struct Reading
{
    qint64 utcSeconds = 0;
    QString dateTime; // "07/01:30pm": day of month and time in the region's standard time
    std::array<QString, QuantityCount> values;
};

// Observations are taken every 10 minutes; a reading depends only on the station and the step,
// so a page built twice for the same moment is the same, and values move between scans.
inline constexpr qint64 kStepSeconds = 600;

// The reading at the 10-minute step that contains `utcSeconds`.
Reading readingAt(const Region& region, const Station& station, qint64 utcSeconds);

// The station's latest observation at `now`: most automatic stations report every 10 minutes,
// some only on the half hour; a manual station at 9 am local time, `lateDays` days back.
qint64 latestObservation(const Region& region, const Station& station, qint64 nowUtcSeconds);

// A day's extreme: page text of the value and the time it was reached ("-" and "" for none).
struct Extreme
{
    QString value;
    QString time; // "05:31am"
};

// The extremes the regional page lists after the current values: lowest temperature since
// midnight, highest since 9 am (none before 9 am), strongest gust since midnight.
struct DayExtremes
{
    Extreme lowTemp;
    Extreme highTemp;
    QString highGustDir;
    Extreme highGustKmh;
    Extreme highGustKts;
};

DayExtremes dayExtremes(const Region& region, const Station& station, qint64 utcSeconds);

// Wall-clock time of the region at a UTC moment (a QDateTime in UTC holding local fields).
QDateTime regionTime(const Region& region, qint64 utcSeconds);

// "07/01:30pm"
QString bureauDateTime(const QDateTime& wallClock);

// "01:30pm"
QString bureauTime(const QDateTime& wallClock);

} // namespace demo
