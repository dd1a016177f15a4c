#include "weather/config/settings.h"

#include "common/deployment.h"
#include "common/ini_file.h"
#include "common/number.h"

#include <QDate>
#include <QGuiApplication>
#include <QPalette>

#include <algorithm>

namespace config {
namespace {

const QString kSaved = QStringLiteral("SavedSetting");
const QString kHotKeys = QStringLiteral("HotKeys");

SettingDef saved(const char* key, SettingKind kind, const char* defaultValue = "")
{
    return {kSaved, QLatin1String(key), kind, QLatin1String(defaultValue), std::nullopt};
}

SettingDef hotKey(const char* key, SettingKind kind)
{
    return {kHotKeys, QLatin1String(key), kind, QString(), std::nullopt};
}

QList<SettingDef> buildTable()
{
    using K = SettingKind;
    QList<SettingDef> table = {
        saved("state", K::Integer, "0"),
        saved("station", K::Integer, "-1"),
        saved("station_name", K::Text),
        saved("display", K::Integer, "-1"),
        saved("display_2", K::Integer, "-1"),
        saved("display_2_toggle", K::FlagNonZero),
        saved("forecast", K::Integer, "0"),
        saved("fc_town", K::TrimmedText),
        saved("check_date", K::Text),
        saved("interval", K::Integer, "30"),
        saved("auto_update", K::FlagIsOne),
        saved("tool_tips", K::FlagIsOne),
        saved("trend_arrow", K::FlagPositive),
        saved("icon_set_1", K::Integer, "10"),
        saved("icon_set_2", K::Integer, "30"),
        saved("banner", K::FlagNonZero),
        saved("banner_pos", K::FlagNonZero),
        saved("fore_color", K::Integer),
        saved("back_color", K::Integer),
        // The panel displays follow the desktop's palette unless the user chose colours.
        saved("use_sys_color", K::FlagIsOne, "1"),
        saved("use_sys_font", K::FlagIsOne),
        saved("font_na", K::Text),
        saved("font_si", K::Number),
        saved("font_bd", K::FlagIsOne),
        saved("font_it", K::FlagIsOne),
        saved("font_ul", K::FlagIsOne),
        saved("font_st", K::FlagIsOne),
        saved("no_xp_help", K::FlagIsOne),
        saved("close_note", K::FlagIsOne),
        saved("tray_sni", K::FlagIsOne),
        saved("record_years", K::Integer, "3"),
        saved("alert_toggle", K::Integer, "0"),
        saved("alert_check", K::FlagIsOne),
        saved("alert_type", K::Integer, "0"),
        saved("alert_value", K::Integer, "0"),
        saved("alert_compare", K::Text),
        saved("alert_wind", K::Integer, "0"),
        saved("alert_play_sound", K::FlagNonZero),
        saved("alert_send_mail", K::FlagNonZero),
        saved("alert_send_end_mail", K::FlagNonZero),
        saved("notify_warnings", K::FlagNonZero, "1"),
        saved("notify_alarm", K::FlagNonZero, "1"),
        saved("mail_server", K::TrimmedText),
        saved("mail_port", K::TrimmedText),
        saved("mail_send", K::TrimmedText),
        saved("mail_recip", K::TrimmedText),
        saved("mail_security", K::Integer, "0"),
        saved("mail_user", K::TrimmedText),
        saved("mail_pass", K::Text),
        saved("mail_keyring", K::FlagIsOne),
        saved("proxy_on", K::FlagNonZero),
        saved("proxy_server", K::TrimmedText),
        saved("proxy_port", K::TrimmedText),
        saved("auth_on", K::FlagNonZero),
        saved("auth_1", K::TrimmedText),
        saved("auth_2", K::Text),
        saved("strip_www", K::FlagNonZero),
        saved("start_icon", K::FlagNonZero),
        saved("desk_icon", K::FlagNonZero),
        hotKey("key", K::Integer),
        hotKey("key_plus", K::Integer),
        hotKey("key_string", K::Text),
        hotKey("key_toggle", K::FlagNonZero),
    };
    for (SettingDef& def : table) {
        if (def.key == QLatin1String("interval"))
            def.range = std::pair{10, 240};
        if (def.key == QLatin1String("mail_security"))
            def.range = std::pair{0, 2};
    }
    return table;
}

} // namespace

const QList<SettingDef>& settingDefs()
{
    static const QList<SettingDef> table = buildTable();
    return table;
}

const SettingDef* findSetting(const QString& key)
{
    for (const SettingDef& def : settingDefs()) {
        if (def.key.compare(key, Qt::CaseInsensitive) == 0)
            return &def;
    }
    return nullptr;
}

const SettingDef& SettingsFile::def(const QString& key) const
{
    const SettingDef* found = findSetting(key);
    Q_ASSERT_X(found, "SettingsFile", "unknown settings key");
    static const SettingDef unknown{kSaved, QString(), SettingKind::Text, QString(), std::nullopt};
    return found ? *found : unknown;
}

namespace {

// The reading a ReadOnce holds: its file's path (empty while none lives) and the parsed file
// (null until the first read, and again after a write).
struct HeldReading
{
    QString path;
    std::optional<common::IniDocument> document;
};

HeldReading& heldReading()
{
    static HeldReading held;
    return held;
}

} // namespace

SettingsFile::ReadOnce::ReadOnce(const SettingsFile& file)
{
    HeldReading& held = heldReading();
    if (!held.path.isEmpty())
        return; // the outer one holds the reading (the reads of any other file go to it)
    outer_ = true;
    held.path = file.path();
}

SettingsFile::ReadOnce::~ReadOnce()
{
    if (outer_)
        heldReading() = HeldReading();
}

QString SettingsFile::raw(const QString& key) const
{
    HeldReading& held = heldReading();
    if (held.path != path_)
        return common::readIni(def(key).section, key, path_);
    if (!held.document)
        held.document = common::IniDocument::load(path_);
    return held.document->value(def(key).section, key);
}

bool SettingsFile::flag(const QString& key) const
{
    const SettingDef& d = def(key);
    // A flag never written takes its default: new settings get it, stored choices stay.
    const QString stored = raw(key);
    const double value = common::readNumber(stored.isEmpty() ? d.defaultValue : stored);
    switch (d.kind) {
    case SettingKind::FlagIsOne:
        return value == 1;
    case SettingKind::FlagPositive:
        return value > 0;
    default:
        return value != 0;
    }
}

int SettingsFile::integer(const QString& key) const
{
    const SettingDef& d = def(key);
    const QString stored = raw(key);
    const int fallback = common::readInteger(d.defaultValue);
    if (stored.isEmpty())
        return fallback;
    const int value = common::readInteger(stored);
    if (d.range && (value < d.range->first || value > d.range->second))
        return fallback;
    return value;
}

double SettingsFile::number(const QString& key) const
{
    return common::readNumber(raw(key));
}

QString SettingsFile::text(const QString& key) const
{
    const SettingDef& d = def(key);
    const QString stored = raw(key);
    return d.kind == SettingKind::TrimmedText ? stored.trimmed() : stored;
}

bool SettingsFile::write(const QString& key, const QString& value) const
{
    const bool written = common::writeIni(def(key).section, key, value, path_);
    if (HeldReading& held = heldReading(); held.path == path_)
        held.document.reset();
    return written;
}

bool SettingsFile::writeFlag(const QString& key, bool on) const
{
    return write(key, on ? QStringLiteral("1") : QStringLiteral("0"));
}

bool SettingsFile::writeInteger(const QString& key, int value) const
{
    return write(key, QString::number(value));
}

QColor colorFromNumber(int number)
{
    return QColor(number & 0xFF, (number >> 8) & 0xFF, (number >> 16) & 0xFF);
}

int numberFromColor(const QColor& color)
{
    return color.red() + 256 * color.green() + 65536 * color.blue();
}

QString dateText(const QDate& date)
{
    return date.toString(Qt::ISODate);
}

QString todayText()
{
    return dateText(QDate::currentDate());
}

void readAlarmChoices(const SettingsFile& file, AppSettings& s)
{
    AlarmSettings& alarm = s.alarm;
    const int alarmMode = file.integer("alert_toggle");
    alarm.armed = alarmMode == 1 || alarmMode == 2;
    alarm.above = alarmMode == 2;
    alarm.type = file.integer("alert_type");
    alarm.playSound = file.flag("alert_play_sound");
    alarm.wind = static_cast<AlarmWind>(file.integer("alert_wind"));
    alarm.setPoint = common::roundToCurrency(common::readNumber(file.text("alert_compare")));
    alarm.sendAlarmMail = file.flag("alert_send_mail");
    alarm.sendEndMail = file.flag("alert_send_end_mail");
    s.notifyAlarm = file.flag("notify_alarm");
}

void loadSettings(const SettingsFile& file, AppSettings& s, SettingsTarget& target)
{
    const SettingsFile::ReadOnce once(file);

    s.noXpHelp = file.flag("no_xp_help");
    s.showTrend = file.flag("trend_arrow");
    s.traySni = file.flag("tray_sni");
    s.notifyWarnings = file.flag("notify_warnings");
    s.recordYears = std::max(file.integer("record_years"), 0);

    // The display font keeps its default for every property whose stored value is missing.
    QFont font;
    if (!file.raw("font_bd").isEmpty())
        font.setBold(file.flag("font_bd"));
    if (!file.raw("font_it").isEmpty())
        font.setItalic(file.flag("font_it"));
    if (const QString name = file.text("font_na"); !name.isEmpty())
        font.setFamily(name);
    if (const double size = file.number("font_si"); size > 0)
        font.setPointSizeF(size);
    if (!file.raw("font_st").isEmpty())
        font.setStrikeOut(file.flag("font_st"));
    if (!file.raw("font_ul").isEmpty())
        font.setUnderline(file.flag("font_ul"));
    s.displayFont = font;

    // An empty colour takes the main window's own (Qt's default without a window system: a
    // one-shot `--print` runs without one).
    const QPalette palette = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                 ? QGuiApplication::palette()
                                 : QPalette();
    s.foreColor = file.raw("fore_color").isEmpty() ? palette.color(QPalette::WindowText)
                                                   : colorFromNumber(file.integer("fore_color"));
    s.backColor = file.raw("back_color").isEmpty() ? palette.color(QPalette::Window)
                                                   : colorFromNumber(file.integer("back_color"));
    s.useSysColor = file.flag("use_sys_color");
    s.useSysFont = file.flag("use_sys_font");

    target.loadRegionList();
    target.selectRegion(file.integer("state"));

    target.selectStation(file.integer("station"));
    s.stationName = file.text("station_name");

    s.interval = file.integer("interval");
    // Without an update server (a build for a package) the daily check never takes a scan's tick.
    s.autoUpdate = file.flag("auto_update") && common::updatesFromServer();
    s.checkDate = file.text("check_date");
    if (s.checkDate.isEmpty())
        s.checkDate = todayText();

    target.selectForecast(file.integer("forecast"));
    s.forecastTown = file.text("fc_town");
    target.selectDisplays(file.integer("display"), file.integer("display_2"));
    s.secondValue = file.flag("display_2_toggle");
    target.showSecondValue(s.secondValue);

    s.iconLow = file.integer("icon_set_1");
    s.iconHigh = file.integer("icon_set_2");
    s.banner = file.flag("banner");
    s.bannerBottom = file.flag("banner_pos");

    s.toolTips = file.flag("tool_tips");
    target.setHelpTips(s.toolTips);
    target.setUpStatTips();

    s.hotKeyModifier = file.integer("key");
    s.hotKeyMain = file.integer("key_plus");
    s.hotKeyText = file.text("key_string");
    s.hotKeyOnStart = file.flag("key_toggle");
    if (s.hotKeyOnStart)
        target.registerHotKey();

    readAlarmChoices(file, s);
    s.alarmChecked = file.flag("alert_check");
    target.applyAlarmType(s.alarm.type);

    s.mailServer = file.text("mail_server");
    s.mailPort = file.text("mail_port");
    s.mailSender = file.text("mail_send");
    s.mailRecipient = file.text("mail_recip");
    s.mailSecurity = file.integer("mail_security");
    s.mailUser = file.text("mail_user");

    ProxySettings& proxy = s.proxy;
    proxy.useProxy = file.flag("proxy_on");
    if (proxy.useProxy) {
        proxy.server = file.text("proxy_server");
        proxy.port = file.text("proxy_port");
        proxy.auth = file.flag("auth_on");
        if (proxy.auth) {
            proxy.user = file.text("auth_1");
            proxy.password = unscramblePassword(file.text("auth_2"), proxy.user);
        }
    }
    // Only ever switches the flag on: the setting is made by hand.
    if (file.flag("strip_www"))
        proxy.stripWww = true;

    target.startScanTimer(s.interval);
}

void saveSelection(const SettingsFile& file, const Selection& selection)
{
    file.writeInteger("state", selection.state);
    file.writeInteger("station", selection.station);
    file.write("station_name", selection.stationName);
    file.writeInteger("forecast", selection.forecast);
    file.writeInteger("display", selection.display);
    file.writeInteger("display_2", selection.display2);
    file.writeFlag("display_2_toggle", selection.secondValue);
    file.write("check_date", selection.checkDate.isEmpty() ? todayText() : selection.checkDate);
    file.writeFlag("alert_check", selection.alarmChecked);
}

} // namespace config
