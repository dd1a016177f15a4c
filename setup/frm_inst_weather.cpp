#include "setup/frm_inst_weather.h"

#include "common/frm_proxy.h"
#include "common/ini_file.h"
#include "common/number.h"
#include "common/object_names.h"
#include "common/proxy_password.h"
#include "common/station_cache.h"
#include "platform/event_pump.h"
#include "platform/feed_box.h"
#include "platform/message_box.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace setup {
namespace {

using platform::MessageBox;

using common::named;

const QString kSaved = QStringLiteral("SavedSetting");

QString runningWarning()
{
    return QStringList{
        QStringLiteral("This installer has been run with Nimbulo currently running"),
        QStringLiteral("Close Nimbulo program now."),
        QStringLiteral("If you run the new version installed and the program does not operate "
                       "properly, run the Installer again after Nimbulo is closed."),
        QStringLiteral("If you are Removing the software you may need to manually delete the old "
                       "weather folder and any remaing files in it after Installer ends."),
        QStringLiteral("Press OK to contunue Install/Removal when Nimbulo has closed")}
        .join(QStringLiteral("\r\n\r\n"));
}

// Selects `index` when it names an entry; a saved value outside the list is not applied.
void selectIfValid(QComboBox* box, int index)
{
    if (index >= 0 && index < box->count())
        box->setCurrentIndex(index);
}

} // namespace

frmInstWeather::frmInstWeather(Mode mode, const QString& appDir, const ShortcutFolders& folders,
                               QWidget* parent)
    : QWidget(parent), Frame5(named(new QGroupBox(QStringLiteral("Location"), this), "Frame5")),
      cmbState(named(new QComboBox(this), "cmbState")),
      cmbStation(named(new QComboBox(this), "cmbStation")),
      Frame6(named(new QGroupBox(QStringLiteral("Display type used"), this), "Frame6")),
      cmbDispType(named(new QComboBox(this), "cmbDispType")),
      cmbBanner(named(new QComboBox(this), "cmbBanner")),
      chkStartIcon(named(new QCheckBox(QStringLiteral("Start-up shortcut"), this), "chkStartIcon")),
      chkDeskIcon(
          named(new QCheckBox(QStringLiteral("Desktop shortcut Icon"), this), "chkDeskIcon")),
      Frame1(named(new QGroupBox(QStringLiteral("Internet connection"), this), "Frame1")),
      cmdSetCon(named(new QPushButton(QStringLiteral("Set http proxy"), this), "cmdSetCon")),
      Command1(named(new QPushButton(QStringLiteral("Continue"), this), "Command1")),
      Frame2(named(new QGroupBox(this), "Frame2")),
      Label2(
          named(new QLabel(QStringLiteral("Removing Installed settings.................."), this),
                "Label2")),
      mode_(mode), appDir_(appDir), folders_(folders)
{
    setObjectName(QStringLiteral("frmInstWeather"));
    setWindowTitle(QStringLiteral("(Australian) Nimbulo install options"));

    cmbState->setToolTip(QStringLiteral("Select your state and region"));
    cmbDispType->setToolTip(QStringLiteral("Select your display preference"));
    cmbBanner->setToolTip(
        QStringLiteral("For banner display choose to show at top or bottom of desktop"));
    chkStartIcon->setToolTip(QStringLiteral("Creates a Nimbulo shortcut in your autostart folder: "
                                            "Nimbulo will start with your desktop session."));
    cmdSetCon->setToolTip(QStringLiteral(
        "Set proxy server, port, username and password as required (for proxy users only)"));

    auto* location = new QGridLayout(Frame5);
    location->addWidget(named(new QLabel(QStringLiteral("Region"), Frame5), "Label5"), 0, 0);
    location->addWidget(cmbState, 0, 1);
    auto* stationLabel = named(new QLabel(QStringLiteral("Station"), Frame5), "Label4");
    stationLabel->setBuddy(cmbStation);
    location->addWidget(stationLabel, 1, 0);
    location->addWidget(cmbStation, 1, 1);
    cmbState->setAccessibleName(QStringLiteral("Region"));
    cmbStation->setAccessibleName(QStringLiteral("Station"));
    cmbStation->setToolTip(QStringLiteral("Select your observation station"));
    location->setColumnStretch(1, 1);

    auto* display = new QGridLayout(Frame6);
    display->addWidget(named(new QLabel(QStringLiteral("Display as"), Frame6), "Label1"), 0, 0);
    display->addWidget(cmbDispType, 0, 1);
    display->addWidget(named(new QLabel(QStringLiteral("Position"), Frame6), "Label3"), 1, 0);
    display->addWidget(cmbBanner, 1, 1);
    display->addWidget(chkStartIcon, 2, 0, 1, 2);
    display->addWidget(chkDeskIcon, 3, 0, 1, 2);
    display->setColumnStretch(1, 1);

    auto* connection = new QVBoxLayout(Frame1);
    connection->addWidget(cmdSetCon);

    auto* removing = new QVBoxLayout(Frame2);
    removing->addWidget(Label2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame5);
    layout->addWidget(Frame6);
    layout->addWidget(Frame1);
    layout->addWidget(Frame2);
    layout->addWidget(Command1);
    resize(380, 320);

    connect(cmbState, &QComboBox::currentIndexChanged, this, &frmInstWeather::listStations);
    connect(cmbDispType, &QComboBox::currentIndexChanged, this,
            [this](int index) { cmbBanner->setEnabled(index == 1); });
    cmbDispType->installEventFilter(this);
    connect(cmdSetCon, &QPushButton::clicked, this, &frmInstWeather::openProxyDialog);
    connect(Command1, &QPushButton::clicked, this, [this] {
        save();
        close();
    });
}

QString frmInstWeather::settingsPath() const
{
    return appDir_ + QStringLiteral("wsetting.ini");
}

void frmInstWeather::start()
{
    load();
    show();
    if (mode_ == Mode::Remove)
        removeShortcuts();
}

void frmInstWeather::load()
{
    if (platform::findAppWindow(QStringLiteral("Nimbulo (Australia)")) != 0)
        MessageBox::show(this, runningWarning(), QStringLiteral("Nimbulo Running"),
                         MessageBox::Buttons::Ok, MessageBox::Icon::Warning);

    if (mode_ == Mode::Add) {
        fill();
        Frame2->hide();
        return;
    }
    for (QWidget* addOnly : std::initializer_list<QWidget*>{Frame5, Frame6, Frame1, Command1})
        addOnly->hide();
    Frame2->show();
    adjustSize();
}

void frmInstWeather::removeShortcuts()
{
    // The notice paints before the work and stays up until it is done.
    platform::pumpEvents();
    deleteShortcuts(folders_);
    platform::pumpEvents();
}

void frmInstWeather::fill()
{
    const QString settings = settingsPath();
    const auto number = [&settings](const char* key) {
        return common::readInteger(common::readIni(kSaved, QLatin1String(key), settings));
    };

    cmbDispType->addItems({QStringLiteral("System Tray"), QStringLiteral("Desk Banner")});
    cmbDispType->setCurrentIndex(-1);
    selectIfValid(cmbDispType, number("banner"));
    cmbBanner->setEnabled(cmbDispType->currentIndex() == 1);
    cmbBanner->addItems({QStringLiteral("Top"), QStringLiteral("Bottom")});
    cmbBanner->setCurrentIndex(-1);
    selectIfValid(cmbBanner, number("banner_pos"));

    const common::IniDocument layout =
        common::IniDocument::load(appDir_ + QStringLiteral("weather.ini"));
    const QString heads = QStringLiteral("RegionHeads");
    const int regions =
        qBound(0, common::readInteger(layout.value(heads, QStringLiteral("regions"))), 999);
    for (int i = 1; i <= regions; ++i) {
        const QString section = layout.value(heads, QStringLiteral("region_%1").arg(i));
        sections_.append(section);
        cmbState->addItem(layout.value(section, QStringLiteral("display")));
    }
    cmbState->setCurrentIndex(-1);
    selectIfValid(cmbState, number("state"));
    listStations();
    cmbStation->setCurrentIndex(
        cmbStation->findText(common::readIni(kSaved, QStringLiteral("station_name"), settings)));

    chkStartIcon->setChecked(number("start_icon") != 0);
    chkDeskIcon->setChecked(number("desk_icon") != 0);
    // An earlier proxy choice stays unless the proxy dialog changes it (an upgrade must not cut
    // a proxy user off the bureau).
    useProxy_ = number("proxy_on") != 0;
}

void frmInstWeather::listStations()
{
    cmbStation->clear();
    const QStringList names =
        common::readStationCache(appDir_, sections_.value(cmbState->currentIndex()));
    cmbStation->addItems(names);
    cmbStation->setCurrentIndex(-1);
    cmbStation->setEnabled(!names.isEmpty());
    // Without a scan of the region there is nothing to offer: the monitor asks at its start.
    cmbStation->setPlaceholderText(names.isEmpty()
                                       ? QStringLiteral("Chosen in the monitor's window")
                                       : QStringLiteral("Select your station"));
}

void frmInstWeather::openProxyDialog()
{
    const QString settings = settingsPath();
    const auto text = [&settings](const char* key) {
        return common::readIni(kSaved, QLatin1String(key), settings).trimmed();
    };
    common::ProxySettings choice;
    choice.useProxy = common::readNumber(text("proxy_on")) != 0;
    if (choice.useProxy) {
        choice.server = text("proxy_server");
        choice.port = text("proxy_port");
        choice.auth = common::readNumber(text("auth_on")) != 0;
        if (choice.auth) {
            choice.user = text("auth_1");
            choice.password = common::unscramblePassword(
                common::readIni(kSaved, QStringLiteral("auth_2"), settings), choice.user);
        }
    }
    if (choice.port.isEmpty())
        choice.port = QStringLiteral("80");
    useProxy_ = choice.useProxy;

    common::frmProxy dialog(settings, common::frmProxy::Mode::Installer, this);
    dialog.setChoice(choice);
    if (dialog.exec() == QDialog::Accepted)
        useProxy_ = dialog.choice().useProxy;
}

bool frmInstWeather::save()
{
    const QString settings = settingsPath();
    const auto write = [&settings](const char* key, int value) {
        return writeSetting(settings, QLatin1String(key), QString::number(value));
    };
    // Each step runs only while the ones before it went through.
    bool ok =
        write("state", cmbState->currentIndex()) && write("banner", cmbDispType->currentIndex()) &&
        write("banner_pos", cmbBanner->currentIndex()) && write("proxy_on", useProxy_ ? 1 : 0);
    // The station as the region's list places it; the monitor looks it up by name as well.
    if (ok && cmbStation->currentIndex() >= 0)
        ok = write("station", cmbStation->currentIndex()) &&
             writeSetting(settings, QStringLiteral("station_name"), cmbStation->currentText());
    if (ok) {
        deleteShortcuts(folders_);
        ok = write("start_icon", chkStartIcon->isChecked() ? 1 : 0) &&
             (!chkStartIcon->isChecked() || createShortcut(appDir_, folders_.startup)) &&
             write("desk_icon", chkDeskIcon->isChecked() ? 1 : 0) &&
             (!chkDeskIcon->isChecked() || createShortcut(appDir_, folders_.desktop));
    }
    if (!ok) {
        MessageBox::show(this,
                         QStringLiteral("Error creating Icon,\r\n\r\nYou will have to create "
                                        "shortcuts manually\r\non the desktop or in the "
                                        "autostart folder (~/.config/autostart)."),
                         QStringLiteral("Create Shortcut Error"), MessageBox::Buttons::Ok,
                         MessageBox::Icon::Critical);
        return false;
    }
    MessageBox::show(
        this,
        QStringLiteral("Nimbulo Screen Saver installed can be used by your desktop's screen saver."
                       "\r\n\r\nTo set it up with xscreensaver, add the line\r\n    ") +
            xscreensaverEntry(appDir_) +
            QStringLiteral("\r\nto the programs list in ~/.xscreensaver, then select Nimbulo in "
                           "the list of screen savers and apply settings."),
        QStringLiteral("Nimbulo Screen Saver"), MessageBox::Buttons::Ok,
        MessageBox::Icon::Information);
    return true;
}

bool frmInstWeather::eventFilter(QObject* watched, QEvent* event)
{
    // Arriving in the display list with Tab hints at a user without a mouse.
    if (watched == cmbDispType && event->type() == QEvent::KeyRelease &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Tab)
        MessageBox::show(
            this,
            QStringLiteral(
                "Detected keyboard use, if you do not have a mouse then select the Desk Banner "
                "display.\r\n\r\nMove focus to the desk banner with your desktop's window "
                "switcher (Alt+Tab).\r\n\r\nPress enter to display "
                "menu then select General Settings, go to options window and set a user Hotkey/s "
                "to access the pop-up menu with.\r\nThis will allow keyboard use with either Tray "
                "display or Desk Banner display via Hotkey/s."),
            QStringLiteral("Nimbulo Install"), MessageBox::Buttons::Ok,
            MessageBox::Icon::Information);
    return QWidget::eventFilter(watched, event);
}

} // namespace setup
