#pragma once

#include "weather/app/frm_weather.h"
#include "weather/engine/monitor.h"
#include "weather/engine/warning.h"
#include "weather/net/error_log.h"
#include "weather/net/frm_about.h"
#include "weather/shell/cls_tooltip.h"
#include "weather/shell/panel_displays.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

namespace config {
class MailPasswordStore;
}
namespace platform {
class DesktopNotifications;
}
namespace net {
class MailOutbox;
}

class QTextStream;

namespace config {
class frmOptions;
}
namespace net {
class frmErrMsg;
class VersionCheck;
} // namespace net
namespace shell {
class AlarmNotifier;
class frmMenu;
class HotKey;
class WarningNotifier;
} // namespace shell

namespace app {

// The running monitor: the error log, the engine and the main window, started and shut down
// in their fixed order.
class WeatherApp : public QObject
{
    Q_OBJECT
public:
    // `appDir` is the program folder with its trailing "/".
    explicit WeatherApp(const QString& appDir, QObject* parent = nullptr);
    ~WeatherApp() override;

    // Start-up: settings loaded, the saved selection restored, the window brought up and the
    // first scan armed.
    void start();
    // A second copy was started: the main window comes up (from the tray or banner, or from
    // being minimised).
    void restore();

    net::ErrorLog& log() { return log_; }
    engine::Monitor& monitor() { return *monitor_; }
    // The main window, its controls made (as showing it makes them).
    frmWeather& window()
    {
        window_->makeControls();
        return *window_;
    }
    net::VersionCheck& versionCheck() { return *versionCheck_; }
    // The about window while it is open.
    net::frmAbout* aboutWindow() const { return about_; }
    void showAbout();
    void showErrorLog();
    // The tray display and the desk banner.
    shell::PanelDisplays& displays() { return *displays_; }
    // The popup menu, the global hotkey that pops it up, the tooltips.
    shell::frmMenu& menu() { return *menu_; }
    shell::HotKey& hotKey() { return *hotKey_; }
    shell::ToolTipHelp& toolTips() { return toolTips_; }
    // The options dialog, made when first opened; null before.
    config::frmOptions* options() const { return options_.get(); }
    void showOptions();

    // The popup menu's Close (and the end of the session): the main window closes, which ends
    // the run through shutdown().
    void quit();
    // The session ends (a signal, the session manager): as quit(), but without waiting for the
    // user on the way.
    void endSession();
    // The program is ending (the main window closed): tear down in order, then quit.
    void shutdown();

private:
    class OptionsWiring;

    // tmrMail fired: the alarm mail is composed from the shown stats and sent.
    void sendAlarmMail(bool endOfAlarm);
    // Hide and ×: the main window goes, the chosen panel display comes up (unless none can).
    void hideToPanel();
    void connectMenu();
    void connectTips();
    // The alarm's start and end, and the warnings, as desktop notifications.
    void connectNotifications();
    // The warnings in force now, for the desktop notifications (while the user wants them).
    void notifyWarnings();
    // A new region: the options dialog's alarm list, the menu's page and link entries.
    void regionLoaded();
    config::frmOptions& optionsDialog(); // made when first opened
    void showRegionInOptions();
    void setHelpTips(bool on);
    void setStatTips();
    void registerHotKey();
    // A settings write failed (read-only folder, full disk): logged each time, told once.
    void settingsNotSaved(const QString& path);

    QString appDir_;
    net::ErrorLog log_;
    std::unique_ptr<engine::Monitor> monitor_;
    std::unique_ptr<frmWeather> window_;
    QPointer<net::frmErrMsg> errorWindow_;
    QPointer<net::frmAbout> about_;
    std::unique_ptr<net::VersionCheck> versionCheck_;
    std::unique_ptr<platform::TrayHost> trayHost_;
    std::unique_ptr<shell::PanelDisplays> displays_;
    std::unique_ptr<shell::frmMenu> menu_;
    std::unique_ptr<shell::HotKey> hotKey_;
    shell::ToolTipHelp toolTips_;
    std::unique_ptr<OptionsWiring> optionsWiring_;
    std::unique_ptr<config::frmOptions> options_;
    std::unique_ptr<config::MailPasswordStore> mailPasswords_;
    std::unique_ptr<net::MailOutbox> outbox_;
    std::unique_ptr<platform::DesktopNotifications> notices_;
    std::unique_ptr<shell::AlarmNotifier> alarmNotifier_;
    std::unique_ptr<shell::WarningNotifier> warningNotifier_;
    QByteArray alarmMailId_; // the Message-ID of the last start-of-alarm mail
    bool shutDown_ = false;
    bool saveFailureShown_ = false;
    bool sessionEnding_ = false;
    // From start() to the end of the first scan (which restores the saved station and displays):
    // the start's settings come from one reading of the file.
    std::optional<config::SettingsFile::ReadOnce> startReading_;
};

// What `weather --print` prints: the screen-saver feed text, the one-line display text, one
// line of JSON in the shape of Waybar's custom module, or the town forecast.
enum class PrintMode
{
    Feed,
    Ticker,
    Json,
    Forecast,
    Warnings
};

// One scan without any window, for scripts and status bars: the program folder's saved
// selection is scanned once and the chosen text printed to `out`. On failure the error log's
// entries go to `err` and the result is 1; on success 0.
//
// Json prints {"text", "tooltip", "class", "alt"}: the display text, the stats tip (with the
// headlines of the warnings in force), "alarm" while the monitor would raise one (its alarm box
// was ticked at the last close and the saved condition holds), else "warning" while a warning is
// in force for the station, else "stale" while the observation is over 2 hours older than its
// product (the tip then says since when), else "ok", and the level ("cold",
// "mild", "hot", "nostation"; "neutral" when the station reports no temperature). A failed scan
// still prints its line, with class and alt "stale", the display text
// "--" and the error log as the tooltip, and the result is 0: the line reports the failure, and
// Waybar hides a module whose command ends with any other status.
//
// Forecast fetches the town forecast too (only this mode does) and prints one line per period
// still ahead (periodLine()); with no forecast for the town, or one issued more than 36 hours
// ago, the error log (with why) goes to `err` and the result is 1.
//
// Warnings prints one line per warning in force for the station (warningPrintText()), nothing
// when none is, with the result 0; when the scan or the list of warnings could not be read the
// error log goes to `err` and the result is 1. Only Json and Warnings read the warnings.
int runPrint(const QString& appDir, PrintMode mode, QTextStream& out, QTextStream& err);

// `weather --print=record [DAYS]`: the record of the saved station (without one saved, of the
// station recorded last) over the last `days` days as
// CSV (see ObservationRecord::csv()) on `out`, without a scan. 1, with the reason on `err`, when
// the record holds nothing of that station.
int runPrintRecord(const QString& appDir, int days, QTextStream& out, QTextStream& err);

} // namespace app
