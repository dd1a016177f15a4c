#include "platform/x11/x11_hotkey.h"

#include "platform/x11/xcb_support.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QGuiApplication>
#include <QList>

#include <cstdlib>

namespace platform::x11 {
namespace {

constexpr quint32 kNumLockSym = 0xff7f;
constexpr quint32 kAltLSym = 0xffe9;
constexpr quint32 kSuperLSym = 0xffeb;

using xcb::Reply;

// The keyboard's keycode -> keysym table.
class KeyboardMap
{
public:
    explicit KeyboardMap(xcb_connection_t* c)
    {
        const xcb_setup_t* setup = xcb_get_setup(c);
        min_ = setup->min_keycode;
        const int count = setup->max_keycode - setup->min_keycode + 1;
        reply_.reset(xcb_get_keyboard_mapping_reply(
            c, xcb_get_keyboard_mapping(c, min_, static_cast<uint8_t>(count)), nullptr));
    }

    // The first keycode that carries `keysym`, searching the unshifted column of every key
    // first; 0 when no key has it.
    xcb_keycode_t keycodeOf(quint32 keysym) const
    {
        if (!reply_)
            return 0;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply_.get());
        const int perCode = reply_->keysyms_per_keycode;
        const int length = xcb_get_keyboard_mapping_keysyms_length(reply_.get());
        if (perCode <= 0)
            return 0;
        for (int column = 0; column < perCode; ++column) {
            for (int i = column; i < length; i += perCode) {
                if (syms[i] == keysym)
                    return static_cast<xcb_keycode_t>(min_ + i / perCode);
            }
        }
        return 0;
    }

private:
    xcb_keycode_t min_ = 0;
    Reply<xcb_get_keyboard_mapping_reply_t> reply_;
};

// The modifier bit (Mod1 ... Mod5, Shift, Lock, Control) whose keys include `keycode`; 0 when
// none does.
uint16_t modifierMaskOf(xcb_connection_t* c, xcb_keycode_t keycode)
{
    if (keycode == 0)
        return 0;
    const Reply<xcb_get_modifier_mapping_reply_t> reply(
        xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr));
    if (!reply)
        return 0;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply.get());
    const int perModifier = reply->keycodes_per_modifier;
    for (int mod = 0; mod < 8; ++mod) {
        for (int k = 0; k < perModifier; ++k) {
            if (codes[mod * perModifier + k] == keycode)
                return static_cast<uint16_t>(1u << mod);
        }
    }
    return 0;
}

} // namespace

struct KeyGrab::Impl : QAbstractNativeEventFilter
{
    std::function<void()> pressed;
    xcb_connection_t* c = nullptr;
    xcb_window_t root = XCB_WINDOW_NONE;
    xcb_keycode_t keycode = 0;
    uint16_t modifiers = 0;
    uint16_t numLock = 0;
    bool grabbed = false;

    QList<uint16_t> variants() const
    {
        const uint16_t lock = XCB_MOD_MASK_LOCK;
        return {0, lock, numLock, static_cast<uint16_t>(lock | numLock)};
    }

    void ungrab()
    {
        for (uint16_t variant : variants())
            xcb_ungrab_key(c, keycode, root, modifiers | variant);
        xcb_flush(c);
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (!grabbed || eventType != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_KEY_PRESS)
            return false;
        const auto* key = static_cast<const xcb_key_press_event_t*>(message);
        // Caps Lock, Num Lock and the mouse buttons play no part in the combination.
        const uint16_t relevant = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 |
                                  XCB_MOD_MASK_2 | XCB_MOD_MASK_3 | XCB_MOD_MASK_4 | XCB_MOD_MASK_5;
        const uint16_t state = key->state & relevant & ~numLock;
        if (key->detail != keycode || state != modifiers)
            return false;
        if (pressed)
            pressed();
        return true;
    }
};

KeyGrab::KeyGrab(std::function<void()> pressed) : impl_(new Impl)
{
    impl_->pressed = std::move(pressed);
}

KeyGrab::~KeyGrab()
{
    release();
    delete impl_;
}

bool KeyGrab::grab(quint32 keysym, HotKeyModifier modifier)
{
    release();
    xcb_connection_t* c = xcb::connection();
    if (!c || keysym == 0)
        return false;
    Impl& d = *impl_;
    d.c = c;
    d.root = xcb::root(c);
    const KeyboardMap map(c);
    d.keycode = map.keycodeOf(keysym);
    if (d.keycode == 0 || d.root == XCB_WINDOW_NONE)
        return false;
    d.numLock = modifierMaskOf(c, map.keycodeOf(kNumLockSym));
    switch (modifier) {
    case HotKeyModifier::None:
        d.modifiers = 0;
        break;
    case HotKeyModifier::Shift:
        d.modifiers = XCB_MOD_MASK_SHIFT;
        break;
    case HotKeyModifier::Control:
        d.modifiers = XCB_MOD_MASK_CONTROL;
        break;
    case HotKeyModifier::Alt:
        d.modifiers = modifierMaskOf(c, map.keycodeOf(kAltLSym));
        if (d.modifiers == 0)
            d.modifiers = XCB_MOD_MASK_1;
        break;
    case HotKeyModifier::Super:
        d.modifiers = modifierMaskOf(c, map.keycodeOf(kSuperLSym));
        if (d.modifiers == 0)
            d.modifiers = XCB_MOD_MASK_4;
        break;
    }

    QList<xcb_void_cookie_t> cookies;
    for (uint16_t variant : d.variants())
        cookies.append(xcb_grab_key_checked(c, 0, d.root, d.modifiers | variant, d.keycode,
                                            XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    bool ok = true;
    for (const xcb_void_cookie_t& cookie : cookies) {
        // BadAccess: another client holds this variant of the combination.
        if (xcb_generic_error_t* error = xcb_request_check(c, cookie)) {
            ok = false;
            std::free(error);
        }
    }
    if (!ok) {
        d.ungrab();
        return false;
    }
    d.grabbed = true;
    qGuiApp->installNativeEventFilter(impl_);
    return true;
}

void KeyGrab::release()
{
    if (!impl_->grabbed)
        return;
    impl_->grabbed = false;
    // Once the application is gone so is its X connection, and with it every grab.
    if (qGuiApp) {
        qGuiApp->removeNativeEventFilter(impl_);
        impl_->ungrab();
    }
}

bool KeyGrab::isGrabbed() const
{
    return impl_->grabbed;
}

} // namespace platform::x11
