#include "platform/x11/x11_grab.h"

#include "platform/x11/xcb_support.h"

namespace platform::x11 {

using xcb::Reply;

void addNetWmStates(quint32 window, const QByteArrayList& states)
{
    xcb_connection_t* c = xcb::connection();
    if (!c || !window)
        return;
    const xcb_atom_t property = xcb::atom(c, "_NET_WM_STATE");
    QList<quint32> atoms = xcb::cardinals(c, window, property);
    for (const QByteArray& name : states) {
        const xcb_atom_t state = xcb::atom(c, name.constData());
        if (state != XCB_ATOM_NONE && !atoms.contains(state))
            atoms.append(state);
    }
    xcb::setCardinals(c, window, property, XCB_ATOM_ATOM, atoms);
    xcb_flush(c);
}

bool grabKeyboard(quint32 window)
{
    xcb_connection_t* c = xcb::connection();
    if (!c || !window)
        return false;
    const Reply<xcb_grab_keyboard_reply_t> reply(xcb_grab_keyboard_reply(
        c,
        xcb_grab_keyboard(c, 1, window, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        nullptr));
    return reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
}

bool grabPointer(quint32 window)
{
    xcb_connection_t* c = xcb::connection();
    if (!c || !window)
        return false;
    const uint16_t events =
        XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION;
    const Reply<xcb_grab_pointer_reply_t> reply(xcb_grab_pointer_reply(
        c,
        xcb_grab_pointer(c, 1, window, events, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC,
                         XCB_WINDOW_NONE, XCB_CURSOR_NONE, XCB_CURRENT_TIME),
        nullptr));
    return reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
}

void ungrabInput()
{
    xcb_connection_t* c = xcb::connection();
    if (!c)
        return;
    xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
    xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
    xcb_flush(c);
}

} // namespace platform::x11
