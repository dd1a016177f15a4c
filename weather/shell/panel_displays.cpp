#include "weather/shell/panel_displays.h"

#include "platform/session_abilities.h"
#include "weather/engine/monitor.h"
#include "weather/shell/level_images.h"

#include <QApplication>
#include <QToolButton>

namespace shell {

PanelDisplays::PanelDisplays(engine::Monitor& monitor, QWidget& mainWindow,
                             platform::TrayHost& host, QObject* parent)
    : QObject(parent), monitor_(monitor), mainWindow_(mainWindow), tray_(host)
{
    connect(&monitor_, &engine::Monitor::published, this, &PanelDisplays::published);
    // A scan that ends without new values marks the ticker's face old.
    connect(&monitor_, &engine::Monitor::staleChanged, this, [this] {
        setTrayContent();
        tray_.paintTicker();
        if (banner_.isVisible())
            printBanner();
    });
    // The warning mark follows the warnings in force, whether or not the values changed.
    connect(&monitor_, &engine::Monitor::warningsChanged, this, &PanelDisplays::published);
    connect(&monitor_, &engine::Monitor::displayChoiceChanged, this,
            &PanelDisplays::setDisplayWidth);
    connect(&tray_, &TrayDisplay::popupMenuRequested, this, &PanelDisplays::popupMenuRequested);
    connect(&banner_, &frmDesk::popupMenuRequested, this, &PanelDisplays::popupMenuRequested);
    connect(&banner_, &frmDesk::restoreRequested, this, &PanelDisplays::restoreMainWindow);
    connect(&tray_, &TrayDisplay::restoreRequested, this, [this] {
        mainWindow_.show();
        mainWindow_.raise();
        mainWindow_.activateWindow();
    });
    connect(&tray_, &TrayDisplay::noDataShown, this,
            [this] { monitor_.showNoDataTip(kNoDataTip); });
    connect(&tray_, &TrayDisplay::statTipsRequested, this,
            [this] { tray_.ticker()->textStrip()->setToolTip(monitor_.texts().tickerTip); });
    // Whenever the tray goes and nothing shows the value, the main window comes back.
    connect(&tray_, &TrayDisplay::trayLost, this, &PanelDisplays::keepReachable);
    // Hidden by the panel, the ticker shows nothing: the main window does instead.
    connect(&tray_, &TrayDisplay::valueHidden, this, [this] {
        if (!mainWindow_.isVisible())
            mainWindow_.show();
    });
    connect(&tray_, &TrayDisplay::noXpHelpChosen, &monitor_, &engine::Monitor::chooseNoXpHelp);
}

PanelDisplays::~PanelDisplays() = default;

bool PanelDisplays::bannerChosen() const
{
    // Where no strip can be reserved the banner would be half a banner: the tray shows instead.
    return monitor_.settings().banner &&
           platform::notAvailable(platform::Ability::ReservedStrip).isEmpty();
}

void PanelDisplays::setDisplayWidth()
{
    tray_.setCellCount(engine::displayCellCount(
        monitor_.displays().currentText(), monitor_.displays2().currentText(),
        monitor_.settings().showTrend, monitor_.secondValue()));
}

PanelMarks PanelDisplays::marks() const
{
    return monitor_.texts().staleText.isEmpty() ? PanelMarks() : PanelMarks(PanelMark::Stale);
}

void PanelDisplays::applyTrayOptions()
{
    const config::AppSettings& s = monitor_.settings();
    TrayOptions options;
    options.useSysColor = s.useSysColor;
    options.useSysFont = s.useSysFont;
    options.foreColor = s.foreColor;
    options.backColor = s.backColor;
    options.displayFont = s.displayFont;
    options.noXpHelp = s.noXpHelp;
    options.preferSni = s.traySni;
    tray_.setOptions(options);
    setTrayContent();
}

void PanelDisplays::setTrayContent()
{
    const config::AppSettings& s = monitor_.settings();
    tray_.setContent({monitor_.texts().tickerText, s.showTrend, monitor_.stats().trendArrow,
                      marks(), !monitor_.warnings().isEmpty()},
                     monitor_.stats().levelIcon);
    // The value icon's tip says, as the other stats tips do, when the values are old.
    QString tip = monitor_.texts().tickerTip;
    if (!monitor_.texts().staleText.isEmpty())
        tip += monitor_.texts().staleText + QStringLiteral("\r\n");
    const QString station = monitor_.stations().currentText();
    const QString time = monitor_.stats().obsTime;
    const QString title = station.isEmpty() || time.isEmpty()
                              ? QStringLiteral("Nimbulo")
                              : station + QStringLiteral(" at ") + time;
    tray_.setValueFacts(title, tip,
                        !monitor_.alarmState().alarmOff &&
                            engine::alarmHolds(monitor_.alarmFindings(), monitor_.alarmSettings()));
}

void PanelDisplays::startTray()
{
    applyTrayOptions();
    tray_.startTrayDisplay();
    if (!tray_.state().tickerDocked)
        tray_.setStdTray();
}

void PanelDisplays::startBanner()
{
    banner_.initBanner(!monitor_.settings().bannerBottom);
    banner_.showBanner();
    printBanner();
}

void PanelDisplays::startUp()
{
    if (bannerChosen()) {
        startBanner();
        return;
    }
    setDisplayWidth();
    startTray();
    tray_.paintTicker();
    keepReachable();
}

void PanelDisplays::hideMainWindow()
{
    mainWindow_.hide();
    if (bannerChosen()) {
        startBanner();
    } else {
        setDisplayWidth();
        // A fresh pass without a trend reference, so the display starts from the shown stats.
        if (monitor_.stationChosen())
            monitor_.pickStation(monitor_.stations().selected);
        else
            monitor_.showStats();
        startTray();
    }
    tray_.paintTicker();
    keepReachable();
}

void PanelDisplays::keepReachable()
{
    if (bannerChosen())
        return;
    if (!tray_.state().tickerDocked && !tray_.stdIconShown())
        mainWindow_.show();
}

void PanelDisplays::restoreMainWindow()
{
    if (banner_.isVisible())
        banner_.closeBanner();
    // The value icon stays beside the window; the ticker and the standard icon give way to it.
    if (!tray_.staysWithWindow()) {
        if (tray_.state().trayActive) {
            if (tray_.state().tickerDocked)
                tray_.stopDockedTicker();
            else
                tray_.closeStdTray();
        }
        tray_.setInUse(false);
    }
    mainWindow_.show();
    mainWindow_.raise();
    mainWindow_.activateWindow();
}

void PanelDisplays::undoDesk()
{
    banner_.undoDesk();
}

void PanelDisplays::shutdown()
{
    tray_.shutdown();
    banner_.closeBanner();
}

void PanelDisplays::printBanner()
{
    const config::AppSettings& s = monitor_.settings();
    const QPalette palette = QApplication::palette();
    QColor foreground;
    QColor background;
    if (!s.useSysColor) {
        foreground = s.foreColor;
        background = s.backColor;
    } else {
        // With a theme: the active caption's colours; else the main window's own.
        foreground = palette.color(QPalette::HighlightedText);
        background = palette.color(QPalette::Highlight);
    }
    banner_.setLook(foreground, background, s.useSysFont ? QApplication::font() : s.displayFont);
    const engine::StatTable& stats = monitor_.stats();
    const bool noData = stats.values.value(0).isEmpty();
    const int arrow = noData ? engine::TrendNone : stats.trendArrow;
    // Before the first pass that found the station the line says so.
    const QString text = noData ? engine::bannerTextOf(stats, engine::TransLabels()).text
                                : monitor_.texts().bannerText;
    banner_.setText(text, s.showTrend, trendArrow(arrow), noData ? PanelMarks() : marks());
    banner_.setWarning(!monitor_.warnings().isEmpty());
    banner_.setMenuIcon(levelIcon(stats.levelIcon));
    banner_.prtBanner();
    banner_.textStrip()->setToolTip(monitor_.texts().bannerTip);
}

void PanelDisplays::published()
{
    const config::AppSettings& s = monitor_.settings();
    setTrayContent();
    tray_.paintTicker();
    if (!tray_.state().tickerDocked && tray_.state().trayActive)
        tray_.notifyStdTray();
    if (s.banner)
        printBanner();
}

} // namespace shell
