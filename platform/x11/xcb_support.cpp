#include "platform/x11/xcb_support.h"

#include <QGuiApplication>
#include <QHash>

#include <cstring>

namespace platform::x11::xcb {
namespace {

// In 32-bit units: 4 MiB, room for any feed text or window list.
constexpr uint32_t kMaxPropertyWords = 1 << 20;

Reply<xcb_get_property_reply_t> propertyReply(xcb_connection_t* c, xcb_window_t w, xcb_atom_t prop)
{
    return Reply<xcb_get_property_reply_t>(xcb_get_property_reply(
        c, xcb_get_property(c, 0, w, prop, XCB_GET_PROPERTY_TYPE_ANY, 0, kMaxPropertyWords),
        nullptr));
}

} // namespace

xcb_connection_t* connection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

const xcb_screen_t* screen(xcb_connection_t* c)
{
    const xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    return it.rem ? it.data : nullptr;
}

xcb_window_t root(xcb_connection_t* c)
{
    const xcb_screen_t* s = screen(c);
    return s ? s->root : xcb_window_t(XCB_WINDOW_NONE);
}

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    // An atom never changes for the server's life: ask once per connection and name.
    static xcb_connection_t* cachedFor = nullptr;
    static QHash<QByteArray, xcb_atom_t> cache;
    if (cachedFor != c) {
        cache.clear();
        cachedFor = c;
    }
    const QByteArray key(name);
    if (const auto it = cache.constFind(key); it != cache.cend())
        return *it;
    const Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, key.size(), name), nullptr));
    if (!reply)
        return XCB_ATOM_NONE;
    cache.insert(key, reply->atom);
    return reply->atom;
}

std::optional<QByteArray> property(xcb_connection_t* c, xcb_window_t w, xcb_atom_t prop)
{
    const auto reply = propertyReply(c, w, prop);
    if (!reply || reply->type == XCB_ATOM_NONE)
        return std::nullopt;
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

QList<quint32> cardinals(xcb_connection_t* c, xcb_window_t w, xcb_atom_t prop)
{
    const auto reply = propertyReply(c, w, prop);
    QList<quint32> values;
    if (!reply || reply->format != 32)
        return values;
    const auto* data = static_cast<const quint32*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    for (int i = 0; i < count; ++i)
        values.append(data[i]);
    return values;
}

void setCardinals(xcb_connection_t* c, xcb_window_t w, xcb_atom_t prop, xcb_atom_t type,
                  const QList<quint32>& values)
{
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, prop, type, 32, values.size(),
                        values.constData());
}

QString windowName(xcb_connection_t* c, xcb_window_t w)
{
    if (const auto name = property(c, w, atom(c, "_NET_WM_NAME")))
        return QString::fromUtf8(*name);
    if (const auto name = property(c, w, XCB_ATOM_WM_NAME))
        return QString::fromLatin1(*name);
    return {};
}

QList<xcb_window_t> children(xcb_connection_t* c, xcb_window_t w)
{
    const Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr));
    QList<xcb_window_t> list;
    if (!tree)
        return list;
    const xcb_window_t* kids = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    list.reserve(count);
    for (int i = 0; i < count; ++i)
        list.append(kids[i]);
    return list;
}

} // namespace platform::x11::xcb
