// `weather --print` as a script runs it: a separate process, no display, against the demo bureau.

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

class TestPrintMode : public QObject
{
    Q_OBJECT

    QProcess bureau_;
    QString port_;
    QTemporaryDir dir_;

    // A program folder with the shipped layout and settings that reach `port` through the proxy.
    void writeProgramFolder(const QString& port, const QByteArray& more = {})
    {
        QFile::remove(dir_.filePath("weather.ini"));
        QVERIFY(QFile::copy(QStringLiteral(NIMBULO_SOURCE_DIR "/data/weather.ini"),
                            dir_.filePath("weather.ini")));
        QFile settings(dir_.filePath("wsetting.ini"));
        QVERIFY(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
        settings.write("[SavedSetting]\nstate=1\nproxy_on=1\nproxy_server=127.0.0.1\nproxy_port=" +
                       port.toUtf8() + "\n" + more);
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

    void printsTheFeed()
    {
        writeProgramFolder(port_);
        const Run run = print(QStringLiteral("--print"));
        QCOMPARE(run.exitCode, 0);
        const QStringList lines = run.out.trimmed().split(QLatin1Char('\n'));
        // Victoria's first station, its time, then one line per stat column of the layout.
        QVERIFY2(lines.first().contains(QStringLiteral(" at: ")), qPrintable(run.out));
        QCOMPARE(lines.size(), 13);
        QVERIFY(lines.at(1).startsWith(QStringLiteral("Temp \u00B0C")));
        QVERIFY(!run.out.contains(QLatin1Char('\r')));
    }

    void printsTheTicker()
    {
        writeProgramFolder(port_);
        const Run run = print(QStringLiteral("--print=ticker"));
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(QRegularExpression(QStringLiteral("^-?\\d+\\.\\d \u00B0C\\n$"))
                         .match(run.out)
                         .hasMatch() ||
                     run.out == QStringLiteral("N/F\n"),
                 qPrintable(run.out));
    }

    // One line in the shape of Waybar's custom module; a failed scan still gives its line.
    void printsJsonForWaybar_data()
    {
        QTest::addColumn<bool>("bureauUp");
        QTest::addColumn<QByteArray>("alarm");
        QTest::addColumn<QString>("state");
        QTest::newRow("scanned") << true << QByteArray() << "ok";
        // Any temperature is above -50.
        QTest::newRow("alarm holds")
            << true << QByteArray("alert_toggle=2\nalert_type=0\nalert_compare=-50\n") << "alarm";
        QTest::newRow("bureau down") << false << QByteArray() << "stale";
    }

    void printsJsonForWaybar()
    {
        QFETCH(bool, bureauUp);
        QFETCH(QByteArray, alarm);
        QFETCH(QString, state);
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QString deadPort = QString::number(closed.serverPort());
        closed.close();
        writeProgramFolder(bureauUp ? port_ : deadPort, alarm);
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
            QVERIFY(QStringList({"cold", "mild", "hot", "nostation"})
                        .contains(line.value("alt").toString()));
            QVERIFY(line.value("text").toString().contains(QStringLiteral("\u00B0C")) ||
                    line.value("text").toString() == QStringLiteral("N/F"));
            QVERIFY(line.value("tooltip").toString().contains(QStringLiteral("Station is ")));
        } else {
            QCOMPARE(line.value("text").toString(), QStringLiteral("--"));
            QVERIFY(line.value("tooltip").toString().contains(QStringLiteral("10061")));
        }
        QVERIFY(!line.value("tooltip").toString().contains(QLatin1Char('\r')));
    }

    void failureGoesToStandardError()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QString deadPort = QString::number(closed.serverPort());
        closed.close();
        writeProgramFolder(deadPort);
        const Run run = print(QStringLiteral("--print"));
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.isEmpty());
        QVERIFY2(run.err.contains(QStringLiteral("Winsock Error 10061")), qPrintable(run.err));
    }
};

QTEST_GUILESS_MAIN(TestPrintMode)
#include "tst_print_mode.moc"
