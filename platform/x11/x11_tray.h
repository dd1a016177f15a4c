#pragma once

#include "platform/tray_icon_rect.h"

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// The XEmbed system tray seen from a client: the tray manager (owner of _NET_SYSTEM_TRAY_S<n>),
// blank icon windows docked into it, the window that holds the docked icons, and the named
// windows inside it. Every function does nothing (or finds nothing) without an X11 display.
namespace platform::x11 {

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

// Where the tray put our icons, in device pixels: the notification area and its size, each
// icon docked inside it with its horizontal extent in the area's coordinates (in the order of
// `icons`), and the windows whose moves change all this (the area, the icons and the windows
// the tray wraps them in).
struct TrayLayout
{
    quint32 area = 0;
    QSize areaSize;
    QList<TrayIconRect> icons;
    QList<quint32> watched;
};
TrayLayout trayLayout(quint32 manager, const QList<quint32>& icons, const QStringList& names);

// The rectangle of `window` in the coordinates of `reference` (device pixels); empty when either
// does not exist.
QRect windowRectIn(quint32 window, quint32 reference);

// Calls `changed` (from the event loop) when a tray announces itself with the MANAGER client
// message on the root window, or when the manager window last passed to watchManager() is
// destroyed; calls `moved` when a window passed to watchWindows() is moved, resized, mapped,
// unmapped, reparented or destroyed (the tray's layout changed: X tells, nobody polls); calls
// `exposed` with a window of ours and the exposed rectangle (device pixels) when X has just
// painted it. Installs itself as a native event filter of the application.
class TrayWatch
{
public:
    TrayWatch(std::function<void()> changed, std::function<void()> moved,
              std::function<void(quint32, QRect)> exposed);
    ~TrayWatch();
    TrayWatch(const TrayWatch&) = delete;
    TrayWatch& operator=(const TrayWatch&) = delete;

    // Watches `manager` for its destruction; 0 watches nothing.
    void watchManager(quint32 manager);
    // Follows the structure of `windows` (foreign ones included) from now on.
    void watchWindows(const QList<quint32>& windows);

private:
    class Filter;
    std::unique_ptr<Filter> filter_;
};

} // namespace platform::x11
