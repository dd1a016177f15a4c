#pragma once

#include "platform/tray_icon_rect.h"

#include <QColor>
#include <QList>
#include <QObject>
#include <QSize>
#include <QString>

#include <memory>

class QWidget;

namespace platform {

// The notification area of the desktop's panel, as the tray display uses it: blank placeholder
// icons docked into it and their places, a widget laid inside it, and its colour. Sizes and
// places are in logical pixels, and asking for them costs nothing while the tray keeps still. On
// X11 it is the XEmbed system tray; without one (offscreen, Wayland, a StatusNotifierItem-only
// desktop) available() is false and every call does nothing.
class TrayHost : public QObject
{
    Q_OBJECT
public:
    ~TrayHost() override = default;

    // A tray that docks foreign icon windows is running.
    virtual bool available() = 0;
    // The size of the window that holds the docked icons; empty when there is none.
    virtual QSize areaSize() = 0;
    // Docks blank icons named "1KQ" ... "<count>KQ" (they show as empty slots); earlier ones are
    // removed first, except that icons already docked in the same tray stay when more are asked.
    virtual void addPlaceholders(int count) = 0;
    virtual void removePlaceholders() = 0;
    // The blank icons docked in the notification area, named, with their places (logical
    // pixels); an icon the tray has not docked yet is missing.
    virtual QList<TrayIconRect> iconRects() = 0;
    // Makes the native window of `widget` a child of the notification area (true), or a
    // top-level window again.
    virtual bool embed(QWidget* widget) = 0;
    virtual void release(QWidget* widget) = 0;
    // True when every change of the icons' places is told by layoutChanged(), so nobody needs
    // to poll for them.
    virtual bool reportsLayoutChanges() const { return false; }

Q_SIGNALS:
    // A tray started or the running one went away: whatever was docked is gone.
    void trayChanged();
    // The tray has painted the first blank icon: `colour` is the area's own colour there,
    // under the first cell the ticker covers.
    void areaColorChanged(const QColor& colour);
    // The notification area or one of the blank icons moved, was resized, docked or went.
    void layoutChanged();
};

// The tray of this session: the X11 one on an X11 display, else one that is never available.
std::unique_ptr<TrayHost> createTrayHost();

} // namespace platform
