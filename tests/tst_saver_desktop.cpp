#include "setup/installer.h"
#include "x11_session.h"

#include <QDirIterator>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include <pwd.h>
#include <unistd.h>

// The saver inside the real xscreensaver, as its own process, on a real desktop (openbox,
// tint2).
namespace {

X11Session* session = nullptr;
constexpr int kTimeout = 30000; // sanitizer builds start slowly

// True when the screen shows a pixel of the display's yellow text.
bool showsTickerText()
{
    const QImage image = QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(
        QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qRed(line[x]) > 200 && qGreen(line[x]) > 200 && qBlue(line[x]) < 80)
                return true;
    }
    return false;
}

// The processes running `program` (by their executable).
QList<qint64> processesOf(const QString& program)
{
    QList<qint64> found;
    QDirIterator it(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        const QString dir = it.next();
        bool numeric = false;
        const qint64 pid = it.fileName().toLongLong(&numeric);
        if (numeric && QFileInfo(dir + QStringLiteral("/exe")).symLinkTarget() == program)
            found.append(pid);
    }
    return found;
}

} // namespace

class TestSaverDesktop : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        session->startTestCase();
        QVERIFY(session->startPanel(X11Session::Panel::Bottom));
    }

    void runsUnderXscreensaver()
    {
        const passwd* nobody = getpwnam("nobody");
        if (geteuid() != 0 || !nobody ||
            QStandardPaths::findExecutable(QStringLiteral("xscreensaver")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("runuser")).isEmpty())
            QSKIP("needs root, the user nobody, runuser and xscreensaver (which will not run as "
                  "root)");
        // The saver installed into a folder with a blank, and an unprivileged user whose
        // ~/.xscreensaver holds the entry the installer tells users to add.
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const auto open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                          QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(dir.path(), open));
        const QString appDir = dir.filePath(QStringLiteral("Nimbulo Saver/"));
        const QString program = appDir + QStringLiteral("nimsaver");
        QVERIFY(QDir().mkpath(appDir) && QFile::setPermissions(appDir, open));
        QVERIFY(QFile::copy(QStringLiteral(NIMSAVER_EXE), program));
        const QString home = dir.filePath(QStringLiteral("home"));
        for (const char* sub : {"", "/.config", "/runtime"}) {
            QVERIFY(QDir().mkpath(home + QLatin1String(sub)));
            QCOMPARE(::chown(qPrintable(home + QLatin1String(sub)), nobody->pw_uid, nobody->pw_gid),
                     0);
        }
        QFile::setPermissions(home + QStringLiteral("/runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile rc(home + QStringLiteral("/.xscreensaver"));
        QVERIFY(rc.open(QIODevice::WriteOnly));
        rc.write("timeout: 0:30:00\ncycle: 0:00:00\nlock: False\nfade: False\nunfade: False\n"
                 "splash: False\ndpmsEnabled: False\nmode: one\nselected: 0\nprograms: " +
                 setup::xscreensaverEntry(appDir).toUtf8() + " \\n\n");
        rc.close();

        QStringList asUser{
            QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--"),
            QStringLiteral("env"), QStringLiteral("-i"), "HOME=" + home,
            "DISPLAY=" + qEnvironmentVariable("DISPLAY"), QStringLiteral("PATH=/usr/bin:/bin"),
            "XDG_CONFIG_HOME=" + home + "/.config", "XDG_RUNTIME_DIR=" + home + "/runtime",
            // No session bus, and none started for it (D-Bus autolaunch).
            "DBUS_SESSION_BUS_ADDRESS=unix:path=" + home + "/no-bus",
            "ASAN_OPTIONS=" + qEnvironmentVariable("ASAN_OPTIONS")};
        QProcess* xscreensaver = session->spawn(QStringLiteral("runuser"),
                                                asUser + QStringList{"xscreensaver", "-no-splash"});
        const auto command = [](const char* what) {
            return QProcess::execute(QStringLiteral("xscreensaver-command"),
                                     {QLatin1String(what)}) == 0;
        };
        QVERIFY(QTest::qWaitFor([&] { return command("-version"); }, kTimeout));

        QVERIFY(command("-activate"));
        // xscreensaver starts the saver in its own window, where it stays and draws.
        QVERIFY(QTest::qWaitFor(showsTickerText, kTimeout));
        const QList<qint64> running = processesOf(program);
        QCOMPARE(running.size(), 1);
        session->saveScreenshot(QStringLiteral("xscreensaver.png"));
        QVERIFY(showsTickerText());
        QCOMPARE(processesOf(program), running);

        // Coming back ends it.
        QVERIFY(command("-deactivate"));
        QVERIFY(QTest::qWaitFor([&] { return processesOf(program).isEmpty(); }, kTimeout));
        QVERIFY(command("-exit"));
        QVERIFY(xscreensaver->waitForFinished(kTimeout));
    }
};

int main(int argc, char** argv)
{
    X11Session x11;
    session = &x11;
    x11.startForTest();
    QGuiApplication app(argc, argv);
    TestSaverDesktop test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_saver_desktop.moc"
