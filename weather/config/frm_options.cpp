#include "weather/config/frm_options.h"

#include "common/deployment.h"
#include "common/elided_label.h"
#include "common/number.h"
#include "common/object_names.h"
#include "platform/global_hotkey.h"
#include "platform/message_box.h"
#include "platform/session_abilities.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QVBoxLayout>

namespace config {
namespace {

using common::named;

QCheckBox* checkBox(const char* name, const char* caption, QWidget* parent)
{
    return named(new QCheckBox(QLatin1String(caption), parent), QLatin1String(name));
}

QPushButton* button(const QString& name, const char* caption, QWidget* parent)
{
    return named(new QPushButton(QLatin1String(caption), parent), name);
}

QScrollBar* scrollBar(const QString& name, int minimum, int maximum, QWidget* parent)
{
    auto* bar = named(new QScrollBar(Qt::Vertical, parent), name);
    bar->setRange(minimum, maximum);
    bar->setMinimumHeight(60);
    bar->setFocusPolicy(Qt::StrongFocus); // set from the keyboard too
    return bar;
}

// A bar that holds the number it sets, as screen readers report it: moving it up (or the Up
// key) raises the number.
QScrollBar* numberBar(const QString& name, int minimum, int maximum, QWidget* parent)
{
    QScrollBar* bar = scrollBar(name, minimum, maximum, parent);
    bar->setInvertedAppearance(true);
    bar->setInvertedControls(false);
    return bar;
}

QString indexed(const char* name, int index)
{
    return QLatin1String(name) + QLatin1Char('_') + QString::number(index);
}

QString flagText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

void setColors(QLabel* label, const QColor& fore, const QColor& back)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, fore);
    palette.setColor(QPalette::Window, back);
    label->setPalette(palette);
    label->setAutoFillBackground(true);
}

} // namespace

QString formatMinutes(int minutes)
{
    return QStringLiteral("%1:%2")
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

std::optional<SetPointScale> setPointScale(ColumnKind kind)
{
    switch (kind) {
    case ColumnKind::Temperature:
        return SetPointScale{55, 45};
    case ColumnKind::SpeedKmh:
        return SetPointScale{180, 180};
    case ColumnKind::SpeedKnots:
        return SetPointScale{97, 97};
    case ColumnKind::Percent:
        return SetPointScale{100, 100};
    case ColumnKind::Pressure:
        return SetPointScale{1800, 1000};
    case ColumnKind::Tenths:
        return SetPointScale{150, 150};
    default:
        return std::nullopt;
    }
}

std::optional<SetPoint> setPointOf(ColumnKind kind, int maximum, int value)
{
    int whole = 0;
    switch (kind) {
    case ColumnKind::Temperature:
        whole = maximum - 10 - value;
        break;
    case ColumnKind::SpeedKmh:
    case ColumnKind::SpeedKnots:
    case ColumnKind::Percent:
        whole = maximum - value;
        break;
    case ColumnKind::Pressure:
    case ColumnKind::Tenths: {
        // Pressure's scale starts at 920.0 hPa.
        const int tenths = kind == ColumnKind::Pressure ? maximum + 9200 - value : maximum - value;
        const QString text = QString::number(tenths / 10.0, 'f', 1);
        return SetPoint{common::roundToCurrency(common::readNumber(text)), text};
    }
    default:
        return std::nullopt;
    }
    return SetPoint{static_cast<double>(whole), QString::number(whole)};
}

void HotKeyCapture::start()
{
    capturing_ = true;
    text_.clear();
    modifier_ = 0;
    mainKey_ = 0;
}

bool HotKeyCapture::keyDown(int virtualKey)
{
    if (!capturing_)
        return false;
    switch (virtualKey) {
    case platform::VkAlt:
        text_ = QStringLiteral("ALT + ");
        break;
    case platform::VkShift:
        text_ = QStringLiteral("SHIFT + ");
        break;
    case platform::VkControl:
        text_ = QStringLiteral("CTRL + ");
        break;
    case platform::VkWin:
        text_ = QStringLiteral("WIN + ");
        break;
    default:
        text_ += platform::keyName(virtualKey);
        mainKey_ = virtualKey;
        capturing_ = false;
        return true;
    }
    modifier_ = virtualKey;
    return true;
}

frmOptions::frmOptions(SettingsFile file, AppSettings& settings, OptionsHost& host, QWidget* parent)
    : QDialog(parent), chkToolTip(checkBox("chkToolTip", "Show Pop-up Tool Tips", this)),
      Frame2(named(new QGroupBox(QStringLiteral("Display colors"), this), "Frame2")),
      chkFontSys(checkBox("chkFontSys", "System Font", Frame2)),
      chkColorSys(checkBox("chkColorSys", "System Colors", Frame2)),
      lblColor(named(new QLabel(QStringLiteral("Text Color"), Frame2), "lblColor")),
      picColor(named(new QLabel(Frame2), "picColor")),
      cmdColorChoice{button(indexed("cmdColorChoice", 0), "Text", Frame2),
                     button(indexed("cmdColorChoice", 1), "Back", Frame2)},
      Frame3(
          named(new QGroupBox(QStringLiteral("Icon display temperature points"), this), "Frame3")),
      // The temperature points in °C: cold below -40 ... 15, hot above 0 ... 55.
      VScroll2{numberBar(indexed("VScroll2", 0), -40, 15, Frame3),
               numberBar(indexed("VScroll2", 1), 0, 55, Frame3)},
      Label1{named(new QLabel(QStringLiteral("< 10"), Frame3), indexed("Label1", 0)),
             named(new QLabel(QStringLiteral("20 >"), Frame3), indexed("Label1", 1))},
      chkTrendArrow(checkBox("chkTrendArrow", "Use temp trend arrow", Frame3)),
      Frame4(named(new QGroupBox(QStringLiteral("Display type used"), this), "Frame4")),
      cmbDispType(named(new QComboBox(Frame4), "cmbDispType")),
      chkTraySni(checkBox("chkTraySni", "Value as tray icon, not docked", Frame4)),
      lblNoDock(named(new QLabel(Frame4), "lblNoDock")),
      lblNoSniHost(named(new QLabel(Frame4), "lblNoSniHost")),
      lblNoStrip(named(new QLabel(Frame4), "lblNoStrip")),
      Label3(named(new QLabel(QStringLiteral("Position"), Frame4), "Label3")),
      cmbBanner(named(new QComboBox(Frame4), "cmbBanner")),
      Frame5(named(new QGroupBox(QStringLiteral("General"), this), "Frame5")),
      chkStartIcon(checkBox("chkStartIcon", "Start with the desktop session", Frame5)),
      chkDeskIcon(checkBox("chkDeskIcon", "Desktop Shortcut", Frame5)),
      chkUpdates(checkBox("chkUpdates", "Autocheck for Updates", Frame5)),
      chkNotifyWarnings(checkBox("chkNotifyWarnings", "Notify warnings", Frame5)),
      cmbRecordYears(named(new QComboBox(Frame5), "cmbRecordYears")),
      cmdSetCon(button("cmdSetCon", "Set http proxy", Frame5)),
      Frame1(named(new QGroupBox(QStringLiteral("Polling intervals"), this), "Frame1")),
      VScroll1(numberBar("VScroll1", 10, 240, Frame1)), // the interval in minutes
      Label2(named(new QLabel(QStringLiteral("Observations (HH:MM)"), Frame1), "Label2")),
      lblObsTime(named(new QLabel(Frame1), "lblObsTime")),
      Frame6(named(new QGroupBox(QStringLiteral("Alert"), this), "Frame6")),
      cmbTempAlert(named(new QComboBox(Frame6), "cmbTempAlert")),
      cmbTempAlertType(named(new QComboBox(Frame6), "cmbTempAlertType")),
      VScrollAlert(scrollBar("VScrollAlert", 0, 100, Frame6)),
      lblAlert(named(new QLabel(Frame6), "lblAlert")),
      cmbTempAlertWind(named(new QComboBox(Frame6), "cmbTempAlertWind")),
      Label5(named(new QLabel(QStringLiteral("Wind direction"), Frame6), "Label5")),
      chkAlarmSound(checkBox("chkAlarmSound", "Play Sound", Frame6)),
      chkSendMail(checkBox("chkSendMail", "Send E-mail", Frame6)),
      chkSendMailEnd(checkBox("chkSendMailEnd", "Alarm end notify", Frame6)),
      chkNotifyAlarm(checkBox("chkNotifyAlarm", "Desktop notification", Frame6)),
      cmdSendMail(button("cmdSendMail", "Set E-mail output", Frame6)),
      Frame7(named(new QGroupBox(QStringLiteral("Menu Hot Key"), this), "Frame7")),
      chkHotKey(checkBox("chkHotKey", "HotKey Toggle", Frame7)),
      cmdSetHotKey(button("cmdSetHotKey", "Set key/s", Frame7)),
      lblHotKey(named(new common::ElidedLabel(QStringLiteral("Key is"), Frame7), "lblHotKey")),
      lblNoHotKey(named(new QLabel(Frame7), "lblNoHotKey")),
      Frame8(named(new QGroupBox(QStringLiteral("Town forecast"), this), "Frame8")),
      cmbForecastTown(named(new QComboBox(Frame8), "cmbForecastTown")),
      cmdOK(button("cmdOK", "OK", this)), cmdCancel(button("cmdCancel", "Cancel", this)),
      file_(std::move(file)), settings_(settings), host_(host)
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    chooseColor_ = [this](const QColor& initial) -> std::optional<QColor> {
        const QColor color = QColorDialog::getColor(initial, this);
        return color.isValid() ? std::optional<QColor>(color) : std::nullopt;
    };
    chooseFont_ = [this](const QFont& initial) -> std::optional<QFont> {
        bool ok = false;
        const QFont font = QFontDialog::getFont(&ok, initial, this);
        return ok ? std::optional<QFont>(font) : std::nullopt;
    };
    buildLayout();
    const std::pair<QWidget*, const char*> names[] = {
        {VScroll2[0], "Cold below, degrees"},    {VScroll2[1], "Hot above, degrees"},
        {VScroll1, "Scan interval, minutes"},    {VScrollAlert, "Alarm set point"},
        {cmbDispType, "Display type"},           {cmbBanner, "Banner position"},
        {cmbRecordYears, "Keep the record for"}, {cmbTempAlert, "Alarm when"},
        {cmbTempAlertType, "Alarm stat"},        {cmbTempAlertWind, "Alarm wind direction"},
        {cmbForecastTown, "Forecast town"},      {picColor, "Colour sample"}};
    for (const auto& [control, name] : names)
        control->setAccessibleName(QLatin1String(name));
    connectActions();
    loadControls();
    greyOutUnavailable();
}

frmOptions::~frmOptions()
{
    qApp->removeEventFilter(this);
}

void frmOptions::setChoosers(ColorChooser color, FontChooser font)
{
    chooseColor_ = std::move(color);
    chooseFont_ = std::move(font);
}

void frmOptions::buildLayout()
{
    auto* colors = new QGridLayout(Frame2);
    colors->addWidget(chkFontSys, 0, 0);
    colors->addWidget(chkColorSys, 1, 0);
    colors->addWidget(lblColor, 0, 1);
    colors->addWidget(picColor, 1, 1);
    colors->addWidget(cmdColorChoice[0], 0, 2);
    colors->addWidget(cmdColorChoice[1], 1, 2);
    picColor->setMinimumSize(24, 16);
    picColor->setAutoFillBackground(true);

    auto* points = new QGridLayout(Frame3);
    points->addWidget(Label1[0], 0, 0);
    points->addWidget(VScroll2[0], 0, 1);
    points->addWidget(VScroll2[1], 0, 2);
    points->addWidget(Label1[1], 0, 3);
    points->addWidget(chkTrendArrow, 1, 0, 1, 4);

    cmbDispType->addItems({QStringLiteral("System Tray"), QStringLiteral("Desk Banner")});
    cmbBanner->addItems({QStringLiteral("Top"), QStringLiteral("Bottom")});
    auto* display = new QGridLayout(Frame4);
    display->addWidget(cmbDispType, 0, 0, 1, 2);
    display->addWidget(Label3, 1, 0);
    display->addWidget(cmbBanner, 1, 1);
    display->addWidget(chkTraySni, 2, 0, 1, 2);
    display->addWidget(lblNoDock, 3, 0, 1, 2);
    display->addWidget(lblNoSniHost, 4, 0, 1, 2);
    display->addWidget(lblNoStrip, 5, 0, 1, 2);

    // Item data: years; 0 keeps the record for ever.
    for (const int years : {1, 2, 3, 5, 10, 0})
        cmbRecordYears->addItem(years == 0   ? QStringLiteral("Keep record for ever")
                                : years == 1 ? QStringLiteral("Keep record 1 year")
                                             : QStringLiteral("Keep record %1 years").arg(years),
                                years);
    auto* general = new QVBoxLayout(Frame5);
    for (QWidget* w : std::initializer_list<QWidget*>{chkStartIcon, chkDeskIcon, chkUpdates,
                                                      chkNotifyWarnings, cmbRecordYears, cmdSetCon})
        general->addWidget(w);
    // A build for a package names no update server: its updates come through the system's.
    if (!common::updatesFromServer()) {
        chkUpdates->setEnabled(false);
        chkUpdates->setText(QStringLiteral("Updates come with the package"));
        chkUpdates->setToolTip(common::updatesWithPackageText());
    }

    auto* polling = new QGridLayout(Frame1);
    polling->addWidget(Label2, 0, 0);
    polling->addWidget(lblObsTime, 1, 0);
    polling->addWidget(VScroll1, 0, 1, 2, 1);

    cmbTempAlert->addItems({QStringLiteral("No Alert"), QStringLiteral("Alert below set"),
                            QStringLiteral("Alert above set")});
    cmbTempAlertWind->addItems({QStringLiteral("Any"), QStringLiteral("N"), QStringLiteral("S"),
                                QStringLiteral("E"), QStringLiteral("W"), QStringLiteral("CALM")});
    auto* alert = new QGridLayout(Frame6);
    alert->addWidget(cmbTempAlert, 0, 0);
    alert->addWidget(cmbTempAlertType, 1, 0);
    alert->addWidget(lblAlert, 2, 0);
    alert->addWidget(VScrollAlert, 0, 1, 3, 1);
    alert->addWidget(Label5, 3, 0);
    alert->addWidget(cmbTempAlertWind, 4, 0);
    alert->addWidget(chkAlarmSound, 5, 0);
    alert->addWidget(chkSendMail, 6, 0);
    alert->addWidget(chkSendMailEnd, 7, 0);
    alert->addWidget(chkNotifyAlarm, 8, 0);
    alert->addWidget(cmdSendMail, 9, 0);

    auto* hotKey = new QVBoxLayout(Frame7);
    hotKey->addWidget(chkHotKey);
    hotKey->addWidget(cmdSetHotKey);
    hotKey->addWidget(lblHotKey);
    hotKey->addWidget(lblNoHotKey);

    auto* town = new QVBoxLayout(Frame8);
    town->addWidget(cmbForecastTown);
    cmbForecastTown->setMinimumContentsLength(16);
    cmbForecastTown->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setForecastTowns({}, settings_.forecastTown);

    auto* left = new QVBoxLayout;
    left->addWidget(chkToolTip);
    left->addWidget(Frame2);
    left->addWidget(Frame3);
    left->addWidget(Frame4);
    auto* middle = new QVBoxLayout;
    middle->addWidget(Frame5);
    middle->addWidget(Frame1);
    middle->addWidget(Frame7);
    middle->addWidget(Frame8);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addLayout(middle);
    columns->addWidget(Frame6);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(buttons);
    cmdOK->setDefault(true);

    // Tab reads the dialog column by column, each from top to bottom and a row left to right.
    const QList<QWidget*> order = {
        chkToolTip,      chkFontSys,   cmdColorChoice[0], chkColorSys,    cmdColorChoice[1],
        VScroll2[0],     VScroll2[1],  chkTrendArrow,     cmbDispType,    cmbBanner,
        chkTraySni,      chkStartIcon, chkDeskIcon,       chkUpdates,     chkNotifyWarnings,
        cmbRecordYears,  cmdSetCon,    VScroll1,          chkHotKey,      cmdSetHotKey,
        cmbForecastTown, cmbTempAlert, cmbTempAlertType,  VScrollAlert,   cmbTempAlertWind,
        chkAlarmSound,   chkSendMail,  chkSendMailEnd,    chkNotifyAlarm, cmdSendMail,
        cmdOK,           cmdCancel};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void frmOptions::connectActions()
{
    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::reject);
    connect(VScroll1, &QScrollBar::valueChanged, this,
            [this](int value) { lblObsTime->setText(formatMinutes(value)); });
    for (QScrollBar* bar : VScroll2)
        connect(bar, &QScrollBar::valueChanged, this, &frmOptions::showTemperaturePoints);
    connect(VScrollAlert, &QScrollBar::valueChanged, this, &frmOptions::alarmScrolled);
    // A pick, even of the entry already selected, sets the scale afresh.
    connect(cmbTempAlertType, &QComboBox::activated, this, &frmOptions::alarmTypePicked);
    connect(cmbDispType, &QComboBox::currentIndexChanged, this,
            [this](int index) { cmbBanner->setEnabled(index == 1); });
    connect(chkHotKey, &QCheckBox::toggled, this, [this](bool on) {
        lblHotKey->setEnabled(on);
        cmdSetHotKey->setEnabled(on);
    });
    connect(chkSendMail, &QCheckBox::toggled, chkSendMailEnd, &QWidget::setEnabled);
    connect(chkSendMail, &QCheckBox::clicked, this, &frmOptions::sendMailClicked);
    connect(cmdSendMail, &QPushButton::clicked, this, &frmOptions::openMailWindow);
    connect(cmdSetCon, &QPushButton::clicked, this, &frmOptions::openProxyDialog);
    connect(cmdColorChoice[0], &QPushButton::clicked, this, &frmOptions::chooseTextFont);
    connect(cmdColorChoice[1], &QPushButton::clicked, this, &frmOptions::chooseBackColor);
    connect(cmdSetHotKey, &QPushButton::clicked, this, &frmOptions::startCapture);
}

void frmOptions::applyHotKeyChoice()
{
    const bool hotKey = chkHotKey->isChecked();
    file_.writeFlag("key_toggle", hotKey);
    if (hotKey) {
        if (settings_.hotKeyText != registeredKeyText_ || !host_.hotKeyOn()) {
            if (host_.hotKeyOn())
                host_.clearHotKey();
            if (host_.setHotKey(settings_.hotKeyMain, settings_.hotKeyModifier)) {
                registeredKeyText_ = settings_.hotKeyText;
                file_.writeInteger("key", settings_.hotKeyModifier);
                file_.writeInteger("key_plus", settings_.hotKeyMain);
                file_.write("key_string", settings_.hotKeyText);
            } else {
                platform::MessageBox::show(
                    this,
                    QStringLiteral("Cannot set Global HotKey to ") + settings_.hotKeyText +
                        QStringLiteral("\r\n\r\nThis HotKey may already be used by another\r\n"
                                       "program, choose an alternative"),
                    QStringLiteral("Set HotKey Error"), platform::MessageBox::Buttons::Ok,
                    platform::MessageBox::Icon::Warning);
            }
        }
    } else if (host_.hotKeyOn()) {
        host_.clearHotKey();
    }
}

void frmOptions::greyOutUnavailable()
{
    // Each reason shows on its own line under what it greys out, only when there is one.
    const auto explain = [](QLabel* label, const QString& reason,
                            std::initializer_list<QWidget*> controls) {
        label->setText(reason);
        label->setVisible(!reason.isEmpty());
        for (QWidget* control : controls) {
            if (reason.isEmpty())
                continue;
            control->setEnabled(false);
            control->setToolTip(reason);
        }
    };
    const QString noDock = platform::notAvailable(platform::Ability::DockedTicker);
    if (!noDock.isEmpty())
        chkTraySni->setChecked(true);
    explain(lblNoDock, noDock, {chkTraySni});
    const QString noStrip = platform::notAvailable(platform::Ability::ReservedStrip);
    if (auto* model = qobject_cast<QStandardItemModel*>(cmbDispType->model());
        model && !noStrip.isEmpty())
        model->item(1)->setEnabled(false);
    explain(lblNoStrip, noStrip, {Label3, cmbBanner});
    explain(lblNoHotKey, platform::notAvailable(platform::Ability::GlobalHotKey),
            {chkHotKey, cmdSetHotKey, lblHotKey});
    lblNoSniHost->setWordWrap(true);
    noteSniHost(sniWatcher_.hostRunning());
    connect(&sniWatcher_, &platform::SniWatcher::hostChanged, this, &frmOptions::noteSniHost);
}

void frmOptions::noteSniHost(bool running)
{
    // Where the ticker cannot dock, the value icon is the only way and waits for its host.
    const bool shown = !running && chkTraySni->isEnabled();
    lblNoSniHost->setText(shown ? QStringLiteral("No panel here shows tray icons of this kind: "
                                                 "the value stays docked until one does.")
                                : QString());
    lblNoSniHost->setVisible(shown);
}

void frmOptions::loadControls()
{
    const int interval = file_.integer("interval");
    settings_.interval = interval;
    VScroll1->setValue(interval);
    lblObsTime->setText(formatMinutes(VScroll1->value()));

    chkTrendArrow->setChecked(file_.flag("trend_arrow"));
    chkTraySni->setChecked(file_.flag("tray_sni"));
    // A number of years the list lacks (written by hand) is offered as it is.
    const int years = std::max(file_.integer("record_years"), 0);
    if (cmbRecordYears->findData(years) < 0)
        cmbRecordYears->addItem(QStringLiteral("Keep record %1 years").arg(years), years);
    cmbRecordYears->setCurrentIndex(cmbRecordYears->findData(years));
    settings_.iconLow = file_.integer("icon_set_1");
    settings_.iconHigh = file_.integer("icon_set_2");
    VScroll2[0]->setValue(settings_.iconLow);
    VScroll2[1]->setValue(settings_.iconHigh);
    showTemperaturePoints();

    const bool banner = file_.flag("banner");
    cmbDispType->setCurrentIndex(banner ? 1 : 0);
    cmbBanner->setEnabled(banner);
    cmbBanner->setCurrentIndex(file_.flag("banner_pos") ? 1 : 0);

    foreColor_ = lblColor->palette().color(QPalette::WindowText);
    backColor_ = lblColor->palette().color(QPalette::Window);
    if (!file_.raw("fore_color").isEmpty())
        foreColor_ = colorFromNumber(file_.integer("fore_color"));
    if (!file_.raw("back_color").isEmpty())
        backColor_ = colorFromNumber(file_.integer("back_color"));
    showColors();

    chkColorSys->setChecked(file_.flag("use_sys_color"));
    chkFontSys->setChecked(file_.flag("use_sys_font"));
    if (file_.text("font_na").isEmpty())
        settings_.displayFont = lblColor->font();
    else if (!chkFontSys->isChecked())
        lblColor->setFont(settings_.displayFont);

    chkToolTip->setChecked(file_.flag("tool_tips"));
    chkUpdates->setChecked(file_.flag("auto_update") && common::updatesFromServer());
    chkNotifyWarnings->setChecked(file_.flag("notify_warnings"));
    chkHotKey->setChecked(file_.flag("key_toggle"));
    lblHotKey->setEnabled(chkHotKey->isChecked());
    cmdSetHotKey->setEnabled(chkHotKey->isChecked());

    settings_.hotKeyModifier = file_.integer("key");
    settings_.hotKeyMain = file_.integer("key_plus");
    settings_.hotKeyText = file_.text("key_string");
    lblHotKey->setText(settings_.hotKeyText.isEmpty() ? QStringLiteral("HotKey not set")
                                                      : settings_.hotKeyText);
    registeredKeyText_ = settings_.hotKeyText;

    chkStartIcon->setChecked(file_.flag("start_icon"));
    chkDeskIcon->setChecked(file_.flag("desk_icon"));
    chkSendMailEnd->setEnabled(false);
}

void frmOptions::regionChanged(const StateLayout& layout, const QStringList& entries,
                               const QList<int>& columns)
{
    layoutColumns_ = layout.columns;
    alarmColumns_ = columns;
    {
        const QSignalBlocker blocker(cmbTempAlertType);
        cmbTempAlertType->clear();
        cmbTempAlertType->addItems(entries);
        cmbTempAlertType->setCurrentIndex(-1);
    }
    const int type = file_.integer("alert_type");
    if (type >= 0 && type < cmbTempAlertType->count()) {
        cmbTempAlertType->setCurrentIndex(type);
        alarmTypePicked();
    }
    chkAlarmSound->setChecked(file_.flag("alert_play_sound"));
    chkSendMail->setChecked(file_.flag("alert_send_mail"));
    chkSendMailEnd->setEnabled(chkSendMail->isChecked());
    chkSendMailEnd->setChecked(file_.flag("alert_send_end_mail"));
    chkNotifyAlarm->setChecked(file_.flag("notify_alarm"));
    const int toggle = file_.integer("alert_toggle");
    if (toggle >= 0 && toggle < cmbTempAlert->count())
        cmbTempAlert->setCurrentIndex(toggle);
    const int wind = file_.integer("alert_wind");
    if (wind >= 0 && wind < cmbTempAlertWind->count())
        cmbTempAlertWind->setCurrentIndex(wind);
    VScrollAlert->setValue(file_.integer("alert_value"));
    alarmScrolled();
}

void frmOptions::alarmTypePicked()
{
    // The entry's own column: the list skips the fixed columns and the wind direction.
    const int column = alarmColumns_.value(cmbTempAlertType->currentIndex(), -1);
    if (column < 0 || column >= layoutColumns_.size())
        return;
    const LayoutColumn& layoutColumn = layoutColumns_.at(column);
    alarmUnit_ = QLatin1Char(' ') + layoutColumn.sign;
    alarmKind_ = layoutColumn.kind;
    if (const auto scale = setPointScale(alarmKind_)) {
        const QSignalBlocker blocker(VScrollAlert);
        VScrollAlert->setMaximum(scale->maximum);
        VScrollAlert->setValue(scale->initial);
    }
    alarmScrolled();
}

void frmOptions::alarmScrolled()
{
    if (const auto point = setPointOf(alarmKind_, VScrollAlert->maximum(), VScrollAlert->value())) {
        setPoint_ = point->value;
        setPointText_ = point->text;
    }
    lblAlert->setText(setPointText_ + alarmUnit_);
    // The bar's own value is a position on the scale: a screen reader says the set point.
    VScrollAlert->setAccessibleDescription(QStringLiteral("Set point ") + lblAlert->text());
}

void frmOptions::showTemperaturePoints()
{
    Label1[1]->setText(QString::number(VScroll2[1]->value()) + QStringLiteral(" >"));
    Label1[0]->setText(QStringLiteral("< ") + QString::number(VScroll2[0]->value()));
}

void frmOptions::showColors()
{
    setColors(lblColor, foreColor_, backColor_);
    setColors(picColor, foreColor_, backColor_);
}

void frmOptions::chooseBackColor()
{
    if (const auto color = chooseColor_(backColor_)) {
        backColor_ = *color;
        showColors();
    }
}

void frmOptions::chooseTextFont()
{
    // The platform font dialog has no colour choice: the text colour follows in the colour
    // dialog, and cancelling that one keeps the old colour.
    const auto font = chooseFont_(lblColor->font());
    if (!font)
        return;
    if (const auto color = chooseColor_(foreColor_))
        foreColor_ = *color;
    showColors();
    if (!chkFontSys->isChecked())
        lblColor->setFont(*font);
}

void frmOptions::sendMailClicked()
{
    const auto incomplete = [this] {
        return settings_.mailServer.isEmpty() || settings_.mailPort.isEmpty() ||
               settings_.mailSender.isEmpty() || settings_.mailRecipient.isEmpty();
    };
    if (chkSendMail->isChecked() && incomplete()) {
        platform::MessageBox::show(
            this,
            QStringLiteral("Mail settings must be set to use E-mail alerts\r\nUse next window to "
                           "set SMTP server, port, sender and recipient Email addresses."),
            QStringLiteral("Set E-mail"), platform::MessageBox::Buttons::Ok,
            platform::MessageBox::Icon::Warning);
        openMailWindow();
        if (incomplete())
            chkSendMail->setChecked(false);
    }
    chkSendMailEnd->setEnabled(chkSendMail->isChecked());
}

void frmOptions::openMailWindow()
{
    MailChoice mail{settings_.mailServer, settings_.mailPort, settings_.mailSender,
                    settings_.mailRecipient};
    if (mail.port.isEmpty())
        mail.port = QStringLiteral("25");
    if (const auto result = host_.showMailWindow(mail)) {
        settings_.mailServer = result->server;
        settings_.mailPort = result->port;
        settings_.mailSender = result->sender;
        settings_.mailRecipient = result->recipient;
    }
}

void frmOptions::openProxyDialog()
{
    ProxySettings proxy = settings_.proxy;
    if (proxy.port.isEmpty())
        proxy.port = QStringLiteral("80");
    if (const auto result = host_.showProxyDialog(proxy)) {
        const bool stripWww = settings_.proxy.stripWww;
        settings_.proxy = *result;
        settings_.proxy.stripWww = stripWww;
    }
}

void frmOptions::startCapture()
{
    capture_.start();
    lblHotKey->setText(QStringLiteral("Press Key(s)"));
    settings_.hotKeyModifier = 0;
    settings_.hotKeyMain = 0;
    // The dialog sees every key before its controls while the capture runs.
    qApp->installEventFilter(this);
}

bool frmOptions::eventFilter(QObject* watched, QEvent* event)
{
    if (!capture_.capturing())
        return QDialog::eventFilter(watched, event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this)
        return false;
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept(); // no access key or default button acts on a captured key
        return true;
    }
    if (event->type() != QEvent::KeyPress)
        return event->type() == QEvent::KeyRelease;
    const int virtualKey = platform::virtualKeyOf(*static_cast<QKeyEvent*>(event));
    if (virtualKey == 0)
        return true;
    capture_.keyDown(virtualKey);
    settings_.hotKeyModifier = capture_.modifier();
    settings_.hotKeyMain = capture_.mainKey();
    settings_.hotKeyText = capture_.text();
    lblHotKey->setText(capture_.text());
    if (!capture_.capturing())
        qApp->removeEventFilter(this);
    return true;
}

void frmOptions::reject()
{
    hide();
}

void frmOptions::accept()
{
    // 1. The interval: a running scan timer takes a new period at once.
    const int interval = VScroll1->value();
    if (host_.scanTimerRunning() && interval != settings_.interval)
        host_.restartScanTimer(interval);

    // 2. to 5. The alarm, which the monitor tests from the next pass on.
    AlarmSettings& alarm = settings_.alarm;
    const int toggle = qMax(0, cmbTempAlert->currentIndex());
    file_.writeInteger("alert_toggle", toggle);
    alarm.armed = toggle == 1 || toggle == 2;
    alarm.above = toggle == 2;
    alarm.sendAlarmMail = chkSendMail->isChecked();
    alarm.sendEndMail = chkSendMailEnd->isChecked();
    alarm.playSound = chkAlarmSound->isChecked();
    file_.writeFlag("alert_send_mail", alarm.sendAlarmMail);
    file_.writeFlag("alert_send_end_mail", alarm.sendEndMail);
    file_.writeFlag("alert_play_sound", alarm.playSound);
    settings_.notifyAlarm = chkNotifyAlarm->isChecked();
    file_.writeFlag("notify_alarm", settings_.notifyAlarm);
    alarm.type = cmbTempAlertType->currentIndex();
    alarm.column = alarmColumns_.value(alarm.type, 0);
    file_.writeInteger("alert_type", alarm.type);
    alarm.wind = static_cast<AlarmWind>(qMax(0, cmbTempAlertWind->currentIndex()));
    file_.writeInteger("alert_wind", static_cast<int>(alarm.wind));
    file_.writeInteger("alert_value", VScrollAlert->value());
    alarm.setPoint = setPoint_;
    file_.write("alert_compare", setPointText_);

    // 6. The trend arrow.
    settings_.showTrend = chkTrendArrow->isChecked();
    file_.writeFlag("trend_arrow", settings_.showTrend);
    if (!settings_.showTrend)
        host_.trendArrowCleared();

    // 7. and 8. Interval and temperature points.
    settings_.interval = interval;
    file_.writeInteger("interval", interval);
    settings_.iconLow = VScroll2[0]->value();
    settings_.iconHigh = VScroll2[1]->value();
    file_.writeInteger("icon_set_1", settings_.iconLow);
    file_.writeInteger("icon_set_2", settings_.iconHigh);

    // 9. Display type and banner position: the display changes when the main window is next
    // hidden.
    settings_.banner = cmbDispType->currentIndex() == 1;
    settings_.bannerBottom = cmbBanner->currentIndex() == 1;
    file_.writeFlag("banner", settings_.banner);
    file_.writeFlag("banner_pos", settings_.bannerBottom);
    // The session's own answer is not the user's choice: a greyed-out box is not saved.
    if (chkTraySni->isEnabled()) {
        settings_.traySni = chkTraySni->isChecked();
        file_.writeFlag("tray_sni", settings_.traySni);
    }
    settings_.recordYears = cmbRecordYears->currentData().toInt();
    file_.writeInteger("record_years", settings_.recordYears);

    // 10. The hotkey: registered again only when it changed; left as saved where the session
    // cannot take one.
    if (chkHotKey->isEnabled())
        applyHotKeyChoice();

    // 11. to 13. Font and colours.
    const QFont font = lblColor->font();
    settings_.displayFont = font;
    file_.write("font_bd", flagText(font.bold()));
    file_.write("font_it", flagText(font.italic()));
    file_.write("font_na", font.family());
    file_.write("font_si", QString::number(font.pointSizeF()));
    file_.write("font_st", flagText(font.strikeOut()));
    file_.write("font_ul", flagText(font.underline()));
    settings_.foreColor = foreColor_;
    settings_.backColor = backColor_;
    file_.writeInteger("fore_color", numberFromColor(foreColor_));
    file_.writeInteger("back_color", numberFromColor(backColor_));
    settings_.useSysColor = chkColorSys->isChecked();
    settings_.useSysFont = chkFontSys->isChecked();
    file_.writeFlag("use_sys_color", settings_.useSysColor);
    file_.writeFlag("use_sys_font", settings_.useSysFont);

    // 14. Help tooltips.
    settings_.toolTips = chkToolTip->isChecked();
    file_.writeFlag("tool_tips", settings_.toolTips);
    if (settings_.toolTips != host_.helpTipsOn())
        host_.setHelpTips(settings_.toolTips);

    // 15. The daily check.
    if (chkUpdates->isEnabled()) {
        settings_.autoUpdate = chkUpdates->isChecked();
        file_.writeFlag("auto_update", settings_.autoUpdate);
    }
    settings_.notifyWarnings = chkNotifyWarnings->isChecked();
    file_.writeFlag("notify_warnings", settings_.notifyWarnings);

    // 16. Shortcuts, made or removed only when the box differs from the stored setting.
    const auto shortcut = [this](const char* name, QCheckBox* box, bool startup) {
        const bool stored = file_.integer(QLatin1String(name)) != 0;
        file_.writeFlag(QLatin1String(name), box->isChecked());
        if (stored != box->isChecked())
            host_.makeShortcut(startup, !box->isChecked());
    };
    shortcut("start_icon", chkStartIcon, true);
    shortcut("desk_icon", chkDeskIcon, false);

    // 17. The town forecast's town.
    if (const QString town = cmbForecastTown->currentData().toString();
        town != settings_.forecastTown)
        host_.forecastTownChosen(town);

    // 18.
    hide();
}

void frmOptions::setForecastTowns(const QList<ForecastTownChoice>& towns, const QString& current)
{
    cmbForecastTown->clear();
    cmbForecastTown->addItem(QStringLiteral("Town of the station"), QString());
    auto* model = qobject_cast<QStandardItemModel*>(cmbForecastTown->model());
    QString district;
    int selected = current.isEmpty() ? 0 : -1;
    for (const ForecastTownChoice& town : towns) {
        if (town.district != district || cmbForecastTown->count() == 1) {
            district = town.district;
            cmbForecastTown->addItem(district.isEmpty() ? QStringLiteral("Other towns") : district);
            // A heading, not a town.
            if (QStandardItem* heading =
                    model ? model->item(cmbForecastTown->count() - 1) : nullptr)
                heading->setFlags(Qt::NoItemFlags);
        }
        cmbForecastTown->addItem(QStringLiteral("    ") + town.name, town.aac);
        if (town.aac == current)
            selected = cmbForecastTown->count() - 1;
    }
    // A saved town the product does not list (yet) stays chosen until the user picks another.
    if (selected < 0) {
        cmbForecastTown->addItem(current, current);
        selected = cmbForecastTown->count() - 1;
    }
    cmbForecastTown->setCurrentIndex(selected);
}

} // namespace config
