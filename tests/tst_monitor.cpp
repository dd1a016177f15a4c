#include "graph_sample.h"
#include "page_server.h"
#include "weather/engine/monitor.h"
#include "weather/engine/observation_record.h"
#include "weather/net/error_log.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using engine::Monitor;

namespace {

struct Station
{
    QByteArray name;
    QByteArray temp = "21.5";
};

// An observation page in the markup of the test layout: one cell per line.
QByteArray page(const QList<Station>& stations)
{
    QByteArray html = "<html><body><h2>District</h2>\r\n<TABLE CLASS=\"obs\">\r\n";
    int wmo = 94000;
    for (const Station& s : stations) {
        html += "<tr>\r\n<th class=\"st\"><a href=\"/products/IDN60801/IDN60801." +
                QByteArray::number(++wmo) + ".shtml\">" + s.name + "</a></th>\r\n";
        html += "<td>06/03:30pm</td>\r\n<td>" + s.temp +
                "</td>\r\n<td>NNE</td>\r\n<td>0.2</td>\r\n</tr>\r\n";
    }
    return html + "</table>\r\n<div>footer</div></body></html>\r\n";
}

const QByteArray kLayout =
    "[RegionHeads]\nregions=2\nregion_1=R1\nregion_2=R2\n"
    "[COMMON]\ndelim_1=<table class=\"obs\">\ndelim_2=</table>\ndelim_3=<th class=\"st\">\n"
    "delim_4=</t\nheaders=4\nskip=1\nalert_wind_direction=3\n"
    "st_hdr_1=Date/Time\nst_hdr_2=Air Temperature\nst_sgn_2=\xC2\xB0"
    "C\nst_typ_2=1\n"
    "st_hdr_3=Wind Dir\nst_hdr_4=Rain since 9am mm\nst_sgn_4=mm\nst_typ_4=6\n"
    "[R1]\ndisplay=Region One\nst_url=r1/obs.html\nforecasts=2\nfc_1=Coast\n"
    "fc_url_1=r1/coast.shtml\nfc_2=Inland\nfc_url_2=r1/inland.shtml\nrain=1\n"
    "rain_name_1=Radar\nrain_url_1=r1/radar.shtml\nmap_url=r1/map.shtml\n"
    "[R2]\ndisplay=Region Two\nst_url=r2/obs.html\nforecasts=0\nrain=0\n"
    "[Trans]\nAir Temperature=Temp\n";

// A region reading the state product and its town forecasts from the scripted server.
const QByteArray kForecastLayout =
    "[RegionHeads]\nregions=2\nregion_1=R\nregion_2=S\n"
    "[R]\ndisplay=R\nst_feed=xml\nst_url=/r/IDN60920.xml\nfc_town_url=/r/IDN11060.xml\n"
    "headers=2\nskip=1\nst_hdr_1=Date/Time\nst_xml_1=time-local\nst_hdr_2=Temp\n"
    "st_xml_2=air_temperature\n"
    "[S]\ndisplay=S\nst_feed=xml\nst_url=/s/IDV60920.xml\n";

} // namespace

class TestMonitor : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<PageServer> server_;
    std::unique_ptr<net::ErrorLog> log_;

    void writeFile(const QString& name, const QByteArray& content)
    {
        QFile f(dir_->filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }

    void serve(const QByteArray& body) { server_->setPage(QStringLiteral("r1/obs.html"), body); }

    // A monitor of the test folder whose fetches go to the scripted server; nothing scans
    // until the test says so.
    std::unique_ptr<Monitor> monitor(const QByteArray& savedSettings)
    {
        writeFile(QStringLiteral("wsetting.ini"),
                  "[SavedSetting]\nproxy_on=1\nproxy_server=127.0.0.1\nproxy_port=" +
                      QByteArray::number(server_->port()) + "\n" + savedSettings);
        auto m =
            std::make_unique<Monitor>(dir_->filePath("weather.ini"), dir_->filePath("wsetting.ini"),
                                      *log_, [](const QString& s) { return int(s.size() * 100); });
        m->inet().setTimeLimits(5000, 5000);
        m->loadSettings();
        m->holdScans();
        return m;
    }

private Q_SLOTS:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        server_ = std::make_unique<PageServer>();
        log_ = std::make_unique<net::ErrorLog>();
        writeFile(QStringLiteral("weather.ini"), kLayout);
        serve(page({{"Alpha"}, {"Bravo"}, {"Charlie"}, {"Delta"}}));
        server_->setPage(QStringLiteral("r2/obs.html"), page({{"Echo"}, {"Foxtrot"}}));
    }

    void regionLoadFillsLists()
    {
        auto m = monitor("state=0\n");
        QCOMPARE(m->regionList().displayNames, QStringList({"Region One", "Region Two"}));
        // The fixed column is not offered; the wind direction is displayable but no alarm stat.
        QCOMPARE(m->displays().entries,
                 QStringList({"Air Temperature", "Wind Dir", "Rain since 9am mm"}));
        QCOMPARE(m->alarmTypes().columns, QList<int>({1, 3}));
        QVERIFY(m->forecastUrl().endsWith(QStringLiteral("r1/coast.shtml")));

        m->selectRegion(1);
        QVERIFY(!m->forecasts().enabled && !m->radars().enabled);
        QVERIFY(m->tmrTripLookup().isActive()); // a scan of the new region is armed
    }

    void stationRestore_data()
    {
        QTest::addColumn<int>("region");
        QTest::addColumn<QByteArray>("saved"); // station index and name
        QTest::addColumn<QList<Station>>("rows");
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("chosen");
        const QList<Station> original = {{"Alpha"}, {"Bravo"}, {"Charlie"}, {"Delta"}};
        const QList<Station> reordered = {{"Alpha"}, {"Bravo"},   {"Echo"},
                                          {"Golf"},  {"Charlie"}, {"Delta"}};
        QTest::newRow("index still matches") << 0 << QByteArray("3 Delta") << original << 3 << true;
        QTest::newRow("reordered: by name") << 0 << QByteArray("3 Delta") << reordered << 5 << true;
        QTest::newRow("station gone") << 0 << QByteArray("1 Zulu") << reordered << -1 << false;
        QTest::newRow("name written another way")
            << 0 << QByteArray("4 bravo(Hill)") << QList<Station>{{"Alpha"}, {"Bravo - Hill"}} << 1
            << true;
        QTest::newRow("saved -1") << 0 << QByteArray("-1 Delta") << reordered << 0 << true;
        QTest::newRow("index past the list")
            << 0 << QByteArray("40 Charlie") << reordered << 4 << true;
        QTest::newRow("no rows") << 0 << QByteArray("0 Alpha") << QList<Station>{} << -1 << false;
        // In another region than the saved one the first station is taken.
        QTest::newRow("other region") << 1 << QByteArray("2 Charlie") << original << 0 << true;
    }

    void stationRestore()
    {
        QFETCH(int, region);
        QFETCH(QByteArray, saved);
        QFETCH(QList<Station>, rows);
        QFETCH(int, selected);
        QFETCH(bool, chosen);
        serve(page(rows));
        const QList<QByteArray> words = saved.split(' ');
        auto m =
            monitor("state=0\nstation=" + words.at(0) + "\nstation_name=" + words.value(1) + "\n");
        if (region != 0)
            m->selectRegion(region);
        m->tripLookupTick();
        QCOMPARE(m->stations().selected, selected);
        QCOMPARE(m->stationChosen(), chosen);
        if (rows.isEmpty())
            QCOMPARE(m->stations().entries, QStringList({"Stations not found"}));
    }

    // A failed first scan leaves the station list empty; the next builds it; a later failure
    // keeps the rows shown.
    void failedFetches()
    {
        serve("nothing");
        auto m = monitor("state=0\n");
        QSignalSpy failed(m.get(), &Monitor::scanFailedChanged);
        m->tripLookupTick();
        QVERIFY(m->stations().entries.isEmpty());
        QVERIFY(log_->text().contains(QStringLiteral("Data block start not found")));
        serve(page({{"Alpha"}}));
        m->tripLookupTick();
        QCOMPARE(m->stations().entries, QStringList({"Alpha"}));
        const QStringList before = m->stats().values;
        serve("<html>blocked</html>");
        m->tripLookupTick();
        QCOMPARE(failed.last(), QVariantList{true});
        QCOMPARE(m->stats().values, before);
    }

    // The town forecast is fetched with the first scan, then not again within the hour; the
    // station's district gives its town, the options' town replaces it; the stats tip says a
    // forecast of 2024 is out of date.
    void forecastFollowsTheScans()
    {
        writeFile(QStringLiteral("weather.ini"), kForecastLayout);
        server_->setPage(QStringLiteral("r/IDN60920.xml"), samplePage("feed_state_nsw.xml"));
        server_->setPage(QStringLiteral("r/IDN11060.xml"), samplePage("feed_precis_nsw.xml"));
        auto m = monitor("state=0\n");
        m->tripLookupTick();
        m->tripLookupTick();
        QCOMPARE(server_->requestedUrls.filter("IDN11060").size(), 1);
        QVERIFY(m->forecast().shown());
        QCOMPARE(m->forecast().shown()->name, QStringLiteral("Sydney"));
        QVERIFY2(
            m->texts().tickerTip.endsWith("Station is Sydney - Observatory Hill\r\n\r\n"
                                          "Forecast out of date (issued Sun 27/10 03:50 PM)\r\n"),
            qPrintable(m->texts().tickerTip));

        // A station without a district has no town until one is chosen.
        m->pickStation(int(m->stations().entries.indexOf("Canberra Airport")));
        QVERIFY(!m->forecast().shown());
        QVERIFY(!m->texts().tickerTip.contains(QStringLiteral("Forecast")));
        m->chooseForecastTown(QStringLiteral("NSW_PT027"));
        QCOMPARE(m->forecast().shown()->name, QStringLiteral("Canberra"));
        QCOMPARE(m->settingsFile().text("fc_town"), QStringLiteral("NSW_PT027"));
        QVERIFY(m->texts().tickerTip.contains(QStringLiteral("Forecast out of date")));
        // Another region's product has other towns: its station's town again.
        m->selectRegion(1);
        QCOMPARE(m->settingsFile().text("fc_town"), QString());
    }

    // A fetch that fails, and products refused or without the town, are logged; the last good
    // forecast stays with its issue time.
    void forecastKeepsTheLastGood_data()
    {
        QTest::addColumn<QByteArray>("product"); // empty: the server has gone
        QTest::addColumn<QString>("chosen");     // the options' town; empty: the station's
        QTest::addColumn<QString>("logged");
        const QByteArray sample = samplePage("feed_precis_nsw.xml");
        QTest::newRow("damaged") << sample.left(sample.size() / 3) << ""
                                 << "Town forecasts feed is not well-formed XML";
        QTest::newRow("without the chosen town")
            << QByteArray(sample).replace("NSW_PT131", "NSW_PT999") << "NSW_PT131"
            << "Town forecasts feed has no forecast for NSW_PT131";
        QTest::newRow("town without periods")
            << QByteArray(sample).replace("forecast-period", "later-period") << ""
            << "Town forecasts feed has no forecast for Sydney";
        QTest::newRow("server gone") << QByteArray() << ""
                                     << "Winsock Error 10061";
    }
    void forecastKeepsTheLastGood()
    {
        QFETCH(QByteArray, product);
        QFETCH(QString, chosen);
        QFETCH(QString, logged);
        writeFile(QStringLiteral("weather.ini"), kForecastLayout);
        server_->setPage(QStringLiteral("r/IDN11060.xml"), samplePage("feed_precis_nsw.xml"));
        auto m = monitor("state=0\n");
        engine::ForecastWatch watch(m->inet(), *log_);
        watch.setLayout(m->layout());
        watch.setStation(QStringLiteral("Sydney - Observatory Hill"), QStringLiteral("NSW_PW005"));
        watch.setChosenTown(chosen);
        watch.fetch();
        QVERIFY(watch.shown());
        const QDateTime issued = watch.issued();
        if (product.isEmpty())
            server_.reset(); // the connection is refused
        else
            server_->setPage(QStringLiteral("r/IDN11060.xml"), product);
        log_->clear();
        watch.fetch();
        QVERIFY2(log_->text().contains(logged), qPrintable(log_->text()));
        QVERIFY(watch.shown());
        QCOMPARE(watch.shown()->name, QStringLiteral("Sydney"));
        QCOMPARE(watch.shown()->periods.size(), 3);
        QCOMPARE(watch.issued(), issued);
    }

    // The bureau's real state product scanned with the shipped layout into the record: the
    // chosen station's observation at its own time, once however often it is scanned; another
    // station after a change; nothing from a refused product.
    void recordsScansOfTheRealProduct()
    {
        QFile sample(
            QStringLiteral(NIMBULO_SOURCE_DIR "/../shared/bureau-samples/IDN60920-2020-07-29.xml"));
        if (!sample.open(QIODevice::ReadOnly))
            QSKIP("the bureau's samples (../shared/bureau-samples) are not here");
        const QByteArray product = sample.readAll();
        QFile shipped(QStringLiteral(NIMBULO_SOURCE_DIR "/data/weather.ini"));
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        QByteArray layout = shipped.readAll();
        layout.replace("st_url=https://reg.bom.gov.au/fwo/IDN60920.xml", "st_url=r/IDN60920.xml");
        writeFile(QStringLiteral("weather.ini"), layout);
        server_->setPage(QStringLiteral("r/IDN60920.xml"), product);
        auto m = monitor("state=0\nstation_name=Sydney - Observatory Hill\n");
        m->openRecord(dir_->filePath(QStringLiteral("observations.sqlite")));
        m->tripLookupTick();
        m->tripLookupTick();
        QCOMPARE(m->texts().stationKey, QStringLiteral("94768"));
        const auto recorded = [&m](const QString& station) {
            QStringList rows;
            for (const engine::HistoryRow& row :
                 m->record()->readings(station, 0, LLONG_MAX, m->layout(), 12))
                rows.append(row.observed.toUTC().toString(Qt::ISODate) + u'|' + row.cells.at(0) +
                            u'|' + row.cells.at(5)); // temperature, direction
            return rows;
        };
        QCOMPARE(recorded("94768"), QStringList{"2020-07-29T01:50:00Z|17.2|SSW"});
        QCOMPARE(m->texts().todayText,
                 QStringLiteral("Today: high 17.2 \u00B0C at 11:50 AM, low 17.2 "
                                "\u00B0C at 11:50 AM"));

        m->pickStation(int(m->stations().entries.indexOf(QStringLiteral("Canberra"))));
        server_->setPage(QStringLiteral("r/IDN60920.xml"), product.left(product.size() / 2));
        m->tripLookupTick();
        QVERIFY(recorded("94926").isEmpty());
        server_->setPage(QStringLiteral("r/IDN60920.xml"), product);
        m->tripLookupTick();
        QCOMPARE(recorded("94926").size(), 1);
        QCOMPARE(recorded("94768").size(), 1);
    }

    void triggersDuringScanAreDropped()
    {
        auto m = monitor("state=0\n");
        server_->setDelay(300);
        bool triggeredDuringScan = true;
        QTimer::singleShot(80, m.get(), [&] {
            QVERIFY(m->scanBusy());
            m->refresh();        // dropped: no second scan is armed
            m->selectRegion(1);  // changes the region but arms nothing while busy
            m->tripLookupTick(); // a trigger that fires anyway is dropped by the busy flag
            triggeredDuringScan = m->tmrTripLookup().isActive();
        });
        m->tripLookupTick();
        QVERIFY(!triggeredDuringScan);
        QCOMPARE(server_->requests(), 1);
        // The scan finished for the old region; the next one rebuilds the list for the new one.
        server_->setDelay(0);
        m->tripLookupTick();
        QCOMPARE(m->stations().entries, QStringList({"Echo", "Foxtrot"}));
    }

    void scanTimer()
    {
        // A tick while a fetch runs is dropped.
        auto m = monitor("auto_update=1\ncheck_date=2001-01-01\n");
        QSignalSpy check(m.get(), &Monitor::versionCheckDue);
        m->fetchState().fetchBusy = true;
        m->scanTimerTick();
        QVERIFY(check.isEmpty() && !m->tmrTripLookup().isActive());
        m->fetchState().fetchBusy = false;
        // So is one before the time the observations' server named in a Retry-After; that of
        // another address (the update server, a history feed) holds up nothing else.
        m->fetchState().retryAfter.insert(m->layout().obsUrl, QDeadlineTimer(60000));
        m->scanTimerTick();
        QVERIFY(check.isEmpty() && !m->tmrTripLookup().isActive());
        m->fetchState().retryAfter = {{"https://elsewhere.example/x", QDeadlineTimer(60000)}};
        // Once a day a version check replaces the scan.
        m->tmrScan();
        QVERIFY(check.size() == 1 && !m->tmrTripLookup().isActive());
        m->scanTimerTick();
        QCOMPARE(check.size(), 1);
        QVERIFY(m->tmrTripLookup().isActive());
    }

    void stationPickShowsWithoutFetching()
    {
        auto m = monitor("state=0\n");
        m->tripLookupTick();
        const int requests = server_->requests();
        m->pickStation(2);
        QCOMPARE(server_->requests(), requests);
        QVERIFY(m->texts().feedText.startsWith(QStringLiteral("Charlie at:")));

        // While a scan is about to run (Refresh pressed), a pick only changes the selection.
        m->refresh();
        m->pickStation(0);
        QVERIFY(m->texts().feedText.startsWith(QStringLiteral("Charlie at:")));
        QCOMPARE(m->stations().selected, 0);
    }

    void alarmHoldsThenEnds()
    {
        auto m = monitor("state=0\nalert_toggle=2\nalert_type=0\nalert_compare=30\n");
        QSignalSpy show(m.get(), &Monitor::showAlarmWindow);
        QSignalSpy close(m.get(), &Monitor::closeAlarmWindow);
        QSignalSpy alarming(m.get(), &Monitor::alarmingChanged); // the desktop notification's
        const auto scan = [&](const QByteArray& temp) {
            serve(page({{"Alpha", temp}}));
            m->tripLookupTick();
        };
        scan("35"); // the alarm box starts unticked
        QVERIFY(!m->tmrAlert().isActive());
        m->alarmCheckClicked(true);
        scan("30"); // equality never holds
        QVERIFY(!m->tmrAlert().isActive());
        scan("30.1");
        QCOMPARE(m->texts().screenText, QStringLiteral("Nimbulo\r\nALERT"));
        QVERIFY(m->alarmFindings().alarmText.startsWith(
            QStringLiteral("Current Air Temperature is 30.1")));
        QVERIFY(show.wait(3000));
        m->alarmWindowOpened();
        scan("31"); // the window comes up again within the same alarm
        QVERIFY(show.wait(3000));
        scan("12");
        QCOMPARE(close.size(), 1);
        QCOMPARE(alarming.size(), 2); // one start, one end
        QVERIFY(alarming.at(0).at(0).toBool() && !alarming.at(1).at(0).toBool());
        QVERIFY(!m->tmrMail().isActive()); // no start mail went out, so no end mail
    }

    void clipboardText()
    {
        auto m = monitor("state=0\nstation=0\nstation_name=Alpha\n");
        m->tripLookupTick();
        const QString text = m->clipboardText(2026);
        const QStringList lines = text.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.at(0), QStringLiteral("BUREAU OF METEOROLOGY"));
        QCOMPARE(lines.at(3), QStringLiteral("Alpha"));
        // "Air Temperature" has 15 characters: two tabs; "Rain since 9am mm" 17: one.
        QCOMPARE(lines.at(5), QStringLiteral("Air Temperature\t\t21.5 \u00B0C"));
        QCOMPARE(lines.at(7), QStringLiteral("Rain since 9am mm\t0.2 mm"));
        QCOMPARE(lines.at(9), QStringLiteral("\u00A9 Copyright Commonwealth of Australia 2026, "
                                             "Bureau of Meteorology."));
    }

    // Closing saves the selection; with the bureau out since start (no scan has listed the
    // stations) the station the user chose stays, rather than none being saved.
    void shutdownSavesSelection_data()
    {
        QTest::addColumn<bool>("bureauUp");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("station");
        QTest::newRow("scanned") << true << 1 << "Foxtrot";
        QTest::newRow("bureau out since start") << false << 0 << "Bravo";
    }
    void shutdownSavesSelection()
    {
        QFETCH(bool, bureauUp);
        QFETCH(int, state);
        QFETCH(QString, station);
        auto m = monitor("state=0\nstation=1\nstation_name=Bravo\n");
        if (bureauUp)
            m->selectRegion(1);
        else
            server_.reset(); // the connection is refused
        m->tripLookupTick();
        if (bureauUp)
            m->pickStation(1);
        m->setSecondValue(true);
        m->shutdown();
        const config::SettingsFile file(dir_->filePath("wsetting.ini"));
        QCOMPARE(file.integer(QStringLiteral("state")), state);
        QCOMPARE(file.text(QStringLiteral("station_name")), station);
        QCOMPARE(file.integer(QStringLiteral("station")), 1);
        QVERIFY(file.flag(QStringLiteral("display_2_toggle")));
    }
};

QTEST_MAIN(TestMonitor)
#include "tst_monitor.moc"
