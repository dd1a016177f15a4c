#include "weather/shell/sni_value_display.h"

#include <QMenu>
#include <QSystemTrayIcon>

namespace shell {

SniValueDisplay::SniValueDisplay(platform::SniWatcher& watcher, QObject* parent)
    : QObject(parent), watcher_(watcher)
{
    connect(&watcher_, &platform::SniWatcher::hostChanged, this, &SniValueDisplay::hostChanged);
}

SniValueDisplay::~SniValueDisplay() = default;

void SniValueDisplay::setContextMenu(QMenu* menu)
{
    menu_ = menu;
    for (QSystemTrayIcon* icon : std::as_const(icons_))
        icon->setContextMenu(menu);
}

void SniValueDisplay::showValue(const ValueIconFace& face, const QString& tipTitle,
                                const QString& tip)
{
    // One face per value; the trend arrow belongs to the first.
    faces_.clear();
    for (const QString& value : face.tickerText.split(QStringLiteral(" / "))) {
        ValueIconFace one = face;
        one.tickerText = value.trimmed();
        one.showTrend = face.showTrend && faces_.isEmpty();
        faces_.append(one);
    }
    // The station and time, then the stats (Qt hands the whole tip to the host as its title);
    // hosts break lines at LF.
    tip_ = QString(tipTitle + QLatin1Char('\n') + tip).remove(QLatin1Char('\r')).trimmed();
    open_ = true;
    if (watcher_.hostRunning() && icons_.size() != faces_.size())
        makeIcons();
    refresh();
}

void SniValueDisplay::close()
{
    open_ = false;
    dropIcons();
}

bool SniValueDisplay::shown() const
{
    return !icons_.isEmpty() && icons_.first()->isVisible() && watcher_.hostRunning();
}

void SniValueDisplay::dropIcons()
{
    qDeleteAll(icons_);
    icons_.clear();
}

void SniValueDisplay::makeIcons()
{
    dropIcons();
    for (qsizetype i = 0; i < faces_.size(); ++i) {
        auto* icon = new QSystemTrayIcon(this);
        icon->setObjectName(i == 0 ? QStringLiteral("sniValueIcon")
                                   : QStringLiteral("sniValueIcon%1").arg(i + 1));
        if (menu_)
            icon->setContextMenu(menu_);
        connect(icon, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger ||
                        reason == QSystemTrayIcon::DoubleClick)
                        Q_EMIT restoreRequested();
                });
        icons_.append(icon);
    }
}

void SniValueDisplay::refresh()
{
    for (qsizetype i = 0; i < icons_.size() && i < faces_.size(); ++i) {
        icons_[i]->setIcon(valueIcon(faces_[i]));
        icons_[i]->setToolTip(tip_);
        icons_[i]->show();
    }
}

void SniValueDisplay::hostChanged(bool running)
{
    if (!open_)
        return;
    // The old items belonged to the old host (or to none): a new host gets new ones.
    dropIcons();
    if (running) {
        makeIcons();
        refresh();
    } else {
        Q_EMIT lost();
    }
}

} // namespace shell
