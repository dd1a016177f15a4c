#pragma once

#include "weather/config/layout_file.h"
#include "weather/engine/alarm.h"
#include "weather/engine/observation_parser.h"

#include <QLocale>
#include <QString>
#include <QStringList>

namespace engine {

// Trend arrow images (elements 1 ... 4 of `picStatIconTemp`).
enum TrendArrow
{
    TrendFalling = 1,
    TrendSteady = 2,
    TrendRising = 3,
    TrendNone = 4
};

// Level icons (elements of `picSetPointIcon`).
enum LevelIcon
{
    LevelCold = 0,
    LevelMild = 1,
    LevelHot = 2,
    LevelNoStation = 3
};

// The shown station's stats.
struct StatTable
{
    QStringList headers; // every column's header in layout order; set at a region change
    QStringList values;  // one display text per column of the shown row
    QString obsTime;     // "hh:mm AM/PM"; "Mon 27/07 hh:mm AM/PM" when not of the day
    bool obsOld = false; // the feed's observation is over 2 hours older than its product
    int trendArrow = TrendNone;
    QString trendPrevious; // column 1's text at the previous pass; empty: no reference
    int levelIcon = LevelCold;
};

// The headers of all layout columns, in layout order (StatTable::headers after a region change).
QStringList headersOf(const config::StateLayout& layout);

// The settings and state one display pass reads besides the rows and the layout.
struct StatPassOptions
{
    QString station; // the station list's current entry
    bool stationChosen = false;
    QString savedStationName; // `station_name` of the settings: the not-found texts name it
    int iconLow = 0;
    int iconHigh = 0;
    bool showTrend = false;
    bool scanBusy = false;
    AlarmSettings alarm;
    QString bureauRoot;
    QLocale locale; // for the set point in alarm texts
};

// The texts of a pass whose station is not chosen. The caller publishes them: `tickerText` to
// the ticker and tray, `tickerTip` to the stats tooltip, `errorLogText` to the error log,
// `feedText` as the feed (not into `txtScr`), `bannerTip` as the banner's tooltip when the
// banner is on; then it repaints the ticker. `txtScr`, the standard tray icon and the alarm
// state stay as they are.
struct NotFoundTexts
{
    QString tickerText;
    QString tickerTip;
    QString errorLogText;
    QString feedText;
    QString bannerTip;
};
NotFoundTexts notFoundTexts(const QString& savedStationName);

// How a pass ended.
enum class StatPassOutcome
{
    NotChosen,  // no station chosen: `values` = ["Station not found"], level icon 3, arrow none;
                // disable the graph button and publish StatPassResult::notFound
    RowMissing, // no row holds the station: the table keeps the last values, nothing changed;
                // the caller publishes nothing and decides no alarm
    Shown,      // the table is filled: run the alarm decision, then publish
};

struct StatPassResult
{
    StatPassOutcome outcome = StatPassOutcome::RowMissing;
    // Shown only: the history page of the row; empty disables `cmdGraph` and `mnuGraph`.
    QString historyUrl;
    int rowIndex = -1;      // Shown only: the position of the station's row in the rows
    AlarmFindings alarm;    // cleared unless Shown
    NotFoundTexts notFound; // NotChosen only
};

// The first half of `showStats`: finds the chosen station's row (the first row, in block order,
// whose station name equals the station text, exact case; never one whose name only contains
// it) and fills `table`:
//  - values: one text per header. An empty cell and the bureau's "-", "&nbsp;" and "&nbsp"
//    read "N/F". Column 0 and the wind-direction column as they are; every other column
//    "<cell> <sign>", or the cell alone when the sign is empty or the cell is "N/F".
//  - obsTime from the last 7 characters of cell 0 (see obsTimeOf), after the row's `otherDay`
//    when it has one; obsOld from the row's `old`.
//  - levelIcon from column 1's number against iconLow / iconHigh.
//  - with showTrend, trendArrow from column 1 against trendPrevious, which then takes column 1's
//    text; without it both stay as they were.
// The alarm condition tests run on the same walk (they act only when options.scanBusy).
StatPassResult fillStatTable(StatTable& table, const RowTable& rows,
                             const config::StateLayout& layout, const StatPassOptions& options);

// The observation time shown for a column-0 cell: its last 7 characters, turned from "hh:mmam"
// or "hh:mmpm" (either letter case) into "hh:mm AM" / "hh:mm PM"; any other text unchanged.
QString obsTimeOf(QStringView cell);

// The cell as the stat table shows it: "N/F" for an empty cell, "-", "&nbsp;" and "&nbsp".
QString normalizedCell(QStringView cell);

// The level icon for column 1's number.
int levelIconFor(double value, int iconLow, int iconHigh);

// The trend of `current` against `previous`; TrendNone when `previous` is empty.
int trendArrowFor(QStringView current, QStringView previous);

} // namespace engine
