#pragma once

#include "weather/config/layout_file.h"
#include "weather/engine/observation_parser.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

namespace engine {

// What a feed reader gives: the rows, or the text the error log gets for a document it cannot
// use (the rows are then nullopt).
template <typename Rows> struct FeedResult
{
    std::optional<Rows> rows;
    QString error;
};

// Reads the bureau's state observations product (IDx60920.xml) into station rows of the same
// shape the observation page gives, so everything after the parser works on either:
//  - name: "<a>" + the station's `description` ("stn-name" when it has none) + "</a>", the shape
//    of the page's name cell that the station list cuts the name from; a station with neither
//    attribute, or with a name over kMaxStationNameChars (no settings file could keep it), is
//    left out;
//  - wmo: the station's `wmo-id`; district: its `forecast-district-id`;
//  - otherDay, old: the first period's `time-local` against the product's <amoc>
//    `issue-time-utc` (when the <amoc> comes before the observations, as the bureau writes it);
//  - observed: the first period's `time-local` (ISO 8601 with its offset);
//  - cells: one per layout column, from the station's first period. A column whose
//    entry of `xmlElements` is kTimeLocal holds the period's `time-local` written by
//    bureauTimeText(); any other entry names an element type, or alternatives separated by
//    "|" ("pres|msl_pres|qnh_pres"), and the column holds the trimmed text of the first
//    non-empty `element` of the first alternative the period has (other attributes are
//    ignored). A column none of whose types the period has, one whose text is over
//    kMaxCellChars (no reading is that long), and a column without an element type, read "-",
//    the page's missing value.
// Control characters in names and cells (line breaks written &#13;&#10;) read as spaces.
// The document is read once, front to back, straight from its bytes (common::setXmlDocument())
// with QXmlStreamReader, after common::readXmlRoot(): a document with a DTD or an entity of its
// own is not well-formed here.
//
// No rows, and an error text, for a document that is not well-formed XML (cut short
// included), one that is not a product with observations, a product whose <amoc> identifier
// differs from the one the layout's address names (productIdOf(obsUrl), when both are known:
// another state's product), and a product that lists no station.
inline constexpr qsizetype kMaxStationNameChars = 127;
inline constexpr qsizetype kMaxCellChars = 256;
FeedResult<RowTable> readStateObservations(const QByteArray& document,
                                           const config::StateLayout& layout);

// The address of a station's history: the layout's `historyUrl` (st_hist_url) with "{wmo}"
// replaced by the station's number (stationNumberOf()) when both are known; otherwise the link
// of the row's name cell (historyUrlOf()), empty when there is none.
QString stationHistoryUrl(const ObservationRow& row, const config::StateLayout& layout,
                          const QString& bureauRoot);

// The station number in a history address that stationHistoryUrl() made from the layout's
// `historyUrl`: what stands where "{wmo}" does. Empty when the layout has no such address or
// `url` is not of its shape (a history page's link).
QString stationOfHistoryUrl(const QString& url, const config::StateLayout& layout);

// A station's WMO number: the row's own, else the number the name cell's link ends in
// ("/products/IDN60801/IDN60801.94768.shtml" gives 94768); empty when neither has one.
QString stationNumberOf(const ObservationRow& row);

// The first entry of `names` that is `name` written another way: the same letters and digits
// in the same order, whatever the capitals, blanks and punctuation ("Sydney (Observatory Hill)"
// and "Sydney - Observatory Hill"); -1 when none is.
int indexOfStation(const QStringList& names, const QString& name);

// True for a bureau product identifier: "ID", a capital letter and five digits ("IDN60920").
bool isProductId(QStringView text);

// The product identifier an address names: its file name without the extension when that reads
// like the bureau's "IDN60920"; empty otherwise.
QString productIdOf(const QString& url);

// A local time in ISO 8601 ("2020-07-29T11:50:00+10:00") as the bureau's pages write it: the
// two-digit day of the month, "/", the two-digit 12-hour time and am or pm ("29/11:50am",
// "30/12:00am"). "-" for a text of another shape.
QString bureauTimeText(QStringView isoLocal);

} // namespace engine
