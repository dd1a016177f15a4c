#pragma once

#include "platform/tray_host.h"
#include "weather/shell/frm_desk.h"
#include "weather/shell/tray_display.h"

#include <QObject>
#include <QPoint>

namespace engine {
class Monitor;
}

namespace shell {

// The monitor in the panel while the main window is hidden: the tray display or the desk banner,
// as the `banner` setting chooses, fed by the monitor's published texts. It brings the chosen
// display up at start-up and on the hide button, shows the main window again when the display
// asks for it, and takes everything down at shutdown. When neither a docked ticker nor a tray
// icon can show (no tray at all), the main window stays up, so the program stays reachable.
class PanelDisplays : public QObject
{
    Q_OBJECT
public:
    PanelDisplays(engine::Monitor& monitor, QWidget& mainWindow, platform::TrayHost& host,
                  QObject* parent = nullptr);
    ~PanelDisplays() override;

    TrayDisplay& tray() { return tray_; }
    frmDesk& banner() { return banner_; }

    // Start-up: the banner, or the tray display (docked ticker, else the standard icon).
    void startUp();
    // The hide button: hide the main window and bring the chosen display up.
    void hideMainWindow();
    // Takes the display down and shows the main window.
    void restoreMainWindow();
    // Gives the banner's strip back (the menu's Close does this before the program ends).
    void undoDesk();
    // Shutdown: the standard icon or the docked ticker goes, the locator is released, the
    // banner's strip is given back.
    void shutdown();

    // The tray display's cell count from the display choice (`setDisplayWidth`).
    void setDisplayWidth();
    // The banner's colours, text and arrow, then its drawing (`printBanner`).
    void printBanner();

    // The marks every panel display shows beside the value: Stale while the monitor has a
    // stale text.
    PanelMarks marks() const;

Q_SIGNALS:
    // The right click on the tray display or the banner's menu button: the popup menu opens.
    void popupMenuRequested(QPoint global);

private:
    // The banner is chosen and the session can reserve its strip.
    bool bannerChosen() const;
    void startTray();
    void startBanner();
    void applyTrayOptions();
    void setTrayContent();
    void published();
    void keepReachable();

    engine::Monitor& monitor_;
    QWidget& mainWindow_;
    TrayDisplay tray_;
    frmDesk banner_;
};

} // namespace shell
