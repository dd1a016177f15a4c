#include "weather/config/layout_file.h"

#include "common/ini_file.h"
#include "common/number.h"

#include <algorithm>
#include <limits>

namespace config {
namespace {

const QString kCommon = QStringLiteral("COMMON");

class LayoutReader
{
public:
    LayoutReader(const QString& section, const QString& path)
        : section_(section), file_(common::IniDocument::load(path, kMaxLayoutBytes))
    {}

    QString own(const QString& key) const { return file_.value(section_, key); }

    QString withFallback(const QString& key) const
    {
        const QString value = own(key);
        return value.isEmpty() ? file_.value(kCommon, key) : value;
    }

private:
    QString section_;
    common::IniDocument file_;
};

int countOf(const QString& text)
{
    return std::clamp(common::readInteger(text), 0, kMaxLayoutCount);
}

qint16 shortOf(const QString& text)
{
    return static_cast<qint16>(std::clamp<int>(common::readInteger(text),
                                               std::numeric_limits<qint16>::min(),
                                               std::numeric_limits<qint16>::max()));
}

QString numbered(const char* prefix, int i)
{
    return QLatin1String(prefix) + QString::number(i);
}

QList<LayoutPage> readPages(const LayoutReader& reader, const char* countKey,
                            const char* namePrefix, const char* urlPrefix)
{
    QList<LayoutPage> pages;
    const int count = countOf(reader.own(QLatin1String(countKey)));
    for (int i = 1; i <= count; ++i) {
        const QString name = reader.own(numbered(namePrefix, i));
        pages.append({name, pageAddress(reader.own(numbered(urlPrefix, i)))});
    }
    return pages;
}

} // namespace

QString bureauRoot()
{
    return QStringLiteral(NIMBULO_BUREAU_ROOT);
}

QString pageAddress(const QString& layoutValue)
{
    for (const char* scheme : {"http://", "https://", "ftp://"}) {
        if (layoutValue.startsWith(QLatin1String(scheme), Qt::CaseInsensitive))
            return layoutValue;
    }
    // The root ends with "/": a path written with one in front does not get a second.
    return bureauRoot() +
           (layoutValue.startsWith(QLatin1Char('/')) ? layoutValue.mid(1) : layoutValue);
}

RegionList loadRegionList(const QString& layoutPath)
{
    const QString heads = QStringLiteral("RegionHeads");
    const auto file = common::IniDocument::load(layoutPath, kMaxLayoutBytes);
    RegionList list;
    const int count = countOf(file.value(heads, QStringLiteral("regions")));
    for (int i = 1; i <= count; ++i) {
        const QString section = file.value(heads, numbered("region_", i));
        list.sections.append(section);
        list.displayNames.append(file.value(section, QStringLiteral("display")));
    }
    return list;
}

StateLayout loadStateLayout(const QString& section, const QString& layoutPath)
{
    const LayoutReader reader(section, layoutPath);
    StateLayout layout;
    layout.sectionName = section;
    layout.obsUrl = pageAddress(reader.own(QStringLiteral("st_url")));
    layout.blockStart = reader.withFallback(QStringLiteral("delim_1"));
    layout.blockEnd = reader.withFallback(QStringLiteral("delim_2"));
    layout.rowMarker = reader.withFallback(QStringLiteral("delim_3"));
    layout.cellEnd = reader.withFallback(QStringLiteral("delim_4"));
    layout.historyRowMarker = reader.withFallback(QStringLiteral("delim_7"));
    layout.historyBlockStart = reader.withFallback(QStringLiteral("delim_8"));
    for (int i = 0; i < 5; ++i)
        layout.historySkipCells[i] = shortOf(reader.withFallback(numbered("gr_ignore_", i + 1)));
    layout.windDirColumn = shortOf(reader.withFallback(QStringLiteral("alert_wind_direction")));
    layout.fixedColumns = shortOf(reader.withFallback(QStringLiteral("skip")));
    layout.columnCount = countOf(reader.withFallback(QStringLiteral("headers")));
    for (int i = 1; i <= layout.columnCount; ++i) {
        LayoutColumn column;
        column.header = reader.withFallback(numbered("st_hdr_", i));
        column.sign = reader.withFallback(numbered("st_sgn_", i));
        column.kind = static_cast<ColumnKind>(shortOf(reader.withFallback(numbered("st_typ_", i))));
        layout.columns.append(column);
    }
    layout.forecastPages = readPages(reader, "forecasts", "fc_", "fc_url_");
    layout.radarPages = readPages(reader, "rain", "rain_name_", "rain_url_");
    const QString map = reader.own(QStringLiteral("map_url"));
    layout.mapUrl = map.isEmpty() ? QString() : pageAddress(map);
    layout.floodWarnPath = reader.own(QStringLiteral("fl_warn_url"));
    layout.tidePath = reader.own(QStringLiteral("tide_time"));
    // The weather-information links: a layout update mends them when the bureau moves a page.
    const int links = countOf(reader.withFallback(QStringLiteral("info_links")));
    for (int i = 1; i <= links; ++i) {
        QString url = reader.withFallback(numbered("info_url_", i));
        bool pathMissing = url.isEmpty();
        for (const auto& [key, path] :
             {std::pair{QLatin1String("{fl_warn_url}"), &layout.floodWarnPath},
              std::pair{QLatin1String("{tide_time}"), &layout.tidePath}}) {
            pathMissing = pathMissing || (url.contains(key) && path->isEmpty());
            url.replace(key, *path);
        }
        if (!pathMissing)
            layout.infoPages.append({reader.withFallback(numbered("info_", i)), pageAddress(url)});
    }

    const auto is = [&reader](const char* key, const char* value) {
        return reader.withFallback(QLatin1String(key))
                   .compare(QLatin1String(value), Qt::CaseInsensitive) == 0;
    };
    const auto address = [&reader](const char* key) {
        const QString value = reader.withFallback(QLatin1String(key));
        return value.isEmpty() ? QString() : pageAddress(value);
    };
    layout.obsFeed = is("st_feed", "xml") ? ObservationFeed::Xml : ObservationFeed::Html;
    layout.obsFallbackUrl = address("st_fallback_url");
    layout.historyFeed = is("st_hist_feed", "json") ? HistoryFeed::Json : HistoryFeed::Html;
    layout.historyUrl = address("st_hist_url");
    layout.historyPageUrl = address("st_hist_page");
    layout.historyFallbackUrl = address("st_hist_fallback_url");
    for (int i = 1; i <= layout.columnCount; ++i) {
        if (layout.obsFeed == ObservationFeed::Xml)
            layout.xmlElements.append(reader.withFallback(numbered("st_xml_", i)));
        layout.jsonFields.append(reader.withFallback(numbered("st_json_", i)));
    }
    const auto ownAddress = [&reader](const char* key) {
        const QString value = reader.own(QLatin1String(key));
        return value.isEmpty() ? QString() : pageAddress(value);
    };
    layout.townForecastUrl = ownAddress("fc_town_url");
    layout.townForecastFallbackUrl = ownAddress("fc_town_fallback_url");
    layout.warningListUrl = ownAddress("wn_url");
    layout.warningListFallbackUrl = ownAddress("wn_fallback_url");
    layout.warningAmocUrl = address("wn_amoc_url");
    layout.warningAmocFallbackUrl = address("wn_amoc_fallback_url");
    layout.warningProductUrl = address("wn_product_url");
    layout.warningProductFallbackUrl = address("wn_product_fallback_url");
    layout.warningPageUrl = address("wn_page_url");
    return layout;
}

QString warningAddress(const QString& pattern, const QString& id)
{
    return QString(pattern).replace(QLatin1String("{id}"), id);
}

} // namespace config
