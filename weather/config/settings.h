#pragma once

#include "common/proxy_password.h"
#include "common/proxy_settings.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QString>

#include <optional>

namespace config {

// How a settings value is read.
enum class SettingKind
{
    FlagIsOne,    // true only for the number 1
    FlagNonZero,  // true for any number other than 0
    FlagPositive, // true for numbers above 0
    Integer,      // whole number, rounded half to even
    Number,       // decimal number (font size)
    Text,         // as stored
    TrimmedText,  // blanks around it removed
};

// One key of wsetting.ini: its section, kind, the value a missing or empty key reads as, and
// for `interval` the range outside which the default applies.
struct SettingDef
{
    QString section;
    QString key;
    SettingKind kind;
    QString defaultValue;
    std::optional<std::pair<int, int>> range;
};

// Every key of the settings file.
const QList<SettingDef>& settingDefs();
const SettingDef* findSetting(const QString& key);

// Typed access to wsetting.ini through the table above. Every call reads or writes the file at
// that moment, so several windows can share it; only while a ReadOnce lives are the reads
// answered from one reading of the file.
class SettingsFile
{
public:
    explicit SettingsFile(QString path) : path_(std::move(path)) {}
    const QString& path() const { return path_; }

    // For a run of reads that belong together (a start's): while it lives, every read of the
    // file, through any SettingsFile of its path, comes from one reading of it, taken at the
    // first read; a write through a SettingsFile drops that reading, so the next read sees the
    // write. May be nested; for the thread that reads the settings.
    class ReadOnce
    {
    public:
        explicit ReadOnce(const SettingsFile& file);
        ~ReadOnce();
        ReadOnce(const ReadOnce&) = delete;
        ReadOnce& operator=(const ReadOnce&) = delete;

    private:
        bool outer_ = false;
    };

    QString raw(const QString& key) const; // as stored, "" when missing
    bool flag(const QString& key) const;
    int integer(const QString& key) const;
    double number(const QString& key) const;
    QString text(const QString& key) const;

    bool write(const QString& key, const QString& value) const;
    bool writeFlag(const QString& key, bool on) const;
    bool writeInteger(const QString& key, int value) const;

private:
    const SettingDef& def(const QString& key) const;
    QString path_;
};

using common::ProxySettings;

// The alarm's wind condition: alert_wind, the entry of the options dialog's wind list.
enum class AlarmWind
{
    None = 0, // any wind: no wind condition
    North = 1,
    South = 2,
    East = 3,
    West = 4,
    Calm = 5
};

// The user's alarm (the alert_* keys, read by readAlarmChoices): what the options dialog sets
// and the alarm evaluation tests.
struct AlarmSettings
{
    bool armed = false;               // alert_toggle 1 or 2: the value condition is in use
    bool above = false;               // alert_toggle 2: above the set point; otherwise below
    int type = 0;                     // alert_type: the entry of the region's alarm-value list
    int column = 0;                   // that entry's 0-based stat column, from the region's list
    double setPoint = 0;              // alert_compare, a number at four decimal places
    AlarmWind wind = AlarmWind::None; // alert_wind
    bool playSound = false;           // alert_play_sound
    bool sendAlarmMail = false;       // alert_send_mail: a mail when an alarm starts
    bool sendEndMail = false;         // alert_send_end_mail: another when it ends

    bool operator==(const AlarmSettings&) const = default;
};

// The main program's in-memory copy of its settings, filled by loadSettings().
struct AppSettings
{
    bool noXpHelp = false;
    bool showTrend = false;
    bool traySni = false; // the value icon rather than the docked ticker on an XEmbed tray
    int recordYears = 3;  // record_years: how long the record keeps readings; 0 for ever
    QFont displayFont;
    QColor foreColor; // text and background of banner and ticker; unset: the main window's
    QColor backColor;
    bool useSysColor = true;
    bool useSysFont = false;
    QString stationName;
    int interval = 30;
    bool autoUpdate = false;
    QString checkDate;
    QString forecastTown; // fc_town: the town forecast's `aac`; empty: the station's town
    bool secondValue = false;
    int iconLow = 10;  // icon_set_1, °C: below it the cold icon
    int iconHigh = 30; // icon_set_2, °C: above it the hot icon
    bool banner = false;
    bool bannerBottom = false;
    bool toolTips = false;
    int hotKeyModifier = 0;
    int hotKeyMain = 0;
    QString hotKeyText;
    bool hotKeyOnStart = false;
    AlarmSettings alarm;
    bool alarmChecked = false; // alert_check: the alarm check box was ticked at the last close
    QString mailServer;
    QString mailPort;
    QString mailSender;
    QString mailRecipient;
    int mailSecurity = 0; // net::MailSecurity: 0 plain, 1 STARTTLS, 2 TLS
    QString mailUser;
    QString mailPassword;       // read from its store (MailPasswordStore) after the start
    bool notifyWarnings = true; // the warnings in force as desktop notifications
    bool notifyAlarm = true;    // the alarm's start and end as desktop notifications
    ProxySettings proxy;
};

// The steps of the start-up load that act on the main window and the other subsystems. The
// main program implements them; loadSettings() calls them in the load order, interleaved with
// the reads they depend on.
class SettingsTarget
{
public:
    virtual ~SettingsTarget() = default;
    virtual void loadRegionList() = 0;
    virtual void selectRegion(int index) = 0;
    virtual void selectStation(int index) = 0;
    virtual void selectForecast(int index) = 0;
    virtual void selectDisplays(int display, int display2) = 0;
    virtual void showSecondValue(bool on) = 0;
    virtual void setHelpTips(bool on) = 0;
    virtual void setUpStatTips() = 0;
    virtual void registerHotKey() = 0;
    virtual void applyAlarmType(int alarmListIndex) = 0;
    virtual void startScanTimer(int minutes) = 0;
};

// Windows RGB colour numbers (red + 256 green + 65536 blue) both ways.
QColor colorFromNumber(int number);
int numberFromColor(const QColor& color);

// The text kept in `check_date` for a day, and today's.
QString dateText(const QDate& date);
QString todayText();

// The alarm choices (the alert_* keys and notify_alarm): read at start-up and again at every
// region change. The alarm's column is left as it is: it comes from the region's list.
void readAlarmChoices(const SettingsFile& file, AppSettings& settings);

// The start-up load: fills `settings` from `file` and drives `target`, in the load order.
void loadSettings(const SettingsFile& file, AppSettings& settings, SettingsTarget& target);

// The selection the main window saves at close; -1 for a list without a selection.
struct Selection
{
    int state = -1;
    int station = -1;
    QString stationName;
    int forecast = -1;
    int display = -1;
    int display2 = -1;
    bool secondValue = false;
    QString checkDate;         // empty: today's date is written
    bool alarmChecked = false; // the alarm check box is ticked
};

// Writes the selection keys in their fixed order.
void saveSelection(const SettingsFile& file, const Selection& selection);

// The stored proxy password (`auth_2`), scrambled with the user name (proxy_password.h).
using common::scramblePassword;
using common::unscramblePassword;

} // namespace config
