#include "weather/shell/cls_tooltip.h"

#include <QApplication>
#include <QBuffer>
#include <QHelpEvent>
#include <QPalette>
#include <QStyle>
#include <QToolTip>
#include <QWidget>

namespace shell {
namespace {

// The icon as an inline image, so the tip's rich text needs no resource file.
QString iconHtml(int icon)
{
    QStyle::StandardPixmap pixmap;
    switch (icon) {
    case 1:
        pixmap = QStyle::SP_MessageBoxInformation;
        break;
    case 2:
        pixmap = QStyle::SP_MessageBoxWarning;
        break;
    case 3:
        pixmap = QStyle::SP_MessageBoxCritical;
        break;
    default:
        return {};
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QApplication::style()->standardIcon(pixmap).pixmap(16, 16).save(&buffer, "PNG");
    return QStringLiteral("<img src=\"data:image/png;base64,%1\" width=\"16\" height=\"16\">")
        .arg(QString::fromLatin1(png.toBase64()));
}

QString composeHtml(const QString& text, const TipStyle& style)
{
    QStringList lines =
        QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")).split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = line.toHtmlEscaped();
    QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"%1\" width=\"%2\">")
                       .arg(style.margin)
                       .arg(style.width);
    const QString icon = iconHtml(style.icon);
    if (!style.title.isEmpty() || !icon.isEmpty())
        html += QStringLiteral("<tr><td width=\"20\">%1</td><td><b>%2</b></td></tr>")
                    .arg(icon, style.title.toHtmlEscaped());
    html += QStringLiteral("<tr><td colspan=\"2\"%1>%2</td></tr></table>")
                .arg(style.centered ? QStringLiteral(" align=\"center\"") : QString(),
                     lines.join(QLatin1String("<br>")));
    return html;
}

} // namespace

clsTooltip::clsTooltip(QObject* parent) : QObject(parent) {}

clsTooltip::~clsTooltip()
{
    for (auto it = tools_.cbegin(); it != tools_.cend(); ++it)
        it.key()->removeEventFilter(this);
}

bool clsTooltip::addTool(QWidget* tool, const QString& text, const TipStyle& style)
{
    if (!tool)
        return false;
    if (!tools_.contains(tool)) {
        tool->installEventFilter(this);
        connect(tool, &QObject::destroyed, this,
                [this, tool] { tools_.remove(static_cast<QWidget*>(tool)); });
    }
    tools_.insert(tool, {text, style});
    return true;
}

bool clsTooltip::updateTool(QWidget* tool, const QString& text, const TipStyle& style)
{
    if (!tools_.contains(tool))
        return false;
    tools_.insert(tool, {text, style});
    return true;
}

void clsTooltip::removeTool(QWidget* tool)
{
    if (!tools_.remove(tool))
        return;
    tool->removeEventFilter(this);
    disconnect(tool, &QObject::destroyed, this, nullptr);
    if (QToolTip::isVisible() && tool->underMouse())
        QToolTip::hideText();
}

bool clsTooltip::hasTool(QWidget* tool) const
{
    return tools_.contains(tool);
}

QString clsTooltip::tipHtml(QWidget* tool) const
{
    const auto it = tools_.constFind(tool);
    return it == tools_.cend() ? QString() : composeHtml(it->text, it->style);
}

bool clsTooltip::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return false;
    auto* tool = qobject_cast<QWidget*>(watched);
    if (!tools_.contains(tool))
        return false;
    Q_EMIT needText(tool);
    const Tool& t = tools_[tool];
    // The tool tip's palette is shared: set for every tip, so a coloured tip does not colour
    // the next one.
    static const QPalette systemPalette = QToolTip::palette();
    QPalette palette = systemPalette;
    if (t.style.foreColor.isValid())
        palette.setColor(QPalette::ToolTipText, t.style.foreColor);
    if (t.style.backColor.isValid())
        palette.setColor(QPalette::ToolTipBase, t.style.backColor);
    QToolTip::setPalette(palette);
    const auto* help = static_cast<QHelpEvent*>(event);
    QToolTip::showText(help->globalPos(), composeHtml(t.text, t.style), tool, tool->rect());
    return true;
}

const QList<HelpTip>& helpTipTable()
{
    static const QStringList polling = {"Use Scroll to set intervals between updates",
                                        "Observations stats are hourly",
                                        "10 minutes is minimum polling time between updates"};
    static const QList<HelpTip> table = {
        {"cmdForecast",
         "Forecast button:",
         {"Select a forecast type from list then press this button to display or print "
          "forecast"}},
        {"cmdMap",
         "Map button:",
         {"Displays weather station map to determine your closest station"}},
        {"cmdRadar",
         "Rain Radar button:",
         {"Select a Rain radar location from the list then press this button to display "
          "Looping Rain radar page"}},
        {"cmbState",
         "State / Region list:",
         {"Begin by selecting a state", "Next select a observation station"}},
        {"cmbCurrStation",
         "Observation Stations list:",
         {"Selecting an observation station", "The Program will start scanning for stats"}},
        {"cmbDisplay",
         "Tray Display type list:",
         {"Select an obsevation type",
          "The observation stat selected is displayed in System Tray"}},
        {"cmbExtDisplay",
         "Tray Display type list 2:",
         {"Select an obsevation type",
          "The observation stat selected is displayed in System Tray additonal to the one "
          "above",
          "Arrange in order so they both display correctly"}},
        {"cmdClip",
         "Clipboard button:",
         {"This button will copy ALL observation stats to clipboard",
          "From the clipboard you can paste as text to another program"}},
        {"cmdRefresh", "Refresh button:", {"This button will Refresh / Update observations"}},
        {"cmdSettings", "Settings button:", {"Set and save all the Nimbulo program options"}},
        {"cmdAbout",
         "About dialog button:",
         {"Information about this program, with links to the Bureau of Meteorology and to "
          "the program's maker"}},
        {"cmdHide",
         "Hide to Display button:",
         {"This button closes the main window down to the system tray or banner whichever "
          "you have set in options"}},
        {"cmdClose", "Close program button:", {"This button closes down the program completely"}},
        {"cmdGraph",
         "Historical Graph button:",
         {"This button opens a window to display graphs of up to the last 72 hours weather "
          "for the station selected",
          "Scale is Min to Max values, select the type of reading and number of hours to "
          "display."}},
        {"cmdLinks", "Weather links menu button:", {"This button shows Weather links menu."}},
        {"chkAlarm", "Alarm Toggle:", {"Check box to Enable and Disable all Alarms."}},
        {"cmdMenu",
         "Banner display menu:",
         {"This button displays menu items",
          "Choose an item to view Forecasts, rain radar images or update stats manually",
          "Also allows you to Set options, view information about this program or close the "
          "program"}},
        {"chkUpdates",
         "Version Autocheck toggle:",
         {"This option is on by default to Autocheck INI file and program version every "
          "24hrs minimum (20bytes used per check)",
          "This is nesecary to ensure weather Data is decoded properly using up to date INI "
          "layout",
          "If you disable it make sure you periodically check for updates manually"},
         2},
        {"chkTrendArrow",
         "Temp trend option:",
         {"Check this option to display or hide Temperature trend indicator",
          "This is the arrow Icon next to the text value in the Banner or Tray display."}},
        {"Frame1", "Polling time:", polling},
        {"lblObsTime", "Polling time value:", polling},
        {"Frame3",
         "Icon display Tool Tip:",
         {"Use Scroll controls to set temperature indication points",
          "The appropriate Icon is displayed according to current temperature stats "
          "reading"}},
        {"chkStartIcon",
         "Start-up Shortcut",
         {"Select to create a shortcut in your autostart folder (~/.config/autostart)",
          "Nimbulo will start when your desktop session starts"}},
        {"cmbDispType",
         "Display option:",
         {"Choose to display one selected weather stat in the System Tray or",
          "Choose to display a mini banner that will show all stats across your screen"}},
        {"cmbBanner",
         "Position option:",
         {"Choose to display banner at the top or bottom of your screen"}},
        {"chkHotKey",
         "Global Menu Hot Key:",
         {"Toggle on and choose a HotKey to fast access the program menu from Banner or Tray "
          "display. Menu appears under mouse cursor.",
          "Press Set Key/s then type in the key or sequence of keys you want as Hot Key/s "
          "then press OK."}},
        {"cmdColorChoice_0",
         "Foreground color selection:",
         {"Choose the foreground (text) color for the banner and numerical Tray display"}},
        {"cmdColorChoice_1",
         "Background color selection:",
         {"Choose the background  color for the banner and numerical Tray display"}},
        {"chkColorSys",
         "Color option:",
         {"Use the system colors or uncheck to use optional colour set"}},
        {"chkFontSys", "Font option:", {"Use the system font or uncheck to use optional font set"}},
        {"cmbTempAlert",
         "Alert set:",
         {"Select to Alert above or below set point or no alerts at all"}},
        {"cmbTempAlertType",
         "Alert for:",
         {"Select stat type to alert on",
          "Use up / down scroll below to select the value for Alert set point"}},
        {"cmbTempAlertWind",
         "Wind direction Alert:",
         {"Select a Any Wind direction or specify direction as additional condition of "
          "alert."}},
        {"chkAlarmSound",
         "Sound Alert:",
         {"Select check box to Play (Ding.wav) sound every 4 seconds in addition to visual "
          "alert."}},
        {"chkSendMail",
         "E-mail Alert:",
         {"Select check box to Send E-mail message containing Alarm condition and latest "
          "stats."}},
        {"chkSendMailEnd",
         "E-mail Alert End:",
         {"Select check box to Send E-mail message at end of Alarm condition with latest "
          "stats."}},
        {"cmdSendMail",
         "E-mail Alert End:",
         {"Set E-mail server, sender and recipient information to send Alarms to."}},
        {"chkToolTip",
         "Tool Tips toggle",
         {"Check this to display popup tips like this when mouse is held over controls in "
          "the program",
          "Uncheck to turn off all Tool Tips"}},
        {"cmdSetCon",
         "Set Proxy sever",
         {"Displays dialog box to set http proxy server name and port, also allows username "
          "and password for proxy log-in if required.",
          "Setting proxy to default uses the system's proxy: the environment's https_proxy, "
          "http_proxy, ftp_proxy, all_proxy and no_proxy, else the desktop's proxy "
          "settings."}},
    };
    return table;
}

void ToolTipHelp::setToolTips(const QList<QWidget*>& windows)
{
    for (const HelpTip& tip : helpTipTable()) {
        for (QWidget* window : windows) {
            QWidget* control = window ? window->findChild<QWidget*>(tip.control) : nullptr;
            if (!control)
                continue;
            TipStyle style;
            style.title = tip.title;
            style.icon = tip.icon;
            tooltip_.addTool(control, tip.lines.join(QLatin1String("\r\n")), style);
            if (!helpTools_.contains(control))
                helpTools_.append(control);
        }
    }
}

void ToolTipHelp::removeToolTips()
{
    for (const QPointer<QWidget>& control : std::as_const(helpTools_)) {
        if (control)
            tooltip_.removeTool(control);
    }
    helpTools_.clear();
}

void ToolTipHelp::setStatTip(QWidget* strip)
{
    TipStyle style;
    style.title = QStringLiteral("Nimbulo:");
    style.width = 300;
    if (tooltip_.addTool(strip, QStringLiteral("Stats Not Updated"), style) &&
        !statTools_.contains(strip))
        statTools_.append(strip);
}

void ToolTipHelp::updateStatTip(QWidget* strip, const QString& text)
{
    TipStyle style;
    style.title = QStringLiteral("Nimbulo:");
    style.width = 300;
    tooltip_.updateTool(strip, text, style);
}

void ToolTipHelp::closeToolTips()
{
    removeToolTips();
    for (const QPointer<QWidget>& strip : std::as_const(statTools_)) {
        if (strip)
            tooltip_.removeTool(strip);
    }
    statTools_.clear();
}

} // namespace shell
