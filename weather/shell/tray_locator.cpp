#include "weather/shell/tray_locator.h"

namespace shell {

TrayPlace findMarkers(const QList<platform::TrayIconRect>& icons, int cellCount)
{
    TrayPlace place;
    int spanRight = 0;
    for (const platform::TrayIconRect& icon : icons) {
        if (place.searchIndex > cellCount)
            break;
        if (!icon.name.contains(QString::number(place.searchIndex) + QStringLiteral("KQ")))
            continue;
        if (icon.left < place.placeLeft) {
            place.placeLeft = icon.left;
            place.placeRight = icon.right;
        }
        spanRight = qMax(spanRight, icon.right);
        ++place.searchIndex;
    }
    // The tray spaces its icons: a cell is the row's share of one icon, spacing included, so
    // cells x cell width covers every blank icon up to the last one's right edge.
    if (const int found = place.searchIndex - 1; found > 1) {
        const int span = spanRight - place.placeLeft;
        place.placeRight = qMax(place.placeRight, place.placeLeft + (span + found - 1) / found);
    }
    return place;
}

void TrayLocator::findPlaceholderIcons(int cellCount)
{
    place_ = findMarkers(host_.iconRects(), cellCount);
}

} // namespace shell
