// The weather executable run as a desktop session runs it: one copy per program folder, and an
// end of session by signal that saves the selection as Close does.

#include "page_server.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

const QByteArray kLayout =
    "[RegionHeads]\nregions=1\nregion_1=R1\n"
    "[R1]\ndisplay=Region One\nst_url=r1/obs.html\ndelim_1=<table>\ndelim_2=</table>\n"
    "delim_3=<th>\ndelim_4=</t\nheaders=2\nskip=1\nst_hdr_1=Date/Time\nst_hdr_2=Temp\n"
    "st_json_2=air_temp\n";

QByteArray page(const char* time, const char* temperature)
{
    return QByteArray("<table>\n<tr><th><a href=\"/p/1.shtml\">Alpha</a></th>\n<td>") + time +
           "</td>\n<td>" + temperature + "</td>\n</tr>\n</table>\n";
}

const QByteArray kPage = page("06/10:00am", "35.5");

} // namespace

class TestWeatherProgram : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    PageServer server_;

    QString settingsText() const
    {
        QFile f(dir_.filePath("wsetting.ini"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    // Starts the monitor on `appDir` and waits for its first scan to reach the server.
    void startMonitor(QProcess& weather, const QString& appDir)
    {
        const int before = server_.requests();
        weather.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        weather.start(QStringLiteral(WEATHER_EXE), {QStringLiteral("--appdir"), appDir});
        QVERIFY(weather.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(server_.requests() > before, 30000);
    }

    static void waitForEnd(QProcess& weather)
    {
        QTRY_VERIFY_WITH_TIMEOUT(weather.state() == QProcess::NotRunning, 30000);
        QCOMPARE(weather.exitStatus(), QProcess::NormalExit);
        QCOMPARE(weather.exitCode(), 0);
    }

private Q_SLOTS:
    void init()
    {
        server_.setPage(QStringLiteral("r1/obs.html"), kPage);
        for (const auto& [name, content] :
             {std::pair{"weather.ini", kLayout},
              std::pair{"wsetting.ini", "[SavedSetting]\nproxy_on=1\nproxy_server=127.0.0.1\n"
                                        "proxy_port=" +
                                            QByteArray::number(server_.port()) + "\n"}}) {
            QFile f(dir_.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(content);
        }
    }

    void endOfSessionSavesTheSelection_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }

    void endOfSessionSavesTheSelection()
    {
        QFETCH(int, signalNumber);
        QProcess weather;
        startMonitor(weather, dir_.path());
        ::kill(static_cast<pid_t>(weather.processId()), signalNumber);
        waitForEnd(weather);
        // Only the save at the end writes these keys.
        const QString saved = settingsText();
        for (const char* key : {"state=0", "display=0", "check_date="})
            QVERIFY2(saved.contains(QLatin1String(key)), qPrintable(saved));
    }

    // The record through the real program: each good scan stores the station's row once per
    // observation time, a failed scan adds nothing, and `--print=record` prints it as CSV.
    void recordsScans()
    {
        const auto printed = [this] {
            QProcess print;
            print.start(QStringLiteral(WEATHER_EXE),
                        {QStringLiteral("--appdir"), dir_.path(), QStringLiteral("--print=record"),
                         QStringLiteral("100")});
            print.waitForFinished(30000);
            QStringList temperatures;
            const QList<QByteArray> lines = print.readAllStandardOutput().split('\n');
            for (const QByteArray& line : lines.mid(1))
                if (!line.isEmpty())
                    temperatures.append(QString::fromUtf8(line.split(',').value(1)));
            return temperatures;
        };
        const auto scan = [&](const QByteArray& body) {
            server_.setPage(QStringLiteral("r1/obs.html"), body);
            QProcess weather;
            startMonitor(weather, dir_.path());
            QTest::qWait(1500); // the scan's answer is read and recorded
            weather.terminate();
            waitForEnd(weather);
        };
        QFile::remove(dir_.filePath("observations.sqlite"));
        scan(page("06/10:00am", "35.5"));
        QCOMPARE(printed(), QStringList{"35.5"});
        scan(page("06/10:00am", "40.1")); // the same observation: not again
        scan(page("06/10:30am", "36"));
        scan("<p>no table</p>"); // a failed scan
        QCOMPARE(printed(), (QStringList{"35.5", "36"}));
    }

    // A start through a symbolic link to the running copy's folder ends at once.
    void oneCopyPerResolvedFolder()
    {
        const QString link = dir_.filePath("link");
        QFile::remove(link);
        QVERIFY(QFile::link(dir_.path(), link));
        QProcess first;
        startMonitor(first, dir_.path());
        QProcess second;
        second.start(QStringLiteral(WEATHER_EXE), {QStringLiteral("--appdir"), link});
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 20000);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(first.state() == QProcess::Running);
        first.terminate();
        waitForEnd(first);
    }
};

QTEST_MAIN(TestWeatherProgram)
#include "tst_weather_program.moc"
