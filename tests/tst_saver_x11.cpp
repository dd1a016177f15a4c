#include "page_server.h"
#include "platform/feed_box.h"
#include "platform/registry_store.h"
#include "saver/frm_main.h"
#include "saver/stats_feed.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

// The saver against the real window system: the monitor running as its own process, the saver
// as its own process, full screen and inside a window of another program.
namespace {

const QByteArray kLayout =
    "[RegionHeads]\nregions=1\nregion_1=R1\n"
    "[R1]\ndisplay=Region One\nst_url=r1/obs.html\ndelim_1=<table>\ndelim_2=</table>\n"
    "delim_3=<th>\ndelim_4=</t\nheaders=3\nskip=1\nst_hdr_1=Date/Time\nst_hdr_2=Temp\n"
    "st_sgn_2=C\nst_hdr_3=Rain\nst_sgn_3=mm\nforecasts=0\nrain=0\nmap_url=\n";

const QByteArray kPage = "<table>\n<tr><th><a href=\"/p/1.shtml\">Alpha</a></th>\n"
                         "<td>06/10:00am</td>\n<td>18.5</td>\n<td>1.0</td>\n</tr>\n</table>\n";

constexpr int kStartTimeout = 30000; // sanitizer builds start slowly

QString artefact(const QString& name)
{
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/artefacts");
    QDir().mkpath(dir);
    return dir + QLatin1Char('/') + name;
}

// The size of the first child of `window` named "Preview", from xwininfo; empty when none.
QSize previewChildSize(WId window)
{
    QProcess info;
    info.start(QStringLiteral("xwininfo"),
               {QStringLiteral("-children"), QStringLiteral("-id"), QString::number(window)});
    if (!info.waitForFinished(10000))
        return {};
    static const QRegularExpression child(QStringLiteral("\"Preview\".*\\s(\\d+)x(\\d+)[+-]"));
    const QRegularExpressionMatch m =
        child.match(QString::fromLocal8Bit(info.readAllStandardOutput()));
    return m.hasMatch() ? QSize(m.captured(1).toInt(), m.captured(2).toInt()) : QSize();
}

// True when the image holds a pixel of the display's yellow text.
bool hasTickerText(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (const QColor c = image.pixelColor(x, y);
                c.red() > 200 && c.green() > 200 && c.blue() < 80)
                return true;
    return false;
}

} // namespace

class TestSaverX11 : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    PageServer server_;
    QProcessEnvironment env_;
    std::unique_ptr<QProcess> weather_;
    std::unique_ptr<QProcess> saver_;

    QString path(const char* name) const { return dir_.filePath(QLatin1String(name)); }

    void writeFile(const char* name, const QByteArray& content)
    {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }

    std::unique_ptr<QProcess> start(const char* program, const QStringList& arguments,
                                    const QProcessEnvironment& env)
    {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(QLatin1String(program), arguments);
        return p;
    }

    // Starts the monitor and returns its feed as the window system carries it, once the first
    // scan has filled it; empty when it does not come.
    QString startWeatherFeed()
    {
        weather_ = start(WEATHER_EXE, {QStringLiteral("--appdir"), path("app")}, env_);
        QString feed;
        const bool filled = QTest::qWaitFor(
            [&] {
                feed =
                    platform::readFeedText(platform::findAppWindow(QLatin1String(saver::kAppTitle)))
                        .value_or(QString());
                return !feed.isEmpty();
            },
            kStartTimeout);
        return filled ? feed : QString();
    }

    // Starts the saver with a dump file and returns the lines of its first feed read (none
    // when it does not come).
    QStringList startSaver(const QStringList& arguments,
                           const QProcessEnvironment& env = QProcessEnvironment())
    {
        const QString dump = path("dump.txt");
        QFile::remove(dump);
        saver_ = start(NIMSAVER_EXE, QStringList{QStringLiteral("--dump"), dump} + arguments,
                       env.isEmpty() ? env_ : env);
        QFile f(dump);
        if (!QTest::qWaitFor([&] { return f.exists(); }, kStartTimeout) ||
            !f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    static void xdotool(const QStringList& arguments)
    {
        QProcess p;
        p.start(QStringLiteral("xdotool"), arguments);
        QVERIFY(p.waitForFinished(10000));
    }

    void expectSaverEnds()
    {
        QVERIFY(saver_->waitForFinished(kStartTimeout));
        QCOMPARE(saver_->exitStatus(), QProcess::NormalExit);
        QCOMPARE(saver_->exitCode(), 0);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server");
        QVERIFY(dir_.isValid());
        for (const char* sub : {"app", "config", "runtime"})
            QDir(dir_.path()).mkpath(QLatin1String(sub));
        QFile::setPermissions(path("runtime"), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ExeOwner);
        writeFile("app/weather.ini", kLayout);
        writeFile("app/wsetting.ini", "[SavedSetting]\nproxy_on=1\nproxy_server=127.0.0.1\n"
                                      "proxy_port=" +
                                          QByteArray::number(server_.port()) + "\n");
        server_.setPage(QStringLiteral("r1/obs.html"), kPage);

        env_ = QProcessEnvironment::systemEnvironment();
        env_.insert(QStringLiteral("XDG_CONFIG_HOME"), path("config"));
        env_.insert(QStringLiteral("XDG_RUNTIME_DIR"), path("runtime"));
        env_.remove(QStringLiteral("XSCREENSAVER_WINDOW"));
        const QString asan = env_.value(QStringLiteral("ASAN_OPTIONS"));
        env_.insert(QStringLiteral("ASAN_OPTIONS"),
                    (asan.isEmpty() ? asan : asan + ':') + QStringLiteral("detect_leaks=0"));
    }

    void cleanup()
    {
        for (QProcess* p : {weather_.get(), saver_.get()}) {
            if (p && p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(10000);
            }
        }
        weather_.reset();
        saver_.reset();
    }

    void withoutTheMonitorShowsNotRunning()
    {
        // Like the other programs it takes the program folder.
        const QStringList lines = startSaver({QStringLiteral("--appdir"), path("app"), "/s"});
        QCOMPARE(lines.size(), 6);
        QVERIFY(lines[0].startsWith(QStringLiteral("Time: ")));
        QCOMPARE(lines.mid(1), saver::notRunningText().split(QStringLiteral("\r\n")));

        // A second copy ends at once; the first goes on until a click.
        QProcess second;
        second.setProcessEnvironment(env_);
        second.start(QStringLiteral(NIMSAVER_EXE), {QStringLiteral("/s")});
        QVERIFY(second.waitForFinished(kStartTimeout));
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(saver_->state(), QProcess::Running);
        xdotool({"mousemove", "20", "20", "click", "1"});
        expectSaverEnds();
    }

    void showsTheMonitorsStats()
    {
        const QString feed = startWeatherFeed();
        QVERIFY2(feed.startsWith(QStringLiteral("Alpha at: 10:00 AM\r\n")), qPrintable(feed));
        QCOMPARE(saver::readStatsText(), feed);

        const QStringList lines = startSaver({QStringLiteral("/s")});
        QCOMPARE(lines.mid(1), feed.split(QStringLiteral("\r\n")));

        // What the screen shows, kept for a look.
        QImage shot;
        QTRY_VERIFY_WITH_TIMEOUT(
            hasTickerText(shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage()),
            kStartTimeout);
        QVERIFY(shot.save(artefact(QStringLiteral("saver_run.png"))));

        // Moving the mouse a long way ends it.
        for (int i = 0; i < 24 && saver_->state() == QProcess::Running; ++i)
            xdotool({"mousemove", "--sync", QString::number(100 + 40 * i),
                     QString::number(100 + 20 * i)});
        expectSaverEnds();
    }

    void monitorEndingMidWayIsNoHarm()
    {
        const QString feed = startWeatherFeed();
        const platform::RegistryStore store(path("registry-in-process.ini"));
        saver::frmMain display(saver::frmMain::RunMode, store, {});
        display.formLoad();
        QCOMPARE(display.statsText(), feed);

        weather_->kill();
        QVERIFY(weather_->waitForFinished(10000));
        // The window is gone: reading it gives nothing, and the display says so.
        QTRY_VERIFY_WITH_TIMEOUT(!platform::findAppWindow(QLatin1String(saver::kAppTitle)),
                                 kStartTimeout);
        display.imageTick();
        QCOMPARE(display.statsText(), saver::notRunningText());
    }

    void drawsInsideAForeignWindow_data()
    {
        QTest::addColumn<bool>("xscreensaverRoot");
        QTest::newRow("-window-id") << false;
        QTest::newRow("-root in xscreensaver's window") << true;
    }

    void drawsInsideAForeignWindow()
    {
        QFETCH(bool, xscreensaverRoot);
        auto host = std::make_unique<QWidget>();
        host->resize(320, 200);
        host->show();
        QVERIFY(QTest::qWaitForWindowExposed(host.get()));
        const WId id = host->winId();

        QProcessEnvironment env = env_;
        QStringList arguments{QStringLiteral("-window-id"), QStringLiteral("0x%1").arg(id, 0, 16)};
        if (xscreensaverRoot) {
            env.insert(QStringLiteral("XSCREENSAVER_WINDOW"), QString::number(id));
            arguments = QStringList{QStringLiteral("-root")};
        }
        QVERIFY(!startSaver(arguments, env).isEmpty());

        QTRY_COMPARE_WITH_TIMEOUT(previewChildSize(id), QSize(320, 200), kStartTimeout);
        QImage shot;
        QTRY_VERIFY_WITH_TIMEOUT(
            hasTickerText(shot = QGuiApplication::primaryScreen()->grabWindow(id).toImage()),
            kStartTimeout);
        QVERIFY(shot.save(artefact(QStringLiteral("saver_preview.png"))));
        host->resize(400, 300);
        QTRY_COMPARE_WITH_TIMEOUT(previewChildSize(id), QSize(400, 300), kStartTimeout);

        // Input goes to the host's owner in a preview; the saver ends when the host goes.
        host.reset();
        expectSaverEnds();
    }

    void previewWithoutItsWindowEnds_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("/p of no window") << QStringList{"/p", "4000000000"};
        QTest::newRow("-window-id of no window") << QStringList{"-window-id", "0x7ffffff0"};
    }

    void previewWithoutItsWindowEnds()
    {
        QFETCH(QStringList, arguments);
        saver_ = start(NIMSAVER_EXE, arguments, env_);
        expectSaverEnds();
    }
};

// Without an X display the test runs offscreen, where it skips, instead of failing to start.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestSaverX11 test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_saver_x11.moc"
