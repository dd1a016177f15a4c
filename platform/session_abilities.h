#pragma once

#include <QString>

namespace platform {

// What a program may not be able to do in every kind of session.
enum class Ability
{
    DockedTicker,  // lay a window of its own into the panel's tray
    ReservedStrip, // reserve a strip of the screen (the banner's work-area edge)
    GlobalHotKey   // take a key combination system-wide
};

// Why the session cannot do `ability`, as one line for the options dialog; empty when it can.
// A native Wayland session does none of them (Wayland gives clients no tray embedding, no
// strut and no key grab); under Xwayland the program is an X11 client and can.
QString notAvailable(Ability ability);

// The program runs as a native Wayland client.
bool waylandSession();

} // namespace platform
