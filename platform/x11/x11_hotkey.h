#pragma once

#include <QtGlobal>

#include <functional>

// The X11 side of the global hotkey: a passive key grab on the root window. Every function
// fails or does nothing when the program does not run on an X11 display.
namespace platform::x11 {

// X modifier masks of the hotkey modifiers.
enum class HotKeyModifier
{
    None,
    Shift,
    Control,
    Alt,
    Super
};

class KeyGrab
{
public:
    // `pressed` runs on every key press of the grabbed combination.
    explicit KeyGrab(std::function<void()> pressed);
    ~KeyGrab();
    KeyGrab(const KeyGrab&) = delete;
    KeyGrab& operator=(const KeyGrab&) = delete;

    // Grabs the key of `keysym` with `modifier`, in the four Lock/NumLock variants, so the
    // combination works whatever the state of Caps Lock and Num Lock. The grab is checked: when
    // another client holds any variant (BadAccess), the variants already taken are given back
    // and the result is false.
    bool grab(quint32 keysym, HotKeyModifier modifier);
    void release();
    bool isGrabbed() const;

private:
    struct Impl;
    Impl* impl_;
};

} // namespace platform::x11
