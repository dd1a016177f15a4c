#pragma once

#include "weather/engine/stat_table.h"

#include <QFont>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace engine {

// The width of a text in the main window's font, in twips (1/1440 inch). The display texts size
// their leaders by it, so the values line up; tests inject their own.
using TextWidth = std::function<int(const QString&)>;

// The real measure: the text's advance in `font`, in pixels, times 1440 / `logicalDpi`
// (15 twips per pixel at 96 DPI).
TextWidth twipsWidth(const QFont& font, qreal logicalDpi);
// The width of a text in a fixed-pitch font (a terminal): its characters.
int characterWidth(const QString& text);

// The short display labels of the layout file's [Trans] section (key = a column header, value =
// its label). Read once per region, so a pass does not reread the file per value.
class TransLabels
{
public:
    TransLabels() = default;
    // Reads the labels of `headers` from the layout file at `layoutPath`.
    static TransLabels load(const QString& layoutPath, const QStringList& headers);
    // The label of `header`, or the header itself when it has none (or an empty one).
    QString labelOf(const QString& header) const;

private:
    QHash<QString, QString> labels_;
};

// The one-line display text of the tray and ticker from the value texts: the chosen stat's text,
// with " / " and the second stat's text when `showSecond`; "No Data" when the chosen stat's text
// is empty. Stats are 0-based column indexes (the display lists' item data). nullopt when a
// needed index has no value (no selection): the caller keeps its previous text.
std::optional<QString> tickerTextOf(const QStringList& values, int displayColumn, bool showSecond,
                                    int secondColumn);

// The stats tooltip and the screen-saver feed of a shown station.
struct StatTexts
{
    // One line per stat column: label (Trans label or header), a leader (" - - >   ") that
    // ends at the same width after every label, the value text; then a blank line, "Last
    // observation at <time>" and "Station is <station>".
    QString tickerTip;
    // "<station> at: <time>", then one line per stat column: header, a leader that ends at the
    // same width after every header, the value text. Lines end with CR LF; no line break at the
    // end.
    QString feedText;
};
StatTexts statTexts(const StatTable& table, const QString& station, const TransLabels& labels,
                    const TextWidth& width);

// What goes into the hidden text box `txtScr` for the screen saver: "Nimbulo" CR LF "ALERT"
// while the value alarm holds, else the feed text.
QString screenFeedText(bool valueAlarm, const QString& feedText);

// The banner's line of all stats.
struct BannerText
{
    QString text;
    bool noData = false; // value 0 is empty: the banner's trend arrow shows "none"
};
// "  ", then "    No Data Found" when there is no value 0; else, for each column whose header
// contains neither "Time" nor "Date" and whose value is not empty, "    <label>:<value>    ".
BannerText bannerTextOf(const StatTable& table, const TransLabels& labels);

// The tooltip of the banner's display area after a shown pass.
QString bannerTipOf(const QString& obsTime, const QString& station);

// The character cells the tray display needs (`cellCount`) for the headers chosen in
// `cmbDisplay` and `cmbExtDisplay`. Rain and wind speeds need one cell more, pressures two;
// a trend arrow takes a cell of its own.
int displayCellCount(const QString& displayHeader, const QString& secondHeader, bool showTrend,
                     bool showSecond);

} // namespace engine
