#pragma once

// Whether the X server named by $DISPLAY can be reached, asked on a connection of its own (so
// before the application exists): Qt ends a program that cannot open its display.
namespace platform::x11 {

bool displayReachable();

} // namespace platform::x11
