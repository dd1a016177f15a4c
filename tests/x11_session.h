#pragma once

// A private X session for the tests of the X11 services: an Xvfb of its own (on a free display
// number that the server picks itself), openbox and tint2 with a generated configuration, and a
// private HOME, XDG_CONFIG_HOME, XDG_CACHE_HOME and XDG_RUNTIME_DIR (0700). Every process it
// starts is killed when the session ends, and also when the test process dies (parent-death
// signal). Waits poll a condition against a generous bound; nothing sleeps for a fixed time.

#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QToolTip>
#include <QWidget>
#include <QtTest>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sys/prctl.h>
#include <utility>
#include <vector>
#include <xcb/xcb.h>

// Lets the test's own windows handle their events, for up to 50 ms.
inline void pumpEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

// The reply to an xcb request, freed with its owner.
struct FreeReply
{
    void operator()(void* p) const { std::free(p); }
};
template <class ReplyFn, class Cookie>
auto xcbReply(xcb_connection_t* conn, ReplyFn get, Cookie cookie)
{
    return std::unique_ptr<std::remove_pointer_t<decltype(get(conn, cookie, nullptr))>, FreeReply>(
        get(conn, cookie, nullptr));
}

class X11Session
{
public:
    // tint2 panels the tests use: a 30-pixel panel along the bottom or top with a system tray
    // and a strut, or a tall one (40 wide) along the left; at scale() times those sizes.
    enum class Panel
    {
        Bottom,
        Top,
        Left
    };

    X11Session()
    {
        env_ = QProcessEnvironment::systemEnvironment();
        env_.remove(QStringLiteral("SESSION_MANAGER"));
        if (!dir_.isValid())
            return;
        for (const char* var : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
            QDir().mkpath(path(var));
            env_.insert(QLatin1String(var), path(var));
        }
        QFile::setPermissions(path("XDG_RUNTIME_DIR"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    ~X11Session()
    {
        for (auto it = processes_.rbegin(); it != processes_.rend(); ++it)
            stop(it->get());
        if (conn_)
            xcb_disconnect(conn_);
    }

    // The test's scale (QT_SCALE_FACTOR, 1 when unset): the panel's sizes grow with it, as a
    // desktop set up for that scale has them. The server itself counts device pixels.
    static int scale() { return qMax(1, qEnvironmentVariableIntValue("QT_SCALE_FACTOR")); }

    static bool haveTools()
    {
        for (const char* tool : {"Xvfb", "openbox", "tint2", "xdotool"}) {
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                return false;
        }
        return true;
    }

    // For a test program's main(), before its QApplication: starts the X server, sets this
    // process's DISPLAY and XDG variables to it and has the application use it; without one (the
    // tools missing) the offscreen platform, where the cases skip.
    void startForTest() { qputenv("QT_QPA_PLATFORM", startServer() ? "xcb" : "offscreen"); }

    bool startServer()
    {
        if (!haveTools() || !dir_.isValid())
            return false;
        QProcess* xvfb = spawn(QStringLiteral("Xvfb"),
                               QStringLiteral("-displayfd 1 -screen 0 1280x800x24 -nolisten tcp")
                                   .split(QLatin1Char(' ')));
        QByteArray number;
        waitUntil(
            [&] {
                xvfb->waitForReadyRead(100);
                number += xvfb->readAllStandardOutput();
                return number.contains('\n') || xvfb->state() == QProcess::NotRunning;
            },
            20000);
        if (!number.contains('\n'))
            return false;
        env_.insert(QStringLiteral("DISPLAY"),
                    QLatin1Char(':') + QString::fromLatin1(number.trimmed()));
        for (const QString& key : env_.keys())
            qputenv(key.toLocal8Bit().constData(), env_.value(key).toLocal8Bit());
        conn_ = xcb_connect(qgetenv("DISPLAY").constData(), nullptr);
        return !xcb_connection_has_error(conn_);
    }

    // The common start of a test's initTestCase: skips without the tools, fails unless the
    // application runs on the session's server and the window manager (openbox) comes up.
    void startTestCase()
    {
        if (!haveTools())
            QSKIP("Xvfb, openbox, tint2 or xdotool is missing");
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        QVERIFY(startWindowManager());
    }

    // Starts openbox and waits until it has finished its start: it announces itself
    // (_NET_SUPPORTING_WM_CHECK) before it has set up the desktops and their work area.
    bool startWindowManager()
    {
        // A window manager that died leaves its properties behind.
        for (const char* gone : {"_NET_SUPPORTING_WM_CHECK", "_NET_WORKAREA"})
            xcb_delete_property(conn_, root(), atom(gone));
        xcb_flush(conn_);
        wm_ = spawn(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        return waitUntil(
            [this] {
                return !cardinals(root(), "_NET_SUPPORTING_WM_CHECK").isEmpty() &&
                       workArea().size() == 4;
            },
            20000);
    }

    // Starts a tint2 panel and waits until it holds the tray selection and the window manager
    // has taken its strut. A panel that does not come up is reported (with what tint2 said) and
    // started once more, the window manager too when it has gone: on a loaded machine either
    // may fail its start now and then, which is not what the tests are about.
    bool startPanel(Panel panel)
    {
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (startPanelOnce(panel, 15000))
                return true;
            qWarning().noquote() << "tint2 did not come up:" << panelState();
            if (wm_ && wm_->state() == QProcess::NotRunning && !startWindowManager())
                return false;
        }
        return false;
    }

    // Handles every event the X server has sent the application so far.
    static void settle()
    {
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        if (xcb_connection_t* c = x11 ? x11->connection() : nullptr)
            std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        pumpEvents();
    }

    void stopPanel()
    {
        if (!panel_)
            return;
        stop(std::exchange(panel_, nullptr));
        waitUntil([this] { return trayOwner() == 0; }, 10000);
    }

    // A process of the session (a child of the test), killed with the session.
    QProcess* spawn(const QString& program, const QStringList& arguments)
    {
        auto& process = processes_.emplace_back(std::make_unique<QProcess>());
        process->setProcessEnvironment(env_);
        process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        process->start(program, arguments);
        process->waitForStarted(10000);
        return process.get();
    }

    static void stop(QProcess* process)
    {
        if (process->state() == QProcess::NotRunning)
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

    xcb_connection_t* connection() const { return conn_; }

    xcb_window_t root() const { return xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root; }

    xcb_atom_t atom(const char* name) const
    {
        const auto r = xcbReply(conn_, xcb_intern_atom_reply,
                                xcb_intern_atom(conn_, 0, uint16_t(strlen(name)), name));
        return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    QList<quint32> cardinals(xcb_window_t w, const char* name) const
    {
        const auto r =
            xcbReply(conn_, xcb_get_property_reply,
                     xcb_get_property(conn_, 0, w, atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 4096));
        if (!r || r->format != 32)
            return {};
        const auto* data = static_cast<const quint32*>(xcb_get_property_value(r.get()));
        return QList<quint32>(data, data + xcb_get_property_value_length(r.get()) / 4);
    }

    // _NET_WORKAREA of desktop 0: x, y, width, height.
    QList<quint32> workArea() const { return cardinals(root(), "_NET_WORKAREA").mid(0, 4); }

    xcb_window_t trayOwner() const
    {
        const auto r = xcbReply(conn_, xcb_get_selection_owner_reply,
                                xcb_get_selection_owner(conn_, atom("_NET_SYSTEM_TRAY_S0")));
        return r ? r->owner : 0;
    }

    QString name(xcb_window_t w) const
    {
        const auto r =
            xcbReply(conn_, xcb_get_property_reply,
                     xcb_get_property(conn_, 0, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 0, 256));
        return r ? QString::fromLatin1(static_cast<const char*>(xcb_get_property_value(r.get())),
                                       xcb_get_property_value_length(r.get()))
                 : QString();
    }

    QList<xcb_window_t> children(xcb_window_t w) const
    {
        const auto tree = xcbReply(conn_, xcb_query_tree_reply, xcb_query_tree(conn_, w));
        if (!tree)
            return {};
        const xcb_window_t* kids = xcb_query_tree_children(tree.get());
        return QList<xcb_window_t>(kids, kids + xcb_query_tree_children_length(tree.get()));
    }

    xcb_window_t parent(xcb_window_t w) const
    {
        const auto tree = xcbReply(conn_, xcb_query_tree_reply, xcb_query_tree(conn_, w));
        return tree ? tree->parent : 0;
    }

    // The window's rectangle in root coordinates; empty when it does not exist.
    QRect rootRect(xcb_window_t w) const
    {
        const auto size = xcbReply(conn_, xcb_get_geometry_reply, xcb_get_geometry(conn_, w));
        const auto at = xcbReply(conn_, xcb_translate_coordinates_reply,
                                 xcb_translate_coordinates(conn_, w, root(), 0, 0));
        return size && at ? QRect(at->dst_x, at->dst_y, size->width, size->height) : QRect();
    }

    bool viewable(xcb_window_t w) const
    {
        const auto a =
            xcbReply(conn_, xcb_get_window_attributes_reply, xcb_get_window_attributes(conn_, w));
        return a && a->map_state == XCB_MAP_STATE_VIEWABLE;
    }

    // Every window named `wanted` in the tree below `top`.
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

    // Moves the pointer to `at` (root coordinates, device pixels) as a user's mouse would:
    // through the XTEST extension (xdotool), so the windows there get real motion events.
    void movePointer(QPoint at)
    {
        QProcess xdotool;
        xdotool.setProcessEnvironment(env_);
        xdotool.start(
            QStringLiteral("xdotool"),
            {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y())});
        xdotool.waitForFinished(10000);
    }

    // Rests the pointer on the middle of `widget` (coming from the screen's corner, so the hover
    // starts fresh) and waits until Qt shows a tool tip holding `text`; the pointer then leaves.
    bool hoverShowsTip(QWidget* widget, const QString& text, const QString& screenshot = {})
    {
        const QRect window = rootRect(xcb_window_t(widget->window()->windowHandle()->winId()));
        const QPoint inside = widget->mapTo(widget->window(), widget->rect().center());
        movePointer(QPoint(0, 0));
        waitUntil([] { return !QToolTip::isVisible(); }, 5000, pumpEvents);
        movePointer(window.topLeft() + inside * scale());
        const bool shown =
            waitUntil([&] { return QToolTip::isVisible() && QToolTip::text().contains(text); },
                      10000, pumpEvents);
        if (shown && !screenshot.isEmpty()) {
            // The tip's window may show a moment later than Qt reports it.
            for (QWidget* tip : QApplication::topLevelWidgets()) {
                const QPointer<QWidget> label(tip); // a tip may go at any moment
                if (tip->inherits("QTipLabel"))
                    waitUntil([&] { return !label || viewable(xcb_window_t(label->winId())); },
                              5000, pumpEvents);
            }
            pumpEvents();
            saveScreenshot(screenshot);
        }
        movePointer(QPoint(0, 0));
        return shown;
    }

    // Saves a picture of the whole screen into the build folder's x11-artefacts/ for people to
    // look at (never committed). It proves nothing by itself, so a missing ImageMagick or a
    // failed grab does not fail the test.
    void saveScreenshot(const QString& file) const
    {
        const QString out = QStringLiteral(QT_TESTCASE_BUILDDIR "/x11-artefacts");
        QDir().mkpath(out);
        QProcess import;
        import.setProcessEnvironment(env_);
        // One picture per scale: 2x runs name theirs "name-2x.png".
        QString name = file;
        if (scale() > 1)
            name.insert(name.lastIndexOf(u'.'), QStringLiteral("-%1x").arg(scale()));
        import.start(QStringLiteral("import"),
                     {QStringLiteral("-window"), QStringLiteral("root"), out + u'/' + name});
        import.waitForFinished(20000);
    }

private:
    // What the session shows of a panel that did not come up.
    QString panelState() const
    {
        QStringList words;
        for (const quint32 n : workArea())
            words << QString::number(n);
        return QStringLiteral("tint2 %1, openbox %2, tray owner %3, panel window %4, work area "
                              "[%5]; tint2 said: %6")
            .arg(panel_ && panel_->state() == QProcess::Running ? "running" : "ended",
                 wm_ && wm_->state() == QProcess::Running ? "running" : "ended")
            .arg(trayOwner())
            .arg(panelWindow())
            .arg(words.join(u' '),
                 panel_ ? QString::fromLocal8Bit(panel_->readAllStandardError()).trimmed()
                        : QString());
    }

    // One start of the panel, waiting up to `ms` for it.
    bool startPanelOnce(Panel panel, int ms)
    {
        stopPanel();
        QFile rc(path("tint2rc"));
        if (!rc.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        // Backgrounds first: panel_background_id refers to them by position.
        rc.write("rounded = 0\nborder_width = 0\nbackground_color = #2a5d8f 100\n"
                 "border_color = #000000 0\n\npanel_items = TS\npanel_background_id = 1\n"
                 "panel_dock = 0\npanel_layer = top\nstrut_policy = follow_size\nautohide = 0\n"
                 "systray_padding = 2 2 2\nsystray_background_id = 0\n"
                 "systray_sort = ascending\ntaskbar_mode = single_desktop\n");
        const int s = scale();
        rc.write(QByteArray("systray_icon_size = ") + QByteArray::number(22 * s) + '\n');
        rc.write(panel == Panel::Left  ? "panel_position = center left vertical\n"
                 : panel == Panel::Top ? "panel_position = top center horizontal\n"
                                       : "panel_position = bottom center horizontal\n");
        rc.write("panel_size = 100% " + QByteArray::number((panel == Panel::Left ? 40 : 30) * s) +
                 '\n');
        rc.close();
        panel_ = spawn(QStringLiteral("tint2"), {QStringLiteral("-c"), rc.fileName()});
        const bool up = waitUntil(
            [&] {
                const QList<quint32> a = workArea();
                if (trayOwner() == 0 || !panelWindow() || a.size() < 4)
                    return false;
                return panel == Panel::Left  ? int(a[0]) >= 40 * s
                       : panel == Panel::Top ? int(a[1]) >= 30 * s
                                             : int(a[1] + a[3]) <= 800 - 30 * s;
            },
            ms);
        // What the panels' start and end told the application (the old tray's end, the new
        // one's MANAGER) is handled now, not by the next test's windows.
        settle();
        return up;
    }

    QString path(const char* name) const { return dir_.filePath(QLatin1String(name)); }

    QTemporaryDir dir_;
    QProcessEnvironment env_;
    xcb_connection_t* conn_ = nullptr;
    std::vector<std::unique_ptr<QProcess>> processes_;
    QProcess* wm_ = nullptr;
    QProcess* panel_ = nullptr;
};
