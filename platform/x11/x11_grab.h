#pragma once

#include <QByteArrayList>

// Holding the desktop while a full-screen window of ours covers it (the screen saver): the
// window's EWMH states, and active grabs of the keyboard and the pointer. Every function does
// nothing (and grants nothing) without an X11 display.
namespace platform::x11 {

// Adds the named _NET_WM_STATE atoms ("_NET_WM_STATE_ABOVE", ...) to a window that is not
// mapped yet: the window manager reads them when the window is mapped, and Qt keeps states it
// finds there when it maps its own windows.
void addNetWmStates(quint32 window, const QByteArrayList& states);

// Active grabs for `window`: all keyboard or pointer input of the display comes to this
// program, its own windows receiving theirs as usual (owner events). True when the server
// granted the grab; it refuses while another client holds one or the window is not viewable.
bool grabKeyboard(quint32 window);
bool grabPointer(quint32 window);
// Gives both grabs back.
void ungrabInput();

} // namespace platform::x11
