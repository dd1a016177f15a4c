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
    state.screen = x11::rootGeometry();
    if (state.screen.isEmpty() && screen)
        state.screen = screen->geometry();
    if (const auto work = x11::workArea())
        state.work = *work;
    else if (screen)
        state.work = screen->availableGeometry();
    else
        state.work = state.screen;
    if (const auto dock = x11::panelWindow())
        state.panel = PanelState{panelEdgeOf(dock->rect, state.screen), dock->strut, dock->rect};
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
    x11::setStrut(widget->winId(), edge, thickness, start, end);
}

void raisePanel()
{
    if (const auto dock = x11::panelWindow())
        x11::raiseWindow(dock->window);
}

} // namespace platform
