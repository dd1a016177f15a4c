#include "platform/x11/x11_desktop.h"

#include "platform/x11/xcb_support.h"

#include <QGuiApplication>
#include <QScreen>

namespace platform::x11 {
namespace {

using xcb::Reply;

std::optional<QRect> rootRect(xcb_connection_t* c, xcb_window_t w)
{
    const Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr));
    const Reply<xcb_translate_coordinates_reply_t> at(xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, w, xcb::root(c), 0, 0), nullptr));
    if (!geometry || !at)
        return std::nullopt;
    return QRect(at->dst_x, at->dst_y, geometry->width, geometry->height);
}

bool reservesStrut(xcb_connection_t* c, xcb_window_t w)
{
    QList<quint32> strut = xcb::cardinals(c, w, xcb::atom(c, "_NET_WM_STRUT_PARTIAL"));
    if (strut.size() < 4)
        strut = xcb::cardinals(c, w, xcb::atom(c, "_NET_WM_STRUT"));
    for (int i = 0; i < 4 && i < strut.size(); ++i) {
        if (strut.at(i) > 0)
            return true;
    }
    return false;
}

} // namespace

qreal devicePixelRatio()
{
    const QScreen* screen = qGuiApp ? QGuiApplication::primaryScreen() : nullptr;
    return screen && screen->devicePixelRatio() > 0 ? screen->devicePixelRatio() : 1.0;
}

int toLogical(int device)
{
    return qRound(device / devicePixelRatio());
}

int toDevice(int logical)
{
    return qRound(logical * devicePixelRatio());
}

QRect toLogical(const QRect& device)
{
    // Edges convert, so adjoining rectangles stay adjoining.
    return QRect(QPoint(toLogical(device.left()), toLogical(device.top())),
                 QPoint(toLogical(device.left() + device.width()) - 1,
                        toLogical(device.top() + device.height()) - 1));
}

QRect rootGeometry()
{
    xcb_connection_t* c = xcb::connection();
    if (!c)
        return {};
    const xcb_screen_t* screen = xcb::screen(c);
    return screen ? QRect(0, 0, screen->width_in_pixels, screen->height_in_pixels) : QRect();
}

std::optional<QRect> workArea()
{
    xcb_connection_t* c = xcb::connection();
    if (!c)
        return std::nullopt;
    const xcb_window_t rootWindow = xcb::root(c);
    const QList<quint32> areas = xcb::cardinals(c, rootWindow, xcb::atom(c, "_NET_WORKAREA"));
    const QList<quint32> current =
        xcb::cardinals(c, rootWindow, xcb::atom(c, "_NET_CURRENT_DESKTOP"));
    qsizetype desktop = current.isEmpty() ? 0 : current.first();
    if ((desktop + 1) * 4 > areas.size())
        desktop = 0;
    if (areas.size() < 4)
        return std::nullopt;
    const qsizetype i = desktop * 4;
    return QRect(int(areas.at(i)), int(areas.at(i + 1)), int(areas.at(i + 2)),
                 int(areas.at(i + 3)));
}

std::optional<DockWindow> panelWindow()
{
    xcb_connection_t* c = xcb::connection();
    if (!c)
        return std::nullopt;
    const auto ownPid = quint32(QCoreApplication::applicationPid());
    const QList<quint32> clients =
        xcb::cardinals(c, xcb::root(c), xcb::atom(c, "_NET_CLIENT_LIST"));
    const xcb_atom_t typeAtom = xcb::atom(c, "_NET_WM_WINDOW_TYPE");
    const xcb_atom_t dockAtom = xcb::atom(c, "_NET_WM_WINDOW_TYPE_DOCK");
    const xcb_atom_t pidAtom = xcb::atom(c, "_NET_WM_PID");
    std::optional<DockWindow> best;
    for (const quint32 w : clients) {
        if (!xcb::cardinals(c, w, typeAtom).contains(dockAtom))
            continue;
        const QList<quint32> pid = xcb::cardinals(c, w, pidAtom);
        if (!pid.isEmpty() && pid.first() == ownPid)
            continue;
        const auto rect = rootRect(c, w);
        if (!rect)
            continue;
        const DockWindow dock{w, *rect, reservesStrut(c, w)};
        const auto area = [](const QRect& r) { return qint64(r.width()) * r.height(); };
        if (!best || (dock.strut && !best->strut) ||
            (dock.strut == best->strut && area(dock.rect) > area(best->rect)))
            best = dock;
    }
    return best;
}

void setAllDesktops(quint32 window)
{
    if (xcb_connection_t* c = xcb::connection(); c && window) {
        xcb::setCardinals(c, window, xcb::atom(c, "_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL,
                          {0xFFFFFFFFu});
        xcb_flush(c);
    }
}

void setStrut(quint32 window, int edge, int thickness, int start, int end)
{
    xcb_connection_t* c = xcb::connection();
    if (!c || !window)
        return;
    const xcb_atom_t partial = xcb::atom(c, "_NET_WM_STRUT_PARTIAL");
    const xcb_atom_t plain = xcb::atom(c, "_NET_WM_STRUT");
    if (thickness <= 0 || edge < 0 || edge > 3) {
        xcb_delete_property(c, window, partial);
        xcb_delete_property(c, window, plain);
        xcb_flush(c);
        return;
    }
    // _NET_WM_STRUT order: left, right, top, bottom; our edges: 0 left, 1 top, 2 right, 3 bottom.
    static constexpr int slot[] = {0, 2, 1, 3};
    QList<quint32> values(12, 0);
    values[slot[edge]] = quint32(thickness);
    values[4 + 2 * slot[edge]] = quint32(qMax(0, start));
    values[5 + 2 * slot[edge]] = quint32(qMax(0, end));
    xcb::setCardinals(c, window, partial, XCB_ATOM_CARDINAL, values);
    xcb::setCardinals(c, window, plain, XCB_ATOM_CARDINAL, values.mid(0, 4));
    xcb_flush(c);
}

void raiseWindow(quint32 window)
{
    if (xcb_connection_t* c = xcb::connection(); c && window) {
        const quint32 above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(c, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_flush(c);
    }
}

} // namespace platform::x11
