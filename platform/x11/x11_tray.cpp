#include "platform/x11/x11_tray.h"

#include "platform/x11/xcb_support.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QTimer>

namespace platform::x11 {
namespace {

using xcb::Reply;

constexpr quint32 kRequestDock = 0;
constexpr quint32 kXEmbedMapped = 1;
constexpr quint16 kIconSize = 22; // until the tray gives the icon its size

xcb_window_t parentOf(xcb_connection_t* c, xcb_window_t window)
{
    const Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    return tree ? tree->parent : 0;
}

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
    xcb_window_t w = parentOf(c, icon);
    if (!w || w == rootWindow)
        return 0;
    for (int depth = 0; depth < 16; ++depth) {
        const xcb_window_t up = parentOf(c, w);
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

// Sets our event mask on a foreign window; a window that has just gone away is no error worth
// reporting.
void selectEvents(xcb_connection_t* c, xcb_window_t w, quint32 mask)
{
    xcb_discard_reply(
        c, xcb_change_window_attributes_checked(c, w, XCB_CW_EVENT_MASK, &mask).sequence);
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
    // Its own moves, docking and exposure are reported to us (TrayWatch).
    const quint32 values[] = {XCB_BACK_PIXMAP_PARENT_RELATIVE,
                              XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_EXPOSURE};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, xcb::root(c), 0, 0, kIconSize, kIconSize, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_BACK_PIXMAP | XCB_CW_EVENT_MASK, values);
    const QByteArray utf8 = name.toUtf8();
    const QByteArray latin1 = name.toLatin1();
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        latin1.size(), latin1.constData());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, xcb::atom(c, "_NET_WM_NAME"),
                        xcb::atom(c, "UTF8_STRING"), 8, utf8.size(), utf8.constData());
    static const char wmClass[] = "nimbulo\0Nimbulo";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        sizeof(wmClass), wmClass);
    // Trays built on GtkSocket (xfce4-panel) ask an icon for its size by its normal hints and
    // hide one without them as empty: the minimum and base size are the window's own.
    constexpr quint32 kMinSize = 1 << 4;
    constexpr quint32 kBaseSize = 1 << 8;
    QList<quint32> hints(18, 0);
    hints[0] = kMinSize | kBaseSize;
    hints[5] = hints[6] = hints[15] = hints[16] = kIconSize;
    xcb::setCardinals(c, w, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, hints);
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

TrayLayout trayLayout(quint32 manager, const QList<quint32>& icons, const QStringList& names)
{
    TrayLayout layout;
    xcb_connection_t* c = xcb::connection();
    if (!c || !manager)
        return layout;
    // The icons are followed from the start: the tray docking them is what tells where they are.
    layout.watched = icons;
    layout.area = notificationArea(manager, icons);
    if (!layout.area)
        return layout;
    layout.watched.append(layout.area);
    const Reply<xcb_get_geometry_reply_t> size(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, layout.area), nullptr));
    if (size)
        layout.areaSize = QSize(size->width, size->height);
    for (qsizetype i = 0; i < icons.size(); ++i) {
        const xcb_window_t icon = icons.at(i);
        const xcb_window_t wrapper = parentOf(c, icon);
        if (wrapper && wrapper != layout.area && wrapper != xcb::root(c))
            layout.watched.append(wrapper);
        if (holderOf(c, icon) != layout.area)
            continue; // not (or no longer) docked in this area
        if (const QRect at = windowRectIn(icon, layout.area); !at.isEmpty())
            layout.icons.append({names.value(i), at.x(), at.x() + at.width()});
    }
    return layout;
}

QRect windowRectIn(quint32 window, quint32 reference)
{
    xcb_connection_t* c = xcb::connection();
    if (!c || !window || !reference)
        return {};
    const auto atCookie = xcb_translate_coordinates(c, window, reference, 0, 0);
    const auto geometryCookie = xcb_get_geometry(c, window);
    const Reply<xcb_translate_coordinates_reply_t> at(
        xcb_translate_coordinates_reply(c, atCookie, nullptr));
    const Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, geometryCookie, nullptr));
    return at && geometry ? QRect(at->dst_x, at->dst_y, geometry->width, geometry->height)
                          : QRect();
}

class TrayWatch::Filter : public QAbstractNativeEventFilter
{
public:
    Filter(std::function<void()> changed, std::function<void()> moved,
           std::function<void(quint32, QRect)> exposed)
        : changed_(std::move(changed)), moved_(std::move(moved)), exposed_(std::move(exposed))
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
            selectEvents(c, manager, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
            xcb_flush(c);
        }
    }

    void watchWindows(const QList<quint32>& windows)
    {
        xcb_connection_t* c = xcb::connection();
        if (!c)
            return;
        // Our own windows (the icons) chose their events when they were made.
        const quint32 mask = xcb_get_setup(c)->resource_id_mask;
        const quint32 ours = xcb_get_setup(c)->resource_id_base;
        const auto foreign = [&](quint32 w) { return (w & ~mask) != ours && w != manager_; };
        for (const quint32 w : std::as_const(watched_)) {
            if (foreign(w) && !windows.contains(w))
                selectEvents(c, w, XCB_EVENT_MASK_NO_EVENT);
        }
        for (const quint32 w : windows) {
            if (foreign(w) && !watched_.contains(w))
                selectEvents(c, w, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
        }
        watched_ = windows;
        xcb_flush(c);
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        const int type = event->response_type & ~0x80;
        bool changed = false;
        switch (type) {
        case XCB_CLIENT_MESSAGE: {
            const auto* cm = reinterpret_cast<const xcb_client_message_event_t*>(event);
            changed = cm->type == managerAtom_ && cm->format == 32 &&
                      cm->data.data32[1] == selectionAtom_;
            break;
        }
        case XCB_DESTROY_NOTIFY: {
            const auto* dn = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
            if (manager_ && dn->window == manager_) {
                changed = true;
                manager_ = 0;
            }
            noteMove(dn->event);
            break;
        }
        case XCB_CONFIGURE_NOTIFY:
        case XCB_REPARENT_NOTIFY:
        case XCB_MAP_NOTIFY:
        case XCB_UNMAP_NOTIFY:
            // Every StructureNotify event names the window it is reported on in the same
            // place, right after the sequence number.
            noteMove(reinterpret_cast<const xcb_map_notify_event_t*>(event)->event);
            break;
        case XCB_EXPOSE: {
            const auto* ex = reinterpret_cast<const xcb_expose_event_t*>(event);
            if (watched_.contains(ex->window)) {
                const QRect rect(ex->x, ex->y, ex->width, ex->height);
                QTimer::singleShot(0, &context_,
                                   [this, w = ex->window, rect] { exposed_(w, rect); });
            }
            break;
        }
        default:
            break;
        }
        // The handlers talk to the X server themselves: run them from the event loop, not from
        // here.
        if (changed)
            QTimer::singleShot(0, &context_, changed_);
        return false;
    }

private:
    // A burst of events (the tray lays out every icon) makes one call.
    void noteMove(xcb_window_t w)
    {
        if (movePending_ || !watched_.contains(w))
            return;
        movePending_ = true;
        QTimer::singleShot(0, &context_, [this] {
            movePending_ = false;
            moved_();
        });
    }

    std::function<void()> changed_;
    std::function<void()> moved_;
    std::function<void(quint32, QRect)> exposed_;
    QObject context_; // drops a pending call when the watch ends
    xcb_atom_t managerAtom_ = XCB_ATOM_NONE;
    xcb_atom_t selectionAtom_ = XCB_ATOM_NONE;
    quint32 manager_ = 0;
    QList<quint32> watched_;
    bool movePending_ = false;
};

TrayWatch::TrayWatch(std::function<void()> changed, std::function<void()> moved,
                     std::function<void(quint32, QRect)> exposed)
    : filter_(std::make_unique<Filter>(std::move(changed), std::move(moved), std::move(exposed)))
{}

TrayWatch::~TrayWatch() = default;

void TrayWatch::watchManager(quint32 manager)
{
    filter_->watch(manager);
}

void TrayWatch::watchWindows(const QList<quint32>& windows)
{
    filter_->watchWindows(windows);
}

} // namespace platform::x11
