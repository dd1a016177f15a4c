#pragma once

#include "weather/config/custom_menus.h"

#include <QCursor>
#include <QList>
#include <QPoint>
#include <QWidget>

#include <array>

class QAction;
class QMenu;

namespace config {
struct StateLayout;
}
namespace engine {
class Monitor;
}

namespace shell {

// Opens a menu entry's address in the browser; nothing for an empty address.
void openMenuUrl(const QString& url);

// The hidden form that holds the popup menu `mnuTray`, which drives the program while the main
// window is hidden. It pops up at the mouse from the tray icon, the docked ticker, the banner's
// menu button and the global hotkey. Its forecast, radar and custom link entries follow the
// region the monitor has loaded (regionLoaded()), as do its weather-information links. Show, close,
// graph and about are handed to the program through signals. Its entries are reached by their
// object names (mnuUpdate, mnuForeType_<i>, mnuCLinksType0_<i>, ...).
class frmMenu : public QWidget
{
    Q_OBJECT
public:
    explicit frmMenu(engine::Monitor& monitor, QWidget* parent = nullptr);

    // Pops `mnuTray` up at `at` (the mouse by default).
    void popUp(const QPoint& at = QCursor::pos());
    // The links submenu alone, for the main window's links button.
    void popUpLinks(const QPoint& at = QCursor::pos());

    // Follows the monitor's new region: forecast and radar entries, the weather-information
    // links, custom link menus from the program folder `appDir`, then the menu pictures.
    void showRegion(const QString& appDir);

    // `mnuTray`, for a tray icon's own context menu.
    QMenu* trayMenu() const { return mnuTray; }
    // "Historical Graphs" is usable exactly when the main window's graph button is.
    void setGraphEnabled(bool on);

Q_SIGNALS:
    void graphRequested();
    void exportRequested(); // "Export record..."
    void aboutRequested();
    void showRequested();  // leave the hidden state and show the main window
    void closeRequested(); // leave the hidden state and end the program
    void forecastPicked(int index);
    void radarPicked(int index);

private:
    QMenu* mnuTray;
    // "Warnings": the headline of each warning in force, opening its page; or, greyed, why
    // there is none to show. Hidden for a region without warnings.
    QMenu* mnuWarnings;
    QMenu* mnuForecast;
    QList<QAction*> mnuForeType;
    QAction* mnuSep1;
    QMenu* mnuRain;
    QList<QAction*> mnuRainType;
    QAction* mnuSep2;
    QAction* mnuGraph;
    QAction* mnuExport;
    QAction* mnuSep3;
    QAction* mnuUpdate;
    QAction* mnuSep;
    QMenu* mnuLinksType;
    QList<QAction*> mnuLink1; // the region's weather-information links (the layout's)
    QAction* mnuSepC;
    std::array<QMenu*, 2> mnuCLinksType{};
    QAction* mnuSep4;
    QAction* mnuAbout;
    QAction* mnuShow;
    QAction* mnuClose;

    // The link entries of one custom menu (`mnuCLinksType0`/`1`), its extra entries
    // (`mnuCLinksType0Ext`/`1Ext`) in the submenu of its first link, and that link's own
    // entry at the head of the submenu.
    struct CustomEntries
    {
        QList<QAction*> links;
        QMenu* extraMenu = nullptr;
        QAction* firstLink = nullptr;
        QList<QAction*> extras;
    };

    void buildTree();
    void showInfoLinks();
    void showWarnings();
    void showPages(QMenu* menu, QList<QAction*>& entries, const QStringList& names,
                   const char* name, void (frmMenu::*pick)(int));
    void pickForecast(int index);
    void pickRadar(int index);
    void showCustomMenu(int k);
    QAction* customAction(QMenu* menu, const QString& name, int k, bool extra, int index);

    engine::Monitor& monitor_;
    config::CustomMenus custom_;
    std::array<CustomEntries, 2> customEntries_;
};

} // namespace shell
