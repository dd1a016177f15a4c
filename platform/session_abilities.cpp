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
        return QStringLiteral("Wayland panels take no docked windows.");
    case Ability::ReservedStrip:
        return QStringLiteral("Wayland gives no reserved screen strip.");
    case Ability::GlobalHotKey:
        return QStringLiteral("Wayland gives no global hotkeys.");
    }
    return {};
}

} // namespace platform
