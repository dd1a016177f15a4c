#pragma once

#include "platform/tray_host.h"

#include <QList>

namespace shell {

// The left edge the search starts from: beyond any place in a notification area, so the first
// marker found always replaces it (and small enough that adding to it cannot overflow).
inline constexpr int kSearchStartLeft = 1 << 20;

// The result of a search: the leftmost blank icon's left edge and its cell's right edge in the
// notification area's coordinates; right = 0 means not found. With more than one icon found a
// cell is the span of the icons found (left of the first to right of the last) shared out among
// them, so the tray's spacing between icons counts: a ticker of cellCount cells covers them all.
struct TrayPlace
{
    int placeLeft = kSearchStartLeft;
    int placeRight = 0;
    int searchIndex = 1; // the next marker number that was looked for
};

// The marker search over the named windows of the notification area, in their order: a window
// whose name contains the marker "<searchIndex>KQ" is a blank icon; the leftmost one found is
// kept, and the search ends once markers 1 ... `cellCount` have been seen.
TrayPlace findMarkers(const QList<platform::TrayIconRect>& icons, int cellCount);

// The tray locator: finds where the tray drew the blank icons (tray display's `placeLeft`,
// `placeRight`). The tray is read directly through its window tree, so opening and closing the
// locator only marks the span in which the tray display uses it (`remoteReady`).
class TrayLocator
{
public:
    explicit TrayLocator(platform::TrayHost& host) : host_(host) {}

    void openTrayProcess() { remoteReady_ = true; }
    void closeTrayProcess() { remoteReady_ = false; }
    bool remoteReady() const { return remoteReady_; }

    // Runs the search; the result is in placeLeft and placeRight.
    void findPlaceholderIcons(int cellCount);
    int placeLeft() const { return place_.placeLeft; }
    int placeRight() const { return place_.placeRight; }
    bool found() const { return place_.placeRight > 0; }
    // How many of the markers 1 ... cellCount the search found.
    int iconsFound() const { return place_.searchIndex - 1; }

private:
    platform::TrayHost& host_;
    TrayPlace place_;
    bool remoteReady_ = false;
};

} // namespace shell
