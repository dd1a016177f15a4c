#include "platform/x11/x11_display.h"

#include <xcb/xcb.h>

namespace platform::x11 {

bool displayReachable()
{
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const bool reachable = !xcb_connection_has_error(c);
    xcb_disconnect(c);
    return reachable;
}

} // namespace platform::x11
