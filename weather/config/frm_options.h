#pragma once

#include "platform/sni_watcher.h"
#include "weather/config/layout_file.h"
#include "weather/config/settings.h"

#include <QColor>
#include <QDialog>
#include <QFont>

#include <array>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QScrollBar;

namespace config {

// "hh:mm" of a number of minutes (each part at least two digits).
QString formatMinutes(int minutes);

// The set-point scroll bar's scale for a column kind: its maximum and initial value. Other
// kinds have none (the scale stays as it is).
struct SetPointScale
{
    int maximum = 0;
    int initial = 0;
};
std::optional<SetPointScale> setPointScale(ColumnKind kind);

// The set point of scroll value `value` on a bar of maximum `maximum` for column kind `kind`
// (the set point falls as the value grows), as a number at four decimals and as shown and
// saved: whole, or with one decimal for the kinds in tenths. Nothing for other kinds.
struct SetPoint
{
    double value = 0;
    QString text;
};
std::optional<SetPoint> setPointOf(ColumnKind kind, int maximum, int value);

// The hotkey capture of the options dialog. After start() each key press (a virtual-key code)
// goes to keyDown(): Alt, Shift, Ctrl and the Windows key set the text "ALT + ", "SHIFT + ",
// "CTRL + " or "WIN + " and the modifier (a later one replaces an earlier one); any other key
// appends its name, becomes the main key and ends the capture.
class HotKeyCapture
{
public:
    void start();
    // False when no capture runs (the key is not taken).
    bool keyDown(int virtualKey);

    bool capturing() const { return capturing_; }
    const QString& text() const { return text_; }
    int modifier() const { return modifier_; }
    int mainKey() const { return mainKey_; }

private:
    bool capturing_ = false;
    QString text_;
    int modifier_ = 0;
    int mainKey_ = 0;
};

// The mail settings the mail window shows and gives back.
struct MailChoice
{
    QString server;
    QString port;
    QString sender;
    QString recipient;
};

// A town the forecast can be chosen for, with the district it belongs to.
struct ForecastTownChoice
{
    QString district; // the district's name, as the product gives it
    QString name;
    QString aac;
};

// What the options dialog asks of the rest of the program when it applies its settings.
class OptionsHost
{
public:
    virtual ~OptionsHost() = default;
    virtual bool scanTimerRunning() const = 0;
    // Stops the scan timer, lets pending events run and starts it with the new period.
    virtual void restartScanTimer(int minutes) = 0;
    // The trend arrow was switched off: the ticker drops its arrow picture.
    virtual void trendArrowCleared() = 0;
    virtual bool hotKeyOn() const = 0;
    virtual bool setHotKey(int mainKey, int modifierKey) = 0;
    virtual void clearHotKey() = 0;
    virtual bool helpTipsOn() const = 0;
    virtual void setHelpTips(bool on) = 0;
    virtual void makeShortcut(bool startup, bool remove) = 0;
    // The mail window, modal, filled with `mail`; the settings it leaves, nothing on Cancel.
    virtual std::optional<MailChoice> showMailWindow(const MailChoice& mail) = 0;
    // The proxy dialog, modal; the settings it leaves, nothing on Cancel.
    virtual std::optional<ProxySettings> showProxyDialog(const ProxySettings& proxy) = 0;
    // The user chose another town for the forecast (an `aac`; empty: the station's town).
    virtual void forecastTownChosen(const QString& aac) = 0;
};

// The options dialog "Options": every setting that is not a selection of the main window.
// Created once and only hidden by OK and Cancel, so its controls keep their state between
// openings. It reads its keys of the settings file when created; OK writes them and applies
// them in a fixed order (through `settings`, the program's in-memory copy, which holds the
// alarm the monitor tests, and `host`); Cancel writes and applies nothing. Its controls are
// reached by their object names (the design's: chkToolTip, cmbTempAlertType, cmdOK, ...).
class frmOptions : public QDialog
{
    Q_OBJECT
public:
    frmOptions(SettingsFile file, AppSettings& settings, OptionsHost& host,
               QWidget* parent = nullptr);
    ~frmOptions() override;

    // A new region: the alarm-value list (`entries` with their 0-based columns) and the saved
    // alarm choices applied to it, each running the controls' change handlers.
    void regionChanged(const StateLayout& layout, const QStringList& entries,
                       const QList<int>& columns);

    // The towns of the region's forecast product, in product order (those of a district
    // together), offered under their district after "Town of the station"; `current` is the
    // saved fc_town, kept as an entry of its own when the list does not have it.
    void setForecastTowns(const QList<ForecastTownChoice>& towns, const QString& current);

    // The platform colour and font dialogs, unless replaced (by tests). Nothing means cancelled.
    using ColorChooser = std::function<std::optional<QColor>(const QColor& initial)>;
    using FontChooser = std::function<std::optional<QFont>(const QFont& initial)>;
    void setChoosers(ColorChooser color, FontChooser font);

    // OK: writes every setting and applies it, in a fixed order, then hides the dialog.
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    QCheckBox* chkToolTip;
    QGroupBox* Frame2; // "Display colors"
    QCheckBox* chkFontSys;
    QCheckBox* chkColorSys;
    QLabel* lblColor;
    QLabel* picColor;
    std::array<QPushButton*, 2> cmdColorChoice;
    QGroupBox* Frame3; // "Icon display temperature points"
    std::array<QScrollBar*, 2> VScroll2;
    std::array<QLabel*, 2> Label1;
    QCheckBox* chkTrendArrow;
    QGroupBox* Frame4; // "Display type used"
    QComboBox* cmbDispType;
    QCheckBox* chkTraySni; // the value icon rather than the docked ticker
    QLabel* lblNoDock;     // why the session cannot dock the ticker (hidden when it can)
    QLabel* lblNoSniHost;  // the value icon needs a status notifier host (hidden while one runs)
    QLabel* lblNoStrip;    // why it cannot reserve the banner's strip
    QLabel* Label3;
    QComboBox* cmbBanner;
    QGroupBox* Frame5; // "General"
    QCheckBox* chkStartIcon;
    QCheckBox* chkDeskIcon;
    QCheckBox* chkUpdates;
    QCheckBox* chkNotifyWarnings; // the warnings in force as desktop notifications
    QComboBox* cmbRecordYears;    // how long the observation record keeps readings (record_years)
    QPushButton* cmdSetCon;
    QGroupBox* Frame1; // "Polling intervals"
    QScrollBar* VScroll1;
    QLabel* Label2;
    QLabel* lblObsTime;
    QGroupBox* Frame6; // "Alert"
    QComboBox* cmbTempAlert;
    QComboBox* cmbTempAlertType;
    QScrollBar* VScrollAlert;
    QLabel* lblAlert;
    QComboBox* cmbTempAlertWind;
    QLabel* Label5;
    QCheckBox* chkAlarmSound;
    QCheckBox* chkSendMail;
    QCheckBox* chkSendMailEnd;
    QCheckBox* chkNotifyAlarm; // the alarm's start and end as desktop notifications
    QPushButton* cmdSendMail;
    QGroupBox* Frame7; // "Menu Hot Key"
    QCheckBox* chkHotKey;
    QPushButton* cmdSetHotKey;
    QLabel* lblHotKey;
    QLabel* lblNoHotKey;        // why it cannot take a global key
    QGroupBox* Frame8;          // "Town forecast"
    QComboBox* cmbForecastTown; // item data: the town's aac; district headings cannot be picked
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    void buildLayout();
    void connectActions();
    void loadControls();
    // Greys out what the session cannot do, each with its one-line reason.
    void greyOutUnavailable();
    // Says under the value icon's box that no host shows it, while none runs.
    void noteSniHost(bool running);
    void applyHotKeyChoice();
    void alarmTypePicked();
    void alarmScrolled();
    void showTemperaturePoints();
    void showColors();
    void chooseBackColor();
    void chooseTextFont();
    void sendMailClicked();
    void openMailWindow();
    void openProxyDialog();
    void startCapture();

    SettingsFile file_;
    AppSettings& settings_;
    OptionsHost& host_;
    QList<LayoutColumn> layoutColumns_;
    QList<int> alarmColumns_;
    ColumnKind alarmKind_ = ColumnKind::Other;
    QString alarmUnit_;
    QString setPointText_;
    double setPoint_ = 0;
    QColor foreColor_;
    QColor backColor_;
    ColorChooser chooseColor_;
    FontChooser chooseFont_;
    HotKeyCapture capture_;
    QString registeredKeyText_;
    platform::SniWatcher sniWatcher_;
};

} // namespace config
