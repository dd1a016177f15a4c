#pragma once

#include "weather/config/layout_file.h"
#include "weather/engine/forward_search.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace engine {

// One station row of an observation page's data block.
struct ObservationRow
{
    QString name;      // trimmed first cell: the station name, usually inside its history link
    QStringList cells; // trimmed value cells; cell i belongs to layout column i
    QString wmo = {};  // the station's WMO number when the feed names it; empty on pages
    // A feed's observation against its product's issue time (pages know neither): the day it
    // was made ("Mon 27/07") when that is not the day in the station's time, else
    // empty; and whether it was made more than 2 hours before the issue time.
    QString otherDay = {};
    bool old = false;
    // When the shown values were observed, with the station's offset from UTC, when the feed
    // says so in full (the state product); invalid on pages, which give only "29/11:50am".
    QDateTime observed = {};
    // The station's forecast district as the feed names it ("NSW_PW005"); empty on pages.
    QString district = {};
};

// The station name inside a row's name cell: the text after its first ">" without the last
// four characters (the closing "</a>"). What the station list shows.
QString stationNameOf(const QString& nameCell);

// The rows of the last scan, in block order (`rowTable`).
using RowTable = QList<ObservationRow>;

// The row table the program holds before the first block with rows and after a block without
// rows: one entry with an empty name and one empty cell.
RowTable emptyRowTable();

// Reads the cells of one text (a data block) front to back. Every search starts at the current
// position and the position only moves forward, so reading a whole block costs time linear in
// its length; nothing of the text is copied except the cell values themselves.
//
// A cell's value starts after the first ">" at or after the position and ends at the first
// `cellEnd` after that (when `cellEnd` is not found the value is empty). With an empty `cellEnd`
// it ends at the first CR LF, else at the first LF. The value is trimmed of white space. The
// position then moves to the first LF after the value's start, so the next cell is looked for
// on the following line.
//
// Where no such line break or ">" exists the text is used up: the value runs to the end of the
// text (no line break) or is empty (no ">"), and the position goes to the end, so every later
// cell reads as empty and no further row is found.
class CellReader
{
public:
    CellReader(QStringView text, QStringView cellEnd);

    // Moves to the next occurrence of `marker` (exact case) at or after the position, the
    // marker itself at the head. False, with the position unchanged, when there is none.
    bool skipTo(QStringView marker);

    // The next cell value; see the class comment.
    QString readCell();

    bool atEnd() const { return pos_ >= text_.size(); }
    qsizetype position() const { return pos_; }

private:
    QStringView text_;
    qsizetype pos_ = 0;
    CellEndSearch cellEnd_;
};

// The data block of a page: from one character after the start of the first occurrence of
// `blockStart` (any letter case, exact case with Qt::CaseSensitive) to one character after the end
// of the first occurrence of `blockEnd` (exact case) at or after that start, cut at the end of the
// page; with no end marker the block runs to the end of the page. nullopt when the page has no
// start marker. The result is a view into `page`.
std::optional<QStringView> findDataBlock(QStringView page, QStringView blockStart,
                                         QStringView blockEnd,
                                         Qt::CaseSensitivity startCase = Qt::CaseInsensitive);

// Splits a data block into station rows: each row starts at an occurrence of `rowMarker` (exact
// case) and holds a name cell and `columnCount` value cells, read with CellReader. Rows are
// taken until no further marker follows the last cell read.
//
// The table starts as emptyRowTable(); a new entry is appended for a row only when cell 0 of the
// first entry is non-empty, so a first row whose first value cell is empty is overwritten by the
// row after it (the bureau's rows always carry a time in cell 0).
RowTable splitRows(QStringView block, QStringView rowMarker, QStringView cellEnd, int columnCount);

// The whole step of a scan: cuts the block out of `page` with the layout's markers and splits
// it. nullopt when the page has no start marker; the caller then keeps its previous row table.
std::optional<RowTable> cutDataBlock(QStringView page, const config::StateLayout& layout,
                                     int columnCount);

// The address of the station's history page, from the "href=" link in the row's name:
// `bureauRoot` without its trailing "/", then the link path with a "/" put in front when it has
// none. The path is taken from the sixth character after the start of "href=" (skipping the
// opening quotation mark) up to, not including, the character before the next ">" (the closing
// quotation mark). So a link without quotation marks loses the first and the last character of
// its path. Empty when the name holds no "href=" or no ">" after it.
QString historyUrlOf(const ObservationRow& row, const QString& bureauRoot);

} // namespace engine
