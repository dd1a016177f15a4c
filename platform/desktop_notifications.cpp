#include "platform/desktop_notifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include <algorithm>

namespace platform {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

QDBusMessage call(const QString& method)
{
    return QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
}

} // namespace

DesktopNotifications::DesktopNotifications(QString appName, QString appIcon,
                                           const QDBusConnection& bus, QObject* parent)
    : QObject(parent), appName_(std::move(appName)), appIcon_(std::move(appIcon)), bus_(bus)
{
    if (!bus_.isConnected())
        return;
    bus_.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                 SLOT(onActionInvoked(uint, QString)));
    bus_.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                 SLOT(onClosed(uint, uint)));
}

void DesktopNotifications::show(const QString& key, const Notice& notice)
{
    if (!bus_.isConnected()) {
        fail(QStringLiteral("no D-Bus session bus"));
        return;
    }
    Entry& entry = entries_[key];
    entry.closeWanted = false;
    if (capabilities_ != Capabilities::Known || entry.calling) {
        entry.next = notice;
        askCapabilities();
        return;
    }
    send(key, entry, notice);
}

void DesktopNotifications::close(const QString& key)
{
    const auto it = entries_.find(key);
    if (it == entries_.end())
        return;
    if (it->calling) {
        it->next.reset();
        it->closeWanted = true;
        return;
    }
    if (it->id != 0)
        sendClose(it->id);
    entries_.erase(it);
}

// The server's capabilities decide whether buttons are sent; they are asked before the first
// notification, and again after a failure (a server started later may be another one).
void DesktopNotifications::askCapabilities()
{
    if (capabilities_ != Capabilities::Unknown)
        return;
    capabilities_ = Capabilities::Asking;
    auto* watcher =
        new QDBusPendingCallWatcher(bus_.asyncCall(call(QStringLiteral("GetCapabilities"))), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QDBusPendingReply<QStringList> reply = *watcher;
        if (reply.isError()) {
            capabilities_ = Capabilities::Unknown;
            // What waited for the answer is dropped: nothing can show it.
            entries_.removeIf([](const auto& it) { return it.value().id == 0; });
            fail(reply.error().message());
            return;
        }
        capabilities_ = Capabilities::Known;
        actionsOffered_ = reply.value().contains(QStringLiteral("actions"));
        sendWaiting();
    });
}

void DesktopNotifications::sendWaiting()
{
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (!it->calling && it->next)
            send(it.key(), *it, *std::exchange(it->next, std::nullopt));
    }
}

void DesktopNotifications::send(const QString& key, Entry& entry, const Notice& notice)
{
    QStringList actions;
    if (actionsOffered_) {
        for (const auto& [action, label] : notice.actions)
            actions << action << label;
    }
    const QVariantMap hints{
        {QStringLiteral("urgency"), QVariant::fromValue(uchar(notice.urgency))}};
    QDBusMessage message = call(QStringLiteral("Notify"));
    message << appName_ << entry.id << appIcon_ << notice.summary << notice.body << actions << hints
            << -1;
    entry.calling = true;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, key] {
        watcher->deleteLater();
        const QDBusPendingReply<uint> reply = *watcher;
        const auto it = entries_.find(key);
        if (reply.isError()) {
            entries_.remove(key);
            capabilities_ = Capabilities::Unknown;
            fail(reply.error().message());
            return;
        }
        if (it == entries_.end())
            return;
        it->calling = false;
        const uint id = it->id = reply.value();
        if (it->closeWanted) {
            sendClose(id);
            entries_.erase(it);
        } else if (it->next) {
            send(key, *it, *std::exchange(it->next, std::nullopt));
        }
        QStringList pressed;
        earlyActions_.removeIf([&](const std::pair<uint, QString>& early) {
            if (early.first == id)
                pressed << early.second;
            return early.first == id;
        });
        if (!callsPending())
            earlyActions_.clear(); // other programs' notifications
        for (const QString& action : std::as_const(pressed))
            Q_EMIT actionInvoked(key, action);
    });
}

void DesktopNotifications::sendClose(uint id)
{
    QDBusMessage message = call(QStringLiteral("CloseNotification"));
    message << id;
    bus_.asyncCall(message); // a notification already gone is no fault
}

void DesktopNotifications::fail(const QString& reason)
{
    if (std::exchange(reported_, true))
        return;
    Q_EMIT unavailable(reason);
}

bool DesktopNotifications::callsPending() const
{
    return std::any_of(entries_.cbegin(), entries_.cend(),
                       [](const Entry& e) { return e.calling; });
}

QString DesktopNotifications::keyOf(uint id) const
{
    for (auto it = entries_.cbegin(); it != entries_.cend(); ++it) {
        if (it->id == id && id != 0)
            return it.key();
    }
    return {};
}

void DesktopNotifications::onActionInvoked(uint id, const QString& action)
{
    if (const QString key = keyOf(id); !key.isEmpty())
        Q_EMIT actionInvoked(key, action);
    else if (callsPending())
        earlyActions_.append({id, action});
}

// Gone from the screen (expired, dismissed, closed by us): showing the key again makes a new one.
void DesktopNotifications::onClosed(uint id, uint /*reason*/)
{
    if (const QString key = keyOf(id); !key.isEmpty() && !entries_.value(key).calling)
        entries_.remove(key);
}

} // namespace platform
