#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QKeyEvent;

namespace platform {

// Windows virtual-key codes of the four hotkey modifiers, as the settings keep them.
enum ModifierKey
{
    VkShift = 16,
    VkControl = 17,
    VkAlt = 18,
    VkWin = 91
};

// The name a US keyboard shows for a virtual-key code ("F8", "Page Up", "Insert", "Up", "W",
// "Num 7"); empty for a code without a key. Page Up ... Down, Insert and Delete are named as the
// extended keys, never as their number-pad twins.
QString keyName(int virtualKey);

// The X keysym of a virtual-key code, 0 for a code without one.
quint32 keysymOfVirtualKey(int virtualKey);

// The virtual-key code of a key press as a US keyboard reports it: the unshifted key (Shift+1
// is the key "1"), number-pad keys as their own codes, the modifiers as 16, 17, 18 and 91;
// 0 for a key the table does not know.
int virtualKeyOf(const QKeyEvent& event);

// One system-wide key combination: a main key and at most one modifier, both as virtual-key
// codes. activated() is emitted on every press of the combination wherever the focus is (key
// press only; the release is not reported). On X11 the key is grabbed on the root window; where
// there is no X11 display every grab fails.
class GlobalHotKey : public QObject
{
    Q_OBJECT
public:
    // The X11 grab when the program runs on an X11 display, else the failing stand-in.
    static std::unique_ptr<GlobalHotKey> create();

    // Takes the combination (releasing any held before); false when it cannot be had, for
    // example because another program holds it.
    virtual bool grab(int mainKey, int modifierKey) = 0;
    virtual void release() = 0;
    virtual bool isGrabbed() const = 0;

Q_SIGNALS:
    void activated();
};

} // namespace platform
