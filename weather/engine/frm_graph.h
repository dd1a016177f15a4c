#pragma once

#include "weather/config/layout_file.h"
#include "weather/engine/history_graph.h"

#include <QObject>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QPushButton;

namespace net {
class ErrorLog;
class frmInet;
} // namespace net

namespace engine {

struct ListModel;

// The graph's drawing area: a black field with the stat's line in yellow and the day changes
// as white marks. The plot is drawn one unit in from each edge, so a line at the extremes stays
// whole; the area holds no data beyond the last plot it was given.
class GraphCanvas : public QWidget
{
    Q_OBJECT
public:
    explicit GraphCanvas(QWidget* parent = nullptr);

    // The plot's units are pixels; the area is this widget's size less the margins.
    static constexpr int kMargin = 1;
    QSizeF plotArea() const;

    void setPlot(const GraphPlot& plot);
    void clear();

Q_SIGNALS:
    void resized();
    void mouseMovedTo(double plotX); // the mouse's x in plot units

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    GraphPlot plot_;
};

// The graph window "3 Day (72hr) Graph": one stat of the history drawn over 12, 24, 48 or 72
// hours, with the day changes marked, the oldest and newest times, the maximum and minimum
// labelled at their entries and the value under the mouse as a tooltip. It draws from the
// history table it was given and keeps nothing of its own but the stat list of that download;
// changing the stat or the hours redraws without fetching. The graph follows the window's size.
class frmGraph : public QWidget
{
    Q_OBJECT
public:
    // `history` must outlive the window.
    explicit frmGraph(const HistoryTable& history, QWidget* parent = nullptr);
    ~frmGraph() override;

    // The clock for the history dates (today's date by default).
    void setClock(std::function<QDate()> today) { today_ = std::move(today); }

    static QString baseCaption() { return QStringLiteral("3 Day (72hr) Graph"); }

    QComboBox* cmbGrphType; // item data: the 0-based layout column
    QComboBox* cmbGrpHrs;
    GraphCanvas* picCanvas;
    std::array<QLabel*, 2> lblMinMax;   // maximum (or a status text), minimum
    std::array<QLabel*, 2> lblDateTime; // oldest, newest time shown
    std::array<QLabel*, 2> lblDisp;     // times of the maximum and the minimum
    QPushButton* cmdClose;
    QPushButton* cmdWlinks;

    // What a download draws with: the region's layout, its graph list, the station's history
    // page and its name for the caption. The stat list is refilled from `graphList`.
    void setSource(const config::StateLayout& layout, const ListModel& graphList,
                   const QString& historyUrl, const QString& station);

    // The download's stages (see GraphPage::getGraphPage).
    void showDownloading();
    void showNoData();
    void enableChoices();
    void showDrawing();

    void drawGraph();

private:
    void buildLayout();
    void placeLabel(QLabel* label, const QString& text, double left);
    void moveLabel(QLabel* label, double left);
    void showReadout(double plotX);

    const HistoryTable& history_;
    std::function<QDate()> today_;
    config::StateLayout layout_;
    QString historyUrl_;
    QString station_;
    GraphStat stat_;
    GraphPlot plot_;
};

// `getGraphPage`: fetches the shown station's history page with the program's fetcher, keeps
// its rows and has the graph window draw them. The window is made on the first call and kept.
//
// In order: the graph entries (button and menu) are disabled; the window shows with its lists
// and buttons disabled and "Wait....Downloading Data"; the page is fetched while events keep
// running; a failed fetch shows "No data found" and gives back the graph entries and the
// window's buttons; otherwise the buttons and lists come back, and when the page has the history
// block its rows replace the history table and the graph is drawn. A page without the block
// leaves the waiting text and the previous table, and the graph entries stay off until the next
// display pass turns them on.
class GraphPage : public QObject
{
    Q_OBJECT
public:
    // A history the feed reader refuses is reported in `log`.
    GraphPage(net::frmInet& inet, net::ErrorLog& log, QObject* parent = nullptr);
    ~GraphPage() override;

    // The clock for the history dates (today's date by default).
    void setClock(std::function<QDate()> today);

    // A call while a download runs is dropped. Everything is copied at the start, so a region
    // change during the download does not disturb it.
    void getGraphPage(const config::StateLayout& layout, const QString& historyUrl,
                      const ListModel& graphList, const QString& station);

    bool busy() const { return busy_; }
    const HistoryTable& historyTable() const { return history_; }
    frmGraph* window() const { return window_.get(); }

Q_SIGNALS:
    // The main window's graph button and the popup menu's graph entry follow this.
    void graphEntryEnabled(bool enabled);

private:
    net::frmInet& inet_;
    net::ErrorLog& log_;
    std::function<QDate()> today_;
    HistoryTable history_;
    std::unique_ptr<frmGraph> window_;
    bool busy_ = false;
};

} // namespace engine
