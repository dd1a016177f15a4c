#include "weather/shell/hot_key.h"

namespace shell {

int modifierOfText(const QString& modifierCode)
{
    for (int code : {platform::VkAlt, platform::VkShift, platform::VkControl, platform::VkWin}) {
        if (modifierCode == QString::number(code))
            return code;
    }
    return 0;
}

HotKey::HotKey(std::unique_ptr<platform::GlobalHotKey> key, QObject* parent)
    : QObject(parent), key_(std::move(key))
{
    connect(key_.get(), &platform::GlobalHotKey::activated, this, &HotKey::pressed);
}

HotKey::~HotKey()
{
    clearHotKey();
}

bool HotKey::setHotKey(int mainKey, const QString& modifierCode)
{
    key_->release();
    hotKeyOn_ = key_->grab(mainKey, modifierOfText(modifierCode));
    return hotKeyOn_;
}

void HotKey::clearHotKey()
{
    key_->release();
    hotKeyOn_ = false;
}

} // namespace shell
