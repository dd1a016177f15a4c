#include "platform/x11/x11_tray.h"

#include "platform/x11/xcb_support.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QTimer>

namespace platform::x11 {
namespace {

using xcb::Reply;

// How deep below the notification area the icon search looks: wrapper, icon, and a level of
// slack for trays that nest their sockets.
constexpr int kMaxDepth = 4;
constexpr quint32 kRequestDock = 0;
constexpr quint32 kXEmbedMapped = 1;

bool viewable(xcb_connection_t* c, xcb_window_t w)
{
    const Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr));
    return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

// The nearest client window (one with WM_STATE) at or above the parent of a docked icon, or the
// child of the root on the way; 0 when the icon is not docked (its parent is the root).
xcb_window_t holderOf(xcb_connection_t* c, xcb_window_t icon)
{
    const xcb_window_t rootWindow = xcb::root(c);
    const xcb_atom_t wmState = xcb::atom(c, "WM_STATE");
    xcb_window_t w = parentOf(icon);
    if (!w || w == rootWindow)
        return 0;
    for (int depth = 0; depth < 16; ++depth) {
        const xcb_window_t up = parentOf(w);
        if (xcb::property(c, w, wmState) || !up || up == rootWindow)
            return w;
        w = up;
    }
    return w;
}

// A mapped top-level client of the same X client as `manager`: window ids of one connection
// share the bits above the server's resource-id mask.
xcb_window_t sameClientWindow(xcb_connection_t* c, xcb_window_t manager)
{
    const quint32 mask = xcb_get_setup(c)->resource_id_mask;
    const xcb_window_t rootWindow = xcb::root(c);
    const QList<quint32> clients = xcb::cardinals(c, rootWindow, xcb::atom(c, "_NET_CLIENT_LIST"));
    const xcb_atom_t typeAtom = xcb::atom(c, "_NET_WM_WINDOW_TYPE");
    const xcb_atom_t dockAtom = xcb::atom(c, "_NET_WM_WINDOW_TYPE_DOCK");
    xcb_window_t found = 0;
    for (const quint32 w : clients) {
        if ((w & ~mask) != (manager & ~mask) || !viewable(c, w))
            continue;
        if (xcb::cardinals(c, w, typeAtom).contains(dockAtom))
            return w;
        if (!found)
            found = w;
    }
    return found;
}

void collectNamed(xcb_connection_t* c, xcb_window_t area, xcb_window_t parent, int depth,
                  QList<NamedRect>& out)
{
    for (const xcb_window_t w : xcb::children(c, parent)) {
        const QString name = xcb::windowName(c, w);
        if (!name.isEmpty()) {
            const Reply<xcb_translate_coordinates_reply_t> at(xcb_translate_coordinates_reply(
                c, xcb_translate_coordinates(c, w, area, 0, 0), nullptr));
            const Reply<xcb_get_geometry_reply_t> geometry(
                xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr));
            if (at && geometry)
                out.append({name, at->dst_x, at->dst_x + geometry->width});
        }
        if (depth + 1 < kMaxDepth)
            collectNamed(c, area, w, depth + 1, out);
    }
}

} // namespace

quint32 trayManager()
{
    xcb_connection_t* c = xcb::connection();
    if (!c)
        return 0;
    const int screen = 0; // the tray of the default screen
    const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen);
    const xcb_atom_t selection = xcb::atom(c, name.constData());
    const Reply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr));
    return owner ? owner->owner : 0;
}

quint32 createTrayIcon(const QString& name)
{
    xcb_connection_t* c = xcb::connection();
    if (!c)
        return 0;
    const xcb_window_t w = xcb_generate_id(c);
    const quint32 values[] = {XCB_BACK_PIXMAP_PARENT_RELATIVE};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, xcb::root(c), 0, 0, 22, 22, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXMAP,
                      values);
    const QByteArray utf8 = name.toUtf8();
    const QByteArray latin1 = name.toLatin1();
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        latin1.size(), latin1.constData());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, xcb::atom(c, "_NET_WM_NAME"),
                        xcb::atom(c, "UTF8_STRING"), 8, utf8.size(), utf8.constData());
    static const char wmClass[] = "nimbulo\0Nimbulo";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        sizeof(wmClass), wmClass);
    const xcb_atom_t info = xcb::atom(c, "_XEMBED_INFO");
    xcb::setCardinals(c, w, info, info, {0, kXEmbedMapped});
    xcb_flush(c);
    return w;
}

void dockTrayIcon(quint32 manager, quint32 icon)
{
    xcb_connection_t* c = xcb::connection();
    if (!c || !manager || !icon)
        return;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = manager;
    event.type = xcb::atom(c, "_NET_SYSTEM_TRAY_OPCODE");
    event.data.data32[0] = XCB_CURRENT_TIME;
    event.data.data32[1] = kRequestDock;
    event.data.data32[2] = icon;
    xcb_send_event(c, 0, manager, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
    xcb_flush(c);
}

void destroyWindow(quint32 window)
{
    if (xcb_connection_t* c = xcb::connection(); c && window) {
        xcb_destroy_window(c, window);
        xcb_flush(c);
    }
}

quint32 notificationArea(quint32 manager, const QList<quint32>& icons)
{
    xcb_connection_t* c = xcb::connection();
    if (!c || !manager)
        return 0;
    for (const quint32 icon : icons) {
        if (const xcb_window_t holder = holderOf(c, icon))
            return holder;
    }
    if (viewable(c, manager))
        return manager;
    return sameClientWindow(c, manager);
}

QSize windowSize(quint32 window)
{
    xcb_connection_t* c = xcb::connection();
    if (!c || !window)
        return {};
    const Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    return geometry ? QSize(geometry->width, geometry->height) : QSize();
}

QList<NamedRect> namedWindowsIn(quint32 area)
{
    QList<NamedRect> list;
    if (xcb_connection_t* c = xcb::connection(); c && area)
        collectNamed(c, area, area, 0, list);
    return list;
}

quint32 parentOf(quint32 window)
{
    xcb_connection_t* c = xcb::connection();
    if (!c || !window)
        return 0;
    const Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    return tree ? tree->parent : 0;
}

class TrayWatch::Filter : public QAbstractNativeEventFilter
{
public:
    explicit Filter(std::function<void()> changed) : changed_(std::move(changed))
    {
        xcb_connection_t* c = xcb::connection();
        if (!c)
            return;
        managerAtom_ = xcb::atom(c, "MANAGER");
        selectionAtom_ = xcb::atom(c, "_NET_SYSTEM_TRAY_S0");
        // MANAGER goes to the root with StructureNotify; add it to the events Qt already takes.
        const xcb_window_t rootWindow = xcb::root(c);
        const Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, rootWindow), nullptr));
        const quint32 mask =
            (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, rootWindow, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c);
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    ~Filter() override
    {
        if (QCoreApplication::instance())
            QCoreApplication::instance()->removeNativeEventFilter(this);
    }

    void watch(quint32 manager)
    {
        manager_ = manager;
        if (xcb_connection_t* c = xcb::connection(); c && manager) {
            const quint32 mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
            xcb_change_window_attributes(c, manager, XCB_CW_EVENT_MASK, &mask);
            xcb_flush(c);
        }
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        const int type = event->response_type & ~0x80;
        bool changed = false;
        if (type == XCB_CLIENT_MESSAGE) {
            const auto* cm = reinterpret_cast<const xcb_client_message_event_t*>(event);
            changed = cm->type == managerAtom_ && cm->format == 32 &&
                      cm->data.data32[1] == selectionAtom_;
        } else if (type == XCB_DESTROY_NOTIFY && manager_) {
            const auto* dn = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
            changed = dn->window == manager_;
            if (changed)
                manager_ = 0;
        }
        // The handler talks to the X server itself: run it from the event loop, not from here.
        if (changed)
            QTimer::singleShot(0, &context_, changed_);
        return false;
    }

private:
    std::function<void()> changed_;
    QObject context_; // drops a pending call when the watch ends
    xcb_atom_t managerAtom_ = XCB_ATOM_NONE;
    xcb_atom_t selectionAtom_ = XCB_ATOM_NONE;
    quint32 manager_ = 0;
};

TrayWatch::TrayWatch(std::function<void()> changed)
    : filter_(std::make_unique<Filter>(std::move(changed)))
{}

TrayWatch::~TrayWatch() = default;

void TrayWatch::watchManager(quint32 manager)
{
    filter_->watch(manager);
}

} // namespace platform::x11
