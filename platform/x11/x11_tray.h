#pragma once

#include <QList>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>

// The XEmbed system tray seen from a client: the tray manager (owner of _NET_SYSTEM_TRAY_S<n>),
// blank icon windows docked into it, the window that holds the docked icons, and the named
// windows inside it. Every function does nothing (or finds nothing) without an X11 display.
namespace platform::x11 {

// A named window below the notification area and its horizontal extent in the area's
// coordinates (right = left + width).
struct NamedRect
{
    QString name;
    int left = 0;
    int right = 0;
};

// The window owning the system-tray selection of the default screen; 0 when no tray runs.
quint32 trayManager();

// Creates an unmapped blank icon window named `name` (WM_NAME, _NET_WM_NAME) with a
// ParentRelative background, so the tray draws its own background through it; 0 on failure.
quint32 createTrayIcon(const QString& name);
// Asks `manager` to dock `icon` (SYSTEM_TRAY_REQUEST_DOCK); the tray maps and sizes it.
void dockTrayIcon(quint32 manager, quint32 icon);
void destroyWindow(quint32 window);

// The mapped window that holds the docked icons: the nearest client window (WM_STATE) above a
// docked icon of `icons`; else the manager when it is mapped itself; else the mapped dock or
// client window created by the same X client as the manager (tint2: the panel, while the
// selection owner is an unmapped 1x1 window). 0 when none is found.
quint32 notificationArea(quint32 manager, const QList<quint32>& icons);
// The size of `window`; empty when it does not exist.
QSize windowSize(quint32 window);
// Every named window in the subtree of `area` (a few levels deep), in window-tree order.
QList<NamedRect> namedWindowsIn(quint32 area);
// The window's parent; 0 when it has none or does not exist.
quint32 parentOf(quint32 window);

// Calls `changed` (from the event loop) when a tray announces itself with the MANAGER client
// message on the root window, or when the manager window last passed to watchManager() is
// destroyed. Installs itself as a native event filter of the application.
class TrayWatch
{
public:
    explicit TrayWatch(std::function<void()> changed);
    ~TrayWatch();
    TrayWatch(const TrayWatch&) = delete;
    TrayWatch& operator=(const TrayWatch&) = delete;

    // Watches `manager` for its destruction; 0 watches nothing.
    void watchManager(quint32 manager);

private:
    class Filter;
    std::unique_ptr<Filter> filter_;
};

} // namespace platform::x11
