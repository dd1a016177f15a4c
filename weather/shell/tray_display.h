#pragma once

#include "platform/sni_watcher.h"
#include "platform/tray_host.h"
#include "platform/work_area.h"
#include "weather/shell/frm_ticker.h"
#include "weather/shell/frm_xphide.h"
#include "weather/shell/sni_value_display.h"
#include "weather/shell/tray_locator.h"

#include <QColor>
#include <QFont>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class QMenu;
class QSystemTrayIcon;

namespace shell {

// Round to the nearest integer, halves to even.
int roundEven(double value);

// The ticker's size in a tall notification area (it pops up beside the panel instead):
// 1.1 x icon height x cells / 2 wide, half an icon high.
QSize tallTickerSize(int iconHeight, int cellCount);
// The docked ticker's top in the notification area: centred, half an icon high.
int dockedTickerTop(int areaHeight, int iconHeight);
// Where the hover ticker pops up beside a panel that keeps its strip (onTop), in pixels; nullopt
// (nothing is moved) without such a panel. `twipsPerPixel` converts the fixed offsets, which
// are in twips.
std::optional<QPoint> floatingTickerPos(const platform::DesktopState& desktop, QSize ticker,
                                        double twipsPerPixel);

// The ways the tray display shows the value.
enum class TrayWay
{
    DockedTicker, // the ticker laid into an XEmbed tray over blank icons
    SniValueIcon, // a StatusNotifierItem whose picture is the value
    StandardIcon  // the level icon, whose hover pops the ticker up (a tall XEmbed tray)
};

// What the choice of a way reads.
struct TrayFacts
{
    bool xembedTray = false; // a tray that docks foreign windows runs (X11 only)
    bool sniHost = false;    // a StatusNotifierItem host owns the watcher name
    bool preferSni = false;  // the user chose the value icon over the docked ticker
    bool tallArea = false;   // the XEmbed tray is too tall for a one-row layout
};

// The one place the way is chosen. An XEmbed tray gets the docked ticker (the standard icon when
// it is tall) unless the user prefers the value icon and a host for it runs; everywhere else
// the value icon, which waits for a host when none runs yet.
TrayWay chooseTrayWay(const TrayFacts& facts);

// The tray display's state (`TrayDisplayState`); the locator holds `placeLeft`/`placeRight`.
struct TrayDisplayState
{
    bool trayActive = false;   // a tray display is up
    bool tickerDocked = false; // the ticker is a child of the notification area
    bool autoTrayOn = false;   // the panel hides inactive icons (`EnableAutoTray`)
    int cellCount = 0;         // blank icons to dock
    int iconHeight = 32;       // the large icon size of the style
    int trayHeight = 0;        // the notification area's height at the last one-row layout
    int tickerWidth = 0;
    int tickerX = 0;
    int checkTicks = 0;
    int checkRounds = 0;
    int skipRounds = 0;
    bool slowChecks = false;
    bool tickerHidden = false; // docked, but hidden while the blank icons are not found
    bool hoverShown = false;   // the free ticker is up beside the panel
};

// The settings the tray display starts with.
struct TrayOptions
{
    bool useSysColor = false;
    bool useSysFont = false;
    QColor foreColor;
    QColor backColor;
    QFont displayFont;
    bool noXpHelp = false;
    bool themeActive = true; // a visual theme is always active on this platform
    bool preferSni = false;  // the value icon rather than the docked ticker on an XEmbed tray
};

// The tray display: the ticker docked into the notification area over a row of blank icons, or,
// when the area is too tall for one row (or no tray docks foreign icons), the standard tray
// icon with the level image whose hover pops the ticker up beside the panel for 5 seconds; where
// a StatusNotifierItem host runs instead (or the user prefers it), the value icon. The
// 500 ms check timer keeps the docked ticker over its icons, hides it while they cannot be found
// and re-lays out when the area's height changes; what a tray tells of its layout (icons docked,
// moved) is followed at once, so the ticker shows as soon as its icons are in place. A new tray (or
// the loss of the old one) starts the display over; when afterwards nothing shows, trayLost() asks
// for the main window.
//
// The tray is reached through platform::TrayHost, the desktop (panel edge and work area)
// through a replaceable source, so a test drives both.
class TrayDisplay : public QObject
{
    Q_OBJECT
public:
    explicit TrayDisplay(platform::TrayHost& host, QObject* parent = nullptr);
    ~TrayDisplay() override;

    const TrayDisplayState& state() const { return state_; }
    // The blank icons to dock, from the display's cell setting.
    void setCellCount(int cells) { state_.cellCount = cells; }
    frmTicker* ticker() const { return ticker_.get(); }
    QSystemTrayIcon* stdIcon() const { return stdIcon_; }
    SniValueDisplay& valueIcon() { return sni_; }
    TrayWay way() const { return way_; }
    frmXPhide* helpWindow() const { return help_; }
    // The standard icon (or the value icon standing in for it) is up and a tray shows it.
    bool stdIconShown() const;

    void setOptions(const TrayOptions& options) { options_ = options; }
    const TrayOptions& options() const { return options_; }
    // What the ticker prints and the standard icon's level image, kept for every paint.
    void setContent(const TickerContent& content, int levelIcon);
    const TickerContent& content() const { return content_; }
    // The stats tip (its title: the station and time) and whether an alarm holds, for the
    // value icon.
    void setValueFacts(const QString& tipTitle, const QString& tickerTip, bool alarm);
    // The display stays up while the main window is open (the value icon).
    bool staysWithWindow() const { return way_ == TrayWay::SniValueIcon && state_.trayActive; }
    // The popup menu the value icon's host shows (not owned).
    void setContextMenu(QMenu* menu) { sni_.setContextMenu(menu); }
    // Tests replace the desktop and the `EnableAutoTray` read (nullopt: unreadable).
    void setDesktopSource(std::function<platform::DesktopState()> source);
    void setAutoTraySource(std::function<std::optional<bool>()> source);

    void startTrayDisplay();
    void setStdTray();
    void notifyStdTray();
    void closeStdTray();
    void addTrayPlaceholders();
    void removeTrayPlaceholders();
    void positionDockedTicker();
    bool tickerMoved();
    void relayoutTray();
    void trayCheckTick();
    void showFloatingTicker();
    void placeFloatingTicker();
    void stopDockedTicker();
    void paintTicker();

    // The standard icon's mouse: hover (or a plain click), double-click, right click.
    void trayIconHovered();
    void trayIconDoubleClicked();
    void trayIconRightClicked(QPoint global);

    // The tray display is in use (from a hide until the main window returns).
    bool inUse() const { return inUse_; }
    void setInUse(bool on) { inUse_ = on; }
    // Shutdown: the standard icon or the docked ticker goes, the locator is released.
    void shutdown();

Q_SIGNALS:
    void popupMenuRequested(QPoint global); // the right click on the docked ticker or the icon
    void restoreRequested();                // show the main window
    void noDataShown();                     // the stats tooltip reads kNoDataTip
    void statTipsRequested();               // refresh the stats tooltip
    void noXpHelpChosen();                  // the hidden-icons help is not wanted again
    void trayLost();                        // the tray went and nothing shows the value
    void valueHidden(); // the panel hides the ticker's icons and no help window is up

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void makeTicker();
    void applyTickerLook();
    void sizeTallTicker();
    void zeroCounters();
    // The cells the text and arrow take at the docked icons' width (at most kMaxCells).
    int cellsForText() const;
    // Docks more blank icons when the text needs more cells than the count; true while some of
    // them are not docked yet: the ticker waits hidden until the tray tells (or the check finds)
    // them.
    bool growCells();
    // Starts the check timer unless it runs, with the fast checks first.
    void wakeCheck();
    // A tray area of `height` holds rows of icons (a vertical panel): no docked ticker there.
    bool tallTray(int height) const;
    void checkPass();
    // The tray told a change of its layout: with the icons found the check runs now.
    void trayLaidOut();
    // Follows a change of the area's height (a late area, a taller panel); false when the
    // ticker left the tray for the standard icon.
    bool followAreaHeight();
    void showHiddenIconsHelp();
    void tickerClicked();
    void trayChanged();
    void sniHostChanged(bool running);
    void showValueIcon();
    void watchStdIconHover();
    int readAreaHeight();

    TrayDisplayState state_;
    TrayLocator locator;
    QTimer tmrMsonIcon{this}; // 5000 ms, one shot: the hover ticker goes away
    platform::TrayHost& host_;
    platform::SniWatcher sniWatcher_;
    SniValueDisplay sni_;
    TrayWay way_ = TrayWay::DockedTicker;
    TrayOptions options_;
    TickerContent content_;
    int levelIcon_ = 0;
    QString tipTitle_;
    QString tickerTip_;
    bool alarm_ = false;
    std::unique_ptr<frmTicker> ticker_;
    QSystemTrayIcon* stdIcon_ = nullptr;
    QPointer<frmXPhide> help_;
    bool helpShown_ = false; // the hidden-icons help came up in this run
    std::function<platform::DesktopState()> desktop_;
    std::function<std::optional<bool>()> autoTray_;
    bool inUse_ = false;
    bool laidOutDue_ = false; // trayLaidOut() is queued
};

} // namespace shell
