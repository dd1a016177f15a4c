#pragma once

#include <QRect>

#include <optional>

// The EWMH desktop seen from a client: the work area, the panel (a dock window of another
// program), and the strut and desktop properties of our own dock windows. Every function does
// nothing (or finds nothing) without an X11 display.
namespace platform::x11 {

// X coordinates are device pixels, Qt's are logical pixels: the primary screen's ratio
// converts between them (1 without a screen).
qreal devicePixelRatio();
int toLogical(int device);
int toDevice(int logical);
QRect toLogical(const QRect& device);

// The root window's size; empty without X11.
QRect rootGeometry();
// _NET_WORKAREA of the current desktop; nullopt when the window manager does not publish it.
std::optional<QRect> workArea();

// A dock window of another process and what it reserves.
struct DockWindow
{
    quint32 window = 0;
    QRect rect;         // in root coordinates
    bool strut = false; // it reserves a strut (_NET_WM_STRUT_PARTIAL or _NET_WM_STRUT)
};
// The panel: among the _NET_CLIENT_LIST windows of type DOCK not owned by this process
// (_NET_WM_PID), the one with a strut, else the largest; nullopt when there is none.
std::optional<DockWindow> panelWindow();

// _NET_WM_DESKTOP = 0xFFFFFFFF: the window shows on every desktop. Set before every map (the
// window manager drops it when the window is withdrawn).
void setAllDesktops(quint32 window);
// Reserves `thickness` pixels at `edge` (1 top, 3 bottom, 0 left, 2 right) along start..end
// (inclusive) with _NET_WM_STRUT_PARTIAL and _NET_WM_STRUT; a thickness of 0 removes both.
void setStrut(quint32 window, int edge, int thickness, int start, int end);
// Raises `window` to the top of its siblings.
void raiseWindow(quint32 window);

} // namespace platform::x11
