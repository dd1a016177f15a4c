#include "weather/app/weather_app.h"

#include "common/frm_proxy.h"
#include "common/ini_file.h"
#include "common/text_codec.h"
#include "platform/desktop.h"
#include "platform/desktop_notifications.h"
#include "platform/event_pump.h"
#include "platform/message_box.h"
#include "weather/config/frm_options.h"
#include "weather/config/layout_file.h"
#include "weather/config/mail_password.h"
#include "weather/engine/observation_record.h"
#include "weather/net/frm_about.h"
#include "weather/net/frm_err_msg.h"
#include "weather/net/frm_mail.h"
#include "weather/net/frm_upd_msg.h"
#include "weather/net/mail_composer.h"
#include "weather/net/mail_outbox.h"
#include "weather/net/version_check.h"
#include "weather/shell/alarm_notifier.h"
#include "weather/shell/frm_menu.h"
#include "weather/shell/frm_ticker.h"
#include "weather/shell/hot_key.h"
#include "weather/shell/shortcut.h"
#include "weather/shell/warning_notifier.h"

#include <QApplication>
#include <QCursor>
#include <QDate>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QTextStream>

namespace app {
namespace {

engine::TextWidth widthIn(const QFont& font)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return engine::twipsWidth(font, screen ? screen->logicalDotsPerInchX() : 96.0);
}

// For a terminal: CR LF line ends as LF; any other control character (an escape sequence a
// server put in its reply, say) as a space.
QString lineFeeds(const QString& text)
{
    QStringList lines = text.split(QStringLiteral("\r\n"));
    for (QString& line : lines)
        line = common::printableText(line);
    return lines.join(QLatin1Char('\n'));
}

int printForecast(const engine::ForecastWatch& forecast, net::ErrorLog& log, QTextStream& out,
                  QTextStream& err)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const engine::ForecastTown* town = forecast.shown();
    const QList<engine::ForecastPeriod> ahead =
        town ? engine::periodsAhead(*town, now) : QList<engine::ForecastPeriod>();
    if (!town) {
        log.writeTxt(forecast.missingText());
    } else if (engine::forecastOutOfDate(forecast.issued(), now)) {
        log.writeTxt(QStringLiteral("The forecast for %1 is out of date: issued %2.")
                         .arg(town->name, engine::issueTimeText(forecast.issued(), town)));
    } else if (ahead.isEmpty()) {
        log.writeTxt(QStringLiteral("The forecast for %1 has no period ahead.").arg(town->name));
    } else {
        for (const engine::ForecastPeriod& period : ahead)
            out << engine::periodLine(period) << Qt::endl;
        return 0;
    }
    err << lineFeeds(log.text()) << Qt::endl;
    return 1;
}

} // namespace

// What the options dialog applies through the rest of the program.
class WeatherApp::OptionsWiring : public config::OptionsHost
{
public:
    explicit OptionsWiring(WeatherApp& app) : app_(app) {}

    bool scanTimerRunning() const override { return app_.monitor_->scanTimer().isActive(); }
    void restartScanTimer(int minutes) override { app_.monitor_->restartScanTimer(minutes); }
    void trendArrowCleared() override
    {
        // The displays repaint from the stats with the flag now off: the arrow goes.
        Q_EMIT app_.monitor_->published();
    }
    bool hotKeyOn() const override { return app_.hotKey_->hotKeyOn(); }
    bool setHotKey(int mainKey, int modifierKey) override
    {
        return app_.hotKey_->setHotKey(mainKey, QString::number(modifierKey));
    }
    void clearHotKey() override { app_.hotKey_->clearHotKey(); }
    bool helpTipsOn() const override { return app_.toolTips_.helpTipsOn(); }
    void setHelpTips(bool on) override { app_.setHelpTips(on); }
    void makeShortcut(bool startup, bool remove) override
    {
        shell::makeShortcut(startup, remove, app_.options_.get());
    }
    std::optional<config::MailChoice> showMailWindow(const config::MailChoice& mail) override
    {
        config::AppSettings& s = app_.monitor_->settingsForEditing();
        net::frmMail window(s, app_.monitor_->settingsFile(), *app_.mailPasswords_, *app_.outbox_,
                            app_.options_.get());
        window.setPort(mail.port);
        if (window.exec() != QDialog::Accepted)
            return std::nullopt;
        return config::MailChoice{s.mailServer, s.mailPort, s.mailSender, s.mailRecipient};
    }
    std::optional<config::ProxySettings>
    showProxyDialog(const config::ProxySettings& proxy) override
    {
        common::frmProxy dialog(app_.monitor_->settingsFile().path(),
                                common::frmProxy::Mode::Program, app_.options_.get());
        dialog.setChoice(proxy);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.choice();
    }
    void forecastTownChosen(const QString& aac) override { app_.monitor_->chooseForecastTown(aac); }

private:
    WeatherApp& app_;
};

WeatherApp::WeatherApp(const QString& appDir, QObject* parent) : QObject(parent), appDir_(appDir)
{
    window_ = nullptr;
    // The leaders of the tooltip and feed are measured in the main window's font.
    const QFont windowFont = QApplication::font("QWidget");
    monitor_ = std::make_unique<engine::Monitor>(appDir + QStringLiteral("weather.ini"),
                                                 appDir + QStringLiteral("wsetting.ini"), log_,
                                                 widthIn(windowFont));
    monitor_->openRecord(appDir + engine::kRecordFileName.toString());
    window_ = std::make_unique<frmWeather>(*monitor_);
    connect(window_.get(), &frmWeather::closing, this, &WeatherApp::shutdown);
    versionCheck_ = std::make_unique<net::VersionCheck>(
        monitor_->inet(), appDir, monitor_->settingsForEditing().checkDate, window_.get());
    connect(window_.get(), &frmWeather::aboutRequested, this, &WeatherApp::showAbout);
    connect(monitor_.get(), &engine::Monitor::mailDue, this, &WeatherApp::sendAlarmMail);
    mailPasswords_ = std::make_unique<config::MailPasswordStore>(monitor_->settingsFile());
    outbox_ = std::make_unique<net::MailOutbox>(monitor_->inet(), log_);
    connect(monitor_.get(), &engine::Monitor::versionCheckDue, versionCheck_.get(),
            [this] { versionCheck_->checkVersion(false); });
    trayHost_ = platform::createTrayHost();
    displays_ = std::make_unique<shell::PanelDisplays>(*monitor_, *window_, *trayHost_);
    connect(window_.get(), &frmWeather::hideRequested, this, &WeatherApp::hideToPanel);
    window_->closeToPanel = [this] {
        // × does what Hide does; where no panel display can show, the window is back and
        // the program ends as it always did.
        hideToPanel();
        if (window_->isVisible())
            return false;
        const config::SettingsFile& file = monitor_->settingsFile();
        if (!file.flag(QStringLiteral("close_note"))) {
            showPassingNote(QStringLiteral("Nimbulo runs on in the panel: click it to open this "
                                           "window again, or choose Close in its menu to quit."),
                            QCursor::pos(), 10000);
            file.writeFlag(QStringLiteral("close_note"), true);
        }
        return true;
    };
    menu_ = std::make_unique<shell::frmMenu>(*monitor_);
    hotKey_ = std::make_unique<shell::HotKey>();
    optionsWiring_ = std::make_unique<OptionsWiring>(*this);
    connectMenu();
    connectTips();
    connectNotifications();
    connect(monitor_.get(), &engine::Monitor::regionLoaded, this, &WeatherApp::regionLoaded);
    connect(monitor_.get(), &engine::Monitor::hotKeyRequested, this, &WeatherApp::registerHotKey);
    common::setIniWriteFailureHandler([this](const QString& path) { settingsNotSaved(path); });
}

void WeatherApp::hideToPanel()
{
    // The options may have switched the display since the last pass: it starts with the texts
    // of the shown stats.
    monitor_->republish();
    displays_->hideMainWindow();
}

void WeatherApp::settingsNotSaved(const QString& path)
{
    const QString folder = QFileInfo(path).absolutePath();
    log_.writeTxt(QStringLiteral("Settings could not be saved to ") + path);
    // At the end of a session nobody is there to answer a box: it would hold up the logout.
    if (saveFailureShown_ || sessionEnding_)
        return;
    saveFailureShown_ = true; // once per run: every later save would fail the same way
    platform::MessageBox::show(
        window_.get(),
        QStringLiteral("Your settings could not be saved in the program folder ") + folder +
            QStringLiteral(". Make sure the folder can be written and the disk is not full; "
                           "until then changes are lost when the program closes."),
        QStringLiteral("Settings Not Saved"), platform::MessageBox::Buttons::Ok,
        platform::MessageBox::Icon::Warning);
}

void WeatherApp::connectMenu()
{
    shell::frmMenu* menu = menu_.get();
    connect(displays_.get(), &shell::PanelDisplays::popupMenuRequested, menu,
            [menu](QPoint at) { menu->popUp(at); });
    // The value icon's host shows the popup menu itself.
    displays_->tray().setContextMenu(menu->trayMenu());
    connect(hotKey_.get(), &shell::HotKey::pressed, menu, [menu] { menu->popUp(); });
    connect(window_.get(), &frmWeather::linksRequested, menu, [menu] { menu->popUpLinks(); });
    connect(window_.get(), &frmWeather::settingsRequested, this, &WeatherApp::showOptions);
    connect(menu, &shell::frmMenu::aboutRequested, this, &WeatherApp::showAbout);
    // The graph entry does what the graph button does, and is usable when the button is.
    connect(menu, &shell::frmMenu::graphRequested, window_.get(), &frmWeather::requestGraph);
    connect(menu, &shell::frmMenu::exportRequested, window_.get(),
            [this] { window_->exportRecord(std::nullopt); });
    connect(menu->trayMenu(), &QMenu::aboutToShow, menu,
            [this] { menu_->setGraphEnabled(window_->graphUsable()); });
    connect(menu, &shell::frmMenu::forecastPicked, window_.get(), &frmWeather::selectForecastPage);
    connect(menu, &shell::frmMenu::radarPicked, window_.get(), &frmWeather::selectRadarPage);
    connect(menu, &shell::frmMenu::showRequested, displays_.get(),
            &shell::PanelDisplays::restoreMainWindow);
    connect(menu, &shell::frmMenu::closeRequested, this, &WeatherApp::quit);
}

void WeatherApp::connectTips()
{
    connect(monitor_.get(), &engine::Monitor::helpTipsRequested, this, &WeatherApp::setHelpTips);
    // The main window's controls are made when it is first shown: their help tips then.
    connect(window_.get(), &frmWeather::controlsMade, this, [this] {
        if (monitor_->settings().toolTips)
            toolTips_.setToolTips({window_.get()});
    });
    connect(monitor_.get(), &engine::Monitor::statTipsRequested, this, &WeatherApp::setStatTips);
    // The ticker is made afresh when the tray comes back: its strip gets the stats tip again.
    connect(&displays_->tray(), &shell::TrayDisplay::statTipsRequested, this,
            &WeatherApp::setStatTips);
    // A stats tip shows the texts of the last pass.
    connect(&toolTips_.tooltip(), &shell::clsTooltip::needText, this, [this](QWidget* tool) {
        const shell::frmTicker* ticker = displays_->tray().ticker();
        QString text;
        if (ticker && tool == ticker->textStrip())
            text = monitor_->texts().tickerTip;
        else if (tool == displays_->banner().textStrip())
            text = monitor_->texts().bannerTip;
        // Values older than the last scan say so.
        if (!text.isEmpty() && !monitor_->texts().staleText.isEmpty())
            text += monitor_->texts().staleText + QStringLiteral("\r\n");
        if (!text.isEmpty())
            toolTips_.updateStatTip(tool, text);
    });
}

void WeatherApp::connectNotifications()
{
    // An installed program's icon is the theme's; a program folder carries its own.
    const QString iconFile = appDir_ + QStringLiteral("icons/nimbulo.svg");
    notices_ = std::make_unique<platform::DesktopNotifications>(
        QStringLiteral("Nimbulo"),
        QFileInfo::exists(iconFile) ? iconFile : QStringLiteral("nimbulo"));
    connect(notices_.get(), &platform::DesktopNotifications::unavailable, this,
            [this](const QString& reason) {
                log_.writeTxt(QStringLiteral("Desktop notifications cannot be shown: ") + reason);
            });
    alarmNotifier_ = std::make_unique<shell::AlarmNotifier>(*notices_);
    connect(alarmNotifier_.get(), &shell::AlarmNotifier::showRequested, this, &WeatherApp::restore);
    connect(monitor_.get(), &engine::Monitor::alarmingChanged, this, [this](bool alarming) {
        if (!alarming)
            alarmNotifier_->ended();
        else if (monitor_->settings().notifyAlarm)
            alarmNotifier_->started(monitor_->alarmFindings().alarmText);
    });
    warningNotifier_ = std::make_unique<shell::WarningNotifier>(*notices_);
    connect(warningNotifier_.get(), &shell::WarningNotifier::pageRequested, this,
            [](const QUrl& page) { platform::openUrl(page.toString()); });
    connect(monitor_.get(), &engine::Monitor::warningsChanged, this, &WeatherApp::notifyWarnings);
}

void WeatherApp::notifyWarnings()
{
    warningNotifier_->update(monitor_->warnings(), monitor_->settings().notifyWarnings);
}

config::frmOptions& WeatherApp::optionsDialog()
{
    if (!options_) {
        options_ = std::make_unique<config::frmOptions>(monitor_->settingsFile(),
                                                        monitor_->settingsForEditing(),
                                                        *optionsWiring_, window_.get());
        // Turning the warnings' notifications off closes those shown.
        connect(options_.get(), &QDialog::accepted, this, &WeatherApp::notifyWarnings);
        showRegionInOptions();
        if (monitor_->settings().toolTips)
            toolTips_.setToolTips({options_.get()});
    }
    return *options_;
}

void WeatherApp::showRegionInOptions()
{
    options_->regionChanged(monitor_->layout(), monitor_->alarmTypes().entries,
                            monitor_->alarmTypes().columns);
}

void WeatherApp::regionLoaded()
{
    // The options dialog, made when first opened, fills its alarm list from the region then.
    if (options_)
        showRegionInOptions();
    menu_->showRegion(appDir_);
}

void WeatherApp::showOptions()
{
    // Without any region (no usable layout file) the dialog still opens, its stat lists empty.
    optionsDialog();
    // The towns of the last forecast product read, under their districts.
    const engine::TownForecasts& product = monitor_->forecast().product();
    QList<config::ForecastTownChoice> towns;
    for (const engine::ForecastTown& town : product.towns) {
        const auto district = std::find_if(
            product.districts.cbegin(), product.districts.cend(),
            [&town](const engine::ForecastDistrict& d) { return d.aac == town.district; });
        towns.append({district == product.districts.cend() ? QString() : district->name, town.name,
                      town.aac});
    }
    options_->setForecastTowns(towns, monitor_->settings().forecastTown);
    options_->setWindowModality(Qt::ApplicationModal);
    options_->show();
    options_->raise();
    options_->activateWindow();
}

void WeatherApp::setHelpTips(bool on)
{
    if (on)
        toolTips_.setToolTips({window_.get(), options_.get(), &displays_->banner()});
    else
        toolTips_.removeToolTips();
}

void WeatherApp::setStatTips()
{
    for (QWidget* strip :
         {displays_->banner().textStrip(),
          displays_->tray().ticker() ? displays_->tray().ticker()->textStrip() : nullptr}) {
        if (strip && !toolTips_.tooltip().hasTool(strip))
            toolTips_.setStatTip(strip);
    }
}

void WeatherApp::registerHotKey()
{
    // At start-up a key held by another program leaves the hotkey off without a word.
    const config::AppSettings& s = monitor_->settings();
    hotKey_->setHotKey(s.hotKeyMain, QString::number(s.hotKeyModifier));
}

WeatherApp::~WeatherApp()
{
    shutdown();
    common::setIniWriteFailureHandler({});
}

void WeatherApp::start()
{
    startReading_.emplace(monitor_->settingsFile());
    connect(monitor_.get(), &engine::Monitor::scanningChanged, this, [this](bool scanning) {
        if (!scanning)
            startReading_.reset();
    });
    // No station chosen yet (a first run): the window comes up so the user picks one.
    const bool firstRun = monitor_->settingsFile().text(QStringLiteral("station_name")).isEmpty();
    monitor_->loadSettings();
    if (const config::AppSettings& s = monitor_->settings(); s.mailSecurity != 0) {
        mailPasswords_->read(s.mailUser, s.mailServer, [this](const QString& password) {
            monitor_->setMailPassword(password);
        });
    }
    // Otherwise the main window stays hidden: the banner or the tray display shows the stats.
    if (firstRun) {
        displays_->restoreMainWindow();
        window_->askForStation();
    } else {
        displays_->startUp();
    }
    platform::pumpEvents();
    monitor_->armFirstScan();
}

void WeatherApp::restore()
{
    // A second start always brings the window up, as the menu's Show does: hidden behind a tray
    // that may have gone, the program would otherwise be out of reach.
    if (!window_->isVisible()) {
        displays_->restoreMainWindow();
        return;
    }
    if (window_->isMinimized())
        window_->showNormal();
    window_->raise();
    window_->activateWindow();
}

void WeatherApp::quit()
{
    // The banner's strip is given back first, then the main window's close ends the run.
    displays_->undoDesk();
    window_->quit();
}

void WeatherApp::endSession()
{
    sessionEnding_ = true;
    quit();
}

void WeatherApp::shutdown()
{
    if (shutDown_)
        return;
    shutDown_ = true;
    if (hotKey_->hotKeyOn())
        hotKey_->clearHotKey();
    toolTips_.closeToolTips();
    // The tray icon or docked ticker goes and the banner's strip is given back before the
    // selection is saved.
    displays_->shutdown();
    monitor_->shutdown();
    outbox_->abandon();
    if (window_->alarmWindow())
        window_->alarmWindow()->close();
    if (errorWindow_)
        errorWindow_->close();
    if (about_)
        about_->close();
    if (versionCheck_->messageWindow())
        versionCheck_->messageWindow()->close();
    if (options_)
        options_->hide();
    QCoreApplication::exit(0);
}

void WeatherApp::showAbout()
{
    if (!about_) {
        about_ = new net::frmAbout(log_, appDir_, window_.get());
        connect(about_, &net::frmAbout::errorLogRequested, this, &WeatherApp::showErrorLog);
        connect(about_, &net::frmAbout::updateRequested, versionCheck_.get(),
                [this] { versionCheck_->checkVersion(true); });
        connect(versionCheck_.get(), &net::VersionCheck::busyChanged, about_,
                &net::frmAbout::setUpdateBusy);
        about_->setUpdateBusy(versionCheck_->busy());
    }
    about_->show();
    about_->raise();
    about_->activateWindow();
}

void WeatherApp::showErrorLog()
{
    if (!errorWindow_)
        errorWindow_ = new net::frmErrMsg(log_, window_.get());
    errorWindow_->show();
    errorWindow_->raise();
}

void WeatherApp::sendAlarmMail(bool endOfAlarm)
{
    const engine::Monitor& m = *monitor_;
    net::AlarmMailFacts facts;
    facts.endOfAlarm = endOfAlarm;
    facts.alarmText = m.alarmFindings().alarmText;
    facts.station = m.stations().currentText();
    facts.names = m.stats().headers; // the main window's stat lists
    facts.values = m.stats().values;
    facts.bureauSite = config::bureauRoot();
    facts.year = QDate::currentDate().year();
    const config::AppSettings& s = m.settings();
    net::MailMessage message;
    message.sender = s.mailSender;
    message.recipient = s.mailRecipient;
    message.subject = net::mail::alarmSubject(endOfAlarm, facts.station,
                                              facts.values.value(m.alarmSettings().column));
    message.text = net::composeAlarmMail(facts, widthIn(QApplication::font("QWidget")));
    message.messageId = net::mail::newMessageId(s.mailSender);
    message.date = QDateTime::currentDateTime();
    // The end mail answers the start mail, so mail programs show them as one thread.
    if (endOfAlarm)
        message.inReplyTo = alarmMailId_;
    else
        alarmMailId_ = message.messageId;
    outbox_->send(net::accountOf(s), message);
}

int runPrint(const QString& appDir, PrintMode mode, QTextStream& out, QTextStream& err)
{
    net::ErrorLog log;
    engine::Monitor monitor(appDir + QStringLiteral("weather.ini"),
                            appDir + QStringLiteral("wsetting.ini"), log,
                            // Printed for a terminal: the leaders count characters.
                            &engine::characterWidth);
    monitor.setExtraFetches(mode == PrintMode::Forecast,
                            mode == PrintMode::Json || mode == PrintMode::Warnings);
    // The run is one start and its scan: every setting from one reading of the file.
    const config::SettingsFile::ReadOnce once(monitor.settingsFile());
    monitor.loadSettings();
    monitor.holdScans();
    monitor.tripLookupTick();
    if (mode == PrintMode::Forecast)
        return printForecast(monitor.forecast(), log, out, err);

    const bool shown = monitor.lastPassShown();
    if (mode == PrintMode::Warnings) {
        const engine::WarningWatch& watch = monitor.warningWatch();
        if (!shown || !watch.available() || !watch.everRead() || watch.lastFailed()) {
            if (!watch.available())
                log.writeTxt(QStringLiteral("The region has no list of warnings (wn_url)."));
            err << lineFeeds(log.text()) << Qt::endl;
            return 1;
        }
        out << engine::warningPrintText(monitor.warnings());
        out.flush();
        return 0;
    }
    if (!shown) {
        if (monitor.layout().sectionName.isEmpty())
            log.writeTxt(QStringLiteral("No region could be selected from ") + appDir +
                         QStringLiteral("weather.ini"));
        err << lineFeeds(log.text()) << Qt::endl;
    }
    if (mode == PrintMode::Json) {
        static const char* const levels[] = {"cold", "mild", "hot", "nostation"};
        // An alarm only where the monitor would raise one: alarms on at its last close and the
        // saved condition holding.
        const bool alarm = !monitor.alarmState().alarmOff &&
                           engine::alarmHolds(monitor.alarmFindings(), monitor.alarmSettings());
        // An observation long older than its product is stale too, and the tip says since when.
        const bool old = shown && !monitor.texts().staleText.isEmpty();
        const bool warning = !monitor.warnings().isEmpty();
        const QString state = alarm           ? QStringLiteral("alarm")
                              : warning       ? QStringLiteral("warning")
                              : !shown || old ? QStringLiteral("stale")
                                              : QStringLiteral("ok");
        QString tip =
            shown ? monitor.texts().tickerTip
                  : log.text() + engine::warningTipText(monitor.warningWatch(), monitor.warnings());
        if (old)
            tip += monitor.texts().staleText;
        // No temperature: no level to style by.
        const bool level = monitor.stats().values.value(1) != QLatin1String("N/F");
        const QString alt = !shown  ? state
                            : level ? QLatin1String(levels[qBound(0, monitor.stats().levelIcon, 3)])
                                    : QStringLiteral("neutral");
        const QJsonObject line{
            {QStringLiteral("text"), shown ? monitor.texts().tickerText : QStringLiteral("--")},
            {QStringLiteral("tooltip"), lineFeeds(tip).trimmed()},
            {QStringLiteral("class"), state},
            {QStringLiteral("alt"), alt}};
        out << QString::fromUtf8(QJsonDocument(line).toJson(QJsonDocument::Compact)) << Qt::endl;
        return 0;
    }
    if (shown) {
        out << lineFeeds(mode == PrintMode::Ticker ? monitor.texts().tickerText
                                                   : monitor.texts().feedText)
            << Qt::endl;
    }
    return shown ? 0 : 1;
}

int runPrintRecord(const QString& appDir, int days, QTextStream& out, QTextStream& err)
{
    net::ErrorLog log;
    const QString name = config::SettingsFile(appDir + QStringLiteral("wsetting.ini"))
                             .text(QStringLiteral("station_name"));
    const QString path = appDir + engine::kRecordFileName.toString();
    // Printing makes no record where there is none.
    if (!QFileInfo::exists(path)) {
        err << QStringLiteral("There is no observation record in ") << appDir << Qt::endl;
        return 1;
    }
    const engine::ObservationRecord record(path, log);
    const QString station = record.stationNamed(name);
    if (station.isEmpty()) {
        log.writeTxt(QStringLiteral("The record holds no readings of the station ") + name +
                     QLatin1Char('.'));
        err << lineFeeds(log.text()) << Qt::endl;
        return 1;
    }
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    out << record.csv(station, now - qint64(days) * 24 * 3600, now);
    out.flush();
    return 0;
}

} // namespace app
