// The monitor as a user runs it in real X11 panels: tint2 (XEmbed only) and xfce4-panel (whose
// systray hosts XEmbed icons and StatusNotifierItems), each under openbox in a private Xvfb and a
// D-Bus session of the test's own. The program is the real `weather`, started and started again.

#include "x11_session.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMetaType>
#include <QDBusReply>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>

#include <functional>

namespace {

const QColor kBackColour(255, 255, 0); // back_color 65535 (BGR): the docked ticker's ground

// One picture of an item's IconPixmap: width, height, ARGB32 in network byte order.
struct IconPixmap
{
    int width = 0;
    int height = 0;
    QByteArray bytes;
};

const QDBusArgument& operator>>(const QDBusArgument& arg, IconPixmap& pixmap)
{
    arg.beginStructure();
    arg >> pixmap.width >> pixmap.height >> pixmap.bytes;
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const IconPixmap& pixmap)
{
    arg.beginStructure();
    arg << pixmap.width << pixmap.height << pixmap.bytes;
    arg.endStructure();
    return arg;
}

} // namespace

Q_DECLARE_METATYPE(IconPixmap)

class TestDesktopsX11 : public QObject
{
    Q_OBJECT

    X11Session& x_;
    QTemporaryDir dir_;

    // A program folder with the shipped layout; the scan reaches nothing (no proxy is up), so
    // the display shows "Busy....." and the stats tip says why.
    void writeProgramFolder(bool traySni)
    {
        QFile::remove(dir_.filePath("weather.ini"));
        QVERIFY(QFile::copy(QStringLiteral(NIMBULO_SOURCE_DIR "/data/weather.ini"),
                            dir_.filePath("weather.ini")));
        QFile settings(dir_.filePath("wsetting.ini"));
        QVERIFY(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
        settings.write("[SavedSetting]\nstate=1\nstation_name=Melbourne (Olympic Park)\n"
                       "banner=0\nuse_sys_color=0\nfore_color=0\nback_color=65535\n"
                       "proxy_on=1\nproxy_server=127.0.0.1\nproxy_port=9\ntray_sni=" +
                       QByteArray(traySni ? "1" : "0") + "\n");
    }

    QProcess* startWeather()
    {
        return x_.spawn(QStringLiteral(WEATHER_EXE), {"--appdir", dir_.path()});
    }

    // The main window: a viewable top-level (inside the window manager's frame) whose caption
    // starts with the program's.
    bool mainWindowShown() const
    {
        for (const xcb_window_t frame : x_.children(x_.root())) {
            for (const xcb_window_t w : QList<xcb_window_t>{frame} + x_.children(frame)) {
                if (x_.name(w).startsWith(QLatin1String("Nimbulo (Australia) ver")) &&
                    x_.viewable(w))
                    return true;
            }
        }
        return false;
    }

    bool docked() const { return !x_.named(x_.root(), QStringLiteral("1KQ")).isEmpty(); }

    // Pixels along the bottom panel, as the screen shows them, that `wanted` accepts (by
    // default the docked ticker's ground).
    int groundInPanel(const std::function<bool(const QColor&)>& wanted = [](const QColor& c) {
        return c == kBackColour;
    }) const
    {
        const QString file = dir_.filePath(QStringLiteral("probe.png"));
        QProcess import;
        import.start(QStringLiteral("import"), {"-window", "root", file});
        import.waitForFinished(20000);
        const QImage image(file);
        int n = 0;
        for (int y = qMax(0, image.height() - 30); y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                n += wanted(image.pixelColor(x, y)) ? 1 : 0;
        }
        return n;
    }

    // Starts xfce4-panel with one bottom panel holding its systray, from a configuration of the
    // test's own (xfconfd, started by the bus, is told the session's folders first).
    QProcess* startXfcePanel()
    {
        const QString channel = qEnvironmentVariable("XDG_CONFIG_HOME") +
                                QStringLiteral("/xfce4/xfconf/xfce-perchannel-xml");
        QDir().mkpath(channel);
        QFile::remove(channel + QStringLiteral("/xfce4-panel.xml"));
        QFile::copy(QStringLiteral(NIMBULO_TEST_DATA "/xfce4-panel.xml"),
                    channel + QStringLiteral("/xfce4-panel.xml"));
        QProcess* env = x_.spawn(QStringLiteral("dbus-update-activation-environment"),
                                 {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "DISPLAY"});
        env->waitForFinished(10000);
        return x_.spawn(QStringLiteral("xfce4-panel"), {});
    }

    static QStringList registeredItems()
    {
        QDBusInterface watcher(QStringLiteral("org.kde.StatusNotifierWatcher"),
                               QStringLiteral("/StatusNotifierWatcher"),
                               QStringLiteral("org.kde.StatusNotifierWatcher"));
        return watcher.property("RegisteredStatusNotifierItems").toStringList();
    }

    // An item's interface ("service/path" or "service"), and one of its properties.
    static std::unique_ptr<QDBusInterface> item(const QString& name, const QString& interface)
    {
        const int slash = name.indexOf(QLatin1Char('/'));
        return std::make_unique<QDBusInterface>(
            slash < 0 ? name : name.left(slash),
            slash < 0 ? QStringLiteral("/StatusNotifierItem") : name.mid(slash), interface);
    }

    static QVariant itemProperty(const QString& name, const QString& property)
    {
        const QDBusReply<QDBusVariant> reply =
            item(name, QStringLiteral("org.freedesktop.DBus.Properties"))
                ->call(QStringLiteral("Get"), QStringLiteral("org.kde.StatusNotifierItem"),
                       property);
        return reply.isValid() ? reply.value().variant() : QVariant();
    }

    // The pictures an item offers its host.
    static QList<IconPixmap> itemPixmaps(const QString& name)
    {
        QList<IconPixmap> pixmaps;
        itemProperty(name, QStringLiteral("IconPixmap")).value<QDBusArgument>() >> pixmaps;
        return pixmaps;
    }

    // The title and text of an item's tooltip (icon name, pictures, title, text).
    static QString itemTip(const QString& name)
    {
        const QDBusArgument arg =
            itemProperty(name, QStringLiteral("ToolTip")).value<QDBusArgument>();
        QString icon, title, text;
        QList<IconPixmap> pixmaps;
        arg.beginStructure();
        arg >> icon >> pixmaps >> title >> text;
        arg.endStructure();
        return title + u'\n' + text;
    }

public:
    explicit TestDesktopsX11(X11Session& x) : x_(x) {}

private Q_SLOTS:
    void initTestCase()
    {
        qDBusRegisterMetaType<IconPixmap>();
        qDBusRegisterMetaType<QList<IconPixmap>>();
        x_.startTestCase();
        QVERIFY(dir_.isValid());
        if (QStandardPaths::findExecutable(QStringLiteral("xfce4-panel")).isEmpty() ||
            !QDBusConnection::sessionBus().isConnected())
            QSKIP("xfce4-panel or a D-Bus session is missing");
    }

    // Docked in tint2, the monitor hides its window; a second start brings it up, and so does
    // the tray going away at any time, not only at start-up.
    void staysReachable_data()
    {
        QTest::addColumn<bool>("trayGoes");
        QTest::newRow("second start") << false;
        QTest::newRow("tray goes") << true;
    }

    void staysReachable()
    {
        QFETCH(bool, trayGoes);
        QVERIFY(x_.startPanel(X11Session::Panel::Bottom));
        writeProgramFolder(false);
        QProcess* first = startWeather();
        QVERIFY(X11Session::waitUntil([&] { return docked(); }, 30000));
        QVERIFY(!mainWindowShown());
        if (trayGoes) {
            x_.stopPanel();
            QVERIFY(X11Session::waitUntil([&] { return mainWindowShown(); }, 20000));
            x_.saveScreenshot(QStringLiteral("tint2-gone.png"));
        } else {
            QProcess* second = startWeather();
            QVERIFY(second->waitForFinished(30000));
            QCOMPARE(second->exitCode(), 0);
            QVERIFY(X11Session::waitUntil([&] { return mainWindowShown(); }, 20000));
        }
        X11Session::stop(first);
        x_.stopPanel();
    }

    // Started before any panel (the autostart race): the window stays up; when xfce4-panel
    // comes, the value icon joins its systray, drawn on its own ground. By default the same
    // panel gets the docked ticker instead.
    void xfcePanel_data()
    {
        QTest::addColumn<bool>("traySni");
        QTest::newRow("value icon chosen") << true;
        QTest::newRow("docked by default") << false;
    }

    void xfcePanel()
    {
        QFETCH(bool, traySni);
        writeProgramFolder(traySni);
        QProcess* weather = startWeather();
        QVERIFY(X11Session::waitUntil([&] { return mainWindowShown(); }, 30000));
        QProcess* panel = startXfcePanel();
        if (traySni) {
            QVERIFY(X11Session::waitUntil([] { return !registeredItems().isEmpty(); }, 30000));
            // The item may register before its first picture is set.
            QList<IconPixmap> pixmaps;
            QVERIFY(X11Session::waitUntil(
                [&] {
                    const QStringList items = registeredItems();
                    pixmaps = items.isEmpty() ? QList<IconPixmap>() : itemPixmaps(items.first());
                    return !pixmaps.isEmpty();
                },
                30000));
            // Pictures for the panel sizes, the panel showing through each (bytes A R G B,
            // network order).
            QSet<int> sizes;
            for (const IconPixmap& p : pixmaps) {
                QVERIFY(p.width > 0 && p.bytes.size() == p.width * p.height * 4);
                QCOMPARE(uchar(p.bytes[0]), uchar(0));
                sizes.insert(p.width);
            }
            QVERIFY(sizes.contains(16) && sizes.contains(22) && sizes.contains(24) &&
                    sizes.contains(32));
            QVERIFY(!docked());
            // The value's black digits are on the panel's own (light) ground.
            QVERIFY(X11Session::waitUntil(
                [&] {
                    return groundInPanel([](const QColor& c) { return c.value() < 0x40; }) > 20;
                },
                30000));
            // Named as the product; the stats tip is its tooltip, the popup menu its menu;
            // Activate brings the main window back, beside which the value stays.
            const QString name = registeredItems().constFirst();
            QCOMPARE(itemProperty(name, QStringLiteral("Title")).toString(),
                     QStringLiteral("Nimbulo"));
            QCOMPARE(itemProperty(name, QStringLiteral("Id")).toString(),
                     QStringLiteral("Nimbulo"));
            QVERIFY2(itemTip(name).startsWith(QStringLiteral("Nimbulo\n")),
                     qPrintable(itemTip(name)));
            QVERIFY(itemProperty(name, QStringLiteral("Menu")).value<QDBusObjectPath>().path() !=
                    QStringLiteral("/"));
            x_.saveScreenshot(QStringLiteral("xfce-value-icon.png"));
            item(name, QStringLiteral("org.kde.StatusNotifierItem"))
                ->call(QStringLiteral("Activate"), 0, 0);
            QVERIFY(X11Session::waitUntil([&] { return mainWindowShown(); }, 20000));
            QVERIFY2(X11Session::waitUntil([] { return !registeredItems().isEmpty(); }, 5000),
                     "the value icon went with the window");
        } else {
            QVERIFY(X11Session::waitUntil([&] { return docked(); }, 30000));
            QVERIFY(X11Session::waitUntil([&] { return groundInPanel() > 100; }, 30000));
            x_.saveScreenshot(QStringLiteral("xfce-docked.png"));
        }
        X11Session::stop(weather);
        X11Session::stop(panel);
    }
};

int main(int argc, char** argv)
{
    X11Session session;
    session.startForTest();
    QApplication app(argc, argv);
    TestDesktopsX11 test(session);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktops_x11.moc"
