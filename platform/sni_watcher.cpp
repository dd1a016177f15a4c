#include "platform/sni_watcher.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>

namespace platform {
namespace {

const QString kWatcherName = QStringLiteral("org.kde.StatusNotifierWatcher");

} // namespace

SniWatcher::SniWatcher(QObject* parent) : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    watcher_ =
        new QDBusServiceWatcher(kWatcherName, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                Q_EMIT hostChanged(!newOwner.isEmpty());
            });
}

SniWatcher::~SniWatcher() = default;

bool SniWatcher::hostRunning() const
{
    if (!watcher_)
        return false;
    const QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    return bus && bus->isServiceRegistered(kWatcherName).value();
}

} // namespace platform
