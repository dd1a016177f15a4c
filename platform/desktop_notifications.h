#pragma once

#include <QDBusConnection>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>
#include <utility>

namespace platform {

// A client of the desktop's notification server (`org.freedesktop.Notifications` on the D-Bus
// session bus: Plasma, GNOME Shell, xfce4-notifyd, dunst, mako, ...). The caller names each
// notification by a key of its own; showing a key again replaces its notification in place,
// closing it takes it off the screen. Every call is asynchronous: a slow or absent server never
// holds up the caller. Without a session bus or a server nothing is shown and the fact is
// reported once through `unavailable`; a server that appears later is used from then on.
class DesktopNotifications : public QObject
{
    Q_OBJECT
public:
    enum class Urgency : uchar
    {
        Low = 0,
        Normal = 1,
        Critical = 2
    };

    struct Notice
    {
        QString summary;
        QString body;
        Urgency urgency = Urgency::Normal;
        // Key and label of each button, sent only to a server that offers actions.
        QList<std::pair<QString, QString>> actions;
    };

    // `appIcon` is an icon name of the desktop's theme or a file's path.
    DesktopNotifications(QString appName, QString appIcon,
                         const QDBusConnection& bus = QDBusConnection::sessionBus(),
                         QObject* parent = nullptr);

    // Shows `notice` as the notification of `key`, replacing the one shown for it.
    void show(const QString& key, const Notice& notice);
    // Takes the notification of `key` away (nothing when none is shown).
    void close(const QString& key);
    // The server offers buttons ("actions" among its capabilities); false until it has answered.
    bool actionsOffered() const { return actionsOffered_; }

Q_SIGNALS:
    // The user chose the button `action` of the notification of `key`.
    void actionInvoked(const QString& key, const QString& action);
    // Notifications cannot be shown (no session bus, no server, a refused call): `reason` says
    // why. Emitted at most once per instance.
    void unavailable(const QString& reason);

private Q_SLOTS:
    void onActionInvoked(uint id, const QString& action);
    void onClosed(uint id, uint reason);

private:
    // A key's notification: its server id once known, and what waits for the answer to the
    // call on its way (one call per key at a time, so a replacement always knows its id).
    struct Entry
    {
        uint id = 0;
        bool calling = false;
        std::optional<Notice> next;
        bool closeWanted = false;
    };
    enum class Capabilities
    {
        Unknown,
        Asking,
        Known
    };

    void askCapabilities();
    void send(const QString& key, Entry& entry, const Notice& notice);
    void sendClose(uint id);
    void sendWaiting();
    void fail(const QString& reason);
    QString keyOf(uint id) const;
    bool callsPending() const;

    QString appName_;
    QString appIcon_;
    QDBusConnection bus_;
    Capabilities capabilities_ = Capabilities::Unknown;
    bool actionsOffered_ = false;
    bool reported_ = false;
    QHash<QString, Entry> entries_;
    // Buttons pressed on a notification whose id has not come back yet: Qt D-Bus may deliver
    // the server's signal before the answer to Notify.
    QList<std::pair<uint, QString>> earlyActions_;
};

} // namespace platform
