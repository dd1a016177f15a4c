#pragma once

#include "platform/desktop_notifications.h"

#include <QObject>

namespace shell {

// The set-point alarm as a desktop notification beside the alarm window: a critical one with a
// "Show" button (where the server offers buttons) when the alarm starts, replaced in place by a
// normal one when it ends, so the start's does not linger.
class AlarmNotifier : public QObject
{
    Q_OBJECT
public:
    explicit AlarmNotifier(platform::DesktopNotifications& notices, QObject* parent = nullptr);

    // The alarm started with the conditions `alarmText` (the alarm window's text).
    void started(const QString& alarmText);
    // It ended (the conditions no longer hold, or the user turned alarms off). Nothing when no
    // start was notified.
    void ended();

Q_SIGNALS:
    // The user chose "Show": the main window comes up.
    void showRequested();

private:
    platform::DesktopNotifications& notices_;
    bool notified_ = false;
};

} // namespace shell
