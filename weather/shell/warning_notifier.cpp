#include "weather/shell/warning_notifier.h"

#include <QLocale>

namespace shell {

namespace {

const QString kOpen = QStringLiteral("open");

// Notifications of warnings are keyed apart from the program's other notifications.
QString keyOf(const QString& id)
{
    return QStringLiteral("warning/") + id;
}

// What a user would see change; a new pubDate alone shows nothing new.
bool sameNotice(const engine::Warning& a, const engine::Warning& b)
{
    return a.headline == b.headline && a.districtName == b.districtName &&
           a.severity == b.severity && a.phase == b.phase && a.issued == b.issued &&
           a.expires == b.expires;
}

} // namespace

WarningNotifier::WarningNotifier(platform::DesktopNotifications& notices, QObject* parent)
    : QObject(parent), notices_(notices)
{
    connect(&notices_, &platform::DesktopNotifications::actionInvoked, this,
            [this](const QString& key, const QString& action) {
                for (const engine::Warning& w : std::as_const(shown_)) {
                    if (action == kOpen && key == keyOf(w.id))
                        Q_EMIT pageRequested(w.page);
                }
            });
}

platform::DesktopNotifications::Notice WarningNotifier::noticeOf(const engine::Warning& warning)
{
    platform::DesktopNotifications::Notice notice;
    notice.summary = warning.headline;
    QStringList body;
    if (!warning.districtName.isEmpty())
        body << warning.districtName;
    if (warning.expires.isValid()) {
        body << QStringLiteral("until ") +
                    QLocale::c().toString(warning.expires.toLocalTime().time(),
                                          QStringLiteral("hh:mm AP"));
    }
    notice.body = body.join(u' ');
    const bool severe =
        warning.severity == QLatin1String("SEV") || warning.severity == QLatin1String("EXT");
    notice.urgency = severe ? platform::DesktopNotifications::Urgency::Critical
                            : platform::DesktopNotifications::Urgency::Normal;
    if (warning.page.isValid())
        notice.actions = {{kOpen, QStringLiteral("Open")}};
    return notice;
}

void WarningNotifier::update(const engine::WarningList& inForce, bool enabled)
{
    const engine::WarningList now = enabled ? inForce : engine::WarningList();
    QHash<QString, engine::Warning> shown;
    for (const engine::Warning& w : now) {
        const auto before = shown_.constFind(w.id);
        if (before == shown_.cend() || !sameNotice(*before, w))
            notices_.show(keyOf(w.id), noticeOf(w));
        shown.insert(w.id, w);
    }
    for (auto it = shown_.cbegin(); it != shown_.cend(); ++it) {
        if (!shown.contains(it.key()))
            notices_.close(keyOf(it.key()));
    }
    shown_ = std::move(shown);
}

} // namespace shell
