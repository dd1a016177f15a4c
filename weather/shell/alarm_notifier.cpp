#include "weather/shell/alarm_notifier.h"

namespace shell {

namespace {

const QString kKey = QStringLiteral("alarm");
const QString kShow = QStringLiteral("show");

} // namespace

AlarmNotifier::AlarmNotifier(platform::DesktopNotifications& notices, QObject* parent)
    : QObject(parent), notices_(notices)
{
    connect(&notices_, &platform::DesktopNotifications::actionInvoked, this,
            [this](const QString& key, const QString& action) {
                if (key == kKey && action == kShow)
                    Q_EMIT showRequested();
            });
}

void AlarmNotifier::started(const QString& alarmText)
{
    notified_ = true;
    notices_.show(kKey, {QStringLiteral("Weather alarm"),
                         alarmText,
                         platform::DesktopNotifications::Urgency::Critical,
                         {{kShow, QStringLiteral("Show")}}});
}

void AlarmNotifier::ended()
{
    if (!std::exchange(notified_, false))
        return;
    notices_.show(kKey, {QStringLiteral("Weather alarm ended"),
                         QStringLiteral("The alarm's conditions no longer hold."),
                         platform::DesktopNotifications::Urgency::Normal,
                         {}});
}

} // namespace shell
