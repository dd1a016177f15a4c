#pragma once

#include "platform/global_hotkey.h"

#include <QObject>
#include <QString>

#include <memory>

namespace shell {

// The modifier virtual-key code of its decimal text as the settings keep it: "18", "16", "17"
// and "91" name Alt, Shift, Ctrl and the Windows key; anything else means no modifier (0).
int modifierOfText(const QString& modifierCode);

// The global hotkey that pops up the menu (`mdlHotKey`). One instance for the program's life;
// `hotKeyOn` follows the last setHotKey()/clearHotKey().
class HotKey : public QObject
{
    Q_OBJECT
public:
    // `key` is the system-wide key; the default is the platform's.
    explicit HotKey(std::unique_ptr<platform::GlobalHotKey> key = platform::GlobalHotKey::create(),
                    QObject* parent = nullptr);
    ~HotKey() override;

    // Registers main key `mainKey` with the modifier of `modifierCode` (see modifierOfText) in
    // place of any registered before; returns and keeps in hotKeyOn() whether that worked. An
    // unknown main key cannot be registered.
    bool setHotKey(int mainKey, const QString& modifierCode);
    // Unregisters the hotkey; hotKeyOn() is false afterwards.
    void clearHotKey();
    bool hotKeyOn() const { return hotKeyOn_; }

Q_SIGNALS:
    // The combination was pressed: the menu pops up at the mouse.
    void pressed();

private:
    std::unique_ptr<platform::GlobalHotKey> key_;
    bool hotKeyOn_ = false;
};

} // namespace shell
