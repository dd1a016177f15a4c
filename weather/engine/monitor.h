#pragma once

#include "weather/config/layout_file.h"
#include "weather/config/settings.h"
#include "weather/engine/alarm.h"
#include "weather/engine/forecast_watch.h"
#include "weather/engine/observation_parser.h"
#include "weather/engine/publishing.h"
#include "weather/engine/stat_table.h"
#include "weather/engine/warning_watch.h"
#include "weather/net/frm_inet.h"

#include <QObject>
#include <QStringList>
#include <QTime>
#include <QTimer>

#include <memory>

namespace net {
class ErrorLog;
}

namespace engine {

class ObservationRecord;

// A list the main window shows: its entries and the selected position (-1: none).
struct ListModel
{
    QStringList entries;
    QList<int> columns; // item data: the 0-based column of each entry (stat lists only)
    int selected = -1;
    bool enabled = true;

    QString currentText() const { return entries.value(selected); }
    int currentColumn() const { return columns.value(selected, -1); }
    // Selects `index` when it names an entry (true), clears the selection for -1; any other
    // index leaves the selection as it was.
    bool select(int index);
};

// Selects `index`; when it names no entry (none saved, -1, or a saved position beyond a list
// that a layout update shortened) the first entry, if any.
void selectOrFirst(ListModel& list, int index);

// What the last display pass published, for the panel displays, the stats tips, the screen
// saver and `weather --print`.
struct PublishedTexts
{
    QString tickerText;
    QString tickerTip;
    QString feedText;
    QString screenText; // what `txtScr` holds for the screen saver
    QString bannerText;
    QString bannerTip;
    QString historyUrl;
    QString stationKey; // the shown station's name in the record (stationKeyOf())
    // The shown station's highest and lowest temperature of its day so far, from the record:
    // "Today: high 24.1 °C at 2:30 PM, low 12.3 °C at 6:00 AM"; empty without a record or
    // readings of that day.
    QString todayText;
    bool graphEnabled = false;
    // While the values on show are older than the last scan (it failed, or its page lacked the
    // station): "Last good scan hh:mm AM/PM; N scans since failed: <reason>"; else, while the
    // shown observation is over 2 hours older than its product, "Old observation: not updated
    // since <obsTime>"; else empty.
    QString staleText;
    // What the status label says after a failed scan: the first line of what it logged, or
    // "No response on last scan".
    QString scanError;
};

// The monitor without its windows: the selected region's layout, the selection lists, the scan
// cycle with its timers and busy flags, the parser's row table and stat table, the alarm state
// and the published texts. The main window presents it and forwards the user's actions; a
// headless run (`weather --print`) drives it without any window.
//
// It is the target of the start-up settings load: loadSettings() restores the saved selection
// through the SettingsTarget steps below.
class Monitor : public QObject, public config::SettingsTarget
{
    Q_OBJECT
public:
    // `width` measures header and label widths in twips for the tooltip and feed leaders.
    Monitor(QString layoutPath, QString settingsPath, net::ErrorLog& log, TextWidth width,
            QObject* parent = nullptr);
    ~Monitor() override;

    // Start-up: "Busy....." as the display text, the settings load (which selects the saved
    // region and starts the scan timer).
    void loadSettings();
    // Keeps the record at `path` (observations.sqlite in the program folder): every scan that
    // shows the station's row stores it there, and the retention setting is applied to it.
    void openRecord(const QString& path);
    // The record; null when none was opened.
    ObservationRecord* record() const { return record_.get(); }

    // Arms the first scan (0.6 s later). The trigger the saved region armed while the settings
    // loaded keeps running: enabling it again does not put the scan off.
    void armFirstScan()
    {
        if (!tmrTripLookup_.isActive())
            tmrTripLookup_.start();
    }
    // Shutdown: fetches give up, timers stop, the selection is saved.
    void shutdown();
    // Writes the region, station, forecast and display choices to the settings file.
    void saveSelection() const;

    // The user's actions.
    void selectRegion(int index) override; // the region change
    void pickStation(int index);
    void pickDisplay(int index);
    void pickSecondDisplay(int index);
    void setSecondValue(bool on);
    void refresh(); // cmdRefresh / mnuUpdate
    void alarmCheckClicked(bool ticked);
    void alarmWindowOpened();
    void alarmWindowClosed();
    void selectForecast(int index) override;
    void selectRadar(int index);
    // The options' town for the forecast (fc_town, written there); empty: the station's town.
    void chooseForecastTown(const QString& aac);

    // The scan cycle's steps, public so a test or a headless run can drive them.
    void scanTimerTick(); // the scan timer's callback: skips the tick while a fetch runs
    void tmrScan();
    void tripLookupTick();
    void scanOnce();
    void showStats();
    // Composes the published texts again from the shown stats, without a new pass, so that a
    // display chosen since the last pass (the banner instead of the tray) shows them at once.
    void republish();
    void startScanTimer(int minutes) override;
    // The options chose another scan period: the timer starts afresh with it.
    void restartScanTimer(int minutes);
    // Stops the scan timer and any armed trigger: nothing scans until refresh(), a region
    // change or startScanTimer(). A headless run, which scans once with tripLookupTick(), uses
    // it.
    void holdScans();
    // Scans also fetch the town forecast when it is due and read the state's warnings (both on
    // at first); a headless run switches off what it does not print.
    void setExtraFetches(bool forecasts, bool warnings);

    // Reads.
    const config::AppSettings& settings() const { return settings_; }
    // The settings the options dialog and its mail window edit in place (they write the
    // settings file themselves), and the version check's date of its last check; nothing else
    // changes them but the calls below.
    config::AppSettings& settingsForEditing() { return settings_; }
    // The mail password, read from the keyring after the settings load.
    void setMailPassword(const QString& password) { settings_.mailPassword = password; }
    // The user asked the tray display's help about a hidden ticker not to show again.
    void chooseNoXpHelp();
    const config::SettingsFile& settingsFile() const { return settingsFile_; }
    const QString& layoutPath() const { return layoutPath_; }
    const config::RegionList& regionList() const { return regionList_; }
    int regionIndex() const { return regionIndex_; }
    const config::StateLayout& layout() const { return layout_; }
    const StatTable& stats() const { return stats_; }
    const RowTable& rows() const { return rows_; }
    // The alarm as loaded, and as the options dialog sets it through settings().
    const AlarmSettings& alarmSettings() const { return settings_.alarm; }
    const AlarmState& alarmState() const { return alarmState_; }
    const AlarmFindings& alarmFindings() const { return findings_; }
    net::FetchState& fetchState() { return fetch_; }
    net::ErrorLog& log() { return log_; }
    net::frmInet& inet() { return inet_; }
    bool scanBusy() const { return scanBusy_; }
    // The last scan's product did not arrive (texts().scanError says why).
    bool scanFailed() const { return scanFailed_; }
    bool stationChosen() const { return stationChosen_; }
    // The last display pass found the station's row and published its stats.
    bool lastPassShown() const { return lastPassShown_; }
    const QString& lastScanUrl() const { return lastScanUrl_; }
    const ForecastWatch& forecast() const { return forecast_; }
    const WarningWatch& warningWatch() const { return warnings_; }
    // The warnings in force for the shown station, as of the last scan (newest first).
    const WarningList& warnings() const { return inForce_; }
    // The main window's "Warnings" text (warningsSummary()); empty for a region without them.
    QString warningsText() const;
    // The full product of warning `id`, fetched now (a user opened it); nullopt: logged.
    std::optional<WarningProduct> warningProduct(const QString& id)
    {
        return warnings_.fetchProduct(id);
    }

    const ListModel& stations() const { return stations_; }   // cmbCurrStation
    const ListModel& displays() const { return displays_; }   // cmbDisplay
    const ListModel& displays2() const { return displays2_; } // cmbExtDisplay
    // The options dialog's cmbTempAlertType (and the graph's stat list).
    const ListModel& alarmTypes() const { return alarmTypes_; }
    const ListModel& forecasts() const { return forecasts_; } // lstForecast
    const ListModel& radars() const { return radars_; }       // lstRadar
    bool secondValue() const { return secondValue_; }         // chkShowExt
    const PublishedTexts& texts() const { return texts_; }
    // The tray display shows no data: its stats tip reads `tip` until the next pass.
    void showNoDataTip(const QString& tip) { texts_.tickerTip = tip; }

    // The scan cycle's timers, for a look at whether they run.
    const QTimer& scanTimer() const { return scanTimer_; }
    const QTimer& tmrTripLookup() const { return tmrTripLookup_; }
    const QTimer& tmrAlert() const { return tmrAlert_; }
    const QTimer& tmrMail() const { return tmrMail_; }

    // The fixed export of the shown station's stats (clipboard).
    QString clipboardText(int year) const;
    // The page addresses the forecast, radar and map buttons open; empty: nothing to open.
    QString forecastUrl() const;
    QString radarUrl() const;

Q_SIGNALS:
    void regionLoaded(); // the display, alarm and page lists follow a new region
    void stationListChanged();
    void scanningChanged(bool scanning); // lblScanNow
    void scanFailedChanged(bool failed); // lblScanErr
    void scanStarted();                  // lblIsConnect hides
    void refreshEnabledChanged(bool enabled);
    void regionListEnabledChanged(bool enabled);
    void published();                    // the stat table and the texts changed
    void alarmCheckChanged(bool ticked); // chkAlarm was set by the program
    void showAlarmWindow();
    void closeAlarmWindow();
    // An alarm began (its first window) or ended (its conditions no longer hold in a scan, or
    // alarms were turned off); an alarm's window shown again changes nothing.
    void alarmingChanged(bool alarming);
    void mailDue(bool endOfAlarm); // tmrMail fired: compose and send one mail
    void versionCheckDue();        // the daily check replaces this tick's scan
    void helpTipsRequested(bool on);
    void statTipsRequested();
    void hotKeyRequested();
    void displayChoiceChanged(); // a display list or the second-value box changed
    void pageChoiceChanged();    // the forecast selection changed
    void staleChanged(const QString& staleText);
    void forecastChanged(); // the town, the forecast or its age may show differently
    // The warnings in force, or how they read (their age, the list failing), changed.
    void warningsChanged(const QList<engine::Warning>& inForce);

private:
    void loadRegionList() override;
    void selectStation(int index) override;
    void selectDisplays(int display, int display2) override;
    void showSecondValue(bool on) override;
    void setHelpTips(bool on) override;
    void setUpStatTips() override;
    void registerHotKey() override;
    void applyAlarmType(int alarmListIndex) override;

    void reapplyAlarmChoices();
    void publish();
    void applyDecision(const AlarmDecision& decision);
    void setAlarming(bool alarming);
    // The station list from the rows, rebuilt by a scan whenever the rows' stations differ from
    // it. Without `keepChosen` (after a region change, or while no station is chosen) the saved
    // station is restored; with it the chosen one stays chosen, listed after the others while
    // the rows lack it.
    void buildStationList(bool keepChosen);
    void restoreStationSelection();
    QStringList stationNames() const; // of the rows, in row order
    void restoreDisplays();
    void noteScan(bool fresh, const QString& reason);
    void showStale(); // staleText from the scans and the shown observation
    void recordShownRow();
    // The forecast follows the shown station (its default town); fetched when due.
    void followForecast(bool fetchWhenDue);
    // The warnings follow the shown station's district; read when the scan is due for them.
    void followWarnings(bool fetchWhenDue);
    QString shownDistrict() const;

    QString layoutPath_;
    config::SettingsFile settingsFile_;
    net::ErrorLog& log_;
    TextWidth width_;
    config::AppSettings settings_;
    config::RegionList regionList_;
    int regionIndex_ = -1;
    config::StateLayout layout_;
    TransLabels labels_;
    RowTable rows_ = emptyRowTable();
    StatTable stats_;
    AlarmState alarmState_;
    AlarmFindings findings_;
    bool alarming_ = false;
    net::FetchState fetch_;
    net::frmInet inet_;
    ForecastWatch forecast_;
    WarningWatch warnings_;
    WarningList inForce_;
    QString warningsShown_; // the summary the last warningsChanged() went out with
    ListModel stations_;
    ListModel displays_;
    ListModel displays2_;
    ListModel alarmTypes_;
    ListModel forecasts_;
    ListModel radars_;
    bool secondValue_ = false;
    bool fetchForecasts_ = true;
    bool fetchWarnings_ = true;
    PublishedTexts texts_;
    QTimer scanTimer_;
    QTimer tmrTripLookup_;
    QTimer tmrAlert_;
    QTimer tmrMail_;
    bool scanBusy_ = false;
    bool scanFailed_ = false;
    bool stationChosen_ = false;
    bool lastPassShown_ = false;
    QString noProductReason_; // why the last scan brought no product, none kept before it
    QString lastScanUrl_;
    QTime lastGoodScan_; // invalid before the first good scan
    int scansSinceGood_ = 0;
    QString scanStaleText_;      // the scans' part of staleText
    QTime rowsScanned_;          // when the last scan brought the rows; invalid: it brought none
    int shownRow_ = -1;          // the row the last display pass showed
    QStringList cachedStations_; // the station list last kept for the installer
    std::unique_ptr<ObservationRecord> record_;
};

} // namespace engine
