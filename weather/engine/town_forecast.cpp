#include "weather/engine/town_forecast.h"

#include "common/xml_guard.h"

#include <QStringBuilder>
#include <QXmlStreamReader>

#include <cmath>

namespace engine {
namespace {

// A precis is a short sentence; anything longer is cut so that a hostile product cannot make
// every tooltip and strip cell a page long.
constexpr qsizetype kMaxText = 160;

const QString kNotProduct = QStringLiteral("Town forecasts feed is not a forecast product.\r\n"
                                           "Connection OK but correct data page not retrieved.");
const QString kNoIssueTime = QStringLiteral("Town forecasts feed has no issue time.\r\n"
                                            "Connection OK but the product cannot be dated.");
const QString kNoTowns = QStringLiteral("Town forecasts feed lists no towns.\r\n"
                                        "Connection OK but the product holds no forecasts.");

QString notXml(const QXmlStreamReader& xml)
{
    return QStringLiteral("Town forecasts feed is not well-formed XML (%1 at line %2, "
                          "column %3).\r\nConnection OK but the product was damaged or cut short.")
        .arg(xml.errorString())
        .arg(xml.lineNumber())
        .arg(xml.columnNumber());
}

QString otherProduct(const QString& found, const QString& expected)
{
    return QStringLiteral("Town forecasts feed is product %1, not %2.\r\n"
                          "Check the forecast address (fc_town_url) in weather.ini.")
        .arg(found, expected);
}

// A whole number of the text ("25", "-2", "30%"); nothing for any other text or one far out of
// any weather's range.
std::optional<int> numberOf(QStringView text)
{
    text = text.trimmed();
    if (text.endsWith(u'%'))
        text.chop(1);
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || std::abs(value) > 1000)
        return std::nullopt;
    return int(std::lround(value));
}

QString textOf(QXmlStreamReader& xml)
{
    return xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed().left(kMaxText);
}

QDateTime isoTime(QStringView text)
{
    return QDateTime::fromString(text.trimmed().toString(), Qt::ISODate);
}

// Reads one <forecast-period> (the reader on its start).
ForecastPeriod readPeriod(QXmlStreamReader& xml)
{
    ForecastPeriod period;
    period.start = isoTime(xml.attributes().value(QLatin1String("start-time-local")));
    period.end = isoTime(xml.attributes().value(QLatin1String("end-time-local")));
    while (xml.readNextStartElement()) {
        const QString type = xml.attributes().value(QLatin1String("type")).toString();
        if (xml.name() == u"element") {
            const QString text = textOf(xml);
            if (type == u"forecast_icon_code") {
                const int code = numberOf(text).value_or(0);
                period.iconCode = knownIconCode(code) ? code : 0;
            } else if (type == u"air_temperature_minimum") {
                period.minimum = numberOf(text);
            } else if (type == u"air_temperature_maximum") {
                period.maximum = numberOf(text);
            } else if (type == u"precipitation_range") {
                period.rainRange = text;
            }
        } else if (xml.name() == u"text") {
            const QString text = textOf(xml);
            if (type == u"precis")
                period.precis = text;
            else if (type == u"probability_of_precipitation")
                period.rainChance = numberOf(text);
        } else {
            xml.skipCurrentElement();
        }
    }
    return period;
}

// Reads one <area> (the reader on its start) into the district or town lists.
void readArea(QXmlStreamReader& xml, TownForecasts& forecasts)
{
    const QXmlStreamAttributes attributes = xml.attributes();
    const QStringView type = attributes.value(QLatin1String("type"));
    const QString aac = attributes.value(QLatin1String("aac")).trimmed().toString();
    const QString name =
        attributes.value(QLatin1String("description")).trimmed().left(kMaxText).toString();
    if (type == u"public-district" && !aac.isEmpty()) {
        forecasts.districts.append({aac, name});
    } else if (type == u"location" && !aac.isEmpty() && !name.isEmpty()) {
        ForecastTown town{
            aac, name, attributes.value(QLatin1String("parent-aac")).trimmed().toString(), {}};
        while (xml.readNextStartElement()) {
            if (xml.name() == u"forecast-period")
                town.periods.append(readPeriod(xml));
            else
                xml.skipCurrentElement();
        }
        forecasts.towns.append(std::move(town));
        return;
    }
    xml.skipCurrentElement();
}

bool startsWithWords(const QString& station, const QString& town)
{
    if (town.isEmpty() || !station.startsWith(town, Qt::CaseInsensitive))
        return false;
    return station.size() == town.size() || !station.at(town.size()).isLetterOrNumber();
}

} // namespace

const ForecastTown* TownForecasts::town(QStringView aac) const
{
    for (const ForecastTown& t : towns) {
        if (t.aac == aac)
            return &t;
    }
    return nullptr;
}

bool knownIconCode(int code)
{
    return (code >= 1 && code <= 4) || code == 6 || (code >= 8 && code <= 19);
}

FeedResult<TownForecasts> readTownForecasts(const QByteArray& document,
                                            const QString& expectedProduct)
{
    FeedResult<TownForecasts> result;
    TownForecasts forecasts;
    QXmlStreamReader xml;
    common::setXmlDocument(xml, document);
    xml.setNamespaceProcessing(false);
    bool forecastSeen = false;
    QString issued;
    if (common::readXmlRoot(xml) && xml.name() == u"product") {
        while (xml.readNextStartElement()) {
            if (xml.name() == u"amoc") {
                while (xml.readNextStartElement()) {
                    if (xml.name() == u"identifier")
                        forecasts.identifier = textOf(xml);
                    else if (xml.name() == u"issue-time-utc")
                        issued = textOf(xml);
                    else
                        xml.skipCurrentElement();
                }
            } else if (xml.name() == u"forecast") {
                forecastSeen = true;
                while (xml.readNextStartElement()) {
                    if (xml.name() == u"area")
                        readArea(xml, forecasts);
                    else
                        xml.skipCurrentElement();
                }
            } else {
                xml.skipCurrentElement();
            }
        }
    }
    // The rest is read too, so a document cut short or with trailing garbage is not taken.
    while (!xml.atEnd())
        xml.readNext();
    forecasts.issued = isoTime(issued).toUTC();

    if (xml.hasError())
        result.error = notXml(xml);
    else if (!forecastSeen)
        result.error = kNotProduct;
    else if (!forecasts.identifier.isEmpty() && !expectedProduct.isEmpty() &&
             forecasts.identifier != expectedProduct)
        result.error = otherProduct(forecasts.identifier, expectedProduct);
    else if (!forecasts.issued.isValid())
        result.error = kNoIssueTime;
    else if (forecasts.towns.isEmpty())
        result.error = kNoTowns;
    else
        result.rows = std::move(forecasts);
    return result;
}

QString defaultTownOf(const TownForecasts& forecasts, const QString& district,
                      const QString& station)
{
    const ForecastTown* first = nullptr;
    const ForecastTown* named = nullptr;
    for (const ForecastTown& town : forecasts.towns) {
        if (town.district != district || district.isEmpty())
            continue;
        if (!first)
            first = &town;
        if (startsWithWords(station.trimmed(), town.name) &&
            (!named || town.name.size() > named->name.size()))
            named = &town;
    }
    const ForecastTown* chosen = named ? named : first;
    return chosen ? chosen->aac : QString();
}

bool forecastOutOfDate(const QDateTime& issued, const QDateTime& now)
{
    return !issued.isValid() || issued.secsTo(now) > kForecastOutOfDateSecs;
}

QList<ForecastPeriod> periodsAhead(const ForecastTown& town, const QDateTime& now)
{
    QList<ForecastPeriod> ahead;
    for (const ForecastPeriod& period : town.periods) {
        // A period without a readable start cannot be placed in time; one without a readable
        // end is kept: nothing says it is over.
        if (period.start.isValid() && (!period.end.isValid() || period.end > now))
            ahead.append(period);
    }
    return ahead;
}

QString shortDayName(const QDate& date)
{
    static const char* const names[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    return date.isValid() ? QLatin1String(names[date.dayOfWeek() - 1]) : QString();
}

QString iconName(int code)
{
    static const char* const names[] = {"",
                                        "Sunny",
                                        "Clear",
                                        "Partly cloudy",
                                        "Cloudy",
                                        "",
                                        "Hazy",
                                        "",
                                        "Light rain",
                                        "Windy",
                                        "Fog",
                                        "Shower",
                                        "Rain",
                                        "Dusty",
                                        "Frost",
                                        "Snow",
                                        "Storm",
                                        "Light shower",
                                        "Heavy shower",
                                        "Tropical cyclone"};
    return knownIconCode(code) ? QLatin1String(names[code]) : QString();
}

QString temperatureText(const ForecastPeriod& period)
{
    const QString unit = QStringLiteral(" \u00B0C");
    if (period.minimum && period.maximum)
        return QString::number(*period.minimum) % u'\u2013' % QString::number(*period.maximum) %
               unit;
    if (period.maximum)
        return QStringLiteral("max ") % QString::number(*period.maximum) % unit;
    if (period.minimum)
        return QStringLiteral("min ") % QString::number(*period.minimum) % unit;
    return QString();
}

QString periodLine(const ForecastPeriod& period)
{
    const QDate day = period.start.date();
    QString line = shortDayName(day) % u' ' % day.toString(QStringLiteral("dd/MM")) % u':';
    QStringList parts;
    if (const QString temps = temperatureText(period); !temps.isEmpty())
        parts.append(temps);
    if (const QString precis = period.precis.isEmpty() ? iconName(period.iconCode) : period.precis;
        !precis.isEmpty())
        parts.append(precis);
    QString sentence = parts.join(QStringLiteral(", "));
    if (!sentence.isEmpty() && !sentence.endsWith(u'.'))
        sentence += u'.';
    QString rain;
    if (period.rainChance) {
        rain = QStringLiteral("Rain ") % QString::number(*period.rainChance) % QStringLiteral(" %");
        if (!period.rainRange.isEmpty())
            rain += QStringLiteral(" (") % period.rainRange % u')';
    } else if (!period.rainRange.isEmpty()) {
        rain = QStringLiteral("Rain ") % period.rainRange;
    }
    for (const QString& part : {sentence, rain}) {
        if (!part.isEmpty())
            line += u' ' % part;
    }
    return line;
}

QStringList glanceLines(const ForecastTown& town, const QDateTime& now)
{
    QStringList lines;
    for (const ForecastPeriod& period : periodsAhead(town, now)) {
        if (lines.size() == 2)
            break;
        const QDate day = period.start.date();
        const QDate today = period.start.isValid()
                                ? now.toOffsetFromUtc(period.start.offsetFromUtc()).date()
                                : QDate();
        QString label;
        if (day == today)
            label = period.start <= now ? QStringLiteral("Rest of today") : QStringLiteral("Today");
        else if (day == today.addDays(1))
            label = QStringLiteral("Tomorrow");
        else
            label = shortDayName(day) % u' ' % day.toString(QStringLiteral("dd/MM"));

        QStringList parts;
        if (const QString temps = temperatureText(period); !temps.isEmpty())
            parts.append(temps);
        QString precis = period.precis;
        if (precis.endsWith(u'.'))
            precis.chop(1);
        if (!precis.isEmpty()) {
            precis[0] = precis.at(0).toLower();
            parts.append(precis);
        }
        if (period.rainChance)
            parts.append(QString::number(*period.rainChance) % QStringLiteral(" %"));
        lines.append(label % QStringLiteral(": ") %
                     (parts.isEmpty() ? QStringLiteral("no details") : parts.join(u", ")));
    }
    return lines;
}

} // namespace engine
