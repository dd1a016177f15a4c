#pragma once

#include <QIcon>
#include <QPixmap>

namespace shell {

// The level icons shown as the main window's icon and by the standard tray icon: 0 cold,
// 1 mild, 2 hot, 3 station not found (`picSetPointIcon`).
QIcon levelIcon(int level);

// The trend arrows (`picStatIconTemp` 1...4): 1 falling, 2 steady, 3 rising, 4 none (blank).
QPixmap trendArrow(int arrow, int size = 16);

} // namespace shell
