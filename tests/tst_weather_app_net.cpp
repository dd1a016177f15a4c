// The program's wiring of the network services: the alarm mail on the monitor's mail timer,
// the about window on the about button with its error-log and update buttons, and the scans
// of a state product whose stations change between scans.

#include "file_opens.h"
#include "net_peers.h"
#include "page_server.h"
#include "platform/message_box.h"
#include "weather/app/weather_app.h"
#include "weather/net/frm_about.h"
#include "weather/net/frm_err_msg.h"
#include "weather/net/version_check.h"

#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

namespace {

// A state observations product of the real shape holding `stations` ("name:wmo:temperature").
QByteArray stateProduct(const QStringList& stations)
{
    QByteArray xml = "<?xml version=\"1.0\"?>\n<product><amoc><identifier>IDN60920</identifier>"
                     "<issue-time-utc>2020-07-29T01:51:01+00:00</issue-time-utc></amoc>"
                     "<observations>\n";
    for (const QString& station : stations) {
        const QStringList f = station.split(u':');
        xml += "<station wmo-id=\"" + f.at(1).toUtf8() + "\" type=\"AWS\" description=\"" +
               f.at(0).toUtf8() +
               "\"><period index=\"0\" time-local=\"2020-07-29T11:50:00+10:00\"><level "
               "index=\"0\" type=\"surface\"><element units=\"Celsius\" "
               "type=\"air_temperature\">" +
               f.at(2).toUtf8() + "</element></level></period></station>\n";
    }
    return xml + "</observations></product>\n";
}

} // namespace

class TestWeatherAppNet : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

    // A program folder with the shipped layout whose NSW product is fetched from `server`,
    // and settings choosing `station` in NSW.
    static void writeFolder(const QTemporaryDir& dir, const PageServer& server,
                            const QByteArray& station)
    {
        QFile shipped(QStringLiteral(NIMBULO_SOURCE_DIR "/data/weather.ini"));
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        QByteArray layout = shipped.readAll();
        layout.replace("st_url=https://reg.bom.gov.au/fwo/IDN60920.xml",
                       "st_url=http://www.bom.gov.au/fwo/IDN60920.xml");
        layout.replace("st_fallback_url=ftp://ftp.bom.gov.au/anon/gen/fwo/IDN60920.xml",
                       "st_fallback_url=");
        for (const auto& [name, content] :
             {std::pair{"weather.ini", layout},
              std::pair{"wsetting.ini",
                        "[SavedSetting]\nstate=0\nstation=0\nstation_name=" + station +
                            "\nproxy_on=1\nproxy_server=127.0.0.1\nproxy_port=" +
                            QByteArray::number(server.port()) + "\n"}}) {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QFile::copy(QStringLiteral(NIMBULO_SOURCE_DIR "/data/weather.ini"),
                            dir_.filePath(QStringLiteral("weather.ini"))));
        platform::MessageBox::script({});
    }

    // The start and the end of an alarm each send a mail to the configured recipient, with
    // their own subjects, the end mail answering the start mail.
    void alarmMailOnMailTimer()
    {
        SmtpPeer smtp;
        app::WeatherApp app(dir_.path() + QStringLiteral("/"));
        config::AppSettings& s = app.monitor().settingsForEditing();
        s.mailServer = QStringLiteral("127.0.0.1");
        s.mailPort = smtp.peer.port;
        s.mailSender = QStringLiteral("alarm@example.com");
        s.mailRecipient = QStringLiteral("me@example.com");
        Q_EMIT app.monitor().mailDue(false);
        Q_EMIT app.monitor().mailDue(true);
        QTRY_COMPARE_WITH_TIMEOUT(smtp.mails().size(), 2, 20000);
        QVERIFY2(app.log().isEmpty(), qPrintable(app.log().text()));
        const QList<QJsonObject> got = smtp.mails();
        for (const QString& on : {QStringLiteral("ON"), QStringLiteral("OFF")}) {
            const QJsonObject& mail = got.at(on == u"ON" ? 0 : 1);
            QCOMPARE(mail["rcpt_tos"].toArray(), QJsonArray{"me@example.com"});
            QVERIFY2(mail["subject"].toString().startsWith("Nimbulo alarm " + on + ':'),
                     qPrintable(mail["subject"].toString()));
            QVERIFY(mail["body"].toString().contains("Alarm " + on + '\n'));
        }
        QVERIFY(got.at(0)["message_id"] != got.at(1)["message_id"]);
        QCOMPARE(got.at(1)["in_reply_to"].toString(), got.at(0)["message_id"].toString());
    }

    // Scans of a product whose stations change: a station that appears is listed, the chosen
    // one stays chosen; while it is missing its last values stay on show, marked old and
    // logged, never another station's whose name contains it; a refused product says why.
    void stationsChangeBetweenScans()
    {
        PageServer server;
        QTemporaryDir dir;
        writeFolder(dir, server, "Cobar");
        const auto serve = [&server](const QStringList& stations) {
            server.setPage(QStringLiteral("IDN60920.xml"),
                           stations.isEmpty() ? QByteArray() : stateProduct(stations));
        };
        serve({"Cobar:94711:15.0", "Cobar Airport:94710:20.0", "Alpha:94001:9.0"});
        app::WeatherApp app(dir.path() + QStringLiteral("/"));
        app::frmWeather& w = app.window();
        engine::Monitor& m = app.monitor();
        auto* station = w.findChild<QComboBox*>("cmbCurrStation");
        auto* stale = w.findChild<QLabel*>("lblStale");
        auto* scanError = w.findChild<QLabel*>("lblScanErr");
        const auto scanned = [&](int requests) {
            return QTest::qWaitFor([&] { return server.requests() > requests && !m.scanBusy(); },
                                   20000);
        };
        const auto entries = [station] {
            QStringList list;
            for (int i = 0; i < station->count(); ++i)
                list.append(station->itemText(i));
            return list;
        };
        const auto temperature = [&w] {
            return w.findChild<QListWidget*>("List1_1")->item(1)->text();
        };
        const auto refresh = [&] {
            const int requests = server.requests();
            w.findChild<QPushButton*>("cmdRefresh")->click();
            return scanned(requests);
        };
        app.start();
        QVERIFY(scanned(0));
        QTRY_COMPARE(station->currentText(), QStringLiteral("Cobar"));
        QCOMPARE(temperature(), QStringLiteral("15.0 \u00B0C"));
        QVERIFY(m.texts().historyUrl.endsWith(QStringLiteral(".94711.json")));

        // Cobar gone, a portable station new.
        serve({"Cobar Airport:94710:20.0", "Alpha:94001:9.0", "Portable 1:99001:30.0"});
        QVERIFY(refresh());
        QCOMPARE(entries(), QStringList({"Cobar Airport", "Alpha", "Portable 1", "Cobar"}));
        QCOMPARE(station->currentText(), QStringLiteral("Cobar"));
        QCOMPARE(temperature(), QStringLiteral("15.0 \u00B0C"));
        QVERIFY(m.texts().tickerTip.contains(QStringLiteral("15.0")));
        QVERIFY(m.texts().historyUrl.endsWith(QStringLiteral(".94711.json")));
        QVERIFY(stale->isVisibleTo(&w));
        QVERIFY2(stale->text().startsWith(QStringLiteral("Last good scan ")) &&
                     stale->text().contains(QStringLiteral("Cobar was not found")),
                 qPrintable(stale->text()));
        QVERIFY(app.log().text().contains(QStringLiteral("Station Cobar was not found")));
        QVERIFY(!scanError->isVisibleTo(&w)); // the product itself was good

        // Cobar back, the portable station gone.
        serve({"Cobar:94711:16.5", "Cobar Airport:94710:20.0", "Alpha:94001:9.0"});
        QVERIFY(refresh());
        QCOMPARE(entries(), QStringList({"Cobar", "Cobar Airport", "Alpha"}));
        QCOMPARE(station->currentText(), QStringLiteral("Cobar"));
        QCOMPARE(temperature(), QStringLiteral("16.5 \u00B0C"));
        QVERIFY(!stale->isVisibleTo(&w));

        // A product of no bytes: logged, and the status label says so.
        serve({});
        QVERIFY(refresh());
        QVERIFY(scanError->isVisibleTo(&w));
        QVERIFY2(scanError->text().contains(QStringLiteral("is empty (0 bytes)")),
                 qPrintable(scanError->text()));
        QCOMPARE(temperature(), QStringLiteral("16.5 \u00B0C"));

        // Another station picked while Cobar is missing: the next scan lists Cobar no more.
        serve({"Cobar Airport:94710:20.0", "Alpha:94001:9.0"});
        QVERIFY(refresh());
        QCOMPARE(entries(), QStringList({"Cobar Airport", "Alpha", "Cobar"}));
        station->setCurrentIndex(1);
        Q_EMIT station->activated(1);
        QCOMPARE(temperature(), QStringLiteral("9.0 \u00B0C"));
        QVERIFY(!stale->isVisibleTo(&w)); // Alpha's values are the last scan's
        QVERIFY(refresh());
        QCOMPARE(entries(), QStringList({"Cobar Airport", "Alpha"}));
        QCOMPARE(station->currentText(), QStringLiteral("Alpha"));
    }

    // The status bar's line styles a station by its temperature's level; without one, neutrally.
    // A start reads the settings file once, the first scan's restored station and displays
    // included; after that scan the file is read anew (another program may change it).
    void startReadsTheSettingsOnce()
    {
        PageServer server;
        QTemporaryDir dir;
        writeFolder(dir, server, "Cobar");
        server.setPage(QStringLiteral("IDN60920.xml"), stateProduct({"Cobar:94711:15.0"}));
        FileOpens opens(dir.path());
        QVERIFY(opens.watching());
        app::WeatherApp app(dir.path() + QStringLiteral("/"));
        engine::Monitor& m = app.monitor();
        app.start();
        QVERIFY(QTest::qWaitFor([&] { return server.requests() > 0 && !m.scanBusy(); }, 20000));
        QTRY_COMPARE(app.window().findChild<QComboBox*>("cmbCurrStation")->currentText(),
                     QStringLiteral("Cobar"));
        QCOMPARE(opens.count("wsetting.ini"), 1);
        QFile changed(dir.filePath(QStringLiteral("wsetting.ini")));
        QVERIFY(changed.open(QIODevice::WriteOnly | QIODevice::Truncate));
        changed.write("[SavedSetting]\nstation_name=Alpha\n");
        changed.close();
        QCOMPARE(config::SettingsFile(changed.fileName()).text(QStringLiteral("station_name")),
                 QStringLiteral("Alpha"));
    }

    void jsonLevel_data()
    {
        QTest::addColumn<QString>("temperature");
        QTest::addColumn<QString>("alt");
        QTest::newRow("reported") << "35.0"
                                  << "hot";
        QTest::newRow("not reported") << ""
                                      << "neutral";
    }

    void jsonLevel()
    {
        QFETCH(QString, temperature);
        QFETCH(QString, alt);
        PageServer server;
        QTemporaryDir dir;
        writeFolder(dir, server, "Alpha");
        server.setPage(QStringLiteral("IDN60920.xml"),
                       stateProduct({"Alpha:94001:" + temperature}));
        QString json;
        QTextStream out(&json);
        QString errors;
        QTextStream err(&errors);
        QCOMPARE(app::runPrint(dir.path() + QStringLiteral("/"), app::PrintMode::Json, out, err),
                 0);
        const QJsonObject line = QJsonDocument::fromJson(json.toUtf8()).object();
        QCOMPARE(line.value("class").toString(), QStringLiteral("ok"));
        QCOMPARE(line.value("alt").toString(), alt);
    }

    void aboutWindow()
    {
        app::WeatherApp app(dir_.path() + QStringLiteral("/"));
        app.window().findChild<QPushButton*>("cmdAbout")->click();
        net::frmAbout* about = app.aboutWindow();
        QVERIFY(about);
        auto* errLog = about->findChild<QPushButton*>("cmdErrLog");
        QVERIFY(!errLog->isEnabled());
        app.log().writeTxt(QStringLiteral("something"));
        errLog->click();
        auto* log = app.window().findChild<net::frmErrMsg*>();
        QVERIFY(log && log->isVisible());
        about->findChild<QPushButton*>("cmdOK")->click();
        QTRY_VERIFY(!app.aboutWindow());
    }
};

QTEST_MAIN(TestWeatherAppNet)
#include "tst_weather_app_net.moc"
