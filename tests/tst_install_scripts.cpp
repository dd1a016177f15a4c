#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// scripts/install.sh and scripts/uninstall.sh as a user runs them, on the programs of this
// build, with a display that cannot be reached (a remote session whose X server has gone).
class TestInstallScripts : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    QProcessEnvironment env_;
    QString prefix_;

    QString path(const QString& name) const { return dir_.filePath(name); }

    // Runs a script with the arguments and returns its exit status (-1 when it did not end).
    int run(const char* script, const QStringList& arguments)
    {
        QProcess p;
        p.setProcessEnvironment(env_);
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(QStringLiteral(NIMBULO_SOURCE_DIR "/scripts/") + QLatin1String(script), arguments);
        if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
            return -1;
        return p.exitCode();
    }

    void write(const QString& name, const QByteArray& content)
    {
        QDir().mkpath(QFileInfo(path(name)).absolutePath());
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }

    QByteArray read(const QString& name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // A display number no X server serves (nothing listens on its socket).
    static QString unreachableDisplay()
    {
        int n = 600;
        while (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) ||
               QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
            ++n;
        return QStringLiteral(":%1").arg(n);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        env_ = QProcessEnvironment::systemEnvironment();
        for (const char* var : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "XDG_DESKTOP_DIR"})
            env_.remove(QLatin1String(var));
        env_.insert(QStringLiteral("HOME"), path("home"));
        env_.insert(QStringLiteral("XDG_CONFIG_HOME"), path("home/.config"));
        env_.insert(QStringLiteral("XDG_DATA_HOME"), path("home/.local/share"));
        env_.insert(QStringLiteral("DISPLAY"), unreachableDisplay());
        // The monitor's single-instance socket goes here, where the test can see it.
        QVERIFY(QDir().mkpath(path("run")));
        QFile::setPermissions(path("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env_.insert(QStringLiteral("XDG_RUNTIME_DIR"), path("run"));
        env_.insert(QStringLiteral("NIMBULO_INSTALL_BUILD"), QStringLiteral(NIMBULO_BUILD_DIR));
        prefix_ = path("home/Nimbulo Programs");
    }

    void installUpgradeAndRemove()
    {
        // A first install without a display: everything but the questions.
        QCOMPARE(run("install.sh", {prefix_}), 0);
        for (const char* file :
             {"weather", "nimsaver", "nimsetup", "weather.ini", "icons/nimbulo.svg"})
            QVERIFY2(QFile::exists(prefix_ + '/' + file), file);
        QVERIFY(QFile::exists(path("home/.local/share/applications/au.nimbulo.Nimbulo.desktop")));
        // Its settings will hold the scrambled proxy password: the folder is the user's alone.
        QCOMPARE(QFile::permissions(prefix_) & 0x7077,
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        // The user's choices, as the questions and the saver's dialogs leave them.
        const QByteArray settings = "[SavedSetting]\nstate=2\nproxy_on=1\nproxy_server=10.0.0.8\n"
                                    "proxy_port=3128\n";
        write("home/Nimbulo Programs/wsetting.ini", settings);
        write("home/.config/autostart/Nimbulo.desktop", "x");
        write("home/Desktop/Nimbulo.desktop", "x");
        write("home/.config/nimbulo/registry.ini", "[HKCU\\Software\\Nimbulo\\ScreenSaver]\n");

        // An upgrade keeps them and asks nothing.
        QCOMPARE(run("install.sh", {prefix_}), 0);
        QCOMPARE(read("home/Nimbulo Programs/wsetting.ini"), settings);

        // Removal first stops a running monitor, which saves its settings on the way out.
        QProcess monitor;
        QProcessEnvironment offscreen = env_;
        offscreen.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        monitor.setProcessEnvironment(offscreen);
        monitor.start(prefix_ + QStringLiteral("/weather"), {QStringLiteral("--appdir"), prefix_});
        QTRY_COMPARE_WITH_TIMEOUT(
            QDir(path("run")).entryList({QStringLiteral("nimbulo-*")}, QDir::System).size(), 1,
            30000);
        QCOMPARE(run("uninstall.sh", {prefix_}), 0);
        // Ended already: the wait is only for its status.
        QVERIFY(monitor.waitForFinished(1000));
        QCOMPARE(monitor.exitCode(), 0);
        QVERIFY(read("home/Nimbulo Programs/wsetting.ini").contains("check_date="));
        for (const char* gone : {"home/.config/autostart/Nimbulo.desktop",
                                 "home/Desktop/Nimbulo.desktop", "home/Nimbulo Programs/weather"})
            QVERIFY2(!QFile::exists(path(gone)), gone);
        QVERIFY(read("home/Nimbulo Programs/wsetting.ini").startsWith(settings));
        QVERIFY(QFile::exists(path("home/.config/nimbulo/registry.ini")));

        // Purging takes the settings too, the saver's included.
        QCOMPARE(run("uninstall.sh", {QStringLiteral("--purge"), prefix_}), 0);
        QVERIFY(!QFile::exists(prefix_));
        QVERIFY(!QFile::exists(path("home/.config/nimbulo")));
    }
};

QTEST_GUILESS_MAIN(TestInstallScripts)
#include "tst_install_scripts.moc"
