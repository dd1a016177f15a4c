#include "weather/shell/tray_locator.h"

namespace shell {

TrayPlace findMarkers(const QList<platform::TrayIconRect>& icons, int cellCount)
{
    TrayPlace place;
    for (const platform::TrayIconRect& icon : icons) {
        if (place.searchIndex > cellCount)
            break;
        if (!icon.name.contains(QString::number(place.searchIndex) + QStringLiteral("KQ")))
            continue;
        if (icon.left < place.placeLeft) {
            place.placeLeft = icon.left;
            place.placeRight = icon.right;
        }
        ++place.searchIndex;
    }
    return place;
}

void TrayLocator::findPlaceholderIcons(int cellCount)
{
    place_ = findMarkers(host_.iconRects(), cellCount);
}

} // namespace shell
