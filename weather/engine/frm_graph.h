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
class ObservationRecord;

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
    const GraphPlot& plot() const { return plot_; }

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

// The graph window "3 Day (72hr) Graph": one stat of a station's readings drawn over 12, 24,
// 48 or 72 hours, 7 days, 30 days or a year, placed by time, with the day changes marked, the
// oldest and newest times, the maximum and minimum labelled at their readings and the value
// under the mouse as a tooltip. The caption names the span and the station whose readings are
// drawn. It draws what its source gives for the chosen span and stat (the history table it
// was made with when it has none); changing the stat or the span redraws without fetching. The
// graph follows the window's size. "Export record..." asks for the record of the span on show.
class frmGraph : public QWidget
{
    Q_OBJECT
public:
    // `history` must outlive the window.
    explicit frmGraph(const HistoryTable& history, QWidget* parent = nullptr);
    ~frmGraph() override;

    // Where the readings of a span come from: (span, history cell of the stat) → readings,
    // newest first. Unset: the history table.
    using Source = std::function<HistoryTable(int span, int cell)>;
    void setDataSource(Source source) { source_ = std::move(source); }

    static QString baseCaption() { return spanCaption(Hours72); }

    // What a download draws with: the region's layout, its graph list, the station's history
    // page for people (what "Web Page" opens) and its name for the caption. The stat list is
    // refilled from `graphList`.
    void setSource(const config::StateLayout& layout, const ListModel& graphList,
                   const QString& historyPage, const QString& station);

    // The download's stages (see GraphPage::getGraphPage).
    void showDownloading();
    // No readings for the station: nothing drawn, "No data found", the lists stay off and the
    // caption names no station.
    void showNoData();
    void enableChoices();
    void showDrawing();

    void drawGraph();

Q_SIGNALS:
    void exportRequested(int span);

private:
    QComboBox* cmbGrphType; // item data: the 0-based layout column
    QComboBox* cmbGrpHrs;   // the spans (GraphSpan)
    GraphCanvas* picCanvas;
    std::array<QLabel*, 2> lblMinMax;   // maximum (or a status text), minimum
    std::array<QLabel*, 2> lblDateTime; // oldest, newest time shown
    std::array<QLabel*, 2> lblDisp;     // times of the maximum and the minimum
    QPushButton* cmdClose;
    QPushButton* cmdWlinks;
    QPushButton* cmdExport;

    void buildLayout();
    void clearDrawing();
    void plotDrawn(); // the drawing of what the source last gave, at the window's size
    void placeLabel(QLabel* label, const QString& text, double left);
    void moveLabel(QLabel* label, double left);
    void showReadout(double plotX);

    const HistoryTable& history_;
    Source source_;
    HistoryTable drawn_; // what the source gave for the drawing on show
    config::StateLayout layout_;
    QString historyPage_;
    QString station_;
    GraphStat stat_;
    GraphPlot plot_;
};

// The station's history page for people that "Web Page" opens: the layout's `historyPageUrl`
// with the station's number of `historyUrl`; the history's own address when there is no such
// page or number.
QString historyPageOf(const config::StateLayout& layout, const QString& historyUrl);

// `getGraphPage`: fetches the shown station's history with the program's fetcher, keeps its
// readings (in the record too, when there is one) and has the graph window draw them. The window
// is made on the first call and kept.
//
// In order: the graph entries (button and menu) are disabled; the window shows with its lists
// and buttons disabled and "Wait....Downloading Data"; the history is fetched while events keep
// running. The readings drawn are the history's merged with the record's of the station (the
// record alone when the history fails or is refused; the longer spans come from the record).
// With none, the window shows "No data found" with nothing drawn and its lists off; otherwise
// the lists come back and the graph is drawn. Either way the graph entries and the window's
// buttons come back.
class GraphPage : public QObject
{
    Q_OBJECT
public:
    // A history the feed reader refuses is reported in `log`.
    GraphPage(net::frmInet& inet, net::ErrorLog& log, QObject* parent = nullptr);
    ~GraphPage() override;

    // The clock for the history dates (today's date by default).
    void setClock(std::function<QDate()> today);

    // Where the readings are kept beyond the history's 72 hours; null: nowhere. It must outlive
    // this object.
    void setRecord(ObservationRecord* record) { record_ = record; }

    // A call while a download runs is dropped. Everything is copied at the start, so a region
    // change during the download does not disturb it. `stationKey` names the station in the
    // record (stationKeyOf()); empty: the record is not used.
    void getGraphPage(const config::StateLayout& layout, const QString& historyUrl,
                      const ListModel& graphList, const QString& station,
                      const QString& stationKey = QString());

    bool busy() const { return busy_; }
    // The readings of the last download: the history's merged with the record's last 72 hours.
    const HistoryTable& historyTable() const { return history_; }
    frmGraph* window() const { return window_.get(); }

Q_SIGNALS:
    // The main window's graph button and the popup menu's graph entry follow this.
    void graphEntryEnabled(bool enabled);
    // The window's "Export record..." with the span on show.
    void exportRequested(int span);

private:
    net::frmInet& inet_;
    net::ErrorLog& log_;
    std::function<QDate()> today_;
    ObservationRecord* record_ = nullptr;
    HistoryTable history_;
    std::unique_ptr<frmGraph> window_;
    bool busy_ = false;
};

} // namespace engine
