#pragma once

#include <QString>

namespace platform {

// A named window inside the notification area: its left and right edge in the area's
// coordinates (right = left + width).
struct TrayIconRect
{
    QString name;
    int left = 0;
    int right = 0;
};

} // namespace platform
