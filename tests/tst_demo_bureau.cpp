// The shipped layout file and the demo bureau that stands in for the bureau's pages: the layout
// loads for every region, the generated pages read with the program's own parsers into the
// stations' readings, and the server answers (and misbehaves) over real sockets on 127.0.0.1.

#include "common/ini_file.h"
#include "real_products.h"
#include "tools/demo-bureau/bureau_feeds.h"
#include "tools/demo-bureau/bureau_pages.h"
#include "tools/demo-bureau/bureau_site.h"
#include "tools/demo-bureau/demo_server.h"
#include "tools/demo-bureau/station_data.h"
#include "weather/config/layout_file.h"
#include "weather/engine/history_feed.h"
#include "weather/engine/history_graph.h"
#include "weather/engine/observation_parser.h"
#include "weather/engine/state_feed.h"
#include "weather/engine/town_forecast.h"
#include "weather/engine/warning_watch.h"

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QXmlStreamReader>

#include <algorithm>
#include <memory>

using namespace demo;

namespace {

const QString kLayout = QStringLiteral(NIMBULO_SOURCE_DIR "/data/weather.ini");

// 1:30 pm in the eastern states, on the half hour everywhere.
const qint64 kNow =
    QDateTime::fromString(QStringLiteral("2025-01-07T03:30:00Z"), Qt::ISODate).toSecsSinceEpoch();

// The readings behind the layout's columns after Date/Time: the regional table shows the
// mean-sea-level pressure, and the history table's QNH pressure is the cell the layout skips.
const Quantity kColumnQuantities[] = {Temp,       AppTemp,     DewPoint,   RelHum,
                                      DeltaT,     WindDir,     WindSpdKmh, WindGustKmh,
                                      WindSpdKts, WindGustKts, PressMsl,   RainSince9am};

// The cells the program should read for a reading: the time, then one per column quantity.
QStringList cellsOf(const Reading& reading, const QString& noValue)
{
    QStringList cells{reading.dateTime};
    for (Quantity q : kColumnQuantities)
        cells << (reading.values[q] == QLatin1String("-") ? noValue : reading.values[q]);
    return cells;
}

// A value the bureau could show in a column with this unit sign ("-" is always possible).
bool saneValue(const QString& value, const QString& sign, bool windDir)
{
    static const QStringList compass =
        QStringLiteral("N NNE NE ENE E ESE SE SSE S SSW SW WSW W WNW NW NNW CALM").split(u' ');
    static const QRegularExpression decimal(QStringLiteral("^-?\\d+\\.\\d$"));
    static const QRegularExpression whole(QStringLiteral("^\\d+$"));
    const double v = value.toDouble();
    const auto in = [&](const QRegularExpression& form, double low, double high) {
        return form.match(value).hasMatch() && v >= low && v <= high;
    };
    if (value == QLatin1String("-"))
        return true;
    if (windDir)
        return compass.contains(value);
    if (sign == u"°C")
        return in(decimal, -59.9, 59.9);
    if (sign == u"%")
        return in(whole, 0, 100);
    if (sign == u"km/h" || sign == u"kts")
        return in(whole, 0, 299);
    if (sign == u"hPa")
        return in(decimal, 900.1, 1099.9);
    return sign == u"mm" && in(decimal, 0, 1e6);
}

// Columns the graph offers: after the fixed ones, without the wind direction.
int graphCountOf(const config::StateLayout& layout)
{
    int count = 0;
    for (int i = layout.fixedColumns + 1; i <= layout.columnCount; ++i)
        count += i != layout.windDirColumn ? 1 : 0;
    return count;
}

// What a state observations product is made of: the element types each kind of station
// ("AWS", "Non-AWS") reports, the attributes of each element type and of the stations.
struct ProductShape
{
    QHash<QString, QSet<QString>> elementsOfKind;
    QHash<QString, QSet<QString>> attributesOf;
    QSet<QString> stationAttributes;
};

ProductShape shapeOf(const QByteArray& product)
{
    ProductShape shape;
    QXmlStreamReader xml(product);
    QString kind;
    const auto names = [](const QXmlStreamAttributes& attributes) {
        QSet<QString> set;
        for (const QXmlStreamAttribute& a : attributes)
            set.insert(a.name().toString());
        return set;
    };
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"station") {
            kind = xml.attributes().value("type").toString();
            shape.stationAttributes.unite(names(xml.attributes()));
        } else if (xml.name() == u"element") {
            const QString type = xml.attributes().value("type").toString();
            shape.elementsOfKind[kind].insert(type);
            shape.attributesOf[type].unite(names(xml.attributes()));
        }
    }
    return shape;
}

struct Exchange
{
    QByteArray head;
    QByteArray body;
    int status = 0;
    qsizetype contentLength = -1;
};

Exchange splitResponse(const QByteArray& bytes)
{
    Exchange e;
    const qsizetype end = bytes.indexOf("\r\n\r\n");
    e.head = bytes.left(end);
    e.body = end < 0 ? QByteArray() : bytes.mid(end + 4);
    e.status = bytes.mid(bytes.indexOf(' ') + 1, 3).toInt();
    static const QRegularExpression length(QStringLiteral("\r\nContent-Length: (\\d+)\r\n"));
    const auto m = length.match(QString::fromLatin1(e.head + "\r\n"));
    if (m.hasMatch())
        e.contentLength = m.captured(1).toLongLong();
    return e;
}

// A client connection to the demo server that collects everything it receives.
struct Client
{
    explicit Client(quint16 port)
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] { received += socket.readAll(); });
        socket.connectToHost(QHostAddress::LocalHost, port);
    }
    bool waitForClose()
    {
        return QTest::qWaitFor([this] { return !closed.isEmpty(); }, 10'000);
    }
    Exchange response() const { return splitResponse(received); }

    QTcpSocket socket;
    QByteArray received;
    QSignalSpy closed{&socket, &QTcpSocket::disconnected};
};

std::unique_ptr<DemoServer> startServer(const QString& options)
{
    Misbehaviour defaults;
    QString error;
    if (!defaults.setItems(options, &error))
        qFatal("bad options %s", qPrintable(error));
    auto server = std::make_unique<DemoServer>(BureauSite::fromLayout(kLayout), defaults);
    server->setClock(kNow);
    if (!server->listen(0))
        qFatal("cannot listen: %s", qPrintable(server->errorString()));
    return server;
}

} // namespace

class TestDemoBureau : public QObject
{
    Q_OBJECT

    BureauSite site_ = BureauSite::fromLayout(kLayout);

private slots:
    // As a CDN: validators on every product, 304 to a request that names them, gzip when asked.
    void actsAsCdn_data()
    {
        QTest::addColumn<QByteArray>("extra"); // header lines of the request
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("compressed");
        QTest::newRow("plain") << QByteArray() << 200 << false;
        QTest::newRow("gzip asked")
            << QByteArray("\r\nAccept-Encoding: deflate, gzip") << 200 << true;
        QTest::newRow("tag named") << QByteArray("\r\nIf-None-Match: %etag") << 304 << false;
        QTest::newRow("other tag") << QByteArray("\r\nIf-None-Match: \"x\"") << 200 << false;
        QTest::newRow("not modified since")
            << QByteArray("\r\nIf-Modified-Since: %date") << 304 << false;
    }
    void actsAsCdn()
    {
        QFETCH(QByteArray, extra);
        QFETCH(int, status);
        QFETCH(bool, compressed);
        QHash<QString, Version> versions;
        const QByteArray get = "GET /fwo/IDN60920.xml HTTP/1.0";
        Answer first = answerRequest(get, site_, {}, kNow);
        actAsCdn(first, get, versions, kNow);
        const auto header = [&first](const QByteArray& name) {
            const QByteArray head = first.bytes.left(first.headSize);
            const qsizetype at = head.indexOf(name + ": ") + name.size() + 2;
            return head.mid(at, head.indexOf("\r\n", at) - at);
        };
        const QByteArray head =
            get + extra.replace("%etag", header("ETag")).replace("%date", header("Last-Modified"));
        Answer again = answerRequest(head, site_, {}, kNow + 60);
        const QByteArray plain = again.bytes.mid(again.headSize);
        actAsCdn(again, head, versions, kNow + 60);
        QCOMPARE(again.status, status);
        QCOMPARE(again.bytes.left(again.headSize).contains("Content-Encoding: gzip"), compressed);
        QCOMPARE(again.bytes.mid(again.headSize),
                 status == 304 ? QByteArray()
                 : compressed  ? again.bytes.mid(again.headSize) // checked by size below
                               : plain);
        if (compressed)
            QVERIFY(again.bytes.size() - again.headSize < plain.size() / 3);
        QVERIFY(again.bytes.contains("ETag: \"") && again.bytes.contains("Last-Modified: "));
    }

    void layoutFileIsWellFormed()
    {
        QFile file(kLayout);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(QString::fromUtf8(bytes).toUtf8() == bytes); // valid UTF-8
        // Every value reaches the program whole.
        for (const QByteArray& line : bytes.split('\n')) {
            const qsizetype eq = line.indexOf('=');
            if (eq > 0 && !line.startsWith(';'))
                QVERIFY2(line.mid(eq + 1).trimmed().size() <= common::kIniValueLimit, line.data());
        }
        // What the layout update accepts: "[FixedSetting]" and "[EOF]" in the last 21 characters.
        QVERIFY(bytes.contains("[FixedSetting]"));
        QVERIFY(bytes.indexOf("[EOF]", bytes.size() - 21) >= 0);
        const config::RegionList regions = config::loadRegionList(kLayout);
        QCOMPARE(regions.displayNames.size(), 8);
        QCOMPARE(site_.skippedRegions(), QStringList());
    }

    void region_data()
    {
        QTest::addColumn<QString>("section");
        for (const QString& section : config::loadRegionList(kLayout).sections)
            QTest::newRow(qPrintable(section)) << section;
    }

    // A region's layout entries, and its feeds read by the program's readers: every station of
    // the product once, with the cells of its current reading in the layout's columns, the
    // same cells as its row of the observation page; and 72 hours of half-hourly readings in
    // its JSON product, the same as on its history page.
    void region()
    {
        QFETCH(QString, section);
        const config::StateLayout layout = config::loadStateLayout(section, kLayout);
        QCOMPARE(layout.columnCount, int(std::size(kColumnQuantities)) + 1);
        // The level icon and the trend read the first stat column.
        QVERIFY(layout.columns.at(1).header.startsWith(QLatin1String("Temp")));
        QCOMPARE(layout.columns.at(layout.windDirColumn - 1).header, QStringLiteral("Wind Dir"));
        for (const config::LayoutColumn& column : layout.columns) {
            QVERIFY2(!common::readIni(QStringLiteral("Trans"), column.header, kLayout).isEmpty(),
                     qPrintable(column.header));
        }
        for (const auto& pages : {layout.forecastPages, layout.radarPages, layout.infoPages}) {
            for (const config::LayoutPage& page : pages)
                QCOMPARE(site_.page(sitePath(page.url), kNow).status, 200);
        }
        QCOMPARE(site_.page(sitePath(layout.mapUrl), kNow).status, 200);

        QVERIFY(layout.obsFeed == config::ObservationFeed::Xml);
        QVERIFY(layout.historyFeed == config::HistoryFeed::Json);
        const Page product = site_.page(sitePath(layout.obsUrl), kNow);
        QCOMPARE(product.status, 200);
        // The second address names the same product.
        QCOMPARE(site_.page(sitePath(layout.obsFallbackUrl), kNow).body, product.body);
        const auto read = engine::readStateObservations(product.body, layout);
        QVERIFY2(read.rows, qPrintable(read.error));

        // The regions of the product's letter, and their observation pages' rows.
        const QChar letter = engine::productIdOf(layout.obsUrl).at(2);
        config::StateLayout pageLayout = layout;
        pageLayout.obsFeed = config::ObservationFeed::Html;
        QList<std::pair<const Region*, engine::RowTable>> regions;
        qsizetype stations = 0;
        for (const Region& r : builtInRegions()) {
            if (r.productLetter != letter)
                continue;
            const Page page =
                site_.page(QStringLiteral("/%1/observations/%1all.shtml").arg(r.code), kNow);
            const auto rows =
                engine::cutDataBlock(QString::fromUtf8(page.body), pageLayout, layout.columnCount);
            QVERIFY(rows);
            regions.append({&r, *rows});
            stations += r.stations.size();
        }
        QCOMPARE(read.rows->size(), stations);

        for (const engine::ObservationRow& row : *read.rows) {
            // The station list takes the text after the first ">" without its last 4 characters.
            const QString name = row.name.mid(row.name.indexOf(QLatin1Char('>')) + 1).chopped(4);
            const Region* region = nullptr;
            const Station* station = nullptr;
            const engine::ObservationRow* pageRow = nullptr;
            for (const auto& [r, rows] : regions) {
                for (const Station& s : r->stations) {
                    if (s.name == name) {
                        region = r;
                        station = &s;
                    }
                }
                for (const engine::ObservationRow& candidate : rows) {
                    if (candidate.name.contains(QLatin1Char('>') + name + QLatin1Char('<')))
                        pageRow = &candidate;
                }
            }
            QVERIFY2(station && pageRow, qPrintable(row.name));
            QCOMPARE(row.wmo, station->wmo);
            QCOMPARE(row.cells, cellsOf(readingAt(*region, *station,
                                                  latestObservation(*region, *station, kNow)),
                                        QStringLiteral("-")));
            QCOMPARE(row.cells, pageRow->cells);

            const QString history = engine::stationHistoryUrl(row, layout, config::bureauRoot());
            QCOMPARE(sitePath(history), stationProductPath(*region, *station));
            const auto json = engine::readStationHistory(site_.page(sitePath(history), kNow).body,
                                                         layout, graphCountOf(layout));
            QVERIFY2(json.rows, qPrintable(json.error));
            // The page writes days of the month: dated on the stations' latest possible date.
            const auto page = engine::readHistoryPage(
                QString::fromUtf8(site_.page(historyPath(*region, *station), kNow).body), layout,
                graphCountOf(layout),
                QDateTime::fromSecsSinceEpoch(kNow + 14 * 3600, Qt::UTC).date());
            QVERIFY(page);
            QCOMPARE(json.rows->size(), kHistoryRows);
            QCOMPARE(page->size(), kHistoryRows);
            for (int r = 0; r < kHistoryRows; ++r) {
                const Reading reading = readingAt(*region, *station, kNow - r * 1800);
                const QStringList cells = cellsOf(reading, engine::kNoValue.toString());
                QCOMPARE(page->at(r).time, cells.first());
                QCOMPARE(page->at(r).cells, cells.mid(1));
                QCOMPARE(json.rows->at(r).time, cells.first());
                QCOMPARE(json.rows->at(r).observed.toSecsSinceEpoch(), reading.utcSeconds);
                // JSON numbers come in their shortest form: 17.0 reads 17.
                for (int c = 1; c < cells.size(); ++c) {
                    const QString& got = json.rows->at(r).cells.at(c - 1);
                    QVERIFY2(got == cells.at(c) || (got.toDouble() == cells.at(c).toDouble() &&
                                                    cells.at(c) != engine::kNoValue),
                             qPrintable(got + " / " + cells.at(c)));
                }
                for (int c = 1; c < layout.columnCount; ++c) {
                    QVERIFY2(saneValue(reading.values[kColumnQuantities[c - 1]],
                                       layout.columns.at(c).sign, c + 1 == layout.windDirColumn),
                             qPrintable(reading.values[kColumnQuantities[c - 1]]));
                }
            }
        }
    }

    // The demo's NSW product has the real one's shape: automatic and manual stations, each
    // kind reporting only elements the real kind reports, with the real attributes (the rain's
    // period and duration); the sea-level pressure as `pres` or `msl_pres` by the hour.
    void productTakesTheRealShape()
    {
        REAL_PRODUCT_OR_SKIP(real, "IDN60920-2020-07-29.xml");
        const ProductShape want = shapeOf(real);
        const Region& nsw = *findRegion(u"nsw");
        const qint64 synoptic = kNow - 30 * 60; // 03:00 UTC
        const ProductShape now = shapeOf(stateProduct({&nsw}, u'N', kNow));
        const ProductShape atSynoptic = shapeOf(stateProduct({&nsw}, u'N', synoptic));
        QCOMPARE(QSet<QString>(now.elementsOfKind.keyBegin(), now.elementsOfKind.keyEnd()),
                 QSet<QString>({"AWS", "Non-AWS"}));
        // At the synoptic hours automatic stations say msl_pres where the sample says pres.
        for (auto it = now.elementsOfKind.cbegin(); it != now.elementsOfKind.cend(); ++it) {
            const QSet<QString> extra =
                QSet<QString>(it.value()).subtract(want.elementsOfKind.value(it.key()));
            QVERIFY2(extra.isEmpty(), qPrintable(it.key() + ": " + extra.values().join(' ')));
        }
        for (const ProductShape* shape : {&now, &atSynoptic}) {
            for (auto it = shape->attributesOf.cbegin(); it != shape->attributesOf.cend(); ++it)
                QVERIFY2(want.attributesOf.value(it.key()).contains(it.value()),
                         qPrintable(it.key()));
            QVERIFY(want.stationAttributes.contains(shape->stationAttributes));
            QCOMPARE(shape->attributesOf.value("rainfall"), want.attributesOf.value("rainfall"));
        }
        QVERIFY(now.stationAttributes.contains("forecast-district-id"));
        QVERIFY(now.elementsOfKind.value("AWS").contains("pres"));
        QVERIFY(!now.elementsOfKind.value("AWS").contains("msl_pres"));
        QVERIFY(atSynoptic.elementsOfKind.value("AWS").contains("msl_pres"));
        QVERIFY(now.elementsOfKind.value("Non-AWS").contains("msl_pres"));
        QVERIFY(!now.elementsOfKind.value("Non-AWS").contains("gust_kmh"));
    }

    // The region's town forecasts in the bureau's shape, read by the program's reader at both
    // addresses: issued within the last half day, a town for every station of the region in
    // the station's district whose name begins the station's, seven periods from the day of
    // issue on, each whole day with its minimum and maximum; Antarctica has none.
    void townForecasts_data() { region_data(); }
    void townForecasts()
    {
        QFETCH(QString, section);
        const config::StateLayout layout = config::loadStateLayout(section, kLayout);
        const Region* region = findRegion(section.toLower());
        QVERIFY(region);
        if (layout.townForecastUrl.isEmpty()) {
            QVERIFY(townForecastProductId(*region).isEmpty());
            return;
        }
        const Page product = site_.page(sitePath(layout.townForecastUrl), kNow);
        QCOMPARE(product.status, 200);
        QCOMPARE(site_.page(sitePath(layout.townForecastFallbackUrl), kNow).body, product.body);
        const auto read =
            engine::readTownForecasts(product.body, engine::productIdOf(layout.townForecastUrl));
        QVERIFY2(read.rows, qPrintable(read.error));
        const engine::TownForecasts& forecasts = *read.rows;
        const qint64 age = forecasts.issued.secsTo(QDateTime::fromSecsSinceEpoch(kNow));
        QVERIFY2(age >= 0 && age < 12 * 3600, qPrintable(QString::number(age)));

        const auto observations =
            engine::readStateObservations(site_.page(sitePath(layout.obsUrl), kNow).body, layout);
        QVERIFY(observations.rows);
        for (const Station& station : region->stations) {
            const auto row =
                std::find_if(observations.rows->cbegin(), observations.rows->cend(),
                             [&](const engine::ObservationRow& r) { return r.wmo == station.wmo; });
            QVERIFY(row != observations.rows->cend());
            const engine::ForecastTown* town =
                forecasts.town(engine::defaultTownOf(forecasts, row->district, station.name));
            QVERIFY2(town && station.name.startsWith(town->name), qPrintable(station.name));
            QCOMPARE(town->periods.size(), 7);
            for (qsizetype i = 0; i < town->periods.size(); ++i) {
                const engine::ForecastPeriod& period = town->periods.at(i);
                QVERIFY(engine::knownIconCode(period.iconCode) && !period.precis.isEmpty());
                QCOMPARE(period.start.date(), town->periods.first().start.date().addDays(i));
                if (i > 0)
                    QVERIFY(period.minimum && period.maximum && *period.minimum <= *period.maximum);
            }
        }
    }

    // Every state's warnings at the layout's addresses, read by the program's readers and
    // rules: the frost warning of the last district always, the switchable one for the first
    // station's district in its stage (its full product and page too); Antarctica has none.
    void warnings_data() { region_data(); }
    void warnings()
    {
        QFETCH(QString, section);
        const config::StateLayout layout = config::loadStateLayout(section, kLayout);
        const Region* region = findRegion(section.toLower());
        QVERIFY(region);
        if (layout.warningListUrl.isEmpty()) {
            QVERIFY(warningListId(*region).isEmpty());
            return;
        }
        const QString district = forecastDistrictId(*region, region->stations.first().district);
        for (const auto stage :
             {WarningStage::None, WarningStage::New, WarningStage::Update, WarningStage::Ended}) {
            BureauSite site = BureauSite::fromLayout(kLayout);
            site.holdWarning(stage);
            const auto page = [&site](const QString& url, const QString& id = {}) {
                return site.page(sitePath(config::warningAddress(url, id)), kNow);
            };
            const QByteArray list = page(layout.warningListUrl).body;
            QCOMPARE(page(layout.warningListFallbackUrl).body, list);
            const auto read =
                engine::readWarningList(list, engine::warningProductIdIn(layout.warningListUrl));
            QVERIFY2(read.rows, qPrintable(read.error));
            QList<engine::KnownWarning> known;
            for (const engine::WarningListItem& item : read.rows->items) {
                const auto amoc = engine::readWarningCompanion(
                    page(layout.warningAmocUrl, item.id).body, item.id);
                QVERIFY2(amoc.rows, qPrintable(amoc.error));
                const auto product = engine::readWarningProduct(
                    page(layout.warningProductUrl, item.id).body, item.id);
                QVERIFY2(product.rows, qPrintable(product.error));
                QCOMPARE(page(layout.warningPageUrl, item.id).status, 200);
                known.append({item, *amoc.rows});
            }
            const QDateTime now = QDateTime::fromSecsSinceEpoch(kNow);
            const QString last = forecastDistrictId(*region, int(region->districts.size()) - 1);
            QCOMPARE(engine::warningsInForce(known, last, now, QString()).size(), 1);
            const auto here = engine::warningsInForce(known, district, now, QString());
            const bool shown = stage == WarningStage::New || stage == WarningStage::Update;
            QCOMPARE(here.size(), shown ? 1 : 0);
            if (shown)
                QCOMPARE(here.first().severity, stage == WarningStage::New ? "STD" : "SEV");
        }
    }

    // The demo follows the clock: its pages change with every step, a station is warmest in the
    // afternoon, and Sydney's forecast maxima are higher in January than in July.
    void followsTheClock()
    {
        const Region& nsw = *findRegion(u"nsw");
        QCOMPARE(observationPage(nsw, kNow), observationPage(nsw, kNow));
        QVERIFY(observationPage(nsw, kNow + kStepSeconds) != observationPage(nsw, kNow));
        const qint64 midnight = kNow - 13 * 3600 - 30 * 60; // now is 1:30 pm local
        const auto tempAt = [&](int hour) {
            return readingAt(nsw, nsw.stations.first(), midnight + hour * 3600)
                .values[Temp]
                .toDouble();
        };
        QVERIFY2(tempAt(15) > tempAt(4) + 2, qPrintable(QString::number(tempAt(15))));
        const auto sydneyMaximum = [&nsw](qint64 when) {
            const auto read = engine::readTownForecasts(townForecastProduct(nsw, when),
                                                        QStringLiteral("IDN11060"));
            int sum = 0;
            for (const engine::ForecastTown& t : read.rows->towns) {
                for (const engine::ForecastPeriod& period : t.periods.mid(1))
                    sum += t.name == u"Sydney" ? *period.maximum : 0;
            }
            return sum / 6;
        };
        QVERIFY(townForecastProduct(nsw, kNow) != townForecastProduct(nsw, kNow + 86400));
        QVERIFY2(sydneyMaximum(kNow) > sydneyMaximum(kNow + 181 * 86400) + 4,
                 qPrintable(QString::number(sydneyMaximum(kNow))));
    }

    void versionFile()
    {
        const QString path = QStringLiteral("/freeload/wthrvers.txt");
        const QString ver =
            common::readIni(QStringLiteral("FixedSetting"), QStringLiteral("ver"), kLayout);
        QCOMPARE(site_.page(path, kNow).body, "exe=1.5.8\r\nini=" + ver.toLatin1() + "\r\n");
        BureauSite site = BureauSite::fromLayout(kLayout);
        site.setExeVersion(QStringLiteral("1.5.9"));
        site.setIniVersion(QStringLiteral("2.0.1"));
        QCOMPARE(site.page(path, kNow).body, QByteArray("exe=1.5.9\r\nini=2.0.1\r\n"));
    }

    void serves_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("header"); // a header line the answer carries
        QTest::addColumn<QByteArray>("body");   // text the body holds

        const QByteArray obs = "/nsw/observations/nswall.shtml";
        const auto get = [&](const QByteArray& prefix, const QByteArray& headers = {}) {
            return "GET " + prefix + obs + " HTTP/1.0\r\n" + headers + "\r\n";
        };
        const QByteArray html = "Content-Type: text/html; charset=utf-8";
        const QByteArray basic = "Proxy-Authenticate: Basic realm=\"demo-bureau\"";
        const QByteArray moved = "Location: /moved" + obs;

        // A request with its expected status and body text, the header the answer carries and
        // the server's own misbehaviour options.
        const auto row = [&](const char* name, const QByteArray& request, int status,
                             const QByteArray& body = {}, const QByteArray& header = {},
                             const char* options = "") {
            QTest::newRow(name) << QString::fromLatin1(options) << request << status
                                << (header.isEmpty() ? html : header) << body;
        };
        row("origin form", get(""), 200, "tabledata");
        row("absolute form, as a proxy receives it",
            "GET http://www.bom.gov.au/vic/observations/vicall.shtml HTTP/1.0\r\n"
            "Accept: text/html\r\n\r\n",
            200, "Melbourne (Olympic Park)");
        row("layout file, line feeds only", "GET /freeload/weather.ini HTTP/1.0\n\n", 200,
            "[FixedSetting]", "Content-Type: text/plain");
        row("state product at the FTP server's path",
            "GET ftp://ftp.bom.gov.au/anon/gen/fwo/IDN60920.xml HTTP/1.0\r\n\r\n", 200,
            "<identifier>IDN60920</identifier>", "Content-Type: application/xml");
        row("station product", "GET /fwo/IDV60801/IDV60801.95936.json HTTP/1.0\r\n\r\n", 200,
            "\"wmo\": 95936", "Content-Type: application/json");
        row("unknown path", "GET /nsw/nothing.shtml HTTP/1.0\r\n\r\n", 404, "404");
        row("not GET", "POST " + obs + " HTTP/1.0\r\n\r\n", 405, {}, "Allow: GET");
        row("garbage", "hello\r\n\r\n", 400);
        row("oversized request head", "GET /" + QByteArray(20'000, 'a'), 400);
        row("unknown misbehaviour", get("/_misbehave/bogus=1"), 400);
        row("301 by option", get(""), 301, "301", moved, "status=301");
        row("407 Digest", get(""), 407, {},
            "Proxy-Authenticate: Digest realm=\"demo-bureau\", qop=\"auth\"",
            "status=407,auth-scheme=Digest");
        row("path overrides option", get("/_misbehave/status=200"), 200, "tabledata", {},
            "status=407");
        const char* auth = "require-auth=user:secret";
        const QByteArray credentials = "dXNlcjpzZWNyZXQ="; // user:secret
        row("auth required, none sent", get("", "Accept: text/html\r\n"), 407, {}, basic, auth);
        row("auth required, basic sent in other capitals",
            get("", "proxy-authorization: bASIC " + credentials + "\r\n"), 200, "tabledata", {},
            auth);
        row("auth required, wrong password",
            get("", "Proxy-Authorization: Basic dXNlcjp3cm9uZw==\r\n"), 407, {}, basic, auth);
        row("delayed and dripped", get(""), 200, "</html>", {}, "delay=20,drip=4096");
    }

    void serves()
    {
        QFETCH(QString, options);
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        QFETCH(QByteArray, header);
        QFETCH(QByteArray, body);
        const auto server = startServer(options);
        Client client(server->port());
        client.socket.write(request);
        QVERIFY(client.waitForClose());
        const Exchange e = client.response();
        QVERIFY2(e.head.startsWith("HTTP/1.0 "), e.head.constData());
        QCOMPARE(e.status, status);
        QVERIFY2(e.head.contains("\r\n" + header), e.head.constData());
        QCOMPARE(e.contentLength, e.body.size());
        QVERIFY(e.body.contains(body));
        QVERIFY(QTest::qWaitFor([&] { return server->openConnections() == 0; }));
    }

    void cutClosesEarly()
    {
        const auto server = startServer(QStringLiteral("cut=100"));
        Client client(server->port());
        client.socket.write("GET /nsw/observations/nswall.shtml HTTP/1.0\r\n\r\n");
        QVERIFY(client.waitForClose());
        QCOMPARE(client.response().body.size(), 100);
        QVERIFY(client.response().contentLength > 100);
    }

    void neverCloseKeepsConnectionWhileOthersAreServed()
    {
        const auto server = startServer(QStringLiteral("never-close"));
        Client lingering(server->port());
        lingering.socket.write("GET /freeload/wthrvers.txt HTTP/1.0\r\n\r\n");
        QVERIFY(QTest::qWaitFor([&] {
            const Exchange e = lingering.response();
            return e.contentLength >= 0 && e.body.size() >= e.contentLength;
        }));
        // Another client is served meanwhile (its own request turns the lingering off).
        Client other(server->port());
        other.socket.write("GET /_misbehave/never-close=0/freeload/wthrvers.txt HTTP/1.0\r\n\r\n");
        QVERIFY(other.waitForClose());
        QCOMPARE(other.response().body, lingering.response().body);
        QCOMPARE(server->openConnections(), 1);
    }
};

QTEST_GUILESS_MAIN(TestDemoBureau)
#include "tst_demo_bureau.moc"
