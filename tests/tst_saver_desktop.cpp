#include "platform/registry_store.h"
#include "saver/saver_settings.h"
#include "setup/installer.h"
#include "x11_session.h"

#include <QDirIterator>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include <pwd.h>
#include <unistd.h>

// The full-screen saver on a real desktop (openbox, tint2), and the saver inside the real
// xscreensaver, each as its own process.
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

// The managed window of process `pid` titled `title` (any title when empty); 0 when none.
xcb_window_t clientOf(qint64 pid, const QByteArray& title = {})
{
    xcb_connection_t* c = session->connection();
    for (const quint32 w : session->cardinals(session->root(), "_NET_CLIENT_LIST")) {
        if (session->cardinals(w, "_NET_WM_PID").value(0) != pid)
            continue;
        const auto name = xcbReply(c, xcb_get_property_reply,
                                   xcb_get_property(c, 0, w, session->atom("_NET_WM_NAME"),
                                                    XCB_GET_PROPERTY_TYPE_ANY, 0, 256));
        if (title.isEmpty() ||
            (name && QByteArray(static_cast<const char*>(xcb_get_property_value(name.get())),
                                xcb_get_property_value_length(name.get())) == title))
            return w;
    }
    return 0;
}

// Whether another client holds the keyboard (or the pointer): the test's own grab is refused.
// A grab that is granted is given back at once.
bool heldElsewhere(bool keyboard)
{
    xcb_connection_t* c = session->connection();
    const xcb_window_t root = session->root();
    bool taken = false;
    if (keyboard) {
        const auto r = xcbReply(c, xcb_grab_keyboard_reply,
                                xcb_grab_keyboard(c, 0, root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC,
                                                  XCB_GRAB_MODE_ASYNC));
        taken = r && r->status == XCB_GRAB_STATUS_ALREADY_GRABBED;
        xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
    } else {
        const auto r =
            xcbReply(c, xcb_grab_pointer_reply,
                     xcb_grab_pointer(c, 0, root, 0, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC,
                                      XCB_WINDOW_NONE, XCB_CURSOR_NONE, XCB_CURRENT_TIME));
        taken = r && r->status == XCB_GRAB_STATUS_ALREADY_GRABBED;
        xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
    }
    xcb_flush(c);
    return taken;
}

bool xdotool(const QStringList& arguments)
{
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
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

    void holdsTheDesktopUntilThePassword()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("needs xdotool");
        const platform::RegistryStore store;
        saver::saveUsePassword(store, true);
        saver::savePassword(store, QStringLiteral("Pw"));

        // Another client holds the keyboard when the saver starts (an open menu, say).
        xcb_connection_t* c = session->connection();
        QVERIFY(xcbReply(c, xcb_grab_keyboard_reply,
                         xcb_grab_keyboard(c, 0, session->root(), XCB_CURRENT_TIME,
                                           XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));
        QProcess* saver = session->spawn(QStringLiteral(NIMSAVER_EXE), {QStringLiteral("/s")});
        xcb_window_t window = 0;
        QTRY_VERIFY_WITH_TIMEOUT(
            (window = clientOf(saver->processId())) && session->viewable(window), kTimeout);
        xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
        xcb_flush(c);
        // The saver asks again until it has both.
        QTRY_VERIFY_WITH_TIMEOUT(heldElsewhere(true) && heldElsewhere(false), kTimeout);

        const QList<quint32> states = session->cardinals(window, "_NET_WM_STATE");
        for (const char* state : {"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_FULLSCREEN",
                                  "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"})
            QVERIFY2(states.contains(session->atom(state)), state);

        // The window manager's show-desktop key reaches the saver, which asks for the password
        // and stays up.
        QVERIFY(xdotool({"key", "super+d"}));
        xcb_window_t prompt = 0;
        QTRY_VERIFY_WITH_TIMEOUT((prompt = clientOf(saver->processId(), "Nimbulo Screen Saver")) &&
                                     session->viewable(prompt),
                                 kTimeout);
        QVERIFY(session->viewable(window));
        QCOMPARE(session->cardinals(session->root(), "_NET_SHOWING_DESKTOP").value(0), 0u);
        session->saveScreenshot(QStringLiteral("saver_password_prompt.png"));

        // Typing goes to the prompt (over whatever of the key combination reached it); the
        // right password ends the saver.
        QVERIFY(xdotool({"key", "ctrl+a"}));
        QVERIFY(xdotool({"type", "--delay", "50", "Pw"}));
        QVERIFY(xdotool({"key", "Return"}));
        QVERIFY(saver->waitForFinished(kTimeout));
        QCOMPARE(saver->exitCode(), 0);
        QVERIFY(!heldElsewhere(true) && !heldElsewhere(false));
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
