// The readers of the bureau's feeds: the state observations product (XML) and a station's
// history product (JSON), against samples in the bureau's shapes and damaged documents.

#include "graph_sample.h"
#include "real_products.h"
#include "weather/engine/history_feed.h"
#include "weather/engine/stat_table.h"
#include "weather/engine/state_feed.h"

#include <QFile>
#include <QtTest>

using namespace engine;

namespace {

const QString kProduct = QStringLiteral("ftp://ftp.example/anon/gen/fwo/IDN60920.xml");

// The sample layout's five columns read from the feeds, plus a dew-point column for the XML.
config::StateLayout feedLayout()
{
    config::StateLayout layout = sampleLayout();
    layout.obsUrl = kProduct;
    layout.columnCount = 6;
    layout.columns.append(config::LayoutColumn{QStringLiteral("Dew Point °C"), QStringLiteral("°C"),
                                               config::ColumnKind::Temperature});
    layout.xmlElements = QStringList{"time-local",   "air_temperature", "wind_dir",
                                     "wind_spd_kmh", "rainfall",        "dew_point"};
    layout.jsonFields =
        QStringList{"local_date_time", "air_temp", "wind_dir", "gust_kmh", "rain_trace"};
    return layout;
}

QStringList describe(const RowTable& rows)
{
    QStringList out;
    for (const ObservationRow& row : rows)
        out.append((QStringList{row.name, row.wmo} + row.cells).join(u'|'));
    return out;
}

QStringList describe(const HistoryTable& rows)
{
    QStringList out;
    for (const HistoryRow& row : rows)
        out.append((QStringList{row.time} + row.cells).join(u'|'));
    return out;
}

QByteArray halfOf(const QByteArray& bytes)
{
    return bytes.left(bytes.size() / 2);
}

} // namespace

class TestFeedReaders : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Stations with different element sets in any order, extra attributes, CALM, missing and
    // empty elements, a station known only by its stn-name, one with no name at all (left
    // out), older periods (ignored), 12 am and 12 pm.
    void stateObservations()
    {
        const auto read = readStateObservations(samplePage("feed_state_nsw.xml"), feedLayout());
        QVERIFY2(read.rows, qPrintable(read.error));
        QCOMPARE(describe(*read.rows),
                 QStringList({
                     "<a>Sydney - Observatory Hill</a>|94768|29/11:50am|17.2|SSW|15|0.2|8.1",
                     "<a>SYDNEY AIRPORT AMO</a>|94767|29/12:30am|9.0|CALM|0|0.0|-",
                     "<a>Penrith Lakes</a>|94763|30/12:00pm|19.9|NW|11|-|-",
                     "<a>Canberra Airport</a>|94926|07/01:30pm|-1.5|ENE|-|0.0|-",
                 }));
        // The full time, for the record: the latest period's, with its offset.
        QCOMPARE(read.rows->first().observed.toString(Qt::ISODate),
                 QStringLiteral("2020-07-29T11:50:00+10:00"));
    }

    // A column naming alternatives takes the first one the station reports, whatever order
    // its elements come in; an empty element does not count. A column the layout gives no
    // element type shows none, not an element without a type.
    void stateAlternatives_data()
    {
        QTest::addColumn<QString>("types");
        QTest::addColumn<QByteArray>("elements");
        QTest::addColumn<QString>("pressure");
        const QString pressure = QStringLiteral("pres | msl_pres|qnh_pres");
        const auto element = [](const char* type, const char* value) {
            return "<element units=\"hPa\" type=\"" + QByteArray(type) + "\">" + value +
                   "</element>";
        };
        QTest::newRow("first alternative, listed last")
            << pressure
            << element("qnh_pres", "1001.0") + element("msl_pres", "1002.0") +
                   element("pres", "1003.0")
            << "1003.0";
        QTest::newRow("second when the first is missing")
            << pressure << element("qnh_pres", "1001.0") + element("msl_pres", "1002.0")
            << "1002.0";
        QTest::newRow("second when the first is empty")
            << pressure << element("pres", " ") + element("msl_pres", "1002.0") << "1002.0";
        QTest::newRow("last resort") << pressure << element("qnh_pres", "1001.0") << "1001.0";
        QTest::newRow("none") << pressure << element("rainfall", "0.2") << "-";
        QTest::newRow("no type") << QString() << QByteArray("<element>7</element>") << "-";
    }

    void stateAlternatives()
    {
        QFETCH(QString, types);
        QFETCH(QByteArray, elements);
        QFETCH(QString, pressure);
        config::StateLayout layout = feedLayout();
        layout.xmlElements[5] = types;
        const auto read =
            readStateObservations("<product><observations><station description=\"A\"><period>" +
                                      elements + "</period></station></observations></product>",
                                  layout);
        QVERIFY2(read.rows, qPrintable(read.error));
        QCOMPARE(read.rows->first().cells.at(5), pressure);
    }

    // The real NSW product with the shipped layout: every station that reports a sea-level
    // pressure shows it (80 automatic stations as `pres`, one manual as `pres` and `msl_pres`).
    void realStateProduct()
    {
        REAL_PRODUCT_OR_SKIP(product, "IDN60920-2020-07-29.xml");
        const config::StateLayout layout = config::loadStateLayout(
            QStringLiteral("NSW"), QStringLiteral(NIMBULO_SOURCE_DIR "/data/weather.ini"));
        const qsizetype pressure = headersOf(layout).indexOf(QStringLiteral("Barometer hPa"));
        QVERIFY(pressure > 0);
        const auto read = readStateObservations(product, layout);
        QVERIFY2(read.rows, qPrintable(read.error));
        QCOMPARE(read.rows->size(), 193);
        QHash<QString, QString> shown;
        QHash<QString, ObservationRow> byName;
        for (const ObservationRow& row : *read.rows) {
            byName.insert(stationNameOf(row.name), row);
            if (row.cells.at(pressure) != u"-")
                shown.insert(stationNameOf(row.name), row.cells.at(pressure));
        }
        QCOMPARE(shown.size(), 81);
        QCOMPARE(shown.value("Sydney - Observatory Hill"), QStringLiteral("1016.0"));

        // Issued 11:51 am on Wednesday 29/07 (+10:00): a manual station's 9 am reading of
        // today is old; Monday's carries its day.
        const auto dated = [&byName](const char* name) {
            const ObservationRow row = byName.value(QString::fromUtf8(name));
            return QStringLiteral("%1 %2").arg(row.otherDay).arg(row.old).trimmed();
        };
        QCOMPARE(dated("Sydney - Observatory Hill"), QStringLiteral("0"));
        QCOMPARE(dated("Moruya Heads"), QStringLiteral("1"));
        QCOMPARE(dated("Batemans Bay"), QStringLiteral("Mon 27/07 1"));
        QCOMPARE(dated("Dorrigo"), QStringLiteral("Tue 28/07 1"));
    }

    // A product is read from its bytes: UTF-8 however it is marked, and older ones in
    // Windows-1252, whatever they declare; a station's name reads the same from each.
    void stateEncodings_data()
    {
        QTest::addColumn<QByteArray>("prolog");
        QTest::addColumn<QByteArray>("name"); // "Café °" in the document's encoding
        const QByteArray utf8 = QStringLiteral("Caf\u00E9 \u00B0").toUtf8();
        const QByteArray windows = "Caf\xE9 \xB0";
        QTest::newRow("UTF-8") << QByteArray() << utf8;
        QTest::newRow("UTF-8 declared")
            << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>") << utf8;
        QTest::newRow("UTF-8 with a byte-order mark") << QByteArray("\xEF\xBB\xBF") << utf8;
        QTest::newRow("Windows-1252") << QByteArray() << windows;
        QTest::newRow("Windows-1252 declared as UTF-8")
            << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>") << windows;
        QTest::newRow("ISO-8859-1 declared")
            << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>") << windows;
    }
    void stateEncodings()
    {
        QFETCH(QByteArray, prolog);
        QFETCH(QByteArray, name);
        const auto read =
            readStateObservations(prolog + "<product><observations><station description=\"" + name +
                                      "\"><period/></station></observations></product>",
                                  feedLayout());
        QVERIFY2(read.rows, qPrintable(read.error));
        QVERIFY2(read.rows->first().name.contains(QStringLiteral("Caf\u00E9 \u00B0")),
                 qPrintable(read.rows->first().name));
    }

    // Texts a station's cells and name cannot show: a cell no reading could fill reads as
    // missing (its neighbours are kept); line breaks read as spaces.
    void stateCellTexts_data()
    {
        QTest::addColumn<QString>("station"); // attributes and elements of one period
        QTest::addColumn<QString>("row");
        QTest::newRow("overlong cell")
            << "description=\"A\"><period><element type=\"air_temperature\">" +
                   QString(kMaxCellChars + 1, u'9') +
                   "</element><element type=\"wind_dir\">NW</element></period>"
            << "<a>A</a>||-|-|NW|-|-|-";
        QTest::newRow("line breaks")
            << "description=\"Sydney&#13;&#10;Airport\" wmo-id=\"9&#10;4\"><period><element "
               "type=\"air_temperature\">&#13;1&#10;2&#9;</element></period>"
            << "<a>Sydney  Airport</a>|9 4|-|1 2|-|-|-|-";
    }

    void stateCellTexts()
    {
        QFETCH(QString, station);
        QFETCH(QString, row);
        const auto read = readStateObservations(
            ("<product><observations><station " + station + "</station></observations></product>")
                .toUtf8(),
            feedLayout());
        QVERIFY2(read.rows, qPrintable(read.error));
        QCOMPARE(describe(*read.rows), QStringList{row});
    }

    void stateObservationsRefused_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QString>("product"); // the address the layout names
        QTest::addColumn<QString>("error");   // the log text begins so

        const QByteArray sample = samplePage("feed_state_nsw.xml");
        const QString notXml = "State observations feed is not well-formed XML (";
        const QString noStations = "State observations feed lists no stations.";
        QTest::newRow("cut short") << halfOf(sample) << kProduct << notXml;
        QTest::newRow("empty") << QByteArray() << kProduct << notXml;
        QTest::newRow("mismatched tags")
            << QByteArray("<product><observations><station description=\"A\">"
                          "</observations></product>")
            << kProduct << notXml;
        QTest::newRow("garbage after the product") << sample + "<product/>" << kProduct << notXml;
        QTest::newRow("another state's product")
            << sample << "https://reg.example/fwo/IDV60920.xml"
            << "State observations feed is product IDN60920, not IDV60920.";
        QTest::newRow("a web page")
            << QByteArray("<html><body><p>403 Forbidden</p></body></html>") << kProduct
            << "State observations feed is not an observations product.";
        QTest::newRow("no stations")
            << QByteArray("<product><amoc><identifier>IDN60920</identifier></amoc>"
                          "<observations/></product>")
            << kProduct << noStations;
        QTest::newRow("only a nameless station")
            << QByteArray("<product><observations><station wmo-id=\"1\"><period "
                          "time-local=\"2020-07-29T11:50:00+10:00\"/></station></observations>"
                          "</product>")
            << kProduct << noStations;
        // One name too long to keep in the settings: the station cannot be chosen.
        QTest::newRow("only a station with an overlong name")
            << "<product><observations><station description=\"" +
                   QByteArray(kMaxStationNameChars + 1, 'N') +
                   "\"><period/></station></observations></product>"
            << kProduct << noStations;
        // An entity used a thousand times: 4 million characters from 9 KB (and 400 million
        // from the 500 KB of a hundred thousand uses).
        const QByteArray dtd =
            "<!DOCTYPE product [<!ENTITY big \"" + QByteArray(4000, 'x') + "\">]>";
        QTest::newRow("DTD with an entity")
            << dtd +
                   "<product><observations><station description=\"A\"><period><element "
                   "type=\"air_temperature\">" +
                   QByteArray(1000, 'x').replace("x", "&big;") +
                   "</element></period>"
                   "</station></observations></product>"
            << kProduct << notXml + "a document type declaration (DTD) is not accepted";
        QTest::newRow("DTD alone")
            << QByteArray(sample).replace("?>", "?><!DOCTYPE product>") << kProduct
            << notXml + "a document type declaration (DTD) is not accepted";
        QTest::newRow("undeclared entity")
            << QByteArray("<product><observations><station description=\"&big;\"/>"
                          "</observations></product>")
            << kProduct << notXml + "Entity 'big' not declared";
    }

    void stateObservationsRefused()
    {
        QFETCH(QByteArray, document);
        QFETCH(QString, product);
        QFETCH(QString, error);
        config::StateLayout layout = feedLayout();
        layout.obsUrl = product;
        const auto read = readStateObservations(document, layout);
        QVERIFY(!read.rows);
        QVERIFY2(read.error.startsWith(error), qPrintable(read.error));
    }

    void bureauTime_data()
    {
        QTest::addColumn<QString>("iso");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char* name, const char* iso, const char* shown) {
            QTest::newRow(name) << QString::fromLatin1(iso) << QString::fromLatin1(shown);
        };
        row("morning", "2020-07-29T11:50:00+10:00", "29/11:50am");
        row("afternoon", "2020-07-07T13:30:00+09:30", "07/01:30pm");
        row("midnight", "2020-07-30T00:00:00+10:00", "30/12:00am");
        row("noon", "2020-07-30T12:00:00+08:00", "30/12:00pm");
        row("no time", "2020-07-30", "-");
        row("hour 24", "2020-07-30T24:00:00+10:00", "-");
        row("letters", "2020-07-3xT12:00:00+10:00", "-");
    }

    void bureauTime()
    {
        QFETCH(QString, iso);
        QFETCH(QString, shown);
        QCOMPARE(bureauTimeText(iso), shown);
    }

    // Numbers, strings, null, "-" and a missing field; each reading placed by its full time
    // (with the offset its UTC time gives); one without a full time is left out.
    void stationHistory()
    {
        const config::StateLayout layout = feedLayout();
        const auto read =
            readStationHistory(samplePage("feed_station_94768.json"), layout, 3, "94768");
        QVERIFY2(read.rows, qPrintable(read.error));
        // The second has no UTC time: it is placed on the computer's clock.
        QStringList rows = describe(*read.rows);
        rows.sort();
        QCOMPARE(rows, QStringList({
                           "29/11:00am|17|CALM|N/F|N/F",
                           "29/11:30am|17.2|SSW|24|0.2",
                       }));
        QVERIFY(std::any_of(read.rows->cbegin(), read.rows->cend(), [](const HistoryRow& row) {
            return row.observed.toString(Qt::ISODate) == u"2020-07-29T11:30:00+10:00";
        }));
    }

    // The bureau's own 72-hour files: every reading kept, newest first, dated by the file's
    // full dates whatever the computer's date; the manual station's once-a-day readings are
    // three days apart.
    void realStationHistories_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("station");
        QTest::addColumn<int>("readings");
        QTest::addColumn<QString>("newest");
        QTest::addColumn<QString>("oldest");
        QTest::newRow("Brisbane") << "IDQ60901.94576.json"
                                  << "94576" << 144 << "2023-05-06T09:30:00+10:00"
                                  << "2023-05-03T10:00:00+10:00";
        QTest::newRow("Batemans Bay, manual") << "IDN60903.94941.json"
                                              << "94941" << 3 << "2024-01-31T09:00:00+11:00"
                                              << "2024-01-29T09:00:00+11:00";
    }

    void realStationHistories()
    {
        QFETCH(QString, file);
        QFETCH(QString, station);
        QFETCH(int, readings);
        QFETCH(QString, newest);
        QFETCH(QString, oldest);
        QFile sample(QStringLiteral(NIMBULO_SOURCE_DIR "/../shared/bureau-samples/") + file);
        if (!sample.open(QIODevice::ReadOnly))
            QSKIP("the bureau's samples (../shared/bureau-samples) are not here");
        const config::StateLayout layout = config::loadStateLayout(
            QStringLiteral("QLD"), QStringLiteral(NIMBULO_SOURCE_DIR "/data/weather.ini"));
        const auto read = readStationHistory(sample.readAll(), layout, 11, station);
        QVERIFY2(read.rows, qPrintable(read.error));
        QCOMPARE(read.rows->size(), readings);
        QCOMPARE(read.rows->first().observed.toString(Qt::ISODate), newest);
        QCOMPARE(read.rows->last().observed.toString(Qt::ISODate), oldest);
        for (qsizetype k = 1; k < read.rows->size(); ++k)
            QVERIFY(read.rows->at(k).observed < read.rows->at(k - 1).observed);
        // Over 12 hours the manual station draws its one reading of those hours, flat.
        const engine::GraphPlot plot =
            engine::plotGraph(*read.rows, 0, engine::Hours12, QSizeF(300, 100));
        QVERIFY(plot.range.found);
        QCOMPARE(plot.points.size(), readings == 3 ? 1 : 25);
    }

    // A history of empty rows keeps nothing of them (bench_record times a million).
    void emptyRowsCostNothing()
    {
        QByteArray document = "{\"observations\":{\"data\":[{}";
        for (int i = 1; i < 20000; ++i)
            document += ",{}";
        document += "]}}";
        const auto read = readStationHistory(document, feedLayout(), 3);
        QVERIFY(read.rows);
        QVERIFY(read.rows->isEmpty());
    }

    void stationHistoryRefused_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QString>("error");
        const QString notJson = "Station history feed is not valid JSON (";
        const QString noRows = "Station history feed lists no observations.";
        const QByteArray sample = samplePage("feed_station_94768.json");
        QTest::newRow("cut short") << halfOf(sample) << notJson;
        QTest::newRow("a web page") << QByteArray("<html>403</html>") << notJson;
        QTest::newRow("no data list") << QByteArray("{\"observations\":{\"header\":[]}}")
                                      << "Station history feed holds no observations data.";
        QTest::newRow("empty data") << QByteArray("{\"observations\":{\"data\":[]}}") << noRows;
        QTest::newRow("data of no objects")
            << QByteArray("{\"observations\":{\"data\":[1,null]}}") << noRows;
        QTest::newRow("another station's product")
            << QByteArray(sample).replace("\"wmo\": 94768", "\"wmo\": 94767")
            << "Station history feed is for station 94767, not 94768.";
    }

    void stationHistoryRefused()
    {
        QFETCH(QByteArray, document);
        QFETCH(QString, error);
        const auto read = readStationHistory(document, feedLayout(), 3, "94768");
        QVERIFY(!read.rows);
        QVERIFY2(read.error.startsWith(error), qPrintable(read.error));
    }

    void historyAddress_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("wmo");
        QTest::addColumn<QString>("feedUrl"); // st_hist_url
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("number"); // read back from the address
        const auto row = [](const char* name, const QString& station, const char* wmo,
                            const QString& feedUrl, const QString& address, const char* number) {
            QTest::newRow(name) << station << QString::fromLatin1(wmo) << feedUrl << address
                                << QString::fromLatin1(number);
        };
        const QString page = "<a href=\"/products/IDN60801/IDN60801.94768.shtml\">Sydney</a>";
        const QString json = "https://reg.example/fwo/IDN60801/IDN60801.{wmo}.json";
        const QString feedRow = QStringLiteral("<a>Sydney</a>");
        row("page link", page, "", {}, "http://bom/products/IDN60801/IDN60801.94768.shtml", "");
        row("page row, JSON history", page, "", json,
            "https://reg.example/fwo/IDN60801/IDN60801.94768.json", "94768");
        row("feed row, JSON history", feedRow, "94767", json,
            "https://reg.example/fwo/IDN60801/IDN60801.94767.json", "94767");
        row("feed row, no history address", feedRow, "94767", {}, {}, "");
        row("link without a number", "<a href=\"/hist/sydney.shtml\">Sydney</a>", "", json,
            "http://bom/hist/sydney.shtml", "");
        row("link with a part not a number", "<a href=\"/p/IDN60801.9476x.shtml\">Sydney</a>", "",
            json, "http://bom/p/IDN60801.9476x.shtml", "");
    }

    void historyAddress()
    {
        QFETCH(QString, name);
        QFETCH(QString, wmo);
        QFETCH(QString, feedUrl);
        QFETCH(QString, address);
        QFETCH(QString, number);
        config::StateLayout layout;
        layout.historyUrl = feedUrl;
        ObservationRow row{name, {}, wmo};
        QCOMPARE(stationHistoryUrl(row, layout, QStringLiteral("http://bom/")), address);
        QCOMPARE(stationOfHistoryUrl(address, layout), number);
    }
};

QTEST_GUILESS_MAIN(TestFeedReaders)
#include "tst_feed_readers.moc"
