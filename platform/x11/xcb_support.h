#pragma once

#include <QByteArray>
#include <QList>

#include <cstdlib>
#include <memory>
#include <optional>
#include <xcb/xcb.h>

// Small helpers over the application's own xcb connection, shared by the tray and desktop code.
namespace platform::x11::xcb {

struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};
// An xcb reply, freed when it goes out of scope.
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

// The application's connection; nullptr when it does not run on X11.
xcb_connection_t* connection();
xcb_window_t root(xcb_connection_t* c);
xcb_atom_t atom(xcb_connection_t* c, const char* name);

// A property's bytes; nullopt when the window does not have it (or does not exist).
std::optional<QByteArray> property(xcb_connection_t* c, xcb_window_t w, xcb_atom_t prop);
// A CARDINAL/ATOM/WINDOW list property as 32-bit values.
QList<quint32> cardinals(xcb_connection_t* c, xcb_window_t w, xcb_atom_t prop);
void setCardinals(xcb_connection_t* c, xcb_window_t w, xcb_atom_t prop, xcb_atom_t type,
                  const QList<quint32>& values);

} // namespace platform::x11::xcb
