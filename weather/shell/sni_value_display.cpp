#include "weather/shell/sni_value_display.h"

#include <QMenu>
#include <QSystemTrayIcon>

namespace shell {

SniValueDisplay::SniValueDisplay(platform::SniWatcher& watcher, QObject* parent)
    : TrayPresenter(parent), watcher_(watcher)
{
    connect(&watcher_, &platform::SniWatcher::hostChanged, this, &SniValueDisplay::hostChanged);
}

SniValueDisplay::~SniValueDisplay() = default;

void SniValueDisplay::setContextMenu(QMenu* menu)
{
    menu_ = menu;
    if (icon_)
        icon_->setContextMenu(menu);
}

void SniValueDisplay::showValue(const ValueIconFace& face, const QString& tipTitle,
                                const QString& tip)
{
    face_ = face;
    tip_ = tipTitle.isEmpty() ? tip : tipTitle + QLatin1Char('\n') + tip;
    open_ = true;
    if (!icon_ && watcher_.hostRunning())
        makeIcon();
    refresh();
}

void SniValueDisplay::close()
{
    open_ = false;
    delete icon_;
    icon_ = nullptr;
}

bool SniValueDisplay::shown() const
{
    return icon_ && icon_->isVisible() && watcher_.hostRunning();
}

void SniValueDisplay::makeIcon()
{
    icon_ = new QSystemTrayIcon(this);
    icon_->setObjectName(QStringLiteral("sniValueIcon"));
    if (menu_)
        icon_->setContextMenu(menu_);
    connect(icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                    Q_EMIT restoreRequested();
            });
}

void SniValueDisplay::refresh()
{
    if (!icon_)
        return;
    icon_->setIcon(valueIcon(face_));
    // The stats tip has CR LF line ends; hosts break lines at LF.
    icon_->setToolTip(QString(tip_).remove(QLatin1Char('\r')).trimmed());
    icon_->show();
}

void SniValueDisplay::hostChanged(bool running)
{
    if (!open_)
        return;
    // The old item belonged to the old host (or to none): a new host gets a new one.
    delete icon_;
    icon_ = nullptr;
    if (running) {
        makeIcon();
        refresh();
    } else {
        Q_EMIT lost();
    }
}

} // namespace shell
