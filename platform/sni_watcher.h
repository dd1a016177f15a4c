#pragma once

#include <QObject>

class QDBusServiceWatcher;

namespace platform {

// The StatusNotifierItem host of the session: whoever owns `org.kde.StatusNotifierWatcher` on the
// D-Bus session bus (Plasma, an AppIndicator extension, xfce4-panel's systray, Waybar). Without a
// session bus there is never a host.
class SniWatcher : public QObject
{
    Q_OBJECT
public:
    explicit SniWatcher(QObject* parent = nullptr);
    ~SniWatcher() override;

    // A host owns the watcher name now.
    bool hostRunning() const;

Q_SIGNALS:
    // The name got an owner (a host started) or lost it (the host went away).
    void hostChanged(bool running);

private:
    QDBusServiceWatcher* watcher_ = nullptr;
};

} // namespace platform
