// `weather --print` as a script runs it: a separate process, no display, against the demo bureau.

#include "file_opens.h"
#include "net_peers.h"
#include "product_roads.h"
#include "tools/demo-bureau/bureau_feeds.h"
#include "weather/engine/town_forecast.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

#include <memory>

class TestPrintMode : public QObject
{
    Q_OBJECT

    QProcess bureau_;
    QString port_;
    QTemporaryDir dir_;

    // A program folder: the shipped layout with the `replaced` texts, and settings for
    // Victoria (unless `saved` names another region) followed by the `saved` lines, reaching
    // `proxyPort` through the proxy when it is not empty.
    void writeProgramFolder(const Replacements& replaced, const QByteArray& saved = {},
                            const QString& proxyPort = {})
    {
        QVERIFY(writeShippedLayout(dir_.path(), replaced));
        QFile settings(dir_.filePath("wsetting.ini"));
        QVERIFY(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
        settings.write(QByteArray("[SavedSetting]\n") +
                       (saved.contains("state=") ? "" : "state=1\n") + saved);
        if (!proxyPort.isEmpty())
            settings.write("proxy_on=1\nproxy_server=127.0.0.1\nproxy_port=" + proxyPort.toUtf8() +
                           "\n");
    }

    // Victoria's product at `product` (and `fallback`), with the `more` texts replaced.
    void writeProgramFolder(const QString& product, const QString& fallback,
                            const QByteArray& saved = {}, Replacements more = {})
    {
        more << road(kObs, product) << road(kObsFallback, fallback);
        writeProgramFolder(more, saved);
    }

    // Victoria's product through the demo bureau as the proxy, by our own HTTP client.
    void writeDemoFolder(const QString& proxyPort, const QByteArray& saved = {})
    {
        writeProgramFolder({road(kObs, QStringLiteral("http://www.bom.gov.au/fwo/IDV60920.xml")),
                            road(kObsFallback, QString())},
                           saved, proxyPort);
    }

    // Victoria's product written to `file` and served from there as a CDN serves it (/product
    // of net_https_peer.py, certified by `ca`), the program folder reading it there; null when
    // the file could not be written.
    std::unique_ptr<Peer> serveByCdn(const TestCa& ca, const QString& file)
    {
        QFile product(file);
        const QByteArray bytes = demo::stateProduct({demo::findRegion(u"vic")}, u'V',
                                                    QDateTime::currentSecsSinceEpoch());
        if (!product.open(QIODevice::WriteOnly) || product.write(bytes) != bytes.size())
            return nullptr;
        product.close();
        auto https = std::make_unique<Peer>("net_https_peer.py",
                                            ca.serverArgs("good") + QStringList{"--file", file});
        writeProgramFolder(https->url("https", "/product"), {});
        return https;
    }

    struct Run
    {
        int exitCode;
        QString out;
        QString err;
    };

    Run print(const QString& mode)
    {
        QProcess weather;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY")); // it must need none
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        weather.setProcessEnvironment(env);
        weather.start(QStringLiteral(WEATHER_EXE), {QStringLiteral("--appdir"), dir_.path(), mode});
        if (!weather.waitForFinished(60000))
            weather.kill();
        return {weather.exitCode(), QString::fromUtf8(weather.readAllStandardOutput()),
                QString::fromUtf8(weather.readAllStandardError())};
    }

private Q_SLOTS:
    void initTestCase()
    {
        bureau_.start(QStringLiteral(DEMO_BUREAU), {QStringLiteral("--port"), QStringLiteral("0")});
        QVERIFY(bureau_.waitForReadyRead(10000));
        const QByteArray line = bureau_.readLine();
        port_ = QString::fromLatin1(line.mid(line.lastIndexOf(':') + 1)).trimmed();
        QVERIFY2(line.startsWith("listening on 127.0.0.1:"), line.constData());
    }

    void cleanupTestCase()
    {
        bureau_.kill();
        bureau_.waitForFinished();
    }

    // What a run prints and its exit code: the feed (Victoria's first station and its time,
    // then one line per stat column of the layout) and the one-line display text, with LF line
    // ends; after a failed scan the error log on standard error, which says the station is not
    // found only when it was looked for in a product that came.
    void printsTheTexts_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("bureauUp");
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("pattern"); // of standard output; of standard error on failure
        QTest::newRow("feed") << "--print" << true << QByteArray() << 0
                              << "^[^\n]+ at: [^\n]+\nTemp \u00B0C[^\n]*\n([^\n]*\n){11}$";
        const QString ticker = "^(-?\\d+\\.\\d \u00B0C|N/F)\n$";
        QTest::newRow("ticker") << "--print=ticker" << true << QByteArray() << 0 << ticker;
        // A position beyond the list (a layout update dropped columns) means the first.
        QTest::newRow("ticker, display beyond the list")
            << "--print=ticker" << true << QByteArray("display=99\n") << 0 << ticker;
        QTest::newRow("bureau down")
            << "--print" << false << QByteArray() << 1 << "^(?!.*NOT found).*Winsock Error 10061";
        QTest::newRow("station gone")
            << "--print" << true << QByteArray("station=0\nstation_name=Nowhere\n") << 1
            << "Station named - Nowhere was NOT found at B\\.O\\.M\\. on last scan\\. If no error";
    }

    void printsTheTexts()
    {
        QFETCH(QString, mode);
        QFETCH(bool, bureauUp);
        QFETCH(QByteArray, saved);
        QFETCH(int, exitCode);
        QFETCH(QString, pattern);
        writeDemoFolder(bureauUp ? port_ : deadPort(), saved);
        const Run run = print(mode);
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.out.isEmpty(), exitCode != 0);
        const QRegularExpression expected(pattern, QRegularExpression::DotMatchesEverythingOption);
        QVERIFY2(expected.match(exitCode == 0 ? run.out : run.err).hasMatch() &&
                     !run.out.contains(u'\r'),
                 qPrintable(run.out + run.err));
    }

    // The same over https as a user's monitor reaches the bureau today: the layout names the
    // https:// product, the monitor tunnels through its proxy (a demo bureau with TLS, which ends
    // the tunnel itself) and trusts the CA of SSL_CERT_FILE.
    void printsTheFeedOverHttps()
    {
        TestCa ca;
        QVERIFY(ca.ok());
        QProcess tlsBureau;
        tlsBureau.start(QStringLiteral(DEMO_BUREAU), {QStringLiteral("--port"), QStringLiteral("0"),
                                                      QStringLiteral("--tls"), ca.dir()});
        const auto stop = qScopeGuard([&tlsBureau] {
            tlsBureau.kill();
            tlsBureau.waitForFinished();
        });
        QVERIFY(tlsBureau.waitForReadyRead(30000));
        const QByteArray line = tlsBureau.readLine();
        writeProgramFolder({road(kObsFallback, QString())}, {},
                           QString::fromLatin1(line.mid(line.lastIndexOf(':') + 1)).trimmed());

        const Run run = print(QStringLiteral("--print"));
        // reg.bom.gov.au is not reachable from the test machine: only the tunnel can answer.
        QVERIFY2(run.exitCode == 0 && run.out.contains(QStringLiteral(" at: ")),
                 qPrintable(run.out + run.err));
    }

    // One line in the shape of Waybar's custom module; a failed scan still gives its line.
    void printsJsonForWaybar_data()
    {
        QTest::addColumn<bool>("bureauUp");
        QTest::addColumn<QByteArray>("alarm");
        QTest::addColumn<QString>("state");
        QTest::newRow("scanned") << true << QByteArray() << "ok";
        // Any temperature is above -50.
        QTest::newRow("alarm holds") << true
                                     << QByteArray("alert_toggle=2\nalert_type=0\nalert_compare="
                                                   "-50\nalert_check=1\n")
                                     << "alarm";
        // The monitor raises no alarm with its alarm box unticked at the last close.
        QTest::newRow("alarms off") << true
                                    << QByteArray("alert_toggle=2\nalert_type=0\nalert_compare="
                                                  "-50\nalert_check=0\n")
                                    << "ok";
        QTest::newRow("bureau down") << false << QByteArray() << "stale";
        // A manual station whose observer has not reported for two days.
        QTest::newRow("old observation")
            << true << QByteArray("station=99\nstation_name=Gabo Island\n") << "stale";
    }

    void printsJsonForWaybar()
    {
        QFETCH(bool, bureauUp);
        QFETCH(QByteArray, alarm);
        QFETCH(QString, state);
        writeDemoFolder(bureauUp ? port_ : deadPort(), alarm);
        const Run run = print(QStringLiteral("--print=json"));
        // Waybar hides a module whose command fails: the line itself says "stale".
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.endsWith(QLatin1Char('\n')) && run.out.count(QLatin1Char('\n')) == 1,
                 qPrintable(run.out));
        QJsonParseError error;
        const QJsonObject line = QJsonDocument::fromJson(run.out.toUtf8(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(line.keys(), QStringList({"alt", "class", "text", "tooltip"}));
        QCOMPARE(line.value("class").toString(), state);
        if (bureauUp) {
            QVERIFY(QStringList({"cold", "mild", "hot", "nostation", "neutral"})
                        .contains(line.value("alt").toString()));
            QVERIFY(line.value("text").toString().contains(QStringLiteral("\u00B0C")) ||
                    line.value("text").toString() == QStringLiteral("N/F"));
            QVERIFY(line.value("tooltip").toString().contains(QStringLiteral("Station is ")));
            // Its day and since when it is old.
            const bool old = state == u"stale";
            QCOMPARE(line.value("tooltip").toString().contains(
                         QRegularExpression(QStringLiteral("Last observation at \\w{3} \\d\\d/"
                                                           "\\d\\d 09:00 AM\\n"))),
                     old);
            QCOMPARE(line.value("tooltip").toString().contains(
                         QStringLiteral("Old observation: not updated since ")),
                     old);
        } else {
            QCOMPARE(line.value("text").toString(), QStringLiteral("--"));
            QVERIFY(line.value("tooltip").toString().contains(QStringLiteral("10061")));
        }
        QVERIFY(!line.value("tooltip").toString().contains(QLatin1Char('\r')));
    }

    // Whole scans through the real transports: the product by FTP (pyftpdlib), by HTTPS (a TLS
    // server with a CA made now) when FTP fails, and a damaged one refused with its reason.
    void feedTransports_data()
    {
        QTest::addColumn<QString>("product"); // "ftp", "https", "dead" stand for the servers
        QTest::addColumn<QString>("fallback");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("shown"); // what stdout or stderr holds
        const QString first = "Melbourne (Olympic Park) at: ";
        QTest::newRow("by FTP") << "ftp/IDV60920.xml" << QString() << 0 << first;
        QTest::newRow("FTP refused, by HTTPS") << "dead/IDV60920.xml"
                                               << "https/file" << 0 << first;
        QTest::newRow("damaged") << "ftp/cut/IDV60920.xml" << QString() << 1
                                 << "State observations feed is not well-formed XML";
        // Any product refused on the first road tries the second.
        QTest::newRow("damaged on FTP, by HTTPS") << "ftp/cut/IDV60920.xml"
                                                  << "https/file" << 0 << first;
        QTest::newRow("empty on FTP, by HTTPS") << "ftp/empty/IDV60920.xml"
                                                << "https/file" << 0 << first;
        QTest::newRow("empty") << "ftp/empty/IDV60920.xml" << QString() << 1
                               << "IDV60920.xml is empty (0 bytes)";
    }

    void feedTransports()
    {
        QFETCH(QString, product);
        QFETCH(QString, fallback);
        QFETCH(int, exitCode);
        QFETCH(QString, shown);
        if (!pythonHas("pyftpdlib"))
            QSKIP("python3-pyftpdlib is not installed");
        const QByteArray xml = demo::stateProduct({demo::findRegion(u"vic")}, u'V',
                                                  QDateTime::currentSecsSinceEpoch());
        const Roads roads({{"IDV60920.xml", xml},
                           {"cut/IDV60920.xml", xml.left(xml.size() / 2)},
                           {"empty/IDV60920.xml", {}}},
                          "IDV60920.xml");
        QVERIFY(roads.ok());
        writeProgramFolder(roads.address(product), roads.address(fallback));
        const Run run = print(QStringLiteral("--print"));
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2((exitCode == 0 ? run.out : run.err).contains(shown),
                 qPrintable(run.out + run.err));
    }

    // A second --print asks only whether the product changed, and shows the same.
    void secondPrintAsksOnlyWhetherChanged()
    {
        TestCa ca; // SSL_CERT_FILE names its CA for the monitor too
        QVERIFY(ca.ok());
        QTemporaryDir served;
        const std::unique_ptr<Peer> https = serveByCdn(ca, served.filePath("IDV60920.xml"));
        QVERIFY(https);
        const Run first = print(QStringLiteral("--print"));
        const Run second = print(QStringLiteral("--print"));
        QCOMPARE(first.exitCode, 0);
        QCOMPARE(second.out, first.out);
        QString seen;
        QTRY_COMPARE((seen += QString::fromLatin1(https->process.readAllStandardOutput())),
                     QStringLiteral("full /product\nunchanged /product\n"));
    }

    // What an earlier print kept is read while the server is asked, yet it is no answer: with
    // the server gone or refusing, the next print fails as the first would have.
    void keptProductIsNoAnswer_data()
    {
        QTest::addColumn<bool>("serverGone"); // else it answers 404 to the same address
        QTest::newRow("server gone") << true;
        QTest::newRow("product withdrawn") << false;
    }
    void keptProductIsNoAnswer()
    {
        QFETCH(bool, serverGone);
        TestCa ca;
        QVERIFY(ca.ok());
        QTemporaryDir served;
        const QString product = served.filePath("IDV60920.xml");
        std::unique_ptr<Peer> https = serveByCdn(ca, product);
        QVERIFY(https);
        QCOMPARE(print(QStringLiteral("--print")).exitCode, 0);
        if (serverGone)
            https.reset();
        else
            QVERIFY(QFile::remove(product));
        const Run second = print(QStringLiteral("--print"));
        QCOMPARE(second.exitCode, 1);
        QCOMPARE(second.out, QString());
        QVERIFY2(second.err.contains(serverGone ? "connection refused" : "404"),
                 qPrintable(second.err));
    }

    // A status bar runs this every few minutes: one run reads the settings file once, however
    // many settings its start and its scan look at.
    void readsTheSettingsOnce()
    {
        writeDemoFolder(port_);
        FileOpens opens(dir_.path());
        QVERIFY(opens.watching());
        QCOMPARE(print(QStringLiteral("--print")).exitCode, 0);
        QCOMPARE(opens.count("wsetting.ini"), 1);
    }

    // Nor does a run write anything when nothing changed since the one before: the product is
    // confirmed unchanged and the station list is the one kept.
    void writesNothingUnchanged()
    {
        writeDemoFolder(port_);
        QCOMPARE(print(QStringLiteral("--print")).exitCode, 0);
        FileOpens files(dir_.path());
        QVERIFY(files.watching());
        const Run again = print(QStringLiteral("--print"));
        QCOMPARE(again.exitCode, 0);
        QVERIFY(!again.out.isEmpty());
        QCOMPARE(files.count(nullptr, IN_CLOSE_WRITE | IN_MOVED_TO), 0);
    }

    // The town forecast through the real transports: Victoria's observations by FTP give the
    // station and its district, the precis product comes by FTP or, when that fails, by HTTPS;
    // refused products and a forecast too old say why on standard error.
    void forecastTransports_data()
    {
        QTest::addColumn<QString>("product"); // "ftp", "https", "dead" stand for the servers
        QTest::addColumn<QString>("fallback");
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<QString>("error"); // empty: the forecast is printed
        const QString ftp = "ftp/IDV10753.xml";
        QTest::newRow("by FTP") << ftp << QString() << QByteArray() << QString();
        QTest::newRow("FTP refused, by HTTPS") << "dead/IDV10753.xml"
                                               << "https/file" << QByteArray() << QString();
        QTest::newRow("another state's") << "ftp/nsw/IDV10753.xml" << QString() << QByteArray()
                                         << "Town forecasts feed is product IDN11060, not IDV10753";
        QTest::newRow("damaged") << "ftp/cut/IDV10753.xml" << QString() << QByteArray()
                                 << "Town forecasts feed is not well-formed XML";
        QTest::newRow("town not in it") << ftp << QString() << QByteArray("fc_town=VIC_PT999\n")
                                        << "Town forecasts feed has no forecast for VIC_PT999";
        QTest::newRow("issued three days ago")
            << "ftp/old/IDV10753.xml" << QString() << QByteArray()
            << "The forecast for Melbourne is out of date";
    }

    void forecastTransports()
    {
        QFETCH(QString, product);
        QFETCH(QString, fallback);
        QFETCH(QByteArray, saved);
        QFETCH(QString, error);
        if (!pythonHas("pyftpdlib"))
            QSKIP("python3-pyftpdlib is not installed");
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        const demo::Region& vic = *demo::findRegion(u"vic");
        const QByteArray precis = demo::townForecastProduct(vic, now);
        const Roads roads(
            {{"IDV60920.xml", demo::stateProduct({&vic}, u'V', now)},
             {"IDV10753.xml", precis},
             {"cut/IDV10753.xml", precis.left(precis.size() / 2)},
             {"nsw/IDV10753.xml", demo::townForecastProduct(*demo::findRegion(u"nsw"), now)},
             {"old/IDV10753.xml", demo::townForecastProduct(vic, now - 3 * 86400)}},
            "IDV10753.xml");
        QVERIFY(roads.ok());
        writeProgramFolder(
            roads.address("ftp/IDV60920.xml"), {}, saved,
            {road(kTown, roads.address(product)), road(kTownFallback, roads.address(fallback))});

        const Run run = print(QStringLiteral("--print=forecast"));
        if (!error.isEmpty()) {
            QCOMPARE(run.exitCode, 1);
            QVERIFY2(run.out.isEmpty() && run.err.contains(error), qPrintable(run.out + run.err));
            return;
        }
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        // The first station, "Melbourne (Olympic Park)", shows its town's forecast: every
        // period still ahead, a line each.
        const auto read = engine::readTownForecasts(precis, "IDV10753");
        QVERIFY(read.rows);
        const engine::TownForecasts& forecasts = *read.rows;
        const engine::ForecastTown* melbourne = forecasts.town(
            engine::defaultTownOf(forecasts, "VIC_PW001", "Melbourne (Olympic Park)"));
        QVERIFY(melbourne && melbourne->name == u"Melbourne");
        QStringList lines;
        for (const auto& period : engine::periodsAhead(*melbourne, QDateTime::currentDateTimeUtc()))
            lines.append(engine::periodLine(period));
        // Six days ahead, and the issue's own day until its midnight (from midnight to the 4:25 am
        // issue the latest product is the one of the afternoon before).
        QVERIFY2(lines.size() >= 6, qPrintable(lines.join(u'\n')));
        QCOMPARE(run.out, lines.join(u'\n') + u'\n');
    }

    // A whole scan into --print=warnings and --print=json: Victoria's product and list of
    // warnings by FTP (the list falling back to HTTPS), the companions by FTP; the demo bureau's
    // warning for the first station's district in the stage the row names.
    void warningTransports_data()
    {
        QTest::addColumn<QString>("list"); // "ftp", "https", "dead" stand for the servers
        QTest::addColumn<QString>("fallback");
        QTest::addColumn<int>("stage");
        QTest::addColumn<QString>("printed"); // the headline printed; "" none
        QTest::addColumn<QString>("error");   // what the error log says; "" no failure
        const QString ftp = "ftp/IDZ00059.warnings_vic.xml";
        const QString cut = "ftp/cut/IDZ00059.warnings_vic.xml";
        const int n = int(demo::WarningStage::New);
        const QString storm = "Severe Thunderstorm Warning for Damaging Winds for Central";
        QTest::newRow("new") << ftp << QString() << n << storm << QString();
        QTest::newRow("updated")
            << ftp << QString() << int(demo::WarningStage::Update)
            << "Severe Thunderstorm Warning for Damaging Winds and Large Hailstones for Central"
            << QString();
        QTest::newRow("ended") << ftp << QString() << int(demo::WarningStage::Ended) << QString()
                               << QString();
        QTest::newRow("none") << ftp << QString() << int(demo::WarningStage::None) << QString()
                              << QString();
        QTest::newRow("damaged on FTP, by HTTPS") << cut << "https/file" << n << storm << QString();
        QTest::newRow("damaged") << cut << QString() << n << QString() << "not well-formed XML";
        QTest::newRow("no server") << "dead/IDZ00059.warnings_vic.xml" << QString() << n
                                   << QString() << "IDZ00059.warnings_vic.xml";
    }
    void warningTransports()
    {
        QFETCH(QString, list);
        QFETCH(QString, fallback);
        QFETCH(int, stage);
        QFETCH(QString, printed);
        QFETCH(QString, error);
        if (!pythonHas("pyftpdlib"))
            QSKIP("python3-pyftpdlib is not installed");
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        const demo::Region& vic = *demo::findRegion(u"vic");
        const demo::WarningState state{demo::WarningStage(stage), now - 600};
        ProductFiles files = victoriaWithWarnings(state, now);
        const QByteArray warnings = demo::warningList(vic, state, now);
        files.append({"cut/IDZ00059.warnings_vic.xml", warnings.left(warnings.size() / 2)});
        const Roads roads(files, "IDZ00059.warnings_vic.xml");
        QVERIFY(roads.ok());
        writeProgramFolder(roads.address("ftp/IDV60920.xml"), {}, {},
                           {road(kWarnings, roads.address(list)),
                            road(kWarningsFallback, roads.address(fallback)),
                            road(kAmoc, roads.address("ftp/"))});

        const Run run = print(QStringLiteral("--print=warnings"));
        const Run json = print(QStringLiteral("--print=json"));
        const QJsonObject line = QJsonDocument::fromJson(json.out.toUtf8()).object();
        if (!error.isEmpty()) {
            QCOMPARE(run.exitCode, 1);
            QVERIFY2(run.out.isEmpty() && run.err.contains(error), qPrintable(run.out + run.err));
            // The scan itself went well: never a warning's class, and the tip says so.
            QCOMPARE(line.value("class").toString(), "ok");
            QVERIFY2(line.value("tooltip").toString().contains("Warnings could not be read"),
                     qPrintable(json.out));
            return;
        }
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        if (printed.isEmpty()) {
            QCOMPARE(run.out, QString());
            QCOMPARE(line.value("class").toString(), "ok");
            return;
        }
        // Issued ten minutes ago, in the state's standard time the demo writes.
        const QString issued =
            QLocale::c().toString(QDateTime::fromSecsSinceEpoch(state.since, QTimeZone(10 * 3600)),
                                  QStringLiteral("hh:mm AP dd/MM"));
        QCOMPARE(run.out, issued + u' ' + printed + " forecast district\n");
        QCOMPARE(line.value("class").toString(), "warning");
        QVERIFY2(line.value("tooltip").toString().contains("Warning: " + printed),
                 qPrintable(json.out));
    }

    // The bureau's real products by FTP: the NSW observations name Observatory Hill's district,
    // whose town is Sydney in the real town forecasts; issued in 2024, they are out of date.
    void realProductsOutOfDate()
    {
        if (!pythonHas("pyftpdlib"))
            QSKIP("python3-pyftpdlib is not installed");
        const QString samples = QStringLiteral(NIMBULO_SOURCE_DIR "/../shared/bureau-samples/");
        if (!QFile::exists(samples + "IDN11060.xml") ||
            !QFile::exists(samples + "IDN60920-2020-07-29.xml"))
            QSKIP("The bureau's real products are not in ../shared/bureau-samples/");
        const auto bytes = [&samples](const QString& name) {
            QFile file(samples + name);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        // A copy for this run only, removed with it.
        const Roads roads({{"IDN11060.xml", bytes("IDN11060.xml")},
                           {"IDN60920.xml", bytes("IDN60920-2020-07-29.xml")}},
                          "IDN11060.xml");
        QVERIFY(roads.ok());
        // Every road by this FTP server.
        const QByteArray ftp = roads.address("ftp/").toUtf8();
        writeProgramFolder(
            {{"ftp://ftp.bom.gov.au/anon/gen/fwo/", ftp}, {"https://reg.bom.gov.au/fwo/", ftp}},
            "state=0\nstation=0\nstation_name=Sydney - Observatory Hill\n");

        const Run run = print(QStringLiteral("--print=forecast"));
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.out.isEmpty() && run.err.contains("The forecast for Sydney is out of date: "
                                                       "issued Sun 27/10 03:50 PM"),
                 qPrintable(run.out + run.err));
    }
};

QTEST_GUILESS_MAIN(TestPrintMode)
#include "tst_print_mode.moc"
