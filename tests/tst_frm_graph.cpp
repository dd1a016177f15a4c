#include "find_control.h"
#include "graph_sample.h"
#include "page_server.h"
#include "platform/desktop.h"
#include "tools/demo-bureau/bureau_feeds.h"
#include "tools/demo-bureau/bureau_pages.h"
#include "weather/app/frm_weather.h"
#include "weather/app/weather_app.h"
#include "weather/config/settings.h"
#include "weather/engine/frm_graph.h"
#include "weather/engine/monitor.h"
#include "weather/engine/observation_record.h"
#include "weather/net/error_log.h"
#include "weather/net/frm_inet.h"
#include "weather/shell/frm_menu.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using engine::frmGraph;
using engine::GraphPage;
using engine::HistoryRow;
using engine::HistoryTable;

namespace {

// The graph list of a layout as the region load fills it.
engine::ListModel graphListOf(const config::StateLayout& layout)
{
    engine::ListModel list;
    for (int i = layout.fixedColumns + 1; i <= layout.columnCount; ++i) {
        if (i == layout.windDirColumn)
            continue;
        list.entries.append(layout.columns.at(i - 1).header);
        list.columns.append(i - 1);
    }
    list.selected = 0;
    return list;
}

// Station time on 8 March 2024 (+10:00).
QDateTime at(int day, int hour, int minute)
{
    return QDateTime(QDate(2024, 3, day), QTime(hour, minute), Qt::OffsetFromUTC, 10 * 3600);
}

// Five readings around midnight, newest first: temperature, direction, speed, rain.
HistoryTable midnightTable()
{
    return {HistoryRow{QStringLiteral("08/01:00am"), {"20", "N", "10", "0"}, at(8, 1, 0)},
            HistoryRow{QStringLiteral("08/12:30am"), {"21", "NE", "0", "0"}, at(8, 0, 30)},
            HistoryRow{QStringLiteral("08/12:00am"), {"25", "E", "30", "0"}, at(8, 0, 0)},
            HistoryRow{QStringLiteral("07/11:30pm"), {"18", "SE", "5", "0"}, at(7, 23, 30)},
            HistoryRow{QStringLiteral("07/11:00pm"), {"19", "S", "N/F", "0"}, at(7, 23, 0)}};
}

bool isLineColour(QRgb p)
{
    return qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) < 60;
}

bool isWhite(QRgb p)
{
    return qRed(p) == 255 && qGreen(p) == 255 && qBlue(p) == 255;
}

// The antialiased line covers a pixel fully somewhere around each of its points.
bool lineNear(const QImage& image, int x, int y)
{
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            const QPoint p(x + dx, y + dy);
            if (image.rect().contains(p) && isLineColour(image.pixel(p)))
                return true;
        }
    }
    return false;
}

int linePixels(QWidget* canvas)
{
    const QImage image = canvas->grab().toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += isLineColour(image.pixel(x, y)) ? 1 : 0;
    }
    return count;
}

} // namespace

class TestFrmGraph : public QObject
{
    Q_OBJECT

    std::unique_ptr<PageServer> server_;
    net::FetchState fetchState_;
    config::ProxySettings proxy_;
    net::ErrorLog log_;
    std::unique_ptr<net::frmInet> inet_;
    std::unique_ptr<GraphPage> graph_;
    QStringList opened_;

    // A window drawing `table` as the graph page would after its download, over 12 hours.
    static void showTable(frmGraph& window, int stat = 0)
    {
        const config::StateLayout layout = sampleLayout();
        window.setSource(layout, graphListOf(layout), QStringLiteral("http://bom/hist.shtml"),
                         QStringLiteral("Test Station"));
        window.resize(640, 400);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        child<QComboBox>(window, "cmbGrpHrs")->setCurrentIndex(engine::Hours12);
        child<QComboBox>(window, "cmbGrphType")->setCurrentIndex(stat);
        window.drawGraph();
    }

    void fetchSample(const config::StateLayout& layout = sampleLayout())
    {
        graph_->getGraphPage(layout, QStringLiteral("http://bom/hist.shtml"), graphListOf(layout),
                             QStringLiteral("Test Station"));
    }

private Q_SLOTS:
    void init()
    {
        server_ = std::make_unique<PageServer>();
        server_->setPage(QString(), samplePage(QStringLiteral("graph_half_hourly.html")));
        proxy_.useProxy = true;
        proxy_.server = QStringLiteral("127.0.0.1");
        proxy_.port = QString::number(server_->port());
        fetchState_ = net::FetchState{};
        inet_ = std::make_unique<net::frmInet>(fetchState_, proxy_, log_);
        inet_->setTimeLimits(10000, 10000);
        graph_ = std::make_unique<GraphPage>(*inet_, log_);
        graph_->setClock([] { return QDate(2024, 3, 8); });
        opened_.clear();
        platform::setUrlOpener([this](const QString& url) { opened_.append(url); });
    }

    void cleanup()
    {
        graph_.reset();
        inet_.reset();
        platform::setUrlOpener({});
    }

    // After a resize: the line in yellow up to the right edge, the midnight as a white mark in
    // the middle third at its time's x, nothing white elsewhere.
    void rendersLineAndDayMarks()
    {
        const HistoryTable table = midnightTable();
        frmGraph window(table);
        showTable(window);
        window.resize(900, 500);
        QTRY_VERIFY(child<engine::GraphCanvas>(window, "picCanvas")->width() > 800);
        const QImage image = child<engine::GraphCanvas>(window, "picCanvas")->grab().toImage();
        const QSizeF area = child<engine::GraphCanvas>(window, "picCanvas")->plotArea();
        const engine::GraphPlot plot = engine::plotGraph(table, 0, engine::Hours12, area);

        // Midnight is an hour before the newest reading, which stands at the right edge.
        const int markX = int(std::lround(area.width() * 11 / 12)) + 1;
        const int h = int(area.height());
        QVERIFY(isWhite(image.pixel(markX, 1 + h / 3 + 2)));
        QVERIFY(!isWhite(image.pixel(markX, 1 + h / 3 - 3)));
        int whiteColumns = 0;
        for (int x = 0; x < image.width(); ++x)
            whiteColumns += isWhite(image.pixel(x, 1 + h / 2)) ? 1 : 0;
        QCOMPARE(whiteColumns, 1);

        QVERIFY(lineNear(image, int(area.width()), int(std::lround(plot.points.last().y())) + 1));
        QVERIFY(lineNear(image, int(std::lround(plot.points.first().x())) + 1,
                         int(std::lround(plot.points.first().y())) + 1));
        QVERIFY(!lineNear(image, int(area.width() / 2), h / 2));
        // The maximum's label ends at its reading's x (midnight's).
        const QLabel* max = child<QLabel>(window, "lblMinMax_0");
        QVERIFY(qAbs(max->x() + max->width() - area.width() * 11 / 12) <= 1);
    }

    void labelsAndReadout()
    {
        const HistoryTable table = midnightTable();
        frmGraph window(table);
        showTable(window);
        QCOMPARE(window.windowTitle(), QStringLiteral("12 Hour Graph - Test Station"));
        QStringList hours;
        for (int i = 0; i < child<QComboBox>(window, "cmbGrpHrs")->count(); ++i)
            hours.append(child<QComboBox>(window, "cmbGrpHrs")->itemText(i));
        QCOMPARE(hours, (QStringList{"12 Hrs", "24 hrs", "48 Hrs", "72 Hrs", "7 Days", "30 Days",
                                     "1 Year"}));
        const auto shown = [&window] {
            QStringList texts;
            for (const char* name : {"lblMinMax_0", "lblMinMax_1", "lblDateTime_0", "lblDateTime_1",
                                     "lblDisp_0", "lblDisp_1"})
                texts.append(child<QLabel>(window, name)->text());
            return texts;
        };
        QCOMPARE(shown(),
                 (QStringList{"25 °C", "18 °C", "<<<< Thursday @ 11:00 PM", "Friday @ 1:00 AM >>>>",
                              "Max : Friday @ 12:00 AM", "Min : Thursday @ 11:30 PM"}));
        // Wind speeds carry their direction, but a calm minimum gets none.
        child<QComboBox>(window, "cmbGrphType")->setCurrentIndex(1);
        QCOMPARE(shown().mid(0, 2), (QStringList{"30 km/h : E", "0 km/h"}));
        QCOMPARE(shown().at(5), QStringLiteral("Min : Friday @ 12:30 AM"));
        // The caption names the span chosen.
        child<QComboBox>(window, "cmbGrpHrs")->setCurrentIndex(engine::Days7);
        QCOMPARE(window.windowTitle(), QStringLiteral("7 Day Graph - Test Station"));
        child<QComboBox>(window, "cmbGrpHrs")->setCurrentIndex(engine::Hours12);

        // The mouse readout: the reading nearest the mouse (midnight at 11/12 of the width);
        // nothing outside the area.
        const double w = child<engine::GraphCanvas>(window, "picCanvas")->plotArea().width();
        const auto moveTo = [&window](double plotX) {
            const QPointF local(plotX + engine::GraphCanvas::kMargin, 20);
            QMouseEvent move(QEvent::MouseMove, local,
                             child<engine::GraphCanvas>(window, "picCanvas")->mapToGlobal(local),
                             Qt::NoButton, Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(child<engine::GraphCanvas>(window, "picCanvas"), &move);
            return child<engine::GraphCanvas>(window, "picCanvas")->toolTip();
        };
        QCOMPARE(moveTo(w * 11 / 12 + 1), QStringLiteral("30 km/h : E @ 12:00 AM on 8th"));
        QCOMPARE(moveTo(0), QStringLiteral("5 km/h : SE @ 11:30 PM on 7th"));
        QCOMPARE(moveTo(-w / 2), QString());
    }

    // A constant series draws its flat line; a series without values says so.
    void flatSeries_data()
    {
        QTest::addColumn<int>("stat");
        QTest::addColumn<QStringList>("temperatures"); // newest first
        QTest::addColumn<QString>("maxText");
        QTest::newRow("rain 0 all along") << 2 << QStringList{"20", "21", "25"} << "0 mm";
        QTest::newRow("only N/F") << 0 << QStringList{"N/F", "N/F", "N/F"} << "No values found";
    }

    void flatSeries()
    {
        QFETCH(int, stat);
        QFETCH(QStringList, temperatures);
        QFETCH(QString, maxText);
        HistoryTable table;
        for (int k = 0; k < temperatures.size(); ++k)
            table.append(HistoryRow{
                QString(), {temperatures[k], "N", "1", "0"}, at(8, 1, 0).addSecs(-1800 * k)});
        frmGraph window(table);
        showTable(window, stat);
        QCOMPARE(child<QLabel>(window, "lblMinMax_0")->text(), maxText);
        QCOMPARE(linePixels(child<engine::GraphCanvas>(window, "picCanvas")) > 0,
                 maxText != u"No values found");
    }

    // The whole road: fetch, keep, draw; while waiting, the window says so and its controls
    // and the graph entries are off, and a second request is dropped; then the buttons.
    void downloadsAndDraws()
    {
        QSignalSpy entry(graph_.get(), &GraphPage::graphEntryEnabled);
        bool checked = false;
        server_->onRequest = [this, &entry, &checked](const QString&) {
            frmGraph* window = graph_->window();
            QVERIFY(window && window->isVisible());
            QCOMPARE(entry.size(), 1);
            QCOMPARE(entry.at(0).at(0).toBool(), false);
            QCOMPARE(child<QLabel>(*window, "lblMinMax_0")->text(),
                     QStringLiteral("Wait....Downloading Data"));
            QVERIFY(!child<QComboBox>(*window, "cmbGrphType")->isEnabled() &&
                    !child<QPushButton>(*window, "cmdClose")->isEnabled());
            checked = true;
            fetchSample();
        };
        fetchSample();
        QVERIFY(checked);
        server_->onRequest = nullptr;

        frmGraph& window = *graph_->window();
        QCOMPARE(graph_->historyTable().size(), 6);
        QCOMPARE(entry.last().at(0).toBool(), true);
        QVERIFY(child<engine::GraphCanvas>(window, "picCanvas")->isEnabled() &&
                child<QPushButton>(window, "cmdClose")->isEnabled());
        // Temperatures 21.5 … 19.8 with a gap; the maximum 23.1 at 2 pm.
        QCOMPARE(child<QLabel>(window, "lblMinMax_0")->text(), QStringLiteral("23.1 °C"));

        // The choices redraw without fetching; the next download starts again at the first
        // stat and 72 hours.
        QCOMPARE(window.windowTitle(), QStringLiteral("3 Day (72hr) Graph - Test Station"));
        child<QComboBox>(window, "cmbGrpHrs")->setCurrentIndex(engine::Hours12);
        child<QComboBox>(window, "cmbGrphType")->setCurrentIndex(2); // rain: 0.2 and 0.0
        QCOMPARE(child<QLabel>(window, "lblMinMax_0")->text(), QStringLiteral("0.2 mm"));
        QCOMPARE(server_->requests(), 1);
        fetchSample();
        QCOMPARE(server_->requests(), 2);
        QCOMPARE(child<QComboBox>(window, "cmbGrphType")->currentIndex(), 0);
        QCOMPARE(child<QComboBox>(window, "cmbGrpHrs")->currentIndex(), int(engine::Hours72));

        child<QPushButton>(window, "cmdWlinks")->click();
        QCOMPARE(opened_, QStringList{QStringLiteral("http://bom/hist.shtml")});
        child<QPushButton>(window, "cmdClose")->click();
        QVERIFY(!window.isVisible());
        fetchSample(); // the next download shows the window again
        QVERIFY(window.isVisible());
    }

    void noData_data()
    {
        // A failed fetch, or a page with the observation markers but without the history block:
        // the window says there is no data, draws nothing of the previous history, keeps its
        // lists off and names no station; the graph entries come back.
        QTest::addColumn<bool>("fetchedBefore");
        QTest::addColumn<QByteArray>("page"); // empty: 404
        QTest::newRow("failed fetch") << false << QByteArray();
        QTest::newRow("no history block after a good one")
            << true << QByteArray("<p class=\"tabledata\">moved</p>\n<div id=\"footer\">\n");
    }

    void noData()
    {
        QFETCH(bool, fetchedBefore);
        QFETCH(QByteArray, page);
        if (fetchedBefore)
            fetchSample();
        server_->clear();
        if (!page.isEmpty())
            server_->setPage({}, page);
        QSignalSpy entry(graph_.get(), &GraphPage::graphEntryEnabled);
        fetchSample();
        frmGraph& window = *graph_->window();
        QCOMPARE(child<QLabel>(window, "lblMinMax_0")->text(), QStringLiteral("No data found"));
        QCOMPARE(entry.size(), 2);
        QCOMPARE(entry.at(1).at(0).toBool(), true);
        QVERIFY(child<QPushButton>(window, "cmdClose")->isEnabled());
        QVERIFY(!child<QComboBox>(window, "cmbGrphType")->isEnabled() &&
                !child<QComboBox>(window, "cmbGrpHrs")->isEnabled());
        QVERIFY(!child<engine::GraphCanvas>(window, "picCanvas")->isEnabled());
        QCOMPARE(linePixels(child<engine::GraphCanvas>(window, "picCanvas")), 0);
        QCOMPARE(window.windowTitle(), QStringLiteral("3 Day (72hr) Graph"));
        QCOMPARE(graph_->historyTable().size(), 0);
    }

    // The shipped layout against the demo bureau's station product (JSON), through the
    // fetcher; a damaged product is reported and the history drawn before stays.
    void shippedLayoutEndToEnd()
    {
        const config::StateLayout layout = config::loadStateLayout(
            QStringLiteral("NSW"), QStringLiteral(NIMBULO_SOURCE_DIR "/data/weather.ini"));
        const demo::Region& region = *demo::findRegion(u"nsw");
        const qint64 now = 1709699400; // 6 March 2024 04:30 UTC
        const QByteArray product = demo::stationProduct(region, region.stations.first(), now);
        server_->setPage({}, product);
        fetchSample(layout);

        frmGraph& window = *graph_->window();
        QCOMPARE(graph_->historyTable().size(), demo::kHistoryRows);
        QCOMPARE(child<QComboBox>(window, "cmbGrphType")->count(),
                 graphListOf(layout).entries.size());
        QVERIFY(child<QLabel>(window, "lblMinMax_0")->text().endsWith(QStringLiteral(" °C")));

        server_->setPage({}, product.left(product.size() / 2));
        fetchSample(layout);
        QCOMPARE(child<QLabel>(window, "lblMinMax_0")->text(), QStringLiteral("No data found"));
        QVERIFY(log_.text().contains(QStringLiteral("Station history feed is not valid JSON")));
        QCOMPARE(graph_->historyTable().size(), 0);

        // The product of another station than the address names is refused the same way; the
        // station's own product draws, and "Web Page" opens its page for people.
        config::StateLayout plain = layout;
        plain.historyUrl = QStringLiteral("http://bom/IDN60801.{wmo}.json");
        const QString url = QString(plain.historyUrl).replace("{wmo}", region.stations[0].wmo);
        server_->setPage({}, demo::stationProduct(region, region.stations.at(1), now));
        graph_->getGraphPage(plain, url, graphListOf(plain), region.stations[0].name);
        QVERIFY(log_.text().contains("Station history feed is for station " +
                                     region.stations[1].wmo + ", not " + region.stations[0].wmo));
        QCOMPARE(graph_->historyTable().size(), 0);
        QVERIFY(!child<QComboBox>(window, "cmbGrpHrs")->isEnabled());
        server_->setPage({}, product);
        graph_->getGraphPage(plain, url, graphListOf(plain), region.stations[0].name);
        QCOMPARE(graph_->historyTable().size(), demo::kHistoryRows);
        child<QPushButton>(window, "cmdWlinks")->click();
        QCOMPARE(opened_.last(), "https://reg.bom.gov.au/products/IDN60801/IDN60801." +
                                     region.stations[0].wmo + ".shtml");
    }

    // With a record, a history fills it; when the history then fails the graph draws from
    // the record, and the longer spans come from it.
    void recordKeepsTheGraphGoing()
    {
        QTemporaryDir dir;
        engine::ObservationRecord record(dir.filePath(QStringLiteral("observations.sqlite")), log_);
        graph_->setRecord(&record);
        const config::StateLayout layout = config::loadStateLayout(
            QStringLiteral("NSW"), QStringLiteral(NIMBULO_SOURCE_DIR "/data/weather.ini"));
        const demo::Region& region = *demo::findRegion(u"nsw");
        const demo::Station& station = region.stations.first();
        const qint64 now = 1709699400;
        // Two downloads a day apart: the record holds both.
        for (const qint64 when : {now - 86400, now}) {
            server_->setPage({}, demo::stationProduct(region, station, when));
            graph_->getGraphPage(layout, QStringLiteral("http://bom/hist.json"),
                                 graphListOf(layout), station.name, station.wmo);
        }
        // 72 hours of half hours, both ends included.
        QCOMPARE(graph_->historyTable().size(), demo::kHistoryRows + 1);
        server_->clear();
        graph_->getGraphPage(layout, QStringLiteral("http://bom/hist.json"), graphListOf(layout),
                             station.name, station.wmo);
        frmGraph& window = *graph_->window();
        QCOMPARE(graph_->historyTable().size(), demo::kHistoryRows + 1);
        QVERIFY(child<QComboBox>(window, "cmbGrpHrs")->isEnabled());
        QVERIFY(child<QLabel>(window, "lblMinMax_0")->text().endsWith(QStringLiteral(" °C")));
        child<QComboBox>(window, "cmbGrpHrs")->setCurrentIndex(engine::Days7);
        const engine::GraphPlot& week = child<engine::GraphCanvas>(window, "picCanvas")->plot();
        QVERIFY(week.points.size() > demo::kHistoryRows + 40);
        QVERIFY(qAbs(week.points.first().x() / week.width * 168 - (168 - 96)) <= 1);
        QCOMPARE(window.windowTitle(), "7 Day Graph - " + station.name);
        graph_->setRecord(nullptr);
    }

    // The main window's graph button: on while the shown station has a history link, off
    // during the download, and the window draws the station's history with its name.
    void mainWindowGraphButton()
    {
        QTemporaryDir dir;
        const auto write = [&dir](const char* name, const QByteArray& content) {
            QFile file(dir.filePath(QLatin1String(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        };
        write("weather.ini",
              "[RegionHeads]\nregions=1\nregion_1=R1\n[R1]\ndisplay=Region One\n"
              "st_url=r1/obs.html\ndelim_1=class=\"tabledata\"\ndelim_2=<div id=\"footer\">\n"
              "delim_3=<th\ndelim_4=</t\ndelim_7=<tr>\ndelim_8=<table id=\"t1\"\n"
              "alert_wind_direction=3\nskip=1\nheaders=5\nst_hdr_1=Date/Time\n"
              "st_hdr_2=Temp \xc2\xb0"
              "C\nst_sgn_2=\xc2\xb0"
              "C\nst_hdr_3=Wind Dir\n"
              "st_hdr_4=Wind Spd km/h\nst_sgn_4=km/h\nst_hdr_5=Rain mm\nst_sgn_5=mm\n"
              "st_json_2=air_temp\nst_json_3=wind_dir\n");
        write("wsetting.ini", "[SavedSetting]\nproxy_on=1\nproxy_server=127.0.0.1\nproxy_port=" +
                                  QByteArray::number(server_->port()) + "\n");
        server_->clear();
        server_->setPage("r1/obs.html",
                         "<table class=\"tabledata\">\n<tr><th><a href=\"/products/alpha.shtml\">"
                         "Alpha</a></th>\n<td>07/03:30pm</td>\n<td>21.5</td>\n<td>NNE</td>\n"
                         "<td>15</td>\n<td>0.2</td>\n</tr>\n</table>\n<div id=\"footer\">\n");
        server_->setPage("products/alpha.shtml",
                         samplePage(QStringLiteral("graph_half_hourly.html")));

        app::WeatherApp app(dir.path() + QLatin1Char('/'));
        app::frmWeather& main = app.window();
        auto* graphButton = main.findChild<QPushButton*>("cmdGraph");
        QVERIFY(!graphButton->isEnabled());
        app.start();
        QTRY_COMPARE(main.findChild<QComboBox*>("cmbCurrStation")->currentText(),
                     QStringLiteral("Alpha"));
        QTRY_VERIFY(graphButton->isEnabled());

        bool checked = false;
        server_->onRequest = [graphButton, &checked](const QString& url) {
            if (!url.endsWith("products/alpha.shtml"))
                return;
            QVERIFY(!graphButton->isEnabled());
            checked = true;
        };
        graphButton->click();
        QVERIFY(checked);
        QVERIFY(graphButton->isEnabled());
        const frmGraph* window = main.graphPage().window();
        QCOMPARE(window->windowTitle(), QStringLiteral("3 Day (72hr) Graph - Alpha"));
        QCOMPARE(child<QLabel>(*window, "lblMinMax_0")->text(), QStringLiteral("23.1 \u00b0C"));
        server_->onRequest = nullptr;

        // The scan went into the record, and the history filled it: the day's extremes so far
        // (the history's on the scan's day) and the export of the record as CSV.
        QCOMPARE(
            main.findChild<QLabel*>("lblToday")->text(),
            QStringLiteral("Today: high 21.5 \u00b0C at 3:30 PM, low 21.5 \u00b0C at 3:30 PM"));
        const QString csv = dir.filePath(QStringLiteral("alpha.csv"));
        main.askExportSpan = [] { return std::optional<int>(engine::Days7); };
        main.askExportPath = [&csv](const QString&) { return csv; };
        app.menu().findChild<QAction*>(QStringLiteral("mnuExport"))->trigger();
        QFile exported(csv);
        QVERIFY(exported.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = exported.readAll().split('\n');
        QVERIFY(lines.first().startsWith("Time,air_temp,"));
        // The history's six readings (the scan's is one of them), oldest first.
        QCOMPARE(lines.size(), 1 + 6 + 1);
        QVERIFY(lines.at(6).contains(",21.5,") && lines.at(6).contains("T15:30:00"));
    }
};

QTEST_MAIN(TestFrmGraph)
#include "tst_frm_graph.moc"
