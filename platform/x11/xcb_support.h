#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdlib>
#include <memory>
#include <optional>
#include <xcb/xcb.h>

// Small helpers over the application's own xcb connection, shared by every X11 service.
namespace platform::x11::xcb {

struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};
// An xcb reply (or error), freed when it goes out of scope.
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

// The application's connection; nullptr when it does not run on X11.
xcb_connection_t* connection();
// The default screen; nullptr when the server lists none.
const xcb_screen_t* screen(xcb_connection_t* c);
// The default screen's root window; XCB_WINDOW_NONE when the server lists no screen.
xcb_window_t root(xcb_connection_t* c);
// XCB_ATOM_NONE when the server does not answer. Each name is asked for once.
xcb_atom_t atom(xcb_connection_t* c, const char* name);

// A property's bytes (up to 4 MiB); nullopt when the window does not have it (or does not
// exist).
std::optional<QByteArray> property(xcb_connection_t* c, xcb_window_t w, xcb_atom_t prop);
// A CARDINAL/ATOM/WINDOW list property as 32-bit values; empty when the window does not have it
// or its format is not 32.
QList<quint32> cardinals(xcb_connection_t* c, xcb_window_t w, xcb_atom_t prop);
void setCardinals(xcb_connection_t* c, xcb_window_t w, xcb_atom_t prop, xcb_atom_t type,
                  const QList<quint32>& values);

// The window's title: _NET_WM_NAME (UTF-8), else WM_NAME (Latin-1); empty when it has neither.
QString windowName(xcb_connection_t* c, xcb_window_t w);
// The window's children bottom to top, in X's stacking order; empty when it does not exist.
QList<xcb_window_t> children(xcb_connection_t* c, xcb_window_t w);

} // namespace platform::x11::xcb
