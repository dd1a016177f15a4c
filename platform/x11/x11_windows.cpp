#include "platform/x11/x11_windows.h"

#include "platform/x11/xcb_support.h"

#include <algorithm>

namespace platform::x11 {
namespace {

// The class name that marks a feed window, and the property that holds its text.
constexpr char kFeedClass[] = "NimbuloFeed";
constexpr char kFeedProperty[] = "_NIMBULO_FEED";

// How deep below the root the search looks: frame, client, and a wrapper or two that some
// window managers add.
constexpr int kMaxDepth = 4;

bool isFeedWindow(xcb_connection_t* c, xcb_window_t w)
{
    const auto wmClass = xcb::property(c, w, XCB_ATOM_WM_CLASS);
    // WM_CLASS holds two NUL-terminated strings: instance, then class.
    return wmClass && wmClass->split('\0').contains(kFeedClass);
}

// The children of `w` from the top of the stack down: the search goes as users see them.
QList<xcb_window_t> topDown(xcb_connection_t* c, xcb_window_t w)
{
    QList<xcb_window_t> list = xcb::children(c, w);
    std::reverse(list.begin(), list.end());
    return list;
}

xcb_window_t findTitled(xcb_connection_t* c, xcb_window_t parent, const QString& prefix, int depth)
{
    for (const xcb_window_t w : topDown(c, parent)) {
        const QString name = xcb::windowName(c, w).trimmed().toLower();
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
    return xcb::connection() != nullptr;
}

quint32 createFeedWindow(quint32 parent)
{
    xcb_connection_t* c = xcb::connection();
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
    if (xcb_connection_t* c = xcb::connection(); c && window) {
        xcb_destroy_window(c, window);
        xcb_flush(c);
    }
}

void setFeedText(quint32 window, const QString& text)
{
    xcb_connection_t* c = xcb::connection();
    if (!c || !window)
        return;
    const QByteArray bytes = text.toUtf8();
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, xcb::atom(c, kFeedProperty),
                        xcb::atom(c, "UTF8_STRING"), 8, bytes.size(), bytes.constData());
    xcb_flush(c);
}

quint32 findWindowByTitle(const QString& titlePrefix)
{
    xcb_connection_t* c = xcb::connection();
    if (!c)
        return 0;
    const xcb_window_t root = xcb::root(c);
    return root != XCB_WINDOW_NONE ? findTitled(c, root, titlePrefix.toLower(), 0) : 0;
}

std::optional<QString> readFeedText(quint32 window)
{
    xcb_connection_t* c = xcb::connection();
    if (!c || !window)
        return std::nullopt;
    for (const xcb_window_t w : topDown(c, window)) {
        if (isFeedWindow(c, w)) {
            const auto text = xcb::property(c, w, xcb::atom(c, kFeedProperty));
            return text ? QString::fromUtf8(*text) : QString();
        }
    }
    return std::nullopt;
}

} // namespace platform::x11
