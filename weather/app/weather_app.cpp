#include "weather/app/weather_app.h"

#include "platform/event_pump.h"
#include "weather/config/layout_file.h"
#include "weather/net/frm_about.h"
#include "weather/net/frm_err_msg.h"
#include "weather/net/frm_upd_msg.h"
#include "weather/net/mail_composer.h"
#include "weather/net/version_check.h"

#include <QApplication>
#include <QDate>
#include <QGuiApplication>
#include <QScreen>
#include <QTextStream>

namespace app {
namespace {

engine::TextWidth widthIn(const QFont& font)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return engine::twipsWidth(font, screen ? screen->logicalDotsPerInchX() : 96.0);
}

QString lineFeeds(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

WeatherApp::WeatherApp(const QString& appDir, QObject* parent) : QObject(parent), appDir_(appDir)
{
    window_ = nullptr;
    // The leaders of the tooltip and feed are measured in the main window's font.
    const QFont windowFont = QApplication::font("QWidget");
    monitor_ = std::make_unique<engine::Monitor>(appDir + QStringLiteral("weather.ini"),
                                                 appDir + QStringLiteral("wsetting.ini"), log_,
                                                 widthIn(windowFont));
    window_ = std::make_unique<frmWeather>(*monitor_);
    connect(window_.get(), &frmWeather::closing, this, &WeatherApp::shutdown);
    versionCheck_ = std::make_unique<net::VersionCheck>(
        monitor_->inet(), appDir, monitor_->settings().checkDate, window_.get());
    connect(window_.get(), &frmWeather::aboutRequested, this, &WeatherApp::showAbout);
    connect(monitor_.get(), &engine::Monitor::mailDue, this, &WeatherApp::sendAlarmMail);
    connect(monitor_.get(), &engine::Monitor::versionCheckDue, versionCheck_.get(),
            [this] { versionCheck_->checkVersion(false); });
    trayHost_ = platform::createTrayHost();
    displays_ = std::make_unique<shell::PanelDisplays>(*monitor_, *window_, *trayHost_);
    connect(window_.get(), &frmWeather::hideRequested, displays_.get(),
            &shell::PanelDisplays::hideMainWindow);
}

WeatherApp::~WeatherApp()
{
    shutdown();
}

void WeatherApp::start()
{
    monitor_->loadSettings();
    // The main window stays hidden: the banner or the tray display shows the stats.
    displays_->startUp();
    platform::pumpEvents();
    monitor_->armFirstScan();
}

void WeatherApp::restore()
{
    if (window_->isMinimized()) {
        window_->showNormal();
        window_->raise();
        window_->activateWindow();
    }
}

void WeatherApp::shutdown()
{
    if (shutDown_)
        return;
    shutDown_ = true;
    // The tray icon or docked ticker goes and the banner's strip is given back before the
    // selection is saved.
    displays_->shutdown();
    monitor_->shutdown();
    if (window_->alarmWindow())
        window_->alarmWindow()->close();
    if (errorWindow_)
        errorWindow_->close();
    if (about_)
        about_->close();
    if (versionCheck_->messageWindow())
        versionCheck_->messageWindow()->close();
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
    facts.station = m.stations.currentText();
    facts.names = m.stats().headers; // the main window's stat lists
    facts.values = m.stats().values;
    facts.bureauSite = config::bureauRoot();
    facts.year = QDate::currentDate().year();
    const config::AppSettings& s = m.settings();
    const QString text = net::composeAlarmMail(facts, widthIn(QApplication::font("QWidget")));
    monitor_->inet().MailStatsTo({s.mailServer, s.mailPort}, s.mailSender, s.mailRecipient, text);
}

int runPrint(const QString& appDir, PrintMode mode, QTextStream& out, QTextStream& err)
{
    net::ErrorLog log;
    engine::Monitor monitor(appDir + QStringLiteral("weather.ini"),
                            appDir + QStringLiteral("wsetting.ini"), log, widthIn(QFont()));
    monitor.loadSettings();
    monitor.scanTimer.stop();
    monitor.tripLookupTick();

    if (!monitor.lastPassShown()) {
        if (monitor.layout().sectionName.isEmpty())
            log.writeTxt(QStringLiteral("No region could be selected from ") + appDir +
                         QStringLiteral("weather.ini"));
        err << lineFeeds(log.text()) << Qt::endl;
        return 1;
    }
    out << lineFeeds(mode == PrintMode::Ticker ? monitor.tickerText : monitor.feedText) << Qt::endl;
    return 0;
}

} // namespace app
