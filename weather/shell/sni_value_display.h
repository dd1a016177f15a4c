#pragma once

#include "platform/sni_watcher.h"
#include "weather/shell/value_icon.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QMenu;
class QSystemTrayIcon;

namespace shell {

// The value as a StatusNotifierItem: a tray icon whose picture is the value itself, its tooltip
// the stats tip, its context menu the popup menu, Activate bringing the main window back. With
// the second value on ("21.0 °C / 84 %") each value gets an item of its own, side by side in
// the host, so both stay legible at panel sizes.
//
// Qt chooses a tray icon's back end (StatusNotifierItem or XEmbed) once, when the icon is made,
// and stays with XEmbed if no host was up then. So the icon is only made while a host owns the
// watcher name, and made afresh whenever a host appears (a panel started after the monitor, or
// restarted): the new host then gets the item. When the host goes, lost() is emitted.
class SniValueDisplay : public QObject
{
    Q_OBJECT
public:
    explicit SniValueDisplay(platform::SniWatcher& watcher, QObject* parent = nullptr);
    ~SniValueDisplay() override;

    // The popup menu the host shows for the item (not owned).
    void setContextMenu(QMenu* menu);

    // Shows the value and the stats tip (its title line and text).
    void showValue(const ValueIconFace& face, const QString& tipTitle, const QString& tip);
    // Takes every item down.
    void close();
    // The host shows the item.
    bool shown() const;

    // The item of the first value; nullptr while none is up.
    QSystemTrayIcon* icon() const { return icons_.value(0); }

Q_SIGNALS:
    // The host went away and nothing shows: the program must bring its window back.
    void lost();
    // Activate: the main window comes back.
    void restoreRequested();

private:
    void hostChanged(bool running);
    void makeIcons();
    void dropIcons();
    void refresh();

    platform::SniWatcher& watcher_;
    QPointer<QMenu> menu_;
    QList<QSystemTrayIcon*> icons_;
    QList<ValueIconFace> faces_;
    QString tip_;
    bool open_ = false;
};

} // namespace shell
