#include "platform/x11/x11_windows.h"

#include <QGuiApplication>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace platform::x11 {
namespace {

// The class name that marks a feed window, and the property that holds its text.
constexpr char kFeedClass[] = "NimbuloFeed";
constexpr char kFeedProperty[] = "_NIMBULO_FEED";

// How deep below the root the search looks: frame, client, and a wrapper or two that some
// window managers add.
constexpr int kMaxDepth = 4;

struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_connection_t* connection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    const Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, strlen(name), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// A property's bytes, or nullopt when the window does not have it.
std::optional<QByteArray> property(xcb_connection_t* c, xcb_window_t w, xcb_atom_t prop)
{
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, w, prop, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 20), nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE)
        return std::nullopt;
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

QString title(xcb_connection_t* c, xcb_window_t w)
{
    if (const auto name = property(c, w, atom(c, "_NET_WM_NAME")))
        return QString::fromUtf8(*name);
    if (const auto name = property(c, w, XCB_ATOM_WM_NAME))
        return QString::fromLatin1(*name);
    return {};
}

bool isFeedWindow(xcb_connection_t* c, xcb_window_t w)
{
    const auto wmClass = property(c, w, XCB_ATOM_WM_CLASS);
    // WM_CLASS holds two NUL-terminated strings: instance, then class.
    return wmClass && wmClass->split('\0').contains(kFeedClass);
}

QList<xcb_window_t> children(xcb_connection_t* c, xcb_window_t w)
{
    const Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr));
    if (!tree)
        return {};
    const xcb_window_t* kids = xcb_query_tree_children(tree.get());
    // The tree lists children bottom to top; the search goes from the top, as users see them.
    QList<xcb_window_t> list;
    for (int i = xcb_query_tree_children_length(tree.get()) - 1; i >= 0; --i)
        list.append(kids[i]);
    return list;
}

xcb_window_t findTitled(xcb_connection_t* c, xcb_window_t parent, const QString& prefix, int depth)
{
    for (const xcb_window_t w : children(c, parent)) {
        const QString name = title(c, w).trimmed().toLower();
        if (!name.isEmpty() && name.startsWith(prefix))
            return w;
        if (depth + 1 < kMaxDepth && name.isEmpty()) {
            if (const xcb_window_t found = findTitled(c, w, prefix, depth + 1))
                return found;
        }
    }
    return 0;
}

} // namespace

bool available()
{
    return connection() != nullptr;
}

quint32 createFeedWindow(quint32 parent)
{
    xcb_connection_t* c = connection();
    if (!c || !parent)
        return 0;
    const xcb_window_t w = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, parent, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    static const char wmClass[] = "txtScr\0NimbuloFeed";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        sizeof(wmClass), wmClass);
    xcb_flush(c);
    return w;
}

void destroyFeedWindow(quint32 window)
{
    if (xcb_connection_t* c = connection(); c && window) {
        xcb_destroy_window(c, window);
        xcb_flush(c);
    }
}

void setFeedText(quint32 window, const QString& text)
{
    xcb_connection_t* c = connection();
    if (!c || !window)
        return;
    const QByteArray bytes = text.toUtf8();
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atom(c, kFeedProperty),
                        atom(c, "UTF8_STRING"), 8, bytes.size(), bytes.constData());
    xcb_flush(c);
}

quint32 findWindowByTitle(const QString& titlePrefix)
{
    xcb_connection_t* c = connection();
    if (!c)
        return 0;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    return screen ? findTitled(c, screen->root, titlePrefix.toLower(), 0) : 0;
}

std::optional<QString> readFeedText(quint32 window)
{
    xcb_connection_t* c = connection();
    if (!c || !window)
        return std::nullopt;
    for (const xcb_window_t w : children(c, window)) {
        if (isFeedWindow(c, w)) {
            const auto text = property(c, w, atom(c, kFeedProperty));
            return text ? QString::fromUtf8(*text) : QString();
        }
    }
    return std::nullopt;
}

} // namespace platform::x11
