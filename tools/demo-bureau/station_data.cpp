#include "tools/demo-bureau/station_data.h"

#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace demo {
namespace {

using std::numbers::pi;

// name, station number, district, mean °C, seasonal, daily, dew spread, wind km/h, barometer, gauge
Station st(const char* name, const char* wmo, int district, double mean, double seasonal,
           double daily, double dewSpread, double wind, bool baro = true, bool gauge = true)
{
    return {QString::fromUtf8(name),
            QString::fromLatin1(wmo),
            district,
            mean,
            seasonal,
            daily,
            dewSpread,
            wind,
            baro,
            gauge};
}

Station manual(Station s, int lateDays)
{
    s.manual = true;
    s.lateDays = lateDays;
    return s;
}

QList<Region> makeRegions()
{
    const auto districts = [](std::initializer_list<std::pair<const char*, const char*>> list) {
        QList<District> out;
        for (const auto& [id, name] : list)
            out.append({QString::fromLatin1(id), QString::fromUtf8(name)});
        return out;
    };
    QList<Region> regions;
    regions.append({QStringLiteral("nsw"),
                    QStringLiteral("New South Wales & Australian Capital Territory"),
                    u'N',
                    600,
                    QStringLiteral("EST"),
                    districts({{"NR", "Northern Rivers"},
                               {"MNC", "Mid North Coast"},
                               {"HU", "Hunter"},
                               {"SM", "Sydney Metropolitan"},
                               {"ACT", "Australian Capital Territory"},
                               {"RI", "Riverina"},
                               {"UW", "Upper Western"},
                               {"SC", "South Coast"}}),
                    {st("Ballina Airport", "94596", 0, 19.5, 3.5, 4.0, 5.0, 16),
                     st("Coffs Harbour Airport", "94791", 1, 19.0, 3.5, 4.5, 5.5, 15),
                     st("Williamtown", "94776", 2, 18.0, 4.5, 5.0, 6.0, 17),
                     st("Newcastle Nobbys", "94774", 2, 18.5, 4.0, 2.5, 5.0, 22),
                     st("Sydney (Observatory Hill)", "94768", 3, 18.3, 4.3, 3.8, 7.0, 13),
                     st("Sydney Airport", "94767", 3, 18.4, 4.5, 4.2, 7.0, 20),
                     st("Penrith Lakes", "94763", 3, 18.0, 5.5, 6.5, 8.0, 10, false),
                     st("Canberra Airport", "94926", 4, 13.2, 7.0, 7.5, 7.5, 13),
                     st("Tuggeranong (Isabella Plains)", "94925", 4, 12.5, 7.0, 8.0, 7.0, 9, false),
                     st("Wagga Wagga", "94910", 5, 16.0, 7.5, 7.5, 9.0, 12),
                     st("Cobar", "94711", 6, 19.5, 8.0, 7.5, 12.0, 14),
                     st("Cobar Airport", "94710", 6, 19.3, 8.0, 8.0, 12.0, 15),
                     manual(st("Moruya Heads", "94937", 7, 16.5, 3.5, 3.5, 6.0, 14), 0),
                     manual(st("Batemans Bay", "94941", 7, 16.8, 4.0, 4.0, 6.0, 9, false), 2)}});
    regions.append({QStringLiteral("vic"),
                    QStringLiteral("Victoria"),
                    u'V',
                    600,
                    QStringLiteral("EST"),
                    districts({{"CEN", "Central"},
                               {"NC", "North Central"},
                               {"MAL", "Mallee"},
                               {"WSG", "West and South Gippsland"},
                               {"EG", "East Gippsland"},
                               {"NE", "North East"},
                               {"WIM", "Wimmera"}}),
                    {st("Melbourne (Olympic Park)", "95936", 0, 16.0, 4.5, 5.0, 7.0, 14),
                     st("Melbourne Airport", "94866", 0, 15.0, 5.0, 5.5, 7.5, 20),
                     st("Moorabbin Airport", "94870", 0, 15.5, 4.5, 5.0, 7.0, 16),
                     st("Bendigo Airport", "94855", 1, 14.8, 6.5, 7.0, 8.5, 12),
                     st("Mildura Airport", "94693", 2, 17.2, 7.5, 7.5, 11.0, 14),
                     st("Wilsons Promontory", "94893", 3, 14.0, 3.5, 2.5, 3.5, 30),
                     st("Orbost", "94907", 4, 14.5, 5.0, 6.5, 5.5, 9, false),
                     st("Falls Creek", "94903", 5, 6.5, 6.5, 4.0, 3.0, 18, false),
                     st("Horsham", "95839", 6, 15.0, 6.5, 7.5, 9.0, 13),
                     manual(st("Gabo Island", "94933", 4, 15.5, 3.0, 2.5, 4.0, 22), 2)}});
    regions.append({QStringLiteral("qld"),
                    QStringLiteral("Queensland"),
                    u'Q',
                    600,
                    QStringLiteral("EST"),
                    districts({{"SE", "Southeast Coast"},
                               {"DD", "Darling Downs and Granite Belt"},
                               {"CAP", "Capricornia"},
                               {"HLB", "Herbert and Lower Burdekin"},
                               {"NTC", "North Tropical Coast and Tablelands"},
                               {"NW", "North West"},
                               {"CW", "Central West"}}),
                    {st("Brisbane", "94576", 0, 21.0, 4.0, 4.5, 6.5, 13),
                     st("Brisbane Airport", "94578", 0, 20.5, 4.0, 5.0, 6.0, 18),
                     st("Gold Coast Seaway", "94580", 0, 21.5, 3.5, 2.5, 5.0, 20),
                     st("Sunshine Coast Airport", "94569", 0, 20.8, 3.5, 5.0, 5.5, 15),
                     st("Oakey", "94552", 1, 17.5, 6.0, 7.5, 9.0, 13),
                     st("Applethorpe", "94553", 1, 14.5, 5.5, 7.0, 7.0, 11, false),
                     st("Rockhampton", "94374", 2, 23.0, 4.0, 6.0, 7.0, 14),
                     st("Townsville", "94294", 3, 25.0, 3.0, 4.0, 7.0, 18),
                     st("Cairns", "94287", 4, 25.5, 2.5, 3.5, 5.0, 15),
                     st("Mount Isa", "94332", 5, 25.5, 6.0, 7.0, 14.0, 14),
                     st("Longreach", "94346", 6, 24.5, 6.5, 8.0, 13.0, 13)}});
    regions.append({QStringLiteral("wa"),
                    QStringLiteral("Western Australia"),
                    u'W',
                    480,
                    QStringLiteral("WST"),
                    districts({{"MET", "Metropolitan"},
                               {"SW", "South West"},
                               {"GS", "Great Southern"},
                               {"GF", "Goldfields"},
                               {"CWC", "Central West"},
                               {"PIL", "Pilbara"},
                               {"KIM", "Kimberley"}}),
                    {st("Perth", "94608", 0, 19.0, 5.0, 5.5, 8.0, 14),
                     st("Perth Airport", "94610", 0, 18.8, 5.5, 6.5, 8.5, 18),
                     st("Rottnest Island", "94602", 0, 18.5, 3.5, 2.5, 6.0, 28),
                     st("Busselton Airport", "94617", 1, 16.5, 4.0, 6.0, 6.5, 14),
                     st("Albany Airport", "94802", 2, 15.0, 3.5, 5.0, 5.5, 17),
                     st("Kalgoorlie-Boulder", "94637", 3, 18.5, 7.0, 7.5, 11.0, 14),
                     st("Geraldton Airport", "94403", 4, 20.0, 4.5, 6.5, 9.0, 22),
                     st("Port Hedland", "94312", 5, 26.5, 4.5, 6.0, 10.0, 17),
                     st("Karratha", "94300", 5, 27.0, 4.5, 5.0, 10.0, 18),
                     st("Broome", "94203", 6, 27.0, 3.5, 5.5, 9.0, 14)}});
    regions.append({QStringLiteral("sa"),
                    QStringLiteral("South Australia"),
                    u'S',
                    570,
                    QStringLiteral("CST"),
                    districts({{"AM", "Adelaide Metropolitan"},
                               {"MLR", "Mount Lofty Ranges"},
                               {"LSE", "Lower South East"},
                               {"WC", "West Coast"},
                               {"NEP", "North East Pastoral"},
                               {"RL", "Riverland"}}),
                    {st("Adelaide (West Terrace)", "94648", 0, 17.5, 5.5, 5.0, 8.5, 13),
                     st("Adelaide Airport", "94672", 0, 17.0, 5.0, 5.5, 8.0, 19),
                     st("Parafield Airport", "95676", 0, 17.0, 5.5, 6.5, 8.5, 15),
                     st("Mount Lofty", "94678", 1, 11.5, 5.0, 3.5, 3.0, 24, false),
                     st("Mount Gambier", "94821", 2, 14.0, 4.0, 6.0, 6.0, 18),
                     st("Ceduna", "94653", 3, 17.0, 5.0, 7.0, 8.5, 17),
                     st("Woomera", "94659", 4, 19.5, 7.5, 7.0, 12.0, 16),
                     st("Renmark", "95687", 5, 17.5, 7.0, 8.0, 10.0, 13, false)}});
    regions.append({QStringLiteral("tas"),
                    QStringLiteral("Tasmania"),
                    u'T',
                    600,
                    QStringLiteral("EST"),
                    districts({{"SE", "South East"},
                               {"NE", "North East"},
                               {"NWC", "North West Coast"},
                               {"WES", "Western"},
                               {"CP", "Central Plateau"},
                               {"KI", "King Island"},
                               {"FUR", "Furneaux Islands"}}),
                    {st("Hobart (Ellerslie Road)", "94970", 0, 13.0, 3.8, 4.5, 6.0, 14),
                     st("Hobart Airport", "94975", 0, 12.8, 3.8, 5.0, 6.0, 18),
                     st("Launceston Airport", "94968", 1, 12.0, 4.5, 7.0, 6.0, 12),
                     st("Devonport", "94962", 2, 12.8, 3.5, 4.5, 5.0, 17),
                     st("Strahan", "94961", 3, 12.0, 3.0, 4.0, 4.0, 18),
                     st("Liawenee", "94966", 4, 6.5, 4.0, 5.5, 3.5, 13, false),
                     st("King Island Airport", "94852", 5, 13.5, 2.8, 3.0, 4.0, 26),
                     st("Flinders Island", "94967", 6, 14.0, 3.2, 4.0, 5.0, 24)}});
    regions.append({QStringLiteral("nt"),
                    QStringLiteral("Northern Territory"),
                    u'D',
                    570,
                    QStringLiteral("CST"),
                    districts({{"DD", "Darwin-Daly"},
                               {"GRE", "Gregory"},
                               {"ARN", "Arnhem"},
                               {"BAR", "Barkly"},
                               {"SIM", "Simpson"},
                               {"LAS", "Lasseter"}}),
                    {st("Darwin Airport", "94120", 0, 27.5, 1.8, 4.5, 6.0, 14),
                     st("Batchelor", "94133", 0, 27.0, 2.5, 6.5, 8.0, 10, false),
                     st("Tindal", "94131", 1, 27.0, 4.0, 7.0, 9.0, 11),
                     st("Gove Airport", "94150", 2, 26.8, 2.0, 4.0, 6.0, 18),
                     st("Tennant Creek", "94238", 3, 26.0, 5.5, 7.0, 14.0, 18),
                     st("Alice Springs", "94326", 4, 21.0, 7.5, 8.5, 14.0, 12),
                     st("Yulara", "94462", 5, 22.0, 8.0, 8.5, 15.0, 13)}});
    regions.append(
        {QStringLiteral("ant"),
         QStringLiteral("Antarctica"),
         u'T',
         480,
         QStringLiteral("AWST"),
         districts({{"AAT", "Australian Antarctic Territory"}, {"SUB", "Sub-Antarctic Islands"}}),
         {st("Casey", "89611", 0, -9.0, 8.0, 2.0, 5.0, 20, true, false),
          st("Davis", "89571", 0, -10.0, 9.0, 2.0, 6.0, 18, true, false),
          st("Mawson", "89564", 0, -11.0, 7.5, 1.5, 7.0, 38, true, false),
          st("Wilkins Runway", "89613", 0, -16.0, 8.0, 3.0, 4.0, 20, false, false),
          st("Law Dome Summit", "89615", 0, -22.0, 7.5, 2.0, 4.0, 30, false, false),
          st("Macquarie Island", "94998", 1, 5.0, 1.8, 1.5, 1.5, 35)}});
    return regions;
}

// A fixed scramble of 64 bits (splitmix64), so every value is a pure function of its inputs.
quint64 mix(quint64 x)
{
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

quint64 seedOf(const Station& station)
{
    return mix(station.wmo.toULongLong());
}

// The big weather swings belong to the region, so that neighbouring stations agree.
quint64 seedOf(const Region& region)
{
    quint64 hash = 14695981039346656037ULL; // FNV-1a over the region's code
    for (const QChar c : region.code)
        hash = (hash ^ c.unicode()) * 1099511628211ULL;
    return mix(hash);
}

// Deterministic noise in [-1, 1] for one seed and one step.
double noise(quint64 seed, qint64 step)
{
    return static_cast<double>(mix(seed ^ mix(static_cast<quint64>(step))) >> 11) /
               static_cast<double>(1ULL << 52) -
           1.0;
}

// A slow weather swing: a sine with a period of `hours` and a phase that belongs to the seed.
double swing(quint64 seed, qint64 utcSeconds, double hours)
{
    const double phase = static_cast<double>(seed % 6283) / 1000.0;
    return std::sin(2 * pi * static_cast<double>(utcSeconds) / (hours * 3600.0) + phase);
}

qint64 stepOf(qint64 utcSeconds)
{
    return utcSeconds >= 0 ? utcSeconds / kStepSeconds : (utcSeconds + 1) / kStepSeconds - 1;
}

double localHour(const QDateTime& wall)
{
    const QTime t = wall.time();
    return t.hour() + t.minute() / 60.0;
}

// Mean of the season: warmest in mid January, coldest in mid July.
double seasonalMean(const Station& s, const QDateTime& wall)
{
    return s.meanTemp + s.seasonal * std::cos(2 * pi * (wall.date().dayOfYear() - 15) / 365.25);
}

// Air temperature: season, time of day (warmest at 3 pm) and the passing weather.
double temperatureAt(const Region& region, const Station& s, qint64 utc)
{
    const QDateTime wall = regionTime(region, utc);
    const quint64 seed = seedOf(s);
    return seasonalMean(s, wall) + s.daily * std::sin(2 * pi * (localHour(wall) - 9) / 24) +
           2.5 * swing(seed, utc, 71) + 1.0 * swing(seed + 1, utc, 29) +
           0.3 * noise(seed, stepOf(utc));
}

// Dew point: follows the season and the weather, not the time of day.
double dewPointAt(const Region& region, const Station& s, qint64 utc)
{
    const QDateTime wall = regionTime(region, utc);
    const quint64 seed = seedOf(s);
    return seasonalMean(s, wall) - s.dewSpread + 2.0 * swing(seed + 2, utc, 53) +
           0.3 * noise(seed + 3, stepOf(utc));
}

struct Wind
{
    double kmh = 0; // 0 means calm
    double gustKmh = 0;
    double degrees = 0;
};

Wind windAt(const Region& region, const Station& s, qint64 utc)
{
    const double hour = localHour(regionTime(region, utc));
    const quint64 seed = seedOf(s);
    const qint64 step = stepOf(utc);
    Wind wind;
    const double speed = s.meanWind * (1 + 0.45 * std::sin(2 * pi * (hour - 9) / 24)) +
                         0.4 * s.meanWind * swing(seed + 4, utc, 31) + 3.0 * noise(seed + 5, step);
    if (speed < 2.5)
        return wind; // calm
    wind.kmh = speed;
    wind.gustKmh = speed * 1.35 + 3 + 3.0 * std::abs(noise(seed + 6, step));
    wind.degrees = static_cast<double>(seed % 360) + 110 * swing(seed + 7, utc, 41) +
                   35 * std::sin(2 * pi * (hour - 14) / 24) + 12 * noise(seed + 8, step);
    return wind;
}

double pressureMslAt(const Region& region, const Station& s, qint64 utc)
{
    const double hour = localHour(regionTime(region, utc));
    const quint64 regionSeed = seedOf(region);
    return 1014.0 + 8.0 * swing(regionSeed, utc, 97) + 3.0 * swing(regionSeed + 1, utc, 37) +
           1.0 * std::sin(4 * pi * (hour - 10) / 24) + 0.4 * swing(seedOf(s) + 9, utc, 13);
}

// Rain in the 10 minutes of one step: showers when the region's wet swing peaks.
double rainInStep(const Region& region, const Station& s, qint64 step)
{
    const qint64 utc = step * kStepSeconds;
    const quint64 regionSeed = seedOf(region) + 10;
    const quint64 seed = seedOf(s);
    const double wet = swing(regionSeed, utc, 83) + 0.5 * swing(seed + 11, utc, 17);
    if (wet < 1.0)
        return 0;
    return 0.2 * static_cast<double>(1 + mix(seed ^ static_cast<quint64>(step)) % 3);
}

double rainSince9amAt(const Region& region, const Station& s, qint64 utc)
{
    const QDateTime wall = regionTime(region, utc);
    const qint64 step = stepOf(utc);
    // Steps after 9:00 local time today, or after 9:00 yesterday before 9 in the morning.
    qint64 minutesSince9 = wall.time().hour() * 60 + wall.time().minute() - 9 * 60;
    if (minutesSince9 < 0)
        minutesSince9 += 24 * 60;
    const qint64 steps = minutesSince9 * 60 / kStepSeconds;
    double total = 0;
    for (qint64 k = step - steps + 1; k <= step; ++k)
        total += rainInStep(region, s, k);
    return total;
}

// Saturation vapour pressure over water, hPa (Magnus form).
double vapourPressure(double celsius)
{
    return 6.112 * std::exp(17.62 * celsius / (243.12 + celsius));
}

// Wet-bulb temperature from air temperature and relative humidity (Stull's fit).
double wetBulb(double t, double rh)
{
    return t * std::atan(0.151977 * std::sqrt(rh + 8.313659)) + std::atan(t + rh) -
           std::atan(rh - 1.676331) + 0.00391838 * std::pow(rh, 1.5) * std::atan(0.023101 * rh) -
           4.686035;
}

QString compassPoint(double degrees)
{
    static const char* const points[] = {"N", "NNE", "NE", "ENE", "E", "ESE", "SE", "SSE",
                                         "S", "SSW", "SW", "WSW", "W", "WNW", "NW", "NNW"};
    const double d = std::fmod(std::fmod(degrees, 360.0) + 360.0, 360.0);
    return QString::fromLatin1(points[static_cast<int>(std::lround(d / 22.5)) % 16]);
}

QString decimal(double value)
{
    return QString::number(value, 'f', 1);
}

QString whole(double value)
{
    return QString::number(std::lround(value));
}

} // namespace

const QList<Region>& builtInRegions()
{
    static const QList<Region> regions = makeRegions();
    return regions;
}

const Region* findRegion(QStringView code)
{
    for (const Region& region : builtInRegions()) {
        if (region.code.compare(code, Qt::CaseInsensitive) == 0)
            return &region;
    }
    return nullptr;
}

QString historyPath(const Region& region, const Station& station)
{
    const QString product = QStringLiteral("ID") + region.productLetter + QStringLiteral("60801");
    return QStringLiteral("/products/%1/%1.%2.shtml").arg(product, station.wmo);
}

QDateTime regionTime(const Region& region, qint64 utcSeconds)
{
    return QDateTime::fromSecsSinceEpoch(utcSeconds + region.utcOffsetMinutes * 60LL,
                                         QTimeZone::utc());
}

QString bureauTime(const QDateTime& wall)
{
    const QTime t = wall.time();
    const int hour12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    return QStringLiteral("%1:%2%3")
        .arg(hour12, 2, 10, QLatin1Char('0'))
        .arg(t.minute(), 2, 10, QLatin1Char('0'))
        .arg(t.hour() < 12 ? QStringLiteral("am") : QStringLiteral("pm"));
}

QString bureauDateTime(const QDateTime& wall)
{
    return QStringLiteral("%1/").arg(wall.date().day(), 2, 10, QLatin1Char('0')) + bureauTime(wall);
}

qint64 latestObservation(const Region& region, const Station& station, qint64 nowUtcSeconds)
{
    if (station.manual) {
        const qint64 sinceNine =
            (regionTime(region, nowUtcSeconds).time().msecsSinceStartOfDay() / 1000 - 9 * 3600 +
             86400) %
            86400;
        return nowUtcSeconds - sinceNine - station.lateDays * 86400LL;
    }
    const qint64 period = seedOf(station) % 4 == 0 ? 3 * kStepSeconds : kStepSeconds;
    return nowUtcSeconds - (nowUtcSeconds % period + period) % period;
}

DayExtremes dayExtremes(const Region& region, const Station& s, qint64 utcSeconds)
{
    const qint64 end = stepOf(utcSeconds) * kStepSeconds;
    const QDateTime wall = regionTime(region, end);
    const qint64 sinceMidnight = wall.time().msecsSinceStartOfDay() / 1000;
    const qint64 nineAm = end - sinceMidnight + 9 * 3600;

    DayExtremes day;
    double low = 0;
    double high = 0;
    double gust = 0;
    double gustDegrees = 0;
    qint64 lowAt = -1;
    qint64 highAt = -1;
    qint64 gustAt = -1;
    for (qint64 t = end - sinceMidnight; t <= end; t += kStepSeconds) {
        const double temp = temperatureAt(region, s, t);
        if (lowAt < 0 || temp < low) {
            low = temp;
            lowAt = t;
        }
        if (t >= nineAm && (highAt < 0 || temp > high)) {
            high = temp;
            highAt = t;
        }
        const Wind wind = windAt(region, s, t);
        if (wind.gustKmh > gust) {
            gust = wind.gustKmh;
            gustDegrees = wind.degrees;
            gustAt = t;
        }
    }
    const auto at = [&](qint64 t) { return bureauTime(regionTime(region, t)); };
    const QString none = QStringLiteral("-");
    day.lowTemp = {decimal(low), at(lowAt)};
    day.highTemp = highAt < 0 ? Extreme{none, {}} : Extreme{decimal(high), at(highAt)};
    day.highGustDir = gustAt < 0 ? none : compassPoint(gustDegrees);
    day.highGustKmh = gustAt < 0 ? Extreme{none, {}} : Extreme{whole(gust), at(gustAt)};
    day.highGustKts = gustAt < 0 ? Extreme{none, {}} : Extreme{whole(gust / 1.852), at(gustAt)};
    return day;
}

Reading readingAt(const Region& region, const Station& s, qint64 utcSeconds)
{
    Reading r;
    const qint64 step = stepOf(utcSeconds);
    r.utcSeconds = step * kStepSeconds;
    r.dateTime = bureauDateTime(regionTime(region, r.utcSeconds));

    const double temp = temperatureAt(region, s, r.utcSeconds);
    const double dew = std::min(dewPointAt(region, s, r.utcSeconds), temp);
    const double rh = std::clamp(100.0 * vapourPressure(dew) / vapourPressure(temp), 1.0, 100.0);
    const Wind wind = windAt(region, s, r.utcSeconds);
    // The bureau's apparent temperature: air temperature, vapour pressure and wind in m/s.
    const double apparent =
        temp + 0.33 * (rh / 100.0 * vapourPressure(temp)) - 0.70 * (wind.kmh / 3.6) - 4.0;
    const double msl = pressureMslAt(region, s, r.utcSeconds);
    const quint64 seed = seedOf(s);

    auto& v = r.values;
    v[Temp] = decimal(temp);
    v[AppTemp] = decimal(apparent);
    v[DewPoint] = decimal(dew);
    v[RelHum] = whole(rh);
    v[DeltaT] = decimal(std::max(0.0, temp - wetBulb(temp, rh)));
    if (wind.kmh == 0) {
        v[WindDir] = QStringLiteral("CALM");
        v[WindSpdKmh] = v[WindSpdKts] = QStringLiteral("0");
        v[WindGustKmh] = v[WindGustKts] = QStringLiteral("-");
    } else {
        v[WindDir] = compassPoint(wind.degrees);
        v[WindSpdKmh] = whole(wind.kmh);
        v[WindGustKmh] = whole(wind.gustKmh);
        v[WindSpdKts] = whole(wind.kmh / 1.852);
        v[WindGustKts] = whole(wind.gustKmh / 1.852);
    }
    v[PressQnh] = decimal(msl + static_cast<double>(seed % 7) / 10.0 - 0.3);
    v[PressMsl] = decimal(msl);
    v[RainSince9am] = decimal(rainSince9amAt(region, s, r.utcSeconds));

    if (s.manual) {
        v[WindGustKmh] = v[WindGustKts] = QStringLiteral("-");
        // The observer reads the gauge at 9 am: the rain of the 24 hours before.
        double day = 0;
        for (qint64 k = step - 86400 / kStepSeconds + 1; k <= step; ++k)
            day += rainInStep(region, s, k);
        v[RainSince9am] = decimal(day);
    }
    if (!s.hasBarometer)
        v[PressQnh] = v[PressMsl] = QStringLiteral("-");
    if (!s.hasRainGauge)
        v[RainSince9am] = QStringLiteral("-");
    // Now and then a sensor misses a reading.
    for (int q = 0; q < QuantityCount; ++q) {
        if (mix(seed ^ mix(static_cast<quint64>(step * QuantityCount + q))) % 97 == 0)
            v[q] = QStringLiteral("-");
    }
    return r;
}

} // namespace demo
