#pragma once

// A private X session for the tests of the X11 services: an Xvfb of its own (on a free display
// number that the server picks itself), openbox and tint2 with a generated configuration, and a
// private HOME, XDG_CONFIG_HOME, XDG_CACHE_HOME and XDG_RUNTIME_DIR (0700). Every process it
// starts is killed when the session ends, and also when the test process dies (parent-death
// signal). Waits poll a condition against a generous bound; nothing sleeps for a fixed time.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sys/prctl.h>
#include <vector>
#include <xcb/xcb.h>

class X11Session
{
public:
    // tint2 panels the tests use: a 30-pixel panel along the bottom or top with a system tray
    // and a strut, or a tall one along the left.
    enum class Panel
    {
        Bottom,
        Top,
        Left
    };

    X11Session()
    {
        if (!dir_.isValid())
            return;
        for (const char* sub : {"home", "config", "cache", "runtime"})
            QDir(dir_.path()).mkpath(QLatin1String(sub));
        QFile::setPermissions(path("runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env_ = QProcessEnvironment::systemEnvironment();
        env_.insert(QStringLiteral("HOME"), path("home"));
        env_.insert(QStringLiteral("XDG_CONFIG_HOME"), path("config"));
        env_.insert(QStringLiteral("XDG_CACHE_HOME"), path("cache"));
        env_.insert(QStringLiteral("XDG_RUNTIME_DIR"), path("runtime"));
        env_.remove(QStringLiteral("SESSION_MANAGER"));
    }

    ~X11Session()
    {
        for (auto it = processes_.rbegin(); it != processes_.rend(); ++it)
            stop(it->get());
        if (conn_)
            xcb_disconnect(conn_);
    }

    static bool haveTools()
    {
        for (const char* tool : {"Xvfb", "openbox", "tint2"}) {
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                return false;
        }
        return true;
    }

    // Starts the X server and sets this process's DISPLAY and XDG variables to it.
    bool startServer()
    {
        if (!haveTools() || !dir_.isValid())
            return false;
        QProcess* xvfb =
            spawn(QStringLiteral("Xvfb"),
                  {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                   QStringLiteral("0"), QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                   QStringLiteral("tcp")});
        QByteArray number;
        const bool ready = waitUntil(
            [&] {
                xvfb->waitForReadyRead(100);
                number += xvfb->readAllStandardOutput();
                return number.contains('\n') || xvfb->state() == QProcess::NotRunning;
            },
            20000);
        if (!ready || !number.contains('\n'))
            return false;
        display_ = ":" + number.trimmed();
        env_.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display_));
        for (const QString& key : env_.keys())
            qputenv(key.toLocal8Bit().constData(), env_.value(key).toLocal8Bit());
        conn_ = xcb_connect(display_.constData(), nullptr);
        return conn_ && !xcb_connection_has_error(conn_);
    }

    // For a test program's main(), before its QApplication: starts the server and has the
    // application use it; without one (the tools missing) the offscreen platform, where the
    // cases skip.
    void startForTest() { qputenv("QT_QPA_PLATFORM", startServer() ? "xcb" : "offscreen"); }

    const QByteArray& display() const { return display_; }
    const QProcessEnvironment& environment() const { return env_; }
    xcb_connection_t* connection() const { return conn_; }

    bool startWindowManager()
    {
        spawn(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        return waitUntil(
            [this] { return !cardinals(root(), "_NET_SUPPORTING_WM_CHECK").isEmpty(); }, 20000);
    }

    // The common start of a test's initTestCase: skips without the tools, fails unless the
    // application runs on the session's server and the window manager comes up.
    void startTestCase()
    {
        if (!haveTools())
            QSKIP("Xvfb, openbox or tint2 is missing");
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        QVERIFY(startWindowManager());
    }

    // Starts a tint2 panel and waits until it holds the tray selection and the window manager
    // has taken its strut.
    bool startPanel(Panel panel)
    {
        stopPanel();
        const QString rc = path("tint2rc");
        QFile file(rc);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        file.write(panelConfig(panel));
        file.close();
        panel_ = spawn(QStringLiteral("tint2"), {QStringLiteral("-c"), rc});
        return waitUntil(
            [&] {
                const QList<quint32> area = workArea();
                if (trayOwner() == 0 || !panelWindow() || area.size() < 4)
                    return false;
                switch (panel) {
                case Panel::Bottom:
                    return area[1] + area[3] <= 770;
                case Panel::Top:
                    return area[1] >= 30;
                case Panel::Left:
                    return area[0] >= 40;
                }
                return false;
            },
            20000);
    }

    void stopPanel()
    {
        if (!panel_)
            return;
        stop(panel_);
        panel_ = nullptr;
        waitUntil([this] { return trayOwner() == 0; }, 10000);
    }

    // A process of the session (a child of the test), killed with the session.
    QProcess* spawn(const QString& program, const QStringList& arguments)
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(env_);
        process->setProcessChannelMode(QProcess::SeparateChannels);
        process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        process->start(program, arguments);
        process->waitForStarted(10000);
        processes_.push_back(std::move(process));
        return processes_.back().get();
    }

    static void stop(QProcess* process)
    {
        if (!process || process->state() == QProcess::NotRunning)
            return;
        process->terminate();
        if (!process->waitForFinished(5000)) {
            process->kill();
            process->waitForFinished(5000);
        }
    }

    // Polls `done` (pumping the test's own events through `pump`) until it holds or `ms` pass.
    static bool waitUntil(const std::function<bool()>& done, int ms,
                          const std::function<void()>& pump = {})
    {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > ms)
                return false;
            if (pump)
                pump();
            QThread::msleep(20);
        }
        return true;
    }

    // --- reading the server with the session's own connection ------------------------------

    xcb_window_t root() const { return xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root; }

    xcb_atom_t atom(const char* name) const
    {
        auto* reply = xcb_intern_atom_reply(
            conn_, xcb_intern_atom(conn_, 0, uint16_t(strlen(name)), name), nullptr);
        const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return a;
    }

    QList<quint32> cardinals(xcb_window_t w, const char* name) const
    {
        QList<quint32> values;
        auto* reply = xcb_get_property_reply(
            conn_, xcb_get_property(conn_, 0, w, atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 4096),
            nullptr);
        if (reply && reply->format == 32) {
            const auto* data = static_cast<const quint32*>(xcb_get_property_value(reply));
            for (int i = 0; i < xcb_get_property_value_length(reply) / 4; ++i)
                values.append(data[i]);
        }
        std::free(reply);
        return values;
    }

    // _NET_WORKAREA of desktop 0: x, y, width, height.
    QList<quint32> workArea() const { return cardinals(root(), "_NET_WORKAREA").mid(0, 4); }

    xcb_window_t trayOwner() const
    {
        auto* reply = xcb_get_selection_owner_reply(
            conn_, xcb_get_selection_owner(conn_, atom("_NET_SYSTEM_TRAY_S0")), nullptr);
        const xcb_window_t owner = reply ? reply->owner : 0;
        std::free(reply);
        return owner;
    }

    QString name(xcb_window_t w) const
    {
        auto* reply = xcb_get_property_reply(
            conn_, xcb_get_property(conn_, 0, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 0, 256),
            nullptr);
        QString text;
        if (reply)
            text = QString::fromLatin1(static_cast<const char*>(xcb_get_property_value(reply)),
                                       xcb_get_property_value_length(reply));
        std::free(reply);
        return text;
    }

    QList<xcb_window_t> children(xcb_window_t w) const
    {
        QList<xcb_window_t> list;
        auto* tree = xcb_query_tree_reply(conn_, xcb_query_tree(conn_, w), nullptr);
        if (tree) {
            const xcb_window_t* kids = xcb_query_tree_children(tree);
            for (int i = 0; i < xcb_query_tree_children_length(tree); ++i)
                list.append(kids[i]);
        }
        std::free(tree);
        return list;
    }

    xcb_window_t parent(xcb_window_t w) const
    {
        auto* tree = xcb_query_tree_reply(conn_, xcb_query_tree(conn_, w), nullptr);
        const xcb_window_t p = tree ? tree->parent : 0;
        std::free(tree);
        return p;
    }

    // The window's rectangle in root coordinates; empty when it does not exist.
    QRect rootRect(xcb_window_t w) const
    {
        auto* geometry = xcb_get_geometry_reply(conn_, xcb_get_geometry(conn_, w), nullptr);
        auto* at = xcb_translate_coordinates_reply(
            conn_, xcb_translate_coordinates(conn_, w, root(), 0, 0), nullptr);
        QRect rect;
        if (geometry && at)
            rect = QRect(at->dst_x, at->dst_y, geometry->width, geometry->height);
        std::free(geometry);
        std::free(at);
        return rect;
    }

    bool viewable(xcb_window_t w) const
    {
        auto* a =
            xcb_get_window_attributes_reply(conn_, xcb_get_window_attributes(conn_, w), nullptr);
        const bool v = a && a->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(a);
        return v;
    }

    // Every window named `name` in the tree below `top`.
    QList<xcb_window_t> named(xcb_window_t top, const QString& wanted) const
    {
        QList<xcb_window_t> found;
        for (const xcb_window_t w : children(top)) {
            if (name(w) == wanted)
                found.append(w);
            found += named(w, wanted);
        }
        return found;
    }

    // The dock window of tint2 (in _NET_CLIENT_LIST with the DOCK type).
    xcb_window_t panelWindow() const
    {
        const xcb_atom_t dock = atom("_NET_WM_WINDOW_TYPE_DOCK");
        for (const quint32 w : cardinals(root(), "_NET_CLIENT_LIST")) {
            if (cardinals(w, "_NET_WM_WINDOW_TYPE").contains(dock) && name(w) == "tint2")
                return w;
        }
        return 0;
    }

    // A screenshot of the whole screen into the build folder's x11-artefacts/ (kept, not
    // committed); false when ImageMagick's import is missing.
    bool screenshot(const QString& file)
    {
        if (QStandardPaths::findExecutable(QStringLiteral("import")).isEmpty())
            return false;
        const QString out = QStringLiteral(QT_TESTCASE_BUILDDIR "/x11-artefacts");
        QDir().mkpath(out);
        QProcess import;
        import.setProcessEnvironment(env_);
        import.start(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                                out + QLatin1Char('/') + file});
        return import.waitForFinished(20000) && import.exitCode() == 0;
    }

private:
    QString path(const char* name) const { return dir_.filePath(QLatin1String(name)); }

    static QByteArray panelConfig(Panel panel)
    {
        // Backgrounds first: panel_background_id refers to them by position.
        QByteArray rc = "rounded = 0\nborder_width = 0\nbackground_color = #2a5d8f 100\n"
                        "border_color = #000000 0\n\n"
                        "panel_items = TS\npanel_background_id = 1\npanel_dock = 0\n"
                        "panel_layer = top\nstrut_policy = follow_size\nautohide = 0\n"
                        "systray_padding = 2 2 2\nsystray_background_id = 0\n"
                        "systray_icon_size = 22\nsystray_sort = ascending\n"
                        "taskbar_mode = single_desktop\n";
        switch (panel) {
        case Panel::Bottom:
            rc += "panel_position = bottom center horizontal\npanel_size = 100% 30\n";
            break;
        case Panel::Top:
            rc += "panel_position = top center horizontal\npanel_size = 100% 30\n";
            break;
        case Panel::Left:
            rc += "panel_position = center left vertical\npanel_size = 100% 40\n";
            break;
        }
        return rc;
    }

    QTemporaryDir dir_;
    QProcessEnvironment env_;
    QByteArray display_;
    xcb_connection_t* conn_ = nullptr;
    std::vector<std::unique_ptr<QProcess>> processes_;
    QProcess* panel_ = nullptr;
};

// Lets the test's own windows handle their events, for up to 50 ms.
inline void pumpEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}
