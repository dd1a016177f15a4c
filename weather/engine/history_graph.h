#pragma once

#include "weather/config/layout_file.h"
#include "weather/engine/forward_search.h"

#include <QDate>
#include <QList>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace engine {

// The text a history cell holds when the page shows no value.
inline constexpr QStringView kNoValue = u"N/F";

// One kept row of a station's history page.
struct HistoryRow
{
    QString time;      // the first cell as the page writes it: "06/03:30pm"
    QStringList cells; // cell k holds layout column k + 1; kNoValue where the page has no value
};

// The kept rows of the last history page (`historyTable`), newest first.
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

// Collects a history's rows in page order (newest first) and keeps them per half hour: a row
// whose minutes are 00, 01 or 59 (an on-hour row) opens a new entry, and so does the first row
// after it; every other row overwrites the last entry. A half-hourly history keeps every row; a
// 10-minute one keeps each on-hour row and the oldest row between it and the next older hour. A
// time of four characters or fewer is never on the hour. Before the first row the table holds
// one row with an empty time and one empty cell.
class HistoryKeeper
{
public:
    void add(HistoryRow row);
    const HistoryTable& table() const { return table_; }
    HistoryTable take() { return std::move(table_); }

private:
    HistoryTable table_{HistoryRow{QString(), QStringList{QString()}}};
    bool stored_ = false;
    bool afterHour_ = false;
};

// A value cell of a history as the graph keeps it: kNoValue for an empty cell and the bureau's
// "-", else the cell.
QString historyValue(QString cell);

// Reads a history page into the kept rows. nullopt when the page lacks the start marker
// (`historyBlockStart`, or `blockStart` when that is empty; exact case).
//
// The block runs from one character after the start marker to one character after the first
// `blockEnd` behind it, or to the end of the page. Rows start at `historyRowMarker`; each gives
// its time cell and cells 0 … `graphCount`, where a position named by a non-zero entry of
// `historySkipCells` first reads one cell and drops it. Value cells that are empty, "-" or a
// non-breaking space become kNoValue. Rows are kept as HistoryKeeper keeps them.
std::optional<HistoryTable> readHistoryPage(QStringView page, const config::StateLayout& layout,
                                            int graphCount);

// Positions of the graph window's hours list.
enum GraphHours
{
    Hours12 = 0,
    Hours24 = 1,
    Hours48 = 2,
    Hours72 = 3
};

// The offset `first` of a drawing: entries 0 … n − first of a table with upper bound n are
// drawn, which is the newest 24, 48 or 96 entries for 12, 24 or 48 hours when the table holds
// more than that, and every entry otherwise or for 72 hours.
int firstDrawnOffset(int upperBound, int hoursIndex);

// Maximum and minimum of one cell over the drawn entries, at four decimal places, with the
// entries where they occur (the first met when scanning from the oldest drawn entry).
struct MinMax
{
    bool found = false; // at least one value and max ≠ min
    double max = 0;
    double min = 0;
    int maxEntry = -1;
    int minEntry = -1;
};

// `findMinMax`: over entries n − first down to 0, skipping cells without a value. Not found for
// fewer than two entries, a series without values, or one whose values are all equal.
MinMax findMinMax(const HistoryTable& table, int cell, int first);

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

// One drawing in an area of `width` × `height` units: the drawn entries from the oldest at x = 0
// to the newest at x = width, the maximum at y = 0 and the minimum at y = height. A cell without
// a value is drawn at the level of the value before it (the first value of the range for a
// leading gap), so gaps are bridged.
struct GraphPlot
{
    MinMax range;
    int first = 0;     // see firstDrawnOffset()
    int lastEntry = 0; // n − first: the oldest entry drawn, at x = 0
    double width = 0;
    double height = 0;
    double xStep = 0;      // x distance between neighbouring entries
    QList<QPointF> points; // point j shows entry lastEntry − j
    QList<int> dayChanges; // point indices where a new day starts

    // The x position of entry k.
    double xOf(int entry) const { return width - entry * xStep; }
    // The entry at x (nearest), or -1 outside the drawn entries.
    int entryAt(double x) const;
    // Left edge of a label of `labelWidth` whose right end is at entry k, at least 1.
    double labelLeft(int entry, double labelWidth) const;
};

// `drawGraph`'s arithmetic; range.found false means nothing is drawn.
GraphPlot plotGraph(const HistoryTable& table, int cell, int hoursIndex, QSizeF area);

// "Tuesday @ 3:30 PM" for a history time "06/03:30pm" seen on `today`: a day of the month later
// than today's belongs to the previous month (December of the previous year in January; further
// back when that month lacks the day). A text that is not a day and a time comes back trimmed.
QString historyDateText(QStringView time, QDate today);

// "3:30 PM on 6th" for "06/03:30pm"; a text that is not a day and a time comes back trimmed.
QString dayTimeText(QStringView time);

} // namespace engine
