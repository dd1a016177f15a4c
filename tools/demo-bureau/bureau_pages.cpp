#include "tools/demo-bureau/bureau_pages.h"

#include <QLocale>

namespace demo {
namespace {

struct Column
{
    const char* id;
    const char* heading;
};

// Current values of the regional table, after the station cell.
constexpr Column kObservationColumns[] = {
    {"datetime", "Date/Time"},
    {"tmp", "Temp<br>&deg;C"},
    {"apptmp", "App Temp<br>&deg;C"},
    {"dewpoint", "Dew Point<br>&deg;C"},
    {"relhum", "Rel Hum<br>%"},
    {"delta-t", "Delta-T<br>&deg;C"},
    {"wind-dir", "Wind<br>Dir"},
    {"wind-spd-kmh", "Wind Spd<br>km/h"},
    {"wind-gust-kmh", "Wind Gust<br>km/h"},
    {"wind-spd-kts", "Wind Spd<br>kts"},
    {"wind-gust-kts", "Wind Gust<br>kts"},
    {"press", "Press<br>hPa"},
    {"rainsince9am", "Rain since 9am<br>mm"},
    {"lowtmp", "Low Temp<br>&deg;C"},
    {"hightmp", "High Temp<br>&deg;C"},
    {"highwind-dir", "Highest Wind Gust<br>Dir"},
    {"highwind-gust-kmh", "Highest Wind Gust<br>km/h"},
    {"highwind-gust-kts", "Highest Wind Gust<br>kts"},
};

// The regional table shows one pressure, the mean-sea-level one.
constexpr Quantity kObservationQuantities[] = {Temp,       AppTemp,     DewPoint,   RelHum,
                                               DeltaT,     WindDir,     WindSpdKmh, WindGustKmh,
                                               WindSpdKts, WindGustKts, PressMsl,   RainSince9am};

constexpr Column kHistoryColumns[] = {
    {"datetime", "Date/Time"},
    {"tmp", "Temp<br>&deg;C"},
    {"apptmp", "App Temp<br>&deg;C"},
    {"dewpoint", "Dew Point<br>&deg;C"},
    {"relhum", "Rel Hum<br>%"},
    {"delta-t", "Delta-T<br>&deg;C"},
    {"wind-dir", "Wind<br>Dir"},
    {"wind-spd-kmh", "Wind Spd<br>km/h"},
    {"wind-gust-kmh", "Wind Gust<br>km/h"},
    {"wind-spd-kts", "Wind Spd<br>kts"},
    {"wind-gust-kts", "Wind Gust<br>kts"},
    {"press-qnh", "Press QNH<br>hPa"},
    {"press-msl", "Press MSL<br>hPa"},
    {"rainsince9am", "Rain since 9am<br>mm"},
};
static_assert(std::size(kHistoryColumns) == QuantityCount + 1);

QString slugOf(const QString& name)
{
    QString slug;
    for (const QChar c : name.toLower()) {
        if (c.isLetterOrNumber())
            slug += c;
        else if (!slug.isEmpty() && !slug.endsWith(QLatin1Char('-')))
            slug += QLatin1Char('-');
    }
    while (slug.endsWith(QLatin1Char('-')))
        slug.chop(1);
    return slug;
}

QString pageHead(const QString& title)
{
    return QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                          "<title>%1</title>\n</head>\n<body>\n<div id=\"container\">\n"
                          "<div id=\"content\">\n<h1>%1</h1>\n")
        .arg(title.toHtmlEscaped());
}

QString pageFoot()
{
    return QStringLiteral("</div>\n</div>\n<div id=\"footer\">\n"
                          "<p>Demo bureau: generated observations, not real weather.</p>\n"
                          "</div>\n</body>\n</html>\n");
}

QString issuedLine(const Region& region, qint64 nowUtc)
{
    const QDateTime wall = regionTime(region, nowUtc);
    const QLocale english(QLocale::English, QLocale::Australia);
    return QStringLiteral("<p class=\"date\">Issued at %1 %2 %3</p>\n")
        .arg(english.toString(wall.time(), QStringLiteral("h:mm ap")), region.zoneName,
             english.toString(wall.date(), QStringLiteral("dddd d MMMM yyyy")));
}

QString headingRow(const QString& tableId, const Column* columns, std::size_t count,
                   const QString& zone, bool stationColumn)
{
    QString html = QStringLiteral("<thead>\n<tr class=\"rowleftcolumn\">\n");
    if (stationColumn)
        html += QStringLiteral("<th id=\"%1-station\" class=\"rowleftcolumn\">Station</th>\n")
                    .arg(tableId);
    for (std::size_t i = 0; i < count; ++i) {
        QString heading = QString::fromLatin1(columns[i].heading);
        if (i == 0)
            heading += QStringLiteral("<br>") + zone;
        html += QStringLiteral("<th id=\"%1-%2\">%3</th>\n")
                    .arg(tableId, QLatin1String(columns[i].id), heading);
    }
    return html + QStringLiteral("</tr>\n</thead>\n");
}

QString withTime(const Extreme& e)
{
    return e.time.isEmpty()
               ? e.value
               : e.value + QStringLiteral("<br><small>") + e.time + QStringLiteral("</small>");
}

QString stationRow(const Region& region, const QString& tableId, const Station& station,
                   qint64 nowUtc)
{
    const QString slug = tableId + QStringLiteral("-station-") + slugOf(station.name);
    QString html =
        QStringLiteral("<tr class=\"rowleftcolumn\">\n"
                       "<th id=\"%1\" headers=\"%2-station\" class=\"rowleftcolumn\">"
                       "<a href=\"%3\">%4</a></th>\n")
            .arg(slug, tableId, historyPath(region, station), station.name.toHtmlEscaped());
    const qint64 observed = latestObservation(region, station, nowUtc);
    const Reading reading = readingAt(region, station, observed);
    const DayExtremes day = dayExtremes(region, station, observed);

    QStringList cells{reading.dateTime};
    for (const Quantity q : kObservationQuantities)
        cells.append(reading.values[q]);
    cells << withTime(day.lowTemp) << withTime(day.highTemp) << day.highGustDir
          << withTime(day.highGustKmh) << withTime(day.highGustKts);

    for (qsizetype i = 0; i < cells.size(); ++i) {
        html += QStringLiteral("<td headers=\"%1-%2 %3\">%4</td>\n")
                    .arg(tableId, QLatin1String(kObservationColumns[i].id), slug, cells.at(i));
    }
    return html + QStringLiteral("</tr>\n");
}

} // namespace

QByteArray observationPage(const Region& region, qint64 nowUtc)
{
    QString html = pageHead(QStringLiteral("Latest Weather Observations for ") + region.title);
    html += issuedLine(region, nowUtc);
    for (qsizetype d = 0; d < region.districts.size(); ++d) {
        const District& district = region.districts.at(d);
        const QString tableId = QLatin1Char('t') + district.id;
        html += QStringLiteral("<h2 id=\"%1\">%2</h2>\n<table id=\"%3\" class=\"tabledata\">\n")
                    .arg(district.id, district.name.toHtmlEscaped(), tableId);
        html += headingRow(tableId, kObservationColumns, std::size(kObservationColumns),
                           region.zoneName, true);
        html += QStringLiteral("<tbody>\n");
        for (const Station& station : region.stations) {
            if (station.district == d)
                html += stationRow(region, tableId, station, nowUtc);
        }
        html += QStringLiteral("</tbody>\n</table>\n");
    }
    return (html + pageFoot()).toUtf8();
}

QByteArray historyPage(const Region& region, const Station& station, qint64 nowUtc)
{
    constexpr qint64 halfHour = 1800;
    const qint64 newest = nowUtc - (nowUtc % halfHour + halfHour) % halfHour;
    QString html = pageHead(station.name + QStringLiteral(" - Latest Weather Observations"));
    html += issuedLine(region, nowUtc);
    html += QStringLiteral("<table id=\"t1\" class=\"tabledata\">\n");
    html += headingRow(QStringLiteral("t1"), kHistoryColumns, std::size(kHistoryColumns),
                       region.zoneName, false);
    html += QStringLiteral("<tbody>\n");
    for (int row = 0; row < kHistoryRows; ++row) {
        const Reading reading = readingAt(region, station, newest - row * halfHour);
        html += QStringLiteral("<tr>\n<td headers=\"t1-datetime\">%1</td>\n").arg(reading.dateTime);
        for (int q = 0; q < QuantityCount; ++q) {
            html += QStringLiteral("<td headers=\"t1-%1\">%2</td>\n")
                        .arg(QLatin1String(kHistoryColumns[q + 1].id), reading.values[q]);
        }
        html += QStringLiteral("</tr>\n");
    }
    html += QStringLiteral("</tbody>\n</table>\n");
    return (html + pageFoot()).toUtf8();
}

QByteArray versionFile(const QString& exeVersion, const QString& iniVersion)
{
    return QStringLiteral("exe=%1\r\nini=%2\r\n").arg(exeVersion, iniVersion).toUtf8();
}

QByteArray placeholderPage(const QString& title)
{
    return (pageHead(title) +
            QStringLiteral("<p>The demo bureau stands in for this page of the bureau.</p>\n") +
            pageFoot())
        .toUtf8();
}

} // namespace demo
