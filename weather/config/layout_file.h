#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>

namespace config {

// Root address of the bureau's web server, scheme + "://" + host + "/". Every page path in the
// layout file is relative to it. Fixed when the program is built.
QString bureauRoot();
// The address of a page named in the layout file: a value that starts with http://, https:// or
// ftp:// (any capitals) as written, any other value joined to bureauRoot() (without a leading
// "/" of its own).
QString pageAddress(const QString& layoutValue);

// Counts in the layout file above this are treated as this many, so a damaged or hostile file
// cannot make the program read millions of keys.
inline constexpr int kMaxLayoutCount = 999;
// A layout file larger than this (the shipped one is some 30 KB) is not read: it reads as empty.
inline constexpr qint64 kMaxLayoutBytes = 1024 * 1024;

// What a stat column holds (its st_typ_<i> code). The kind chooses the scale of the alarm's
// set point in the options dialog; any other code has no scale of its own.
enum class ColumnKind : qint16
{
    Other = 0,
    Temperature = 1, // whole degrees, -10 to 45
    SpeedKmh = 2,    // whole km/h, 0 to 180
    SpeedKnots = 3,  // whole knots, 0 to 97
    Percent = 4,     // whole percent, 0 to 100
    Pressure = 5,    // hPa in tenths, 920.0 to 1100.0
    Tenths = 6       // a small amount in tenths, 0.0 to 15.0 (rain, Delta-T)
};

struct LayoutColumn
{
    QString header;
    QString sign;
    ColumnKind kind = ColumnKind::Other;
};

// The st_xml_<n> value of the observation-time column: the period's local time, written as the
// bureau's pages write it ("29/11:50am").
inline constexpr QStringView kTimeLocal = u"time-local";

// Where a region's station rows come from (st_feed): the observation page's HTML table, or the
// bureau's state observations product in XML.
enum class ObservationFeed
{
    Html,
    Xml
};

// Where a station's history comes from (st_hist_feed): its HTML history page, or the bureau's
// station product in JSON.
enum class HistoryFeed
{
    Html,
    Json
};

struct LayoutPage
{
    QString name;
    QString url;
};

// The selected region's layout, read from its section of weather.ini with the COMMON fallback.
struct StateLayout
{
    QString sectionName;
    QString obsUrl;
    ObservationFeed obsFeed = ObservationFeed::Html;
    QString obsFallbackUrl; // st_fallback_url: tried when obsUrl fails; empty none
    HistoryFeed historyFeed = HistoryFeed::Html;
    // st_hist_url: the history's address with "{wmo}" for the station's number; empty: the
    // address is the link in the row's name cell
    QString historyUrl;
    // st_hist_page: the station's history page on the bureau's site, for people, with "{wmo}"
    // for the station's number; empty: the history address itself
    QString historyPageUrl;
    // st_hist_fallback_url: the same history by another road, with "{wmo}" like historyUrl,
    // tried when it fails; empty: none
    QString historyFallbackUrl;
    // fc_town_url: the state's town forecasts (precis) product; empty: the region has none.
    // fc_town_fallback_url: the same product by another road, tried when the first fails.
    QString townForecastUrl;
    QString townForecastFallbackUrl;
    // wn_url: the state's list of warnings in force (RSS); empty: the region has none.
    // wn_fallback_url: the same list by another road, tried when the first fails.
    QString warningListUrl;
    QString warningListFallbackUrl;
    // Address patterns with "{id}" for a warning's product identifier (warningAddress()):
    // wn_amoc_url / wn_amoc_fallback_url its small companion, wn_product_url /
    // wn_product_fallback_url the full product, wn_page_url the page a user opens.
    QString warningAmocUrl;
    QString warningAmocFallbackUrl;
    QString warningProductUrl;
    QString warningProductFallbackUrl;
    QString warningPageUrl;
    QString blockStart;
    QString blockEnd;
    QString rowMarker;
    QString cellEnd;           // empty: a cell ends at its line break
    QString historyBlockStart; // empty: the history page uses blockStart
    QString historyRowMarker;
    std::array<qint16, 5> historySkipCells{};
    qint16 windDirColumn = 0; // 1-based; 0 none
    qint16 fixedColumns = 0;
    int columnCount = 0;
    QList<LayoutColumn> columns; // columnCount entries, in layout order
    QStringList xmlElements;     // XML feed: st_xml_<n> of each column, the element type or
                                 // kTimeLocal
    QStringList jsonFields;      // st_json_<n> of each column: the bureau's name of its quantity,
                                 // the field of the JSON history and the record's column
    QList<LayoutPage> forecastPages;
    QList<LayoutPage> radarPages;
    QString mapUrl; // empty: the region has no map page
    QString floodWarnPath;
    QString tidePath;
    // info_links, info_<i>, info_url_<i> (falling back): the popup menu's weather-information
    // links; "{fl_warn_url}" and "{tide_time}" in an address stand for floodWarnPath and
    // tidePath, and a link naming one is left out where that is empty, as is a link without an
    // address.
    QList<LayoutPage> infoPages;
};

// The regions of the layout file, in file order: section names and the names shown to the user.
struct RegionList
{
    QStringList sections;
    QStringList displayNames;
};

// Reads [RegionHeads] `regions` and `region_<i>`, and the `display` name of each region section.
RegionList loadRegionList(const QString& layoutPath);

// Reads one region section in the fixed key order. Keys that fall back take the [COMMON] value
// when the region's own is missing or empty; page lists and paths never fall back.
// After the page keys the feed keys follow, each falling back: st_feed ("xml" in any capitals,
// else HTML), st_fallback_url, st_hist_feed ("json", else HTML), st_hist_url, st_hist_page,
// st_hist_fallback_url, and per column st_xml_<n> (XML feed only) and st_json_<n>. st_url,
// st_fallback_url, st_hist_url, st_hist_page and st_hist_fallback_url are read with
// pageAddress(). Last the region's own fc_town_url and
// fc_town_fallback_url (no fallback to [COMMON]: a region without town forecasts has none),
// read with pageAddress() when not empty; the same for wn_url and wn_fallback_url (a region
// without warnings has none). Then the warning address patterns wn_amoc_url,
// wn_amoc_fallback_url, wn_product_url, wn_product_fallback_url and wn_page_url, falling back,
// read with pageAddress() when not empty.
StateLayout loadStateLayout(const QString& section, const QString& layoutPath);

// A warning address pattern of the layout with "{id}" replaced by the product identifier `id`;
// empty when the pattern is.
QString warningAddress(const QString& pattern, const QString& id);

} // namespace config
