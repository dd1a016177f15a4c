#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <array>

namespace config {

// Root address of the bureau's web server, scheme + "://" + host + "/". Every page path in the
// layout file is relative to it. Fixed when the program is built.
QString bureauRoot();
// The address of a page named in the layout file: a value that starts with http://, https:// or
// ftp:// (any capitals) as written, any other value joined to bureauRoot().
QString pageAddress(const QString& layoutValue);

// Counts in the layout file above this are treated as this many, so a damaged or hostile file
// cannot make the program read millions of keys.
inline constexpr int kMaxLayoutCount = 999;

struct LayoutColumn
{
    QString header;
    QString sign;
    qint16 kind = 0;
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
    QList<LayoutPage> forecastPages;
    QList<LayoutPage> radarPages;
    QString mapUrl; // empty: the region has no map page
    QString floodWarnPath;
    QString tidePath;
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
StateLayout loadStateLayout(const QString& section, const QString& layoutPath);

} // namespace config
