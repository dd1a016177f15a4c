#include "tools/demo-bureau/bureau_feeds.h"

#include "tools/demo-bureau/bureau_pages.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>
#include <QXmlStreamWriter>

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
constexpr Element kElements[] = {
    {AppTemp, "apparent_temp", "Celsius"}, {DeltaT, "delta_t", "Celsius"},
    {WindGustKmh, "gust_kmh", "km/h"},     {WindGustKts, "wind_gust_spd", "knots"},
    {Temp, "air_temperature", "Celsius"},  {DewPoint, "dew_point", "Celsius"},
    {PressMsl, "msl_pres", "hPa"},         {PressQnh, "qnh_pres", "hPa"},
    {RelHum, "rel-humidity", "%"},         {WindDir, "wind_dir", nullptr},
    {WindSpdKmh, "wind_spd_kmh", "km/h"},  {WindSpdKts, "wind_spd", "knots"},
    {RainSince9am, "rainfall", "mm"},
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

void writeStation(QXmlStreamWriter& xml, const Region& region, const Station& station,
                  qint64 nowUtc)
{
    const qint64 observed = latestObservation(station, nowUtc);
    const Reading reading = readingAt(region, station, observed);
    const DayExtremes day = dayExtremes(region, station, observed);
    const qint64 midnight = localMidnight(region, observed);

    xml.writeStartElement(QStringLiteral("station"));
    xml.writeAttribute(QStringLiteral("wmo-id"), station.wmo);
    xml.writeAttribute(QStringLiteral("bom-id"), QStringLiteral("0") + station.wmo);
    xml.writeAttribute(QStringLiteral("tz"), region.zoneName);
    xml.writeAttribute(QStringLiteral("stn-name"), station.name.toUpper());
    xml.writeAttribute(QStringLiteral("type"), QStringLiteral("AWS"));
    xml.writeAttribute(QStringLiteral("description"), station.name);
    xml.writeStartElement(QStringLiteral("period"));
    xml.writeAttribute(QStringLiteral("index"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("time-utc"), utcIso(reading.utcSeconds));
    xml.writeAttribute(QStringLiteral("time-local"), localIso(region, reading.utcSeconds));
    xml.writeStartElement(QStringLiteral("level"));
    xml.writeAttribute(QStringLiteral("index"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("type"), QStringLiteral("surface"));
    const QList<std::pair<QString, QString>> sinceNine{
        {QStringLiteral("start-time-local"), localIso(region, midnight + 9 * 3600)},
        {QStringLiteral("end-time-local"), localIso(region, reading.utcSeconds)}};
    for (const Element& e : kElements)
        writeElement(xml, e.type, e.units, reading.values[e.quantity],
                     e.quantity == RainSince9am ? sinceNine : QList<std::pair<QString, QString>>{});
    writeElement(xml, "minimum_air_temperature", "Celsius", day.lowTemp.value,
                 {{QStringLiteral("start-time-local"), localIso(region, midnight)}});
    writeElement(xml, "maximum_air_temperature", "Celsius", day.highTemp.value,
                 {{QStringLiteral("start-time-local"), localIso(region, midnight + 9 * 3600)}});
    writeElement(xml, "maximum_gust_dir", nullptr, day.highGustDir);
    writeElement(xml, "maximum_gust_kmh", "km/h", day.highGustKmh.value);
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

} // namespace

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
    xml.writeTextElement(QStringLiteral("issue-time-utc"), utcIso(nowUtc));
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
