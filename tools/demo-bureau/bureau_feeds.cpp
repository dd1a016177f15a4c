#include "tools/demo-bureau/bureau_feeds.h"

#include "tools/demo-bureau/bureau_pages.h"
#include "weather/config/layout_file.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QTimeZone>
#include <QXmlStreamWriter>

#include <cmath>
#include <cstdlib>

namespace demo {
namespace {

struct Element
{
    Quantity quantity;
    const char* type;
    const char* units;
};

// The state product's elements for the readings, in the order the bureau tends to list them.
// The sea-level pressure is written by writePressure(), the rain by writeRain().
constexpr Element kElements[] = {
    {AppTemp, "apparent_temp", "Celsius"}, {DeltaT, "delta_t", "Celsius"},
    {WindGustKmh, "gust_kmh", "km/h"},     {WindGustKts, "wind_gust_spd", "knots"},
    {Temp, "air_temperature", "Celsius"},  {DewPoint, "dew_point", "Celsius"},
    {RelHum, "rel-humidity", "%"},         {WindDir, "wind_dir", nullptr},
    {WindSpdKmh, "wind_spd_kmh", "km/h"},  {WindSpdKts, "wind_spd", "knots"},
};

// The station product's fields for the readings; the rain and the direction stay strings.
struct Field
{
    Quantity quantity;
    const char* name;
    bool text;
};

constexpr Field kFields[] = {
    {AppTemp, "apparent_t", false},     {DeltaT, "delta_t", false},
    {WindGustKmh, "gust_kmh", false},   {WindGustKts, "gust_kt", false},
    {Temp, "air_temp", false},          {DewPoint, "dewpt", false},
    {PressQnh, "press_qnh", false},     {PressMsl, "press_msl", false},
    {RainSince9am, "rain_trace", true}, {RelHum, "rel_hum", false},
    {WindDir, "wind_dir", true},        {WindSpdKmh, "wind_spd_kmh", false},
    {WindSpdKts, "wind_spd_kt", false},
};

const QString kMissing = QStringLiteral("-");

QString offsetText(int minutes)
{
    const int m = std::abs(minutes);
    return QStringLiteral("%1%2:%3")
        .arg(QChar(minutes < 0 ? u'-' : u'+'))
        .arg(m / 60, 2, 10, QLatin1Char('0'))
        .arg(m % 60, 2, 10, QLatin1Char('0'));
}

// "2025-01-07T13:30:00+10:00": the region's wall clock with its offset.
QString localIso(const Region& region, qint64 utc)
{
    return regionTime(region, utc).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
           offsetText(region.utcOffsetMinutes);
}

QString utcIso(qint64 utc)
{
    return QDateTime::fromSecsSinceEpoch(utc, QTimeZone::utc())
        .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss+00:00"));
}

// Local midnight and 9 am of the day of `utc`, as UTC seconds.
qint64 localMidnight(const Region& region, qint64 utc)
{
    return utc - regionTime(region, utc).time().msecsSinceStartOfDay() / 1000;
}

void writeElement(QXmlStreamWriter& xml, const char* type, const char* units, const QString& value,
                  const QList<std::pair<QString, QString>>& extra = {})
{
    if (value == kMissing || value.isEmpty())
        return;
    xml.writeStartElement(QStringLiteral("element"));
    if (units)
        xml.writeAttribute(QStringLiteral("units"), QLatin1String(units));
    xml.writeAttribute(QStringLiteral("type"), QLatin1String(type));
    for (const auto& [name, attribute] : extra)
        xml.writeAttribute(name, attribute);
    xml.writeCharacters(value);
    xml.writeEndElement();
}

// The sea-level pressure as the bureau writes it: an automatic station as `pres` (beside the
// QNH `qnh_pres`) except at the three-hourly synoptic times, when it is `msl_pres`; a manual
// station as both `pres` and `msl_pres`. A layout reads whichever is there.
void writePressure(QXmlStreamWriter& xml, const Station& station, const Reading& reading)
{
    const QString& msl = reading.values[PressMsl];
    if (msl == kMissing)
        return;
    if (station.manual) {
        writeElement(xml, "pres", "hPa", msl);
        writeElement(xml, "msl_pres", "hPa", msl);
        return;
    }
    const bool synoptic = reading.utcSeconds % (3 * 3600) == 0;
    writeElement(xml, synoptic ? "msl_pres" : "pres", "hPa", msl);
    writeElement(xml, "qnh_pres", "hPa", reading.values[PressQnh]);
}

// The rain since 9 am (an automatic station) or of the 24 hours to 9 am (a manual one), with
// the period it covers, and the 24 hours to the 9 am before.
void writeRain(QXmlStreamWriter& xml, const Region& region, const Station& station,
               const Reading& reading)
{
    const qint64 sinceNine =
        (regionTime(region, reading.utcSeconds).time().msecsSinceStartOfDay() / 1000 - 9 * 3600 +
         86400) %
        86400;
    const qint64 nine = reading.utcSeconds - sinceNine;
    const auto covering = [&region](qint64 start, qint64 end) {
        return QList<std::pair<QString, QString>>{
            {QStringLiteral("start-time-local"), localIso(region, start)},
            {QStringLiteral("end-time-local"), localIso(region, end)},
            {QStringLiteral("duration"), QString::number((end - start) / 60)},
            {QStringLiteral("start-time-utc"), utcIso(start)},
            {QStringLiteral("end-time-utc"), utcIso(end)}};
    };
    // A manual station's reading is the day to 9 am; an automatic one's at 8:50 the day before.
    const qint64 lastDayEnd = station.manual ? nine - 86400 : nine;
    const Reading lastDay =
        readingAt(region, station, station.manual ? lastDayEnd : lastDayEnd - kStepSeconds);
    writeElement(xml, "rainfall", "mm", reading.values[RainSince9am],
                 station.manual ? covering(nine - 86400, nine)
                                : covering(nine, reading.utcSeconds));
    writeElement(xml, "rainfall_24hr", "mm", lastDay.values[RainSince9am],
                 covering(lastDayEnd - 86400, lastDayEnd));
}

void writeStation(QXmlStreamWriter& xml, const Region& region, const Station& station,
                  qint64 nowUtc)
{
    const qint64 observed = latestObservation(region, station, nowUtc);
    const Reading reading = readingAt(region, station, observed);
    const DayExtremes day = dayExtremes(region, station, observed);
    const qint64 midnight = localMidnight(region, observed);

    xml.writeStartElement(QStringLiteral("station"));
    xml.writeAttribute(QStringLiteral("wmo-id"), station.wmo);
    xml.writeAttribute(QStringLiteral("bom-id"), QStringLiteral("0") + station.wmo);
    xml.writeAttribute(QStringLiteral("tz"), region.zoneName);
    xml.writeAttribute(QStringLiteral("stn-name"), station.name.toUpper());
    xml.writeAttribute(QStringLiteral("type"),
                       station.manual ? QStringLiteral("Non-AWS") : QStringLiteral("AWS"));
    xml.writeAttribute(QStringLiteral("forecast-district-id"),
                       forecastDistrictId(region, station.district));
    xml.writeAttribute(QStringLiteral("description"), station.name);
    xml.writeStartElement(QStringLiteral("period"));
    xml.writeAttribute(QStringLiteral("index"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("time-utc"), utcIso(reading.utcSeconds));
    xml.writeAttribute(QStringLiteral("time-local"), localIso(region, reading.utcSeconds));
    xml.writeStartElement(QStringLiteral("level"));
    xml.writeAttribute(QStringLiteral("index"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("type"), QStringLiteral("surface"));
    for (const Element& e : kElements)
        writeElement(xml, e.type, e.units, reading.values[e.quantity]);
    writePressure(xml, station, reading);
    writeRain(xml, region, station, reading);
    if (station.manual) {
        // What the observer sees: the sky, the weather, how far.
        writeElement(xml, "cloud_oktas", nullptr, QString::number(reading.utcSeconds / 86400 % 9));
        writeElement(xml, "weather", nullptr, QStringLiteral("Fine"));
        writeElement(xml, "vis_km", "km", QStringLiteral("40"));
    } else {
        writeElement(xml, "minimum_air_temperature", "Celsius", day.lowTemp.value,
                     {{QStringLiteral("start-time-local"), localIso(region, midnight)}});
        writeElement(xml, "maximum_air_temperature", "Celsius", day.highTemp.value,
                     {{QStringLiteral("start-time-local"), localIso(region, midnight + 9 * 3600)}});
        writeElement(xml, "maximum_gust_dir", nullptr, day.highGustDir);
        writeElement(xml, "maximum_gust_kmh", "km/h", day.highGustKmh.value);
    }
    xml.writeEndElement(); // level
    xml.writeEndElement(); // period
    xml.writeEndElement(); // station
}

QJsonValue jsonValue(const QString& value, bool text)
{
    if (text)
        return value;
    if (value == kMissing)
        return QJsonValue::Null;
    return value.toDouble();
}

// A number in [0, 1) that depends only on the texts and the day: the forecast of a town for a
// day is the same in every product that lists it.
double dayNoise(const QString& town, qint64 day, int salt)
{
    quint64 hash = 1469598103934665603ULL ^ quint64(day * 7919 + salt);
    for (const QChar c : town)
        hash = (hash ^ c.unicode()) * 1099511628211ULL;
    hash ^= hash >> 29;
    return double(hash % 100000) / 100000.0;
}

struct DayWeather
{
    int icon;
    const char* precis;
    int chance;
    const char* range; // nullptr: none given
};

// The weather of a day from its chance of rain and its coldest hour.
DayWeather weatherOf(double chance, double minimum)
{
    const int percent = int(chance * 100) / 5 * 5;
    if (percent < 10)
        return minimum <= 2 ? DayWeather{14, "Frost then sunny.", percent, nullptr}
                            : DayWeather{1, "Sunny.", percent, nullptr};
    if (percent < 25)
        return {3, "Partly cloudy.", percent, nullptr};
    if (percent < 40)
        return {4, "Cloudy.", percent, "0 to 1 mm"};
    if (percent < 55)
        return {17, "Shower or two.", percent, "0 to 2 mm"};
    if (percent < 70)
        return {11, "Showers.", percent, "1 to 5 mm"};
    if (percent < 85)
        return {12, "Rain.", percent, "4 to 10 mm"};
    return {16, "Possible thunderstorm.", percent, "5 to 20 mm"};
}

void writeForecastElement(QXmlStreamWriter& xml, const char* name, const char* type,
                          const QString& value, bool celsius = false)
{
    xml.writeStartElement(QLatin1String(name));
    xml.writeAttribute(QStringLiteral("type"), QLatin1String(type));
    if (celsius)
        xml.writeAttribute(QStringLiteral("units"), QStringLiteral("Celsius"));
    xml.writeCharacters(value);
    xml.writeEndElement();
}

// One period of a town: the day's weather from the station's climate on that date.
void writePeriod(QXmlStreamWriter& xml, const Region& region, const Station& station,
                 const QString& town, int index, qint64 start, qint64 end, bool withMaximum,
                 bool withMinimum)
{
    const QDate date = regionTime(region, start).date();
    const qint64 day = date.toJulianDay();
    // Southern summer peaks in mid January.
    const double season = std::cos(2 * M_PI * (date.dayOfYear() - 15) / 365.25);
    const double mean = station.meanTemp + station.seasonal * season;
    const double minimum = mean - station.daily + 4 * (dayNoise(town, day, 1) - 0.5);
    const double maximum = mean + station.daily + 4 * (dayNoise(town, day, 2) - 0.5);
    const DayWeather weather = weatherOf(dayNoise(town, day, 3), minimum);

    xml.writeStartElement(QStringLiteral("forecast-period"));
    xml.writeAttribute(QStringLiteral("index"), QString::number(index));
    xml.writeAttribute(QStringLiteral("start-time-local"), localIso(region, start));
    xml.writeAttribute(QStringLiteral("end-time-local"), localIso(region, end));
    xml.writeAttribute(QStringLiteral("start-time-utc"), utcIso(start));
    xml.writeAttribute(QStringLiteral("end-time-utc"), utcIso(end));
    // An evening's part-day: clear or cloudy, without temperatures or amounts.
    const bool evening = !withMaximum && !withMinimum;
    writeForecastElement(xml, "element", "forecast_icon_code",
                         QString::number(evening ? (weather.chance < 25 ? 2 : 4) : weather.icon));
    if (weather.range && !evening)
        writeForecastElement(xml, "element", "precipitation_range", QLatin1String(weather.range));
    if (withMinimum)
        writeForecastElement(xml, "element", "air_temperature_minimum",
                             QString::number(std::lround(minimum)), true);
    if (withMaximum)
        writeForecastElement(xml, "element", "air_temperature_maximum",
                             QString::number(std::lround(maximum)), true);
    writeForecastElement(xml, "text", "precis",
                         evening ? QString::fromLatin1(weather.chance < 25 ? "Clear." : "Cloudy.")
                                 : QString::fromLatin1(weather.precis));
    writeForecastElement(xml, "text", "probability_of_precipitation",
                         QString::number(evening ? weather.chance / 2 / 5 * 5 : weather.chance) +
                             QLatin1Char('%'));
    xml.writeEndElement();
}

QString townOf(const Station& station)
{
    QString town = station.name.section(QStringLiteral(" ("), 0, 0);
    if (town.endsWith(QLatin1String(" Airport")))
        town.chop(8);
    return town;
}

struct PrecisProduct
{
    const char* code;
    const char* id;
};

constexpr PrecisProduct kPrecisProducts[] = {
    {"nsw", "IDN11060"}, {"vic", "IDV10753"}, {"qld", "IDQ11295"}, {"sa", "IDS10044"},
    {"wa", "IDW14199"},  {"tas", "IDT16710"}, {"nt", "IDD10207"},
};

} // namespace

QString townForecastProductId(const Region& region)
{
    for (const PrecisProduct& p : kPrecisProducts) {
        if (region.code == QLatin1String(p.code))
            return QLatin1String(p.id);
    }
    return QString();
}

QString forecastDistrictId(const Region& region, int district)
{
    return QStringLiteral("%1_PW%2")
        .arg(region.code.toUpper())
        .arg(district + 1, 3, 10, QLatin1Char('0'));
}

QByteArray townForecastProduct(const Region& region, qint64 nowUtc)
{
    // The latest issue before now: 4:25 am or 4:20 pm of the region's clock.
    const qint64 midnight = localMidnight(region, nowUtc);
    const qint64 morning = midnight + 4 * 3600 + 25 * 60;
    const qint64 afternoon = midnight + 16 * 3600 + 20 * 60;
    const qint64 issued = nowUtc >= afternoon ? afternoon
                          : nowUtc >= morning ? morning
                                              : midnight - 24 * 3600 + 16 * 3600 + 20 * 60;
    const qint64 issueMidnight = localMidnight(region, issued);
    const bool morningIssue = issued - issueMidnight < 12 * 3600;
    const QString prefix = region.code.toUpper();

    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("product"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.7"));
    xml.writeStartElement(QStringLiteral("amoc"));
    xml.writeStartElement(QStringLiteral("source"));
    xml.writeTextElement(QStringLiteral("sender"),
                         QStringLiteral("Demo bureau: generated forecasts, not real weather"));
    xml.writeTextElement(QStringLiteral("region"), region.title);
    xml.writeEndElement();
    xml.writeTextElement(QStringLiteral("identifier"), townForecastProductId(region));
    xml.writeTextElement(QStringLiteral("issue-time-utc"),
                         QDateTime::fromSecsSinceEpoch(issued, QTimeZone::utc())
                             .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ")));
    xml.writeStartElement(QStringLiteral("issue-time-local"));
    xml.writeAttribute(QStringLiteral("tz"), region.zoneName);
    xml.writeCharacters(localIso(region, issued));
    xml.writeEndElement();
    xml.writeTextElement(QStringLiteral("status"), QStringLiteral("O"));
    xml.writeTextElement(QStringLiteral("product-type"), QStringLiteral("F"));
    xml.writeEndElement(); // amoc

    xml.writeStartElement(QStringLiteral("forecast"));
    xml.writeEmptyElement(QStringLiteral("area"));
    xml.writeAttribute(QStringLiteral("aac"), prefix + QStringLiteral("_FA001"));
    xml.writeAttribute(QStringLiteral("description"), region.title);
    xml.writeAttribute(QStringLiteral("type"), QStringLiteral("region"));
    int townNumber = 0;
    for (int d = 0; d < region.districts.size(); ++d) {
        xml.writeEmptyElement(QStringLiteral("area"));
        xml.writeAttribute(QStringLiteral("aac"), forecastDistrictId(region, d));
        xml.writeAttribute(QStringLiteral("description"), region.districts.at(d).name);
        xml.writeAttribute(QStringLiteral("type"), QStringLiteral("public-district"));
        xml.writeAttribute(QStringLiteral("parent-aac"), prefix + QStringLiteral("_FA001"));
        QStringList towns;
        for (const Station& station : region.stations) {
            const QString town = townOf(station);
            if (station.district != d || towns.contains(town))
                continue;
            towns.append(town);
            xml.writeStartElement(QStringLiteral("area"));
            xml.writeAttribute(QStringLiteral("aac"), QStringLiteral("%1_PT%2").arg(prefix).arg(
                                                          ++townNumber, 3, 10, QLatin1Char('0')));
            xml.writeAttribute(QStringLiteral("description"), town);
            xml.writeAttribute(QStringLiteral("type"), QStringLiteral("location"));
            xml.writeAttribute(QStringLiteral("parent-aac"), forecastDistrictId(region, d));
            // From the next hour to midnight, then whole days.
            const qint64 firstStart = (issued / 3600 + 1) * 3600;
            writePeriod(xml, region, station, town, 0, firstStart, issueMidnight + 24 * 3600,
                        morningIssue, false);
            for (int i = 1; i < 7; ++i) {
                const qint64 start = issueMidnight + i * 24 * 3600;
                writePeriod(xml, region, station, town, i, start, start + 24 * 3600, true, true);
            }
            xml.writeEndElement(); // area
        }
    }
    xml.writeEndElement(); // forecast
    xml.writeEndElement(); // product
    xml.writeEndDocument();
    return bytes;
}

QString stateProductId(QChar letter)
{
    return QStringLiteral("ID") + letter + QStringLiteral("60920");
}

QString stateProductPath(QChar letter)
{
    return QStringLiteral("/fwo/") + stateProductId(letter) + QStringLiteral(".xml");
}

QString stationProductPath(const Region& region, const Station& station)
{
    const QString product = QStringLiteral("ID") + region.productLetter + QStringLiteral("60801");
    return QStringLiteral("/fwo/%1/%1.%2.json").arg(product, station.wmo);
}

QByteArray stateProduct(const QList<const Region*>& regions, QChar letter, qint64 nowUtc)
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("product"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("v1.7.1"));
    xml.writeStartElement(QStringLiteral("amoc"));
    xml.writeStartElement(QStringLiteral("source"));
    xml.writeTextElement(QStringLiteral("sender"),
                         QStringLiteral("Demo bureau: generated observations, not real weather"));
    xml.writeTextElement(QStringLiteral("region"),
                         regions.isEmpty() ? QString() : regions.first()->title);
    xml.writeEndElement();
    xml.writeTextElement(QStringLiteral("identifier"), stateProductId(letter));
    // Issued with each step's readings: the same product until the next step, as a CDN serves it.
    xml.writeTextElement(QStringLiteral("issue-time-utc"), utcIso(nowUtc - nowUtc % kStepSeconds));
    xml.writeTextElement(QStringLiteral("status"), QStringLiteral("O"));
    xml.writeEndElement(); // amoc
    xml.writeStartElement(QStringLiteral("observations"));
    for (const Region* region : regions) {
        for (const Station& station : region->stations)
            writeStation(xml, *region, station, nowUtc);
    }
    xml.writeEndElement(); // observations
    xml.writeEndElement(); // product
    xml.writeEndDocument();
    return bytes;
}

QByteArray stationProduct(const Region& region, const Station& station, qint64 nowUtc)
{
    constexpr qint64 halfHour = 1800;
    const qint64 newest = nowUtc - (nowUtc % halfHour + halfHour) % halfHour;
    const QString product = QStringLiteral("ID") + region.productLetter + QStringLiteral("60801");
    QJsonArray data;
    for (int row = 0; row < kHistoryRows; ++row) {
        const Reading reading = readingAt(region, station, newest - row * halfHour);
        QJsonObject entry{
            {QStringLiteral("sort_order"), row},
            {QStringLiteral("wmo"), station.wmo.toInt()},
            {QStringLiteral("name"), station.name},
            {QStringLiteral("history_product"), product},
            {QStringLiteral("local_date_time"), reading.dateTime},
            {QStringLiteral("local_date_time_full"),
             regionTime(region, reading.utcSeconds).toString(QStringLiteral("yyyyMMddHHmmss"))},
            {QStringLiteral("aifstime_utc"),
             QDateTime::fromSecsSinceEpoch(reading.utcSeconds, Qt::UTC)
                 .toString(QStringLiteral("yyyyMMddHHmmss"))},
        };
        for (const Field& f : kFields)
            entry.insert(QLatin1String(f.name), jsonValue(reading.values[f.quantity], f.text));
        data.append(entry);
    }
    const QJsonObject header{
        {QStringLiteral("refresh_message"), QStringLiteral("Issued at ") +
                                                bureauTime(regionTime(region, nowUtc)) +
                                                QLatin1Char(' ') + region.zoneName},
        {QStringLiteral("ID"), product},
        {QStringLiteral("name"), station.name},
        {QStringLiteral("time_zone"), region.zoneName},
        {QStringLiteral("state"), region.title},
    };
    const QJsonObject notice{{QStringLiteral("copyright"),
                              QStringLiteral("Demo bureau: generated observations, not real "
                                             "weather")}};
    const QJsonObject observations{{QStringLiteral("notice"), QJsonArray{notice}},
                                   {QStringLiteral("header"), QJsonArray{header}},
                                   {QStringLiteral("data"), data}};
    return QJsonDocument(QJsonObject{{QStringLiteral("observations"), observations}}).toJson();
}

} // namespace demo

namespace demo {
namespace {

struct ListProduct
{
    const char* code;
    const char* id;
};

constexpr ListProduct kWarningLists[] = {
    {"nsw", "IDZ00054"}, {"nt", "IDZ00055"},  {"qld", "IDZ00056"}, {"sa", "IDZ00057"},
    {"tas", "IDZ00058"}, {"vic", "IDZ00059"}, {"wa", "IDZ00060"},
};

// One warning the demo lists.
struct DemoWarning
{
    QString id;
    QString headline;
    QString severity;
    QString phase;
    QString hazardType;
    int district = 0;
    qint64 issued = 0;
    int hours = 6; // in force this long after its issue
};

QString rfc2822(qint64 utc)
{
    return QLocale::c().toString(QDateTime::fromSecsSinceEpoch(utc, QTimeZone::utc()),
                                 QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"));
}

QString utcZ(qint64 utc)
{
    return QDateTime::fromSecsSinceEpoch(utc, QTimeZone::utc())
        .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
}

QList<DemoWarning> demoWarnings(const Region& region, const WarningState& state, qint64 nowUtc)
{
    QList<DemoWarning> list;
    const QString letter = QString(region.productLetter);
    if (region.districts.isEmpty() || region.stations.isEmpty())
        return list;
    // The frost warning was issued at the last 3 am of the region's clock.
    const qint64 frost = localMidnight(region, nowUtc) + 3 * 3600;
    const int last = int(region.districts.size()) - 1;
    list.append({QStringLiteral("ID") + letter + QStringLiteral("20001"),
                 QStringLiteral("Frost Warning for %1 forecast district")
                     .arg(region.districts.at(last).name),
                 QStringLiteral("STD"), QStringLiteral("NEW"), QStringLiteral("FRW"), last,
                 frost > nowUtc ? frost - 24 * 3600 : frost, 24});
    if (state.stage == WarningStage::None)
        return list;
    const int district = region.stations.first().district;
    const QString name = region.districts.at(district).name;
    DemoWarning storm{QStringLiteral("ID") + letter + QStringLiteral("21033"),
                      QStringLiteral("Severe Thunderstorm Warning for Damaging Winds for %1 "
                                     "forecast district")
                          .arg(name),
                      QStringLiteral("STD"),
                      QStringLiteral("NEW"),
                      QStringLiteral("STW"),
                      district,
                      state.since,
                      6};
    if (state.stage == WarningStage::Update) {
        storm.headline = QStringLiteral("Severe Thunderstorm Warning for Damaging Winds and "
                                        "Large Hailstones for %1 forecast district")
                             .arg(name);
        storm.severity = QStringLiteral("SEV");
        storm.phase = QStringLiteral("UPD");
    } else if (state.stage == WarningStage::Ended) {
        storm.headline = QStringLiteral("Cancellation of Severe Thunderstorm Warning for %1 "
                                        "forecast district")
                             .arg(name);
        storm.phase = QStringLiteral("CAN");
    }
    list.prepend(storm);
    return list;
}

void writeHead(QXmlStreamWriter& xml, const Region& region, const DemoWarning& w)
{
    xml.writeStartElement(QStringLiteral("source"));
    xml.writeTextElement(QStringLiteral("sender"),
                         QStringLiteral("Demo bureau: generated warnings, not real ones"));
    xml.writeTextElement(QStringLiteral("region"), region.title);
    xml.writeEndElement();
    xml.writeTextElement(QStringLiteral("identifier"), w.id);
    xml.writeTextElement(QStringLiteral("issue-time-utc"), utcZ(w.issued));
    xml.writeStartElement(QStringLiteral("issue-time-local"));
    xml.writeAttribute(QStringLiteral("tz"), region.zoneName);
    xml.writeCharacters(localIso(region, w.issued));
    xml.writeEndElement();
    xml.writeTextElement(QStringLiteral("expiry-time"), utcZ(w.issued + w.hours * 3600));
    xml.writeTextElement(QStringLiteral("status"), QStringLiteral("O"));
    xml.writeTextElement(QStringLiteral("service"), QStringLiteral("WSW"));
    xml.writeTextElement(QStringLiteral("product-type"), QStringLiteral("W"));
    xml.writeTextElement(QStringLiteral("phase"), w.phase);
}

void writeHazard(QXmlStreamWriter& xml, const Region& region, const DemoWarning& w)
{
    xml.writeStartElement(QStringLiteral("hazard"));
    xml.writeAttribute(QStringLiteral("index"), QStringLiteral("1"));
    xml.writeAttribute(QStringLiteral("phase"), w.phase);
    xml.writeAttribute(QStringLiteral("type"), w.hazardType);
    xml.writeAttribute(QStringLiteral("severity"), w.severity);
    xml.writeAttribute(QStringLiteral("start-time-utc"), utcZ(w.issued));
    xml.writeAttribute(QStringLiteral("end-time-utc"), utcZ(w.issued + w.hours * 3600));
    xml.writeStartElement(QStringLiteral("area-list"));
    xml.writeEmptyElement(QStringLiteral("area"));
    xml.writeAttribute(QStringLiteral("aac"), forecastDistrictId(region, w.district));
    xml.writeAttribute(QStringLiteral("phase"), w.phase);
    xml.writeAttribute(QStringLiteral("description"), region.districts.at(w.district).name);
    xml.writeAttribute(QStringLiteral("type"), QStringLiteral("public-district"));
    xml.writeEndElement(); // area-list
    xml.writeStartElement(QStringLiteral("phenomenon-list"));
    xml.writeEmptyElement(QStringLiteral("phenomenon"));
    xml.writeAttribute(QStringLiteral("type"), QStringLiteral("W"));
    xml.writeEndElement();
    xml.writeTextElement(QStringLiteral("priority"), QStringLiteral("W"));
    xml.writeTextElement(QStringLiteral("headline"), w.headline);
    xml.writeEndElement(); // hazard
}

const DemoWarning* findWarning(const QList<DemoWarning>& list, const QString& id)
{
    for (const DemoWarning& w : list) {
        if (w.id == id)
            return &w;
    }
    return nullptr;
}

} // namespace

WarningState scheduledWarning(qint64 startUtc, qint64 elapsed)
{
    const qint64 base = startUtc + elapsed / 1800 * 1800;
    const qint64 in = elapsed % 1800;
    if (in < 300)
        return {WarningStage::New, base};
    if (in < 900)
        return {WarningStage::Update, base + 300};
    if (in < 1500)
        return {WarningStage::Ended, base + 900};
    return {WarningStage::None, base + 1500};
}

QString warningListId(const Region& region)
{
    for (const ListProduct& p : kWarningLists) {
        if (region.code == QLatin1String(p.code))
            return QLatin1String(p.id);
    }
    return QString();
}

QString warningListPath(const Region& region)
{
    const QString id = warningListId(region);
    return id.isEmpty() ? QString()
                        : QStringLiteral("/fwo/%1.warnings_%2.xml").arg(id, region.code);
}

QByteArray warningList(const Region& region, const WarningState& state, qint64 nowUtc)
{
    const QList<DemoWarning> warnings = demoWarnings(region, state, nowUtc);
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("rss"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("2.0"));
    xml.writeStartElement(QStringLiteral("channel"));
    xml.writeTextElement(QStringLiteral("title"),
                         QStringLiteral("Weather Warnings for %1 (demo bureau)").arg(region.title));
    xml.writeTextElement(QStringLiteral("link"),
                         config::bureauRoot() + warningListPath(region).mid(1));
    xml.writeTextElement(QStringLiteral("pubDate"), rfc2822(nowUtc - nowUtc % 60));
    xml.writeTextElement(QStringLiteral("ttl"), QStringLiteral("1"));
    const auto item = [&](const QString& title, const QString& link, qint64 at) {
        xml.writeStartElement(QStringLiteral("item"));
        xml.writeTextElement(QStringLiteral("title"), title);
        xml.writeTextElement(QStringLiteral("link"), link);
        xml.writeTextElement(QStringLiteral("pubDate"), rfc2822(at));
        xml.writeStartElement(QStringLiteral("guid"));
        xml.writeAttribute(QStringLiteral("isPermaLink"), QStringLiteral("false"));
        xml.writeCharacters(link);
        xml.writeEndElement();
        xml.writeEndElement();
    };
    for (const DemoWarning& w : warnings) {
        const QString stamp = regionTime(region, w.issued).toString(QStringLiteral("dd/hh:mm"));
        item(stamp + u' ' + region.zoneName + u' ' + w.headline,
             config::bureauRoot() + QStringLiteral("products/") + w.id + QStringLiteral(".shtml"),
             w.issued);
    }
    item(QStringLiteral("Marine Wind Warning Summary for %1").arg(region.title),
         config::bureauRoot() + region.code + QStringLiteral("/warnings/marinewind.shtml"),
         localMidnight(region, nowUtc));
    xml.writeEndElement(); // channel
    xml.writeEndElement(); // rss
    xml.writeEndDocument();
    return bytes;
}

// The document of demo warning `id` in force now, its root element `root` holding what `body`
// writes; empty when no such warning is in force.
template <typename Body>
QByteArray warningDocument(const Region& region, const QString& id, const WarningState& state,
                           qint64 nowUtc, const QString& root, Body body)
{
    const QList<DemoWarning> warnings = demoWarnings(region, state, nowUtc);
    const DemoWarning* w = findWarning(warnings, id);
    if (!w)
        return QByteArray();
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(root);
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.7"));
    body(xml, *w);
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

QByteArray warningCompanion(const Region& region, const QString& id, const WarningState& state,
                            qint64 nowUtc)
{
    return warningDocument(region, id, state, nowUtc, QStringLiteral("amoc"),
                           [&region](QXmlStreamWriter& xml, const DemoWarning& w) {
                               writeHead(xml, region, w);
                               writeHazard(xml, region, w);
                           });
}

QByteArray warningProduct(const Region& region, const QString& id, const WarningState& state,
                          qint64 nowUtc)
{
    return warningDocument(
        region, id, state, nowUtc, QStringLiteral("product"),
        [&region](QXmlStreamWriter& xml, const DemoWarning& w) {
            xml.writeStartElement(QStringLiteral("amoc"));
            writeHead(xml, region, w);
            xml.writeEndElement();
            xml.writeStartElement(QStringLiteral("warning"));
            // The state's region area holds the hazards; it does not make the warning the state's.
            xml.writeStartElement(QStringLiteral("area"));
            xml.writeAttribute(QStringLiteral("aac"),
                               region.code.toUpper() + QStringLiteral("_FA001"));
            xml.writeAttribute(QStringLiteral("description"), region.title);
            xml.writeAttribute(QStringLiteral("type"), QStringLiteral("region"));
            writeHazard(xml, region, w);
            xml.writeEndElement(); // area
            xml.writeStartElement(QStringLiteral("warning-info"));
            const auto text = [&](const char* type, const QStringList& paragraphs) {
                xml.writeStartElement(QStringLiteral("text"));
                xml.writeAttribute(QStringLiteral("type"), QLatin1String(type));
                for (const QString& p : paragraphs)
                    xml.writeTextElement(QStringLiteral("p"), p);
                xml.writeEndElement();
            };
            text("warning_title", {w.headline});
            text("warning_area_summary",
                 {QStringLiteral("For people in %1.").arg(region.districts.at(w.district).name)});
            text("warning_advice",
                 {QStringLiteral("This is the demo bureau's invented warning."),
                  QStringLiteral("Nothing is happening: the weather here is made up.")});
            xml.writeEndElement(); // warning-info
            // A small map, embedded as the bureau does: a 1x1 PNG.
            xml.writeStartElement(QStringLiteral("image"));
            xml.writeAttribute(QStringLiteral("encoding"), QStringLiteral("base64"));
            xml.writeCharacters(
                QStringLiteral("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP"
                               "8z8DwHwAFBQIAX8jx0gAAAABJRU5ErkJggg=="));
            xml.writeEndElement();
            xml.writeEndElement(); // warning
        });
}

} // namespace demo
