#pragma once

#include <QRect>
#include <QWidget>

#include <optional>

namespace platform {

// The edges of the screen, numbered as the displays count them.
enum ScreenEdge
{
    EdgeLeft = 0,
    EdgeTop = 1,
    EdgeRight = 2,
    EdgeBottom = 3
};

// The desktop's panel (taskbar): the edge it sits at, whether it keeps its strip reserved
// (always on top, not auto-hidden: it holds a strut), and its rectangle in logical pixels.
struct PanelState
{
    int edge = EdgeBottom;
    bool onTop = false;
    QRect rect;
};

// What the banner and the free ticker place themselves by, in logical pixels (Qt's).
struct DesktopState
{
    QRect screen;                    // the whole screen
    QRect work;                      // the work area (the screen less every reserved strip)
    std::optional<PanelState> panel; // nullopt: no panel found
};

// The edge a panel of `rect` sits at on `screen`: a wide one at the top or bottom half, a tall
// one at the left or right half.
int panelEdgeOf(const QRect& rect, const QRect& screen);

// The desktop now: on X11 from the root window, _NET_WORKAREA and the dock window of another
// program; elsewhere the primary screen's geometry and available geometry, with no panel.
DesktopState desktopState();

// Dock windows (the banner). prepareDockWindow() marks `widget` as a dock window shown on every
// desktop; call it before every show. reserveStrip() keeps `thickness` pixels at `edge`
// (EdgeTop or EdgeBottom) along x = start..end free of other windows while `widget` is mapped,
// all in logical pixels (converted to X's device pixels); a thickness of 0 gives the strip
// back. The strip dies with the window, also when the program is killed. Nothing happens off
// X11.
void prepareDockWindow(QWidget* widget);
void reserveStrip(QWidget* widget, int edge, int thickness, int start, int end);

// Brings the panel to the front (an auto-hidden panel shows).
void raisePanel();

} // namespace platform
