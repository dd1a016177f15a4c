#include "platform/work_area.h"

#include "platform/x11/x11_desktop.h"

#include <QGuiApplication>
#include <QScreen>

namespace platform {

int panelEdgeOf(const QRect& rect, const QRect& screen)
{
    const QPoint centre = rect.center();
    if (rect.width() >= rect.height())
        return centre.y() < screen.center().y() ? EdgeTop : EdgeBottom;
    return centre.x() < screen.center().x() ? EdgeLeft : EdgeRight;
}

DesktopState desktopState()
{
    DesktopState state;
    const QScreen* screen = QGuiApplication::primaryScreen();
    // X reports device pixels; the displays place their windows in logical ones.
    state.screen = x11::toLogical(x11::rootGeometry());
    if (state.screen.isEmpty() && screen)
        state.screen = screen->geometry();
    if (const auto work = x11::workArea())
        state.work = x11::toLogical(*work);
    else if (screen)
        state.work = screen->availableGeometry();
    else
        state.work = state.screen;
    if (const auto dock = x11::panelWindow()) {
        const QRect rect = x11::toLogical(dock->rect);
        state.panel = PanelState{panelEdgeOf(rect, state.screen), dock->strut, rect};
    }
    return state;
}

void prepareDockWindow(QWidget* widget)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !widget)
        return;
    // The dock type only takes once the native window exists.
    widget->winId();
    widget->setAttribute(Qt::WA_X11NetWmWindowTypeDock);
    x11::setAllDesktops(widget->winId());
}

void reserveStrip(QWidget* widget, int edge, int thickness, int start, int end)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !widget)
        return;
    // The strut is in device pixels: the logical span start..end covers whole device pixels.
    x11::setStrut(widget->winId(), edge, x11::toDevice(thickness), x11::toDevice(start),
                  x11::toDevice(end + 1) - 1);
}

void raisePanel()
{
    if (const auto dock = x11::panelWindow())
        x11::raiseWindow(dock->window);
}

} // namespace platform
