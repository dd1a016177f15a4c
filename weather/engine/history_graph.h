#pragma once

#include "weather/config/layout_file.h"
#include "weather/engine/forward_search.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QPointF>
#include <QPolygonF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <algorithm>
#include <optional>

namespace engine {

// The text a history cell holds when the page shows no value.
inline constexpr QStringView kNoValue = u"N/F";

// One kept reading of a station's history.
struct HistoryRow
{
    QString time;      // the time as the feed writes it: "06/03:30pm"
    QStringList cells; // cell k holds layout column k + 1; kNoValue where the feed has no value
    // When the reading was taken: the station's local time with its offset from UTC. Readings
    // are placed and drawn by it.
    QDateTime observed = {};
};

// The kept readings of a history (`historyTable`), newest first, one per observation time.
using HistoryTable = QList<HistoryRow>;

// The history page's cell reader (`readGraphCell`). It walks one text front to back; every
// search starts at the current position and the position only moves forward, so reading a
// whole page costs time linear in its length.
//
// A cell's value starts after the first ">" at or after the position (at the position when
// there is none) and ends at the first `cellEnd` after that (empty value when there is none);
// with an empty `cellEnd` it ends at the first CR LF, else LF, else the end of the text. A value
// that contains "&nbsp" reads as kNoValue; values are trimmed.
//
// Several cells may stand on one line: when `cellEnd` is set, a ">" lies ahead and no "!" lies
// anywhere ahead, the position moves to five characters after the start of the cell end (just
// past a five-character end tag such as "</td>"). Otherwise it moves to the next LF (the line
// break stays ahead), and when neither exists the text is used up.
class GraphCellReader
{
public:
    GraphCellReader(QStringView text, QStringView cellEnd);

    // Moves to the next row: the next occurrence of `marker` (exact case) after the previous
    // row's start. When a line break (LF or CR LF) directly follows the marker the row's cells
    // are read from that line break, else from the marker itself. False when there is no further
    // row or the marker is empty.
    bool nextRow(QStringView marker);

    QString readGraphCell();

private:
    QStringView text_;
    QStringView cellEnd_;
    qsizetype pos_ = 0;
    qsizetype rowFloor_ = 0; // the next row is looked for from here on at the least
    qsizetype lastTagEnd_;   // last ">" of the text, -1 none
    qsizetype lastBang_;     // last "!" of the text, -1 none
    CellEndSearch cellEndSearch_;
};

// The most readings a history keeps: three days at one a minute, with room to spare. A feed
// with more keeps its newest.
inline constexpr int kMaxHistoryRows = 5000;

// Collects a history's readings as a reader meets them and keeps them placed by time: newest
// first, one per observation time (of readings with the same time the first met stays), at most
// kMaxHistoryRows (the newest). A reading without a valid time or without any value is left
// out, so a feed of empty rows costs no memory. Off-cadence readings (the bureau's specials)
// are readings like any other.
class HistoryKeeper
{
public:
    void add(HistoryRow row);
    HistoryTable take();

private:
    void settle(); // sorts, drops repeated times and trims to kMaxHistoryRows
    HistoryTable table_;
};

// Whether a history cell holds a value (not empty, not kNoValue).
bool hasValue(QStringView cell);

// Readings of two histories (each newest first, as HistoryKeeper keeps them) as one: newest
// first, one per time, `preferred`'s reading where both have one.
HistoryTable mergeHistories(const HistoryTable& preferred, const HistoryTable& other);

// A value cell of a history as the graph keeps it: kNoValue for an empty cell and the bureau's
// "-", else the cell.
QString historyValue(QString cell);

// Reads a history page into the kept readings. nullopt when the page lacks the start marker
// (`historyBlockStart`, or `blockStart` when that is empty; exact case).
//
// The block runs from one character after the start marker to one character after the first
// `blockEnd` behind it, or to the end of the page. Rows start at `historyRowMarker`; each gives
// its time cell and cells 0 … `graphCount`, where a position named by a non-zero entry of
// `historySkipCells` first reads one cell and drops it. Value cells that are empty, "-" or a
// non-breaking space become kNoValue. Rows are kept as HistoryKeeper keeps them. The page writes
// only the day of the month ("06/03:30pm"): the reading's date is the latest on or before
// `today` with that day (see historyDate()), in the computer's time zone.
std::optional<HistoryTable> readHistoryPage(QStringView page, const config::StateLayout& layout,
                                            int graphCount, QDate today);

// The date of a day of the month seen on `today`: this month's when the day is not later than
// today's, else the previous month's (December of the previous year in January; further back
// when that month lacks the day). Invalid for a day outside 1 … 31.
QDate historyDate(int day, QDate today);

// A feed's short time ("06/03:30pm", "29/11:50am") on the computer's clock: the date from
// historyDate(); invalid for a text of another shape.
QDateTime historyTimeOf(QStringView time, QDate today);

// Positions of the graph window's span list: the last 12 … 72 hours of a history, and the
// record's longer spans.
enum GraphSpan
{
    Hours12 = 0,
    Hours24 = 1,
    Hours48 = 2,
    Hours72 = 3,
    Days7 = 4,
    Days30 = 5,
    Year1 = 6
};
inline constexpr int kSpanCount = 7;

// A span longer than 30 days is drawn from the lowest and highest reading of each of this many
// equal parts of it (more than a screen's width of pixels).
inline constexpr int kGraphParts = 2000;

// The length of a span in seconds.
qint64 spanSeconds(int span);
// The entry of the span list: "12 Hrs", "24 hrs", "48 Hrs", "72 Hrs", "7 Days", "30 Days",
// "1 Year".
QString spanListText(int span);
// The graph window's caption for a span: "12 Hour Graph" … "3 Day (72hr) Graph", "7 Day Graph",
// "30 Day Graph", "1 Year Graph".
QString spanCaption(int span);

// Maximum and minimum of one cell over entries `lastEntry` … 0, at four decimal places, with the
// entries where they occur (the first met when scanning from the oldest entry).
struct MinMax
{
    bool found = false; // at least one value; max = min for a constant series
    double max = 0;
    double min = 0;
    int maxEntry = -1;
    int minEntry = -1;
};

MinMax findMinMax(const HistoryTable& table, int cell, int lastEntry);

// What the graph shows of one layout column (the item data of the chosen stat).
struct GraphStat
{
    int cell = -1;          // history cell of the column
    QString sign;           // the column's unit sign
    bool windSpeed = false; // the sign names a wind speed ("kt" or "km/h"): directions are shown
    int windDirCell = -1;   // history cell of the wind direction, -1 none
};

GraphStat graphStatOf(const config::StateLayout& layout, int column);

// A number as the labels show it: up to four decimals, no trailing zeros, "." as the point.
QString graphNumberText(double value);

// The max/min label: the value with its unit sign and, for a wind speed when `withDirection`,
// " : " and the direction of `entry`.
QString extremeText(double value, const GraphStat& stat, const HistoryRow& entry,
                    bool withDirection);

// The readout under the mouse: the entry's cell with its unit sign (none for kNoValue), for a
// wind speed " : " and the direction, then " @ " and dayTimeText() of the entry's time.
QString readoutText(const GraphStat& stat, const HistoryRow& entry);

// One drawing of a span in an area of `width` × `height` units, placed by time: the span ends
// at the newest reading (x = width) and starts the span's length before it (x = 0); readings
// older than that are not drawn. The maximum is at y = 0 and the minimum at y = height; a
// constant series is a flat line at half height. A reading without a value for the stat draws
// nothing; neighbouring values are joined unless the time between them is a gap (longer than
// three hours and than 2.5 times the usual time between readings; beyond 30 days also than 2.5
// parts, see kGraphParts), so a station's silence is never bridged by a line while a once-a-day
// station still draws one.
struct GraphPlot
{
    MinMax range;
    int lastEntry = -1;   // the oldest reading inside the span
    qint64 startSecs = 0; // the span's start, seconds since 1970 (UTC)
    qint64 spanSecs = 1;
    double width = 0;
    double height = 0;
    QList<QPolygonF> lines;  // runs of joined points, oldest first; a lone point is a run of one
    QList<QPointF> points;   // every drawn value, oldest first
    QList<int> pointEntries; // the entry of each point
    QList<double>
        dayChanges; // x of each midnight (the first of each month for a year), station time

    // The x position of a reading.
    double xOf(const HistoryRow& entry) const;
    // The entry of the drawn point nearest to x, or -1 when nothing is drawn or x is outside.
    int entryAt(double x) const;
    // Left edge of a label of `labelWidth` whose right end is at x, at least 1.
    static double labelLeft(double x, double labelWidth) { return std::max(1.0, x - labelWidth); }
};

// `drawGraph`'s arithmetic; range.found false means nothing is drawn. Very long runs are thinned
// to the first, lowest, highest and last point of each unit of width, which draws the same.
GraphPlot plotGraph(const HistoryTable& table, int cell, int span, QSizeF area);

// "Tuesday @ 3:30 PM" for a reading's time (the station's clock); with `withDate`
// "Tuesday 6 May 2023 @ 3:30 PM". Empty for an invalid time.
QString historyDateText(const QDateTime& observed, bool withDate = false);

// "3:30 PM on 6th" for a reading's time; empty for an invalid time.
QString dayTimeText(const QDateTime& observed);

} // namespace engine
