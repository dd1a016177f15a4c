#pragma once

#include "platform/desktop_notifications.h"
#include "weather/engine/warning.h"

#include <QHash>
#include <QObject>
#include <QUrl>

namespace shell {

// The bureau's warnings in force as desktop notifications: one per warning, shown when it
// first appears, replaced in place when it is updated (another issue, phase, headline, expiry,
// severity or district) and closed when it leaves the list. Severe and extreme warnings are
// critical, the rest normal. An "Open" button (where the server offers buttons) asks for the
// warning's page.
class WarningNotifier : public QObject
{
    Q_OBJECT
public:
    explicit WarningNotifier(platform::DesktopNotifications& notices, QObject* parent = nullptr);

    // The warnings in force now. With `enabled` false (the user turned these notifications
    // off) every one shown is closed and none is shown.
    void update(const engine::WarningList& inForce, bool enabled = true);

    // The notice a warning is shown with.
    static platform::DesktopNotifications::Notice noticeOf(const engine::Warning& warning);

Q_SIGNALS:
    void pageRequested(const QUrl& page);

private:
    platform::DesktopNotifications& notices_;
    QHash<QString, engine::Warning> shown_; // by product id
};

} // namespace shell
