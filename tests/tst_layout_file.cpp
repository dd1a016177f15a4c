#include "weather/config/layout_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using config::loadRegionList;
using config::loadStateLayout;
using config::warningAddress;

class TestLayoutFile : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

    QString layout(const QByteArray& content)
    {
        const QString path = dir_.filePath("weather.ini");
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(content);
        return path;
    }

private Q_SLOTS:
    void regionList()
    {
        const QString path = layout("[RegionHeads]\nregions=3\nregion_1=NSW\nregion_2=VIC\n"
                                    "region_4=QLD\n[NSW]\ndisplay=New South Wales\n"
                                    "[VIC]\ndisplay=Victoria\n");
        const auto list = loadRegionList(path);
        // A numbered key within the count that is missing reads as empty; past it is ignored.
        QCOMPARE(list.sections, QStringList({"NSW", "VIC", ""}));
        QCOMPARE(list.displayNames, QStringList({"New South Wales", "Victoria", ""}));
    }

    void regionCounts_data()
    {
        QTest::addColumn<QByteArray>("count");
        QTest::addColumn<int>("expected");
        QTest::newRow("missing") << QByteArray() << 0;
        QTest::newRow("not a number") << QByteArray("regions=many") << 0;
        QTest::newRow("negative") << QByteArray("regions=-4") << 0;
        QTest::newRow("rounded half to even") << QByteArray("regions=2.5") << 2;
        QTest::newRow("hostile") << QByteArray("regions=2000000000") << config::kMaxLayoutCount;
        // A file this large is no layout: it is not read at all.
        QTest::newRow("file over 1 MB")
            << "regions=2\n" + QByteArray(config::kMaxLayoutBytes, ';') << 0;
    }

    void regionCounts()
    {
        QFETCH(QByteArray, count);
        QFETCH(int, expected);
        const auto list = loadRegionList(layout("[RegionHeads]\n" + count + "\n"));
        QCOMPARE(list.sections.size(), expected);
    }

    void missingFileIsEmpty()
    {
        QVERIFY(loadRegionList(dir_.filePath("none.ini")).sections.isEmpty());
        const auto state = loadStateLayout(QStringLiteral("NSW"), dir_.filePath("none.ini"));
        QCOMPARE(state.obsUrl, config::bureauRoot());
        QCOMPARE(state.columnCount, 0);
    }

    void fallback_data()
    {
        QTest::addColumn<QByteArray>("region");
        QTest::addColumn<QByteArray>("commonSection");
        QTest::addColumn<QString>("cellEnd");
        QTest::addColumn<QString>("blockStart");

        const auto row = [](const char* name, const char* region, const char* common,
                            const char* cellEnd, const char* blockStart) {
            QTest::newRow(name) << QByteArray(region) << QByteArray(common)
                                << QString::fromLatin1(cellEnd) << QString::fromLatin1(blockStart);
        };
        row("all from COMMON", "", "delim_1=<table\ndelim_4=</td>", "</td>", "<table");
        row("region overrides", "delim_1=<tbody", "delim_1=<table", "", "<tbody");
        row("empty region value falls back", "delim_4=", "delim_4=</td>", "</td>", "");
        row("both empty: line break", "delim_4=", "delim_4=", "", "");
    }

    void fallback()
    {
        QFETCH(QByteArray, region);
        QFETCH(QByteArray, commonSection);
        QFETCH(QString, cellEnd);
        QFETCH(QString, blockStart);
        const QString path = layout("[R]\n" + region + "\n[COMMON]\n" + commonSection + "\n");
        const auto state = loadStateLayout(QStringLiteral("R"), path);
        QCOMPARE(state.cellEnd, cellEnd);
        QCOMPARE(state.blockStart, blockStart);
    }

    void fullRegion()
    {
        const QString path =
            layout("[COMMON]\ndelim_1=<tbody\ndelim_2=</tbody>\ndelim_3=<tr\ndelim_7=<tr>\n"
                   "gr_ignore_1=12\ngr_ignore_2=0\nalert_wind_direction=7\nskip=1\nheaders=5\n"
                   "st_hdr_1=Date/Time\nst_hdr_2=Temp\nst_sgn_2=\xC2\xB0"
                   "C\nst_typ_2=1\n"
                   "st_hdr_3=Hum\nst_hdr_4=Wind\nforecasts=9\nfc_1=Never read\n"
                   "[R]\nst_url=nsw/observations/nswall.shtml\ngr_ignore_2=3\nst_hdr_3=Humidity\n"
                   "forecasts=2\nfc_1=Sydney\nfc_url_1=nsw/forecasts/sydney.shtml\nfc_2=Hunter\n"
                   "rain=1\nrain_name_1=Sydney Radar\nrain_url_1=products/IDR713.loop.shtml\n"
                   "map_url=\nfl_warn_url=nsw/\ntide_time=NSW_TidesMap.shtml\n");
        const auto s = loadStateLayout(QStringLiteral("r"), path);
        QCOMPARE(s.sectionName, QStringLiteral("r"));
        QCOMPARE(s.obsUrl, config::bureauRoot() + "nsw/observations/nswall.shtml");
        QCOMPARE(s.blockStart, QStringLiteral("<tbody"));
        QCOMPARE(s.blockEnd, QStringLiteral("</tbody>"));
        QCOMPARE(s.rowMarker, QStringLiteral("<tr"));
        QCOMPARE(s.historyRowMarker, QStringLiteral("<tr>"));
        QCOMPARE(s.historyBlockStart, QString());
        QCOMPARE(s.historySkipCells, (std::array<qint16, 5>{12, 3, 0, 0, 0}));
        QCOMPARE(s.windDirColumn, qint16(7));
        QCOMPARE(s.fixedColumns, qint16(1));
        // headers=5 with four headers present: the fifth column exists with an empty header.
        QCOMPARE(s.columnCount, 5);
        QCOMPARE(s.columns.size(), 5);
        QCOMPARE(s.columns[1].header, QStringLiteral("Temp"));
        QCOMPARE(s.columns[1].sign, QStringLiteral("\u00B0C"));
        QCOMPARE(s.columns[1].kind, config::ColumnKind::Temperature);
        QCOMPARE(s.columns[2].header, QStringLiteral("Humidity"));
        QCOMPARE(s.columns[4].header, QString());
        // Page lists never fall back, and a missing numbered key within the count is empty.
        QCOMPARE(s.forecastPages.size(), 2);
        QCOMPARE(s.forecastPages[0].name, QStringLiteral("Sydney"));
        QCOMPARE(s.forecastPages[0].url, config::bureauRoot() + "nsw/forecasts/sydney.shtml");
        QCOMPARE(s.forecastPages[1].url, config::bureauRoot());
        QCOMPARE(s.radarPages.size(), 1);
        QCOMPARE(s.mapUrl, QString());
        QCOMPARE(s.floodWarnPath, QStringLiteral("nsw/"));
        QCOMPARE(s.tidePath, QStringLiteral("NSW_TidesMap.shtml"));
    }

    void feedKeys_data()
    {
        QTest::addColumn<QByteArray>("region");
        QTest::addColumn<bool>("xml");
        QTest::addColumn<QString>("fallback");
        QTest::addColumn<QStringList>("elements");
        QTest::addColumn<QStringList>("fields");
        const QString root = config::bureauRoot();
        // The quantity names serve the record whatever the history's feed.
        QTest::newRow("the pages") << QByteArray("st_feed=html\nst_hist_feed=HTML") << false
                                   << QString() << QStringList() << QStringList({"", "air_temp"});
        // The COMMON section names XML and JSON, a region overrides one column of each.
        QTest::newRow("feeds, COMMON fallback")
            << QByteArray("st_fallback_url=/fwo/IDN60920.xml\nst_xml_2=apparent_temp\n"
                          "st_json_1=local_date_time")
            << true << root + "fwo/IDN60920.xml" << QStringList({"time-local", "apparent_temp"})
            << QStringList({"local_date_time", "air_temp"});
    }

    void feedKeys()
    {
        QFETCH(QByteArray, region);
        QFETCH(bool, xml);
        QFETCH(QString, fallback);
        QFETCH(QStringList, elements);
        QFETCH(QStringList, fields);
        const QString path =
            layout("[COMMON]\nheaders=2\nst_feed=XML\nst_xml_1=time-local\n"
                   "st_xml_2=air_temperature\nst_hist_feed=json\nst_json_2=air_temp\n"
                   "st_hist_url=https://reg.example/fwo/IDN60801/IDN60801.{wmo}.json\n"
                   "st_hist_page=products/IDN60801/IDN60801.{wmo}.shtml\n"
                   "[R]\nst_url=ftp://ftp.example/anon/gen/fwo/IDN60920.xml\n" +
                   region + "\n");
        const auto s = loadStateLayout(QStringLiteral("R"), path);
        QCOMPARE(s.obsFeed == config::ObservationFeed::Xml, xml);
        QCOMPARE(s.historyFeed == config::HistoryFeed::Json, xml);
        // A full address is taken as it is.
        QCOMPARE(s.obsUrl, QStringLiteral("ftp://ftp.example/anon/gen/fwo/IDN60920.xml"));
        QCOMPARE(s.obsFallbackUrl, fallback);
        QCOMPARE(s.xmlElements, elements);
        QCOMPARE(s.jsonFields, fields);
        QCOMPARE(s.historyPageUrl,
                 config::bureauRoot() + QStringLiteral("products/IDN60801/IDN60801.{wmo}.shtml"));
    }

    // The shipped layout reads each product of a state by HTTPS, then by FTP: its observations,
    // each station's history, its town forecasts, its list of warnings and their companions
    // (Antarctica has no forecasts or warnings, and Tasmania's observations).
    void shippedRoads_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("forecasts");
        QTest::addColumn<QString>("warnings");
        const char* const products[][4] = {{"NSW", "N", "IDN11060", "IDZ00054.warnings_nsw"},
                                           {"VIC", "V", "IDV10753", "IDZ00059.warnings_vic"},
                                           {"QLD", "Q", "IDQ11295", "IDZ00056.warnings_qld"},
                                           {"WA", "W", "IDW14199", "IDZ00060.warnings_wa"},
                                           {"SA", "S", "IDS10044", "IDZ00057.warnings_sa"},
                                           {"TAS", "T", "IDT16710", "IDZ00058.warnings_tas"},
                                           {"NT", "D", "IDD10207", "IDZ00055.warnings_nt"},
                                           {"ANT", "T", "", ""}};
        for (const auto& [section, state, forecasts, warnings] : products)
            QTest::newRow(section) << section << state << forecasts << warnings;
    }
    void shippedRoads()
    {
        QFETCH(QString, section);
        QFETCH(QString, state);
        QFETCH(QString, forecasts);
        QFETCH(QString, warnings);
        const auto s =
            loadStateLayout(section, QStringLiteral(NIMBULO_SOURCE_DIR "/data/weather.ini"));
        const auto roads = [](const QString& path) {
            return path.isEmpty() ? QStringList{QString(), QString()}
                                  : QStringList{"https://reg.bom.gov.au/fwo/" + path,
                                                "ftp://ftp.bom.gov.au/anon/gen/fwo/" + path};
        };
        const auto xml = [](const QString& file) { return file.isEmpty() ? file : file + ".xml"; };
        QCOMPARE((QStringList{s.obsUrl, s.obsFallbackUrl}), roads("ID" + state + "60920.xml"));
        QCOMPARE((QStringList{s.historyUrl, s.historyFallbackUrl}),
                 roads("ID" + state + "60801/ID" + state + "60801.{wmo}.json"));
        QCOMPARE((QStringList{s.townForecastUrl, s.townForecastFallbackUrl}),
                 roads(xml(forecasts)));
        QCOMPARE((QStringList{s.warningListUrl, s.warningListFallbackUrl}), roads(xml(warnings)));
        QCOMPARE((QStringList{warningAddress(s.warningAmocUrl, "IDD21033"),
                              warningAddress(s.warningAmocFallbackUrl, "IDD21033")}),
                 roads("IDD21033.amoc.xml"));
        QCOMPARE(warningAddress(s.warningPageUrl, "IDD21033"),
                 config::bureauRoot() + "products/IDD21033.shtml");
    }

    // A region without the keys has no town forecasts, whatever [COMMON] says; a path is joined
    // to the bureau's root.
    void townForecastKeysAreTheRegions()
    {
        const QString path = layout("[COMMON]\nfc_town_url=ftp://x/IDN11060.xml\n[R]\n"
                                    "fc_town_fallback_url=fwo/IDN11060.xml\n[S]\n");
        QCOMPARE(loadStateLayout(QStringLiteral("S"), path).townForecastUrl, QString());
        const auto r = loadStateLayout(QStringLiteral("R"), path);
        QCOMPARE(r.townForecastUrl, QString());
        QCOMPARE(r.townForecastFallbackUrl, config::bureauRoot() + "fwo/IDN11060.xml");
    }

    // Page values that start with a scheme (any capitals) are used as written.
    void addressesWithAScheme()
    {
        const QString path =
            layout("[R]\nst_url=https://reg.bom.gov.au:8443/fwo/IDN60801.json\nforecasts=1\n"
                   "fc_url_1=FTP://ftp.bom.gov.au/anon/gen/fwo/IDN10064.txt\n"
                   "map_url=http://other.example/map\nrain=1\nrain_url_1=httpx/radar\n");
        const auto s = loadStateLayout(QStringLiteral("R"), path);
        QCOMPARE(s.obsUrl, QStringLiteral("https://reg.bom.gov.au:8443/fwo/IDN60801.json"));
        QCOMPARE(s.forecastPages[0].url,
                 QStringLiteral("FTP://ftp.bom.gov.au/anon/gen/fwo/IDN10064.txt"));
        QCOMPARE(s.mapUrl, QStringLiteral("http://other.example/map"));
        QCOMPARE(s.radarPages[0].url, config::bureauRoot() + "httpx/radar");
    }

    void longAndOutOfRangeValues()
    {
        const auto s = loadStateLayout(
            QStringLiteral("R"), layout("[R]\nskip=99999\nalert_wind_direction=-99999\ndelim_1=" +
                                        QByteArray(200, 'x') + "\n"));
        QCOMPARE(s.blockStart.size(), 127);
        // 16-bit fields clamp.
        QCOMPARE(s.fixedColumns, qint16(32767));
        QCOMPARE(s.windDirColumn, qint16(-32768));
    }
};

QTEST_GUILESS_MAIN(TestLayoutFile)
#include "tst_layout_file.moc"
