#pragma once

#include "weather/shell/frm_alert.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace platform {
class FeedBox;
}
namespace engine {
class GraphPage;
class Monitor;
} // namespace engine
namespace shell {
class ForecastStrip;
}

namespace app {

// A passing note: `text` in a tooltip-like window "passingNote" at `at` (global) for `msecs`
// (a newer note replaces it); for what needs no answer.
void showPassingNote(const QString& text, const QPoint& at, int msecs);

// The main window "Nimbulo (Australia) ver x.y.z": region, station and display choices, the
// list of all values, forecast, radar and map pages, the scan status and the buttons. It shows
// what the Monitor holds and hands the user's actions to it; it owns the alarm window and the
// feed box that the screen saver reads.
//
// The window itself (its title and the feed box) exists from the start; its controls are made
// when it is first shown, or by makeControls(). A monitor that stays in the panel never needs
// them, and made late they show what the Monitor holds then.
class frmWeather : public QWidget
{
    Q_OBJECT
public:
    explicit frmWeather(engine::Monitor& monitor, QWidget* parent = nullptr);
    ~frmWeather() override;

    void makeControls();
    bool hasControls() const { return cmbState != nullptr; }
    // Showing the window makes its controls first.
    void setVisible(bool visible) override;

    // What the screen saver reads: the feed text or the alarm text.
    const QString& txtScr() const;
    shell::frmAlert* alarmWindow() const { return alarm_; }

    // The graph button's action: fetches the shown station's history and draws it. The menu
    // entry follows graphPage().graphEntryEnabled.
    void getGraphPage();
    // The popup menu's graph entry: usable exactly when the graph button is (or would be), and
    // then does what it does.
    bool graphUsable() const;
    void requestGraph();
    // The popup menu's page entries select the page in the window's lists too.
    void selectForecastPage(int row);
    void selectRadarPage(int row);
    // A first run: the station box takes the focus, and once the first scan lists the
    // stations a passing note points at it.
    void askForStation();
    engine::GraphPage& graphPage() { return *graph_; }

    // "Export record...": the shown station's record over `span` (a GraphSpan; nullopt: asked
    // for) as CSV into a file the user names. Told in a message box when there is nothing to
    // export or the file cannot be written.
    void exportRecord(std::optional<int> span);
    // How the export asks; replaceable so a test can answer. Empty path / nullopt: cancelled.
    std::function<QString(const QString& suggested)> askExportPath;
    std::function<std::optional<int>()> askExportSpan;

    // The program's own close (the Close button, the popup menu's Close, the session's end):
    // the window closes and the program ends.
    void quit();
    // The window manager's close (the title bar's ×, Alt+F4) asks this first: true when the
    // window went to a panel display, which keeps the program running; unset or false: the
    // program ends as with quit().
    std::function<bool()> closeToPanel;

Q_SIGNALS:
    void aboutRequested();
    void settingsRequested(); // cmdSettings
    void linksRequested();    // cmdLinks: the links menu pops up at the pointer
    void closing();           // the window is closing: the program shuts down
    void hideRequested();     // cmdHide: the monitor moves to the panel
    void controlsMade();      // the controls were just made (their help tips are due)

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    void describeControls(); // accessible names and the tab order
    void connectMonitor();   // what follows the Monitor with or without the controls
    void connectControls();
    void showScanState(); // the status labels and the boxes a scan disables, as they are now
    void published();
    // The shown station has a history to graph and none is being fetched.
    bool graphAvailable() const;
    void showRegionLists();
    void showStationList();
    void showDisplayChoice();
    void showStats();
    void openAlarmWindow();
    void copyToClipboard();
    void showWarnings();
    void openWarningLink(const QString& link);

    QComboBox* cmbState = nullptr;
    QComboBox* cmbCurrStation = nullptr;
    QComboBox* cmbDisplay = nullptr;
    QComboBox* cmbExtDisplay = nullptr;
    QCheckBox* chkShowExt = nullptr;
    std::array<QListWidget*, 2> List1{}; // headers, values
    QListWidget* lstForecast = nullptr;
    QListWidget* lstRadar = nullptr;
    QPushButton* cmdForecast = nullptr;
    QPushButton* cmdRadar = nullptr;
    QPushButton* cmdMap = nullptr;
    QPushButton* cmdRefresh = nullptr;
    QPushButton* cmdClip = nullptr;
    QPushButton* cmdSettings = nullptr;
    QPushButton* cmdAbout = nullptr;
    QPushButton* cmdHide = nullptr;
    QPushButton* cmdClose = nullptr;
    QPushButton* cmdGraph = nullptr;
    QPushButton* cmdLinks = nullptr;
    QCheckBox* chkAlarm = nullptr;
    QLabel* lblScanNow = nullptr;
    QLabel* lblScanErr = nullptr;
    QLabel* lblIsConnect = nullptr;
    QLabel* lblTrend = nullptr; // the current trend arrow (element 0 of the arrow images)
    QLabel* lblStale = nullptr; // why the values on show are old, while they are
    QLabel* lblToday = nullptr; // the day's highest and lowest temperature so far, from the record
    shell::ForecastStrip* fraForecast = nullptr; // the town forecast for the next days
    // "Warnings": the headline of each warning in force, newest first, each a link to its page
    // with a "details" link that reads its full product; or why there are none to show.
    QLabel* lblWarnings = nullptr;

    engine::Monitor& monitor_;
    std::unique_ptr<platform::FeedBox> feed_;
    QPointer<shell::frmAlert> alarm_;
    std::unique_ptr<engine::GraphPage> graph_;
    bool quitting_ = false;
};

} // namespace app
