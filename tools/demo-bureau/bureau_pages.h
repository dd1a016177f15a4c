#pragma once

#include "tools/demo-bureau/station_data.h"

#include <QByteArray>
#include <QString>

namespace demo {

// The pages of the demo bureau, built as the bureau's pages are laid out today. Every page is a
// pure function of its arguments; `nowUtc` is seconds since the epoch.
//
// Observation and history pages keep every table cell on a line of its own, open each district
// table with class "tabledata", and end their tables before <div id="footer">, which the shipped
// layout file relies on.

// The regional "all stations" page: one <h2> heading and table per district, one row per station
// with its latest observation and the day's extremes.
QByteArray observationPage(const Region& region, qint64 nowUtc);

// Rows of a history page: 72 hours of half-hourly observations.
inline constexpr int kHistoryRows = 72 * 2;

// A station's history page: table "t1", newest first, the newest on the last full half hour.
QByteArray historyPage(const Region& region, const Station& station, qint64 nowUtc);

// The update server's version file: "exe=" and "ini=" lines.
QByteArray versionFile(const QString& exeVersion, const QString& iniVersion);

// A small page that says which of the bureau's pages it stands in for.
QByteArray placeholderPage(const QString& title);

} // namespace demo
