// The monitor as a native Wayland client: sway headless (pixman, no devices) with Waybar as the
// StatusNotifierItem host and status bar, screenshots by grim, a D-Bus session of the
// compositor's own. sway refuses to run as root: as root everything in the session runs as
// `nobody`. The program is the real `weather`, in Waybar's tray and in its custom module.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <functional>
#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

// The light outline around the value icon's black digits, the only light pixels of the bar.
bool outline(QRgb c)
{
    return qRed(c) >= 0xd0 && qGreen(c) >= 0xd0 && qBlue(c) >= 0xd0;
}
const QRgb kOkColour = qRgb(0, 255, 0);      // Waybar's style for class "ok"
const QRgb kStaleColour = qRgb(255, 0, 255); // ... and for "stale"

bool waitUntil(const std::function<bool()>& done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QThread::msleep(100);
    }
    return true;
}

} // namespace

class TestDesktopsWayland : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    QProcess bureau_;
    QString port_;
    std::vector<std::unique_ptr<QProcess>> processes_;
    QProcessEnvironment env_;
    QProcess* sway_ = nullptr;
    QString appDir_;
    const passwd* user_ = nullptr; // the user the session runs as, when the test runs as root

    QString path(const QString& name) const { return dir_.filePath(name); }

    // Hands `file` to the session's user, when the session runs as another one.
    void giveToUser(const QString& file)
    {
        if (user_)
            QCOMPARE(::chown(QFile::encodeName(file).constData(), user_->pw_uid, user_->pw_gid), 0);
    }

    void writeFile(const QString& name, const QByteArray& text)
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
        file.close();
        giveToUser(path(name));
    }

    void makeDir(const QString& name)
    {
        QVERIFY(QDir().mkpath(path(name)));
        QFile::setPermissions(path(name), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        giveToUser(path(name));
    }

    // A process of the session, as its user, killed when the test dies.
    QProcess* spawn(const QString& program, const QStringList& arguments)
    {
        auto& process = processes_.emplace_back(std::make_unique<QProcess>());
        process->setProcessEnvironment(env_);
        process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        QStringList args = arguments;
        QString exe = program;
        if (user_) {
            // runuser keeps no environment worth having: hand it over with env.
            args = QStringList{QStringLiteral("-u"), QString::fromLocal8Bit(user_->pw_name),
                               QStringLiteral("--"), QStringLiteral("env")};
            for (const QString& key : env_.keys())
                args.append(key + u'=' + env_.value(key));
            args.append(program);
            args += arguments;
            exe = QStringLiteral("runuser");
        }
        process->start(exe, args);
        process->waitForStarted(10000);
        return process.get();
    }

    static void stop(QProcess* process)
    {
        process->terminate();
        if (!process->waitForFinished(5000)) {
            process->kill();
            process->waitForFinished(5000);
        }
    }

    QString run(const QString& program, const QStringList& arguments)
    {
        QProcess* p = spawn(program, arguments);
        p->waitForFinished(20000);
        return QString::fromUtf8(p->readAllStandardOutput());
    }

    QImage screenshot(const QString& keep = {})
    {
        QFile::remove(path(QStringLiteral("shot.png")));
        run(QStringLiteral("grim"), {path(QStringLiteral("shot.png"))});
        QImage image(path(QStringLiteral("shot.png")));
        if (!keep.isEmpty()) {
            const QString out = QStringLiteral(QT_TESTCASE_BUILDDIR "/wayland-artefacts");
            QDir().mkpath(out);
            image.save(out + u'/' + keep);
        }
        return image;
    }

    // Pixels of exactly `colour` in the bar along the top.
    int barPixels(QRgb colour)
    {
        return barPixels([colour](QRgb c) { return (c & 0xffffff) == (colour & 0xffffff); });
    }

    int barPixels(const std::function<bool(QRgb)>& wanted)
    {
        const QImage image = screenshot();
        int n = 0;
        for (int y = 0; y < qMin(image.height(), 30); ++y) {
            for (int x = 0; x < image.width(); ++x)
                n += wanted(image.pixel(x, y)) ? 1 : 0;
        }
        return n;
    }

    bool mainWindowShown()
    {
        const QString socket = QDir(path(QStringLiteral("rt")))
                                   .entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System)
                                   .value(0);
        return run(QStringLiteral("swaymsg"),
                   {QStringLiteral("-s"), path(QStringLiteral("rt/")) + socket,
                    QStringLiteral("-t"), QStringLiteral("get_tree")})
            .contains(QStringLiteral("Nimbulo (Australia) ver"));
    }

    QProcess* startWaybar()
    {
        return spawn(QStringLiteral("waybar"),
                     {QStringLiteral("-c"), path(QStringLiteral("waybar.json")),
                      QStringLiteral("-s"), path(QStringLiteral("waybar.css"))});
    }

private Q_SLOTS:
    void initTestCase()
    {
        for (const char* tool : {"sway", "waybar", "grim", "swaymsg", "dbus-run-session"}) {
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                QSKIP("sway, waybar, grim or dbus is missing");
        }
        QVERIFY(dir_.isValid());
        if (::getuid() == 0) {
            user_ = ::getpwnam("nobody");
            QVERIFY(user_);
            giveToUser(dir_.path());
        }
        bureau_.start(QStringLiteral(DEMO_BUREAU), {QStringLiteral("--port"), QStringLiteral("0")});
        QVERIFY(bureau_.waitForReadyRead(10000));
        const QByteArray line = bureau_.readLine();
        port_ = QString::fromLatin1(line.mid(line.lastIndexOf(':') + 1)).trimmed();

        for (const char* sub : {"home", "rt", "config", "cache", "app"})
            makeDir(QLatin1String(sub));
        appDir_ = path(QStringLiteral("app"));
        QFile layout(QStringLiteral(NIMBULO_SOURCE_DIR "/data/weather.ini"));
        QVERIFY(layout.open(QIODevice::ReadOnly));
        // The products through the demo bureau as the proxy, by the program's own HTTP client.
        writeFile(QStringLiteral("app/weather.ini"),
                  layout.readAll().replace("st_url=https://reg.bom.gov.au/fwo/",
                                           "st_url=http://www.bom.gov.au/fwo/"));
        writeFile(QStringLiteral("app/wsetting.ini"),
                  "[SavedSetting]\nstate=1\nstation_name=Melbourne (Olympic Park)\n"
                  "banner=0\nuse_sys_color=0\nfore_color=0\nback_color=65535\n"
                  "proxy_on=1\nproxy_server=127.0.0.1\nproxy_port=" +
                      port_.toUtf8() + "\n");
        const QByteArray print =
            QByteArray(WEATHER_EXE) + " --appdir " + appDir_.toUtf8() + " --print=json";
        writeFile(QStringLiteral("waybar.json"),
                  "{\"layer\": \"top\", \"position\": \"top\", \"height\": 30,\n"
                  " \"modules-left\": [\"custom/weather\"], \"modules-right\": [\"tray\"],\n"
                  " \"tray\": {\"icon-size\": 24},\n"
                  " \"custom/weather\": {\"exec\": \"" +
                      print +
                      "\", \"return-type\": \"json\","
                      " \"interval\": 30}}\n");
        writeFile(QStringLiteral("waybar.css"),
                  "* { font-family: DejaVu Sans; font-size: 13px; }\n"
                  "window#waybar { background: #204060; color: #ffffff; }\n"
                  "#custom-weather.ok { background: #00ff00; color: #000000; }\n"
                  "#custom-weather.stale { background: #ff00ff; }\n");
        // The compositor's own bus: the session's processes are told its address.
        writeFile(QStringLiteral("sway.conf"), "output HEADLESS-1 resolution 1024x600\n"
                                               "exec sh -c 'echo \"$DBUS_SESSION_BUS_ADDRESS\" > " +
                                                   path("bus").toUtf8() + "'\n");

        env_ = QProcessEnvironment::systemEnvironment();
        for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS",
                                "SESSION_MANAGER", "QT_QPA_PLATFORM"})
            env_.remove(QLatin1String(var));
        env_.insert(QStringLiteral("HOME"), path(QStringLiteral("home")));
        env_.insert(QStringLiteral("XDG_RUNTIME_DIR"), path(QStringLiteral("rt")));
        env_.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        env_.insert(QStringLiteral("XDG_CACHE_HOME"), path(QStringLiteral("cache")));
        env_.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
        env_.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
        env_.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
        sway_ = spawn(QStringLiteral("dbus-run-session"),
                      {QStringLiteral("--"), QStringLiteral("sway"), QStringLiteral("-c"),
                       path(QStringLiteral("sway.conf"))});
        QVERIFY2(
            waitUntil([&] { return QFileInfo(path(QStringLiteral("bus"))).size() > 1; }, 30000),
            sway_->readAllStandardError().constData());
        QFile bus(path(QStringLiteral("bus")));
        QVERIFY(bus.open(QIODevice::ReadOnly));
        env_.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                    QString::fromUtf8(bus.readAll()).trimmed());
        env_.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wayland-1"));
        env_.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    }

    void cleanupTestCase()
    {
        for (auto it = processes_.rbegin(); it != processes_.rend(); ++it)
            stop(it->get());
        bureau_.kill();
        bureau_.waitForFinished();
    }

    // The bar's module reads the monitor's JSON line (class "ok" with the demo bureau); the
    // value icon joins Waybar's tray, the main window stays hidden; when the host goes, the
    // main window comes up.
    void waybarShowsTheValue()
    {
        QProcess* waybar = startWaybar();
        QVERIFY2(waitUntil([&] { return barPixels(kOkColour) > 100; }, 60000),
                 waybar->readAllStandardError().constData());
        QCOMPARE(barPixels(kStaleColour), 0);
        QProcess* weather = spawn(QStringLiteral(WEATHER_EXE), {"--appdir", appDir_});
        QVERIFY2(waitUntil([&] { return barPixels(&outline) > 20; }, 60000),
                 weather->readAllStandardError().constData());
        QVERIFY(!mainWindowShown());
        screenshot(QStringLiteral("sway-waybar.png"));

        stop(waybar);
        QVERIFY(waitUntil([&] { return mainWindowShown(); }, 30000));
        screenshot(QStringLiteral("sway-host-gone.png"));
        QCOMPARE(weather->state(), QProcess::Running);
    }

    // The options dialog as a Wayland client greys out what Wayland cannot do.
    void optionsGreyOutWhatWaylandCannotDo()
    {
        env_.insert(QStringLiteral("NIMBULO_ARTEFACTS"), path(QStringLiteral("home")));
        QProcess* options =
            spawn(QStringLiteral(TST_OPTIONS), {QStringLiteral("greysOutWhatTheSessionCannotDo")});
        QVERIFY(options->waitForFinished(60000));
        const QString out = QString::fromUtf8(options->readAllStandardOutput());
        QVERIFY2(options->exitCode() == 0 &&
                     out.contains(QStringLiteral("PASS   : TestOptions::greysOut")),
                 qPrintable(out));
        const QString artefacts = QStringLiteral(QT_TESTCASE_BUILDDIR "/wayland-artefacts");
        QDir().mkpath(artefacts);
        QFile::remove(artefacts + QStringLiteral("/wayland-options.png"));
        QVERIFY(QFile::copy(path(QStringLiteral("home/wayland-options.png")),
                            artefacts + QStringLiteral("/wayland-options.png")));
    }
};

QTEST_GUILESS_MAIN(TestDesktopsWayland)
#include "tst_desktops_wayland.moc"
