#include "platform/session_abilities.h"

#include <QGuiApplication>

namespace platform {

bool waylandSession()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

QString notAvailable(Ability ability)
{
    if (!waylandSession())
        return {};
    switch (ability) {
    case Ability::DockedTicker:
        return QStringLiteral("Wayland panels take no docked windows: the value shows as the tray "
                              "icon.");
    case Ability::ReservedStrip:
        return QStringLiteral("Wayland does not let a program reserve a strip of the screen.");
    case Ability::GlobalHotKey:
        return QStringLiteral("Wayland does not let a program take a key system-wide.");
    }
    return {};
}

} // namespace platform
