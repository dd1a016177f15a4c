#pragma once

#include <QIcon>

namespace common {

// The program's icon: the product's picture at the sizes window managers and panels ask for.
QIcon programIcon();

// Names the running program as the desktop knows it, before its first window: the product's
// name (the status notifier item's title and id, the X11 window class) and the desktop entry's
// id (the Wayland app_id, the X11 desktop file hint); and gives every window without an icon of
// its own the program's icon.
void setProgramIdentity();

} // namespace common
