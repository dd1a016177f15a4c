#include "weather/engine/frm_graph.h"

#include "common/object_names.h"
#include "platform/desktop.h"
#include "platform/event_pump.h"
#include "weather/engine/feed_source.h"
#include "weather/engine/monitor.h"
#include "weather/engine/observation_record.h"
#include "weather/engine/state_feed.h"
#include "weather/net/frm_inet.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QToolTip>
#include <QVBoxLayout>

namespace engine {
namespace {

const QColor kLineColour(255, 255, 0);
const QColor kDayMarkColour(255, 255, 255);
constexpr double kStatusLeft = 10;

using common::named;

// A strip above or below the drawing area that holds one max/min label at a free x position,
// measured from the same left edge as the drawing area.
QWidget* labelStrip(QWidget* parent)
{
    auto* strip = new QWidget(parent);
    strip->setFixedHeight(strip->fontMetrics().height() + 4);
    return strip;
}

} // namespace

GraphCanvas::GraphCanvas(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("picCanvas"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(120, 60);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QSizeF GraphCanvas::plotArea() const
{
    return QSizeF(std::max(width() - 2 * kMargin, 1), std::max(height() - 2 * kMargin, 1));
}

void GraphCanvas::setPlot(const GraphPlot& plot)
{
    plot_ = plot;
    update();
}

void GraphCanvas::clear()
{
    plot_ = GraphPlot{};
    setToolTip(QString());
    update();
}

void GraphCanvas::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (plot_.points.isEmpty())
        return;
    painter.translate(kMargin, kMargin);

    painter.setRenderHint(QPainter::Antialiasing, true);
    QPen line(kLineColour, 2.0);
    line.setJoinStyle(Qt::RoundJoin);
    line.setCapStyle(Qt::RoundCap);
    painter.setPen(line);
    for (const QPolygonF& run : plot_.lines) {
        // A reading alone between gaps is a dot (the round cap of a line of no length).
        if (run.size() == 1)
            painter.drawPoint(run.first());
        else
            painter.drawPolyline(run);
    }

    // Day marks stay one pixel wide and sharp: snapped to whole pixels, not blended.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(kDayMarkColour, 0));
    const double h = plot_.height;
    for (const double mark : plot_.dayChanges) {
        const int x = int(std::lround(mark));
        painter.drawLine(QPointF(x, h / 3), QPointF(x, h - h / 3));
    }
}

void GraphCanvas::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Q_EMIT resized();
}

void GraphCanvas::mouseMoveEvent(QMouseEvent* event)
{
    Q_EMIT mouseMovedTo(event->position().x() - kMargin);
    QWidget::mouseMoveEvent(event);
}

frmGraph::frmGraph(const HistoryTable& history, QWidget* parent)
    : QWidget(parent), cmbGrphType(named(new QComboBox(this), QStringLiteral("cmbGrphType"))),
      cmbGrpHrs(named(new QComboBox(this), QStringLiteral("cmbGrpHrs"))),
      picCanvas(new GraphCanvas(this)),
      cmdClose(named(new QPushButton(QStringLiteral("Close"), this), QStringLiteral("cmdClose"))),
      cmdWlinks(
          named(new QPushButton(QStringLiteral("Web Page"), this), QStringLiteral("cmdWlinks"))),
      cmdExport(named(new QPushButton(QStringLiteral("Export record\u2026"), this),
                      QStringLiteral("cmdExport"))),
      history_(history)
{
    setObjectName(QStringLiteral("frmGraph"));
    setWindowTitle(baseCaption());
    for (int span = 0; span < kSpanCount; ++span)
        cmbGrpHrs->addItem(spanListText(span));
    cmbGrpHrs->setCurrentIndex(Hours72);
    buildLayout();

    connect(cmbGrphType, &QComboBox::currentIndexChanged, this, &frmGraph::drawGraph);
    connect(cmbGrpHrs, &QComboBox::currentIndexChanged, this, &frmGraph::drawGraph);
    connect(cmdClose, &QPushButton::clicked, this, [this] {
        picCanvas->clear();
        plot_ = GraphPlot{};
        close();
    });
    connect(cmdWlinks, &QPushButton::clicked, this, [this] { platform::openUrl(historyPage_); });
    connect(cmdExport, &QPushButton::clicked, this,
            [this] { Q_EMIT exportRequested(cmbGrpHrs->currentIndex()); });
    // The graph follows the window's size; a status text stays until the next download.
    connect(picCanvas, &GraphCanvas::resized, this, [this] {
        if (plot_.range.found && picCanvas->isEnabled())
            plotDrawn();
    });
    connect(picCanvas, &GraphCanvas::mouseMovedTo, this, &frmGraph::showReadout);
    // Escape closes the window as its Close button does.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, cmdClose, &QPushButton::click);

    cmbGrphType->setAccessibleName(QStringLiteral("Stat drawn"));
    cmbGrpHrs->setAccessibleName(QStringLiteral("Time span"));
    picCanvas->setAccessibleName(QStringLiteral("Graph"));
    picCanvas->setAccessibleDescription(
        QStringLiteral("The stat's readings over the span; the labels give the highest and "
                       "lowest and their times"));
}

frmGraph::~frmGraph() = default;

void frmGraph::buildLayout()
{
    auto* choices = new QHBoxLayout;
    choices->addWidget(cmbGrphType, 1);
    choices->addWidget(cmbGrpHrs);
    choices->addStretch();
    choices->addWidget(cmdExport);
    choices->addWidget(cmdWlinks);
    choices->addWidget(cmdClose);

    QWidget* maxStrip = labelStrip(this);
    QWidget* minStrip = labelStrip(this);
    for (int i = 0; i < 2; ++i) {
        lblMinMax[i] =
            named(new QLabel(i == 0 ? maxStrip : minStrip), QStringLiteral("lblMinMax_%1").arg(i));
        lblDateTime[i] = named(new QLabel(this), QStringLiteral("lblDateTime_%1").arg(i));
        lblDisp[i] = named(new QLabel(this), QStringLiteral("lblDisp_%1").arg(i));
    }
    auto* graph = new QVBoxLayout;
    graph->setSpacing(0);
    graph->addWidget(maxStrip);
    graph->addWidget(picCanvas, 1);
    graph->addWidget(minStrip);

    auto* times = new QGridLayout;
    times->addWidget(lblDateTime[0], 0, 0, Qt::AlignLeft);
    times->addWidget(lblDisp[0], 0, 1, Qt::AlignHCenter);
    times->addWidget(lblDateTime[1], 0, 2, Qt::AlignRight);
    times->addWidget(lblDisp[1], 1, 1, Qt::AlignHCenter);
    times->setColumnStretch(0, 1);
    times->setColumnStretch(1, 1);
    times->setColumnStretch(2, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addLayout(graph, 1);
    layout->addLayout(times);
    resize(680, 420);
}

void frmGraph::setSource(const config::StateLayout& layout, const ListModel& graphList,
                         const QString& historyPage, const QString& station)
{
    layout_ = layout;
    historyPage_ = historyPage;
    station_ = station;
    const QSignalBlocker blocker(cmbGrphType);
    cmbGrphType->clear();
    for (qsizetype i = 0; i < graphList.entries.size(); ++i)
        cmbGrphType->addItem(graphList.entries.at(i), graphList.columns.value(i, -1));
}

void frmGraph::placeLabel(QLabel* label, const QString& text, double left)
{
    label->setText(text);
    label->adjustSize();
    moveLabel(label, left);
}

void frmGraph::moveLabel(QLabel* label, double left)
{
    const QWidget* strip = label->parentWidget();
    label->move(int(std::lround(left)), (strip->height() - label->height()) / 2);
}

void frmGraph::showDownloading()
{
    picCanvas->setEnabled(false);
    {
        const QSignalBlocker statBlocker(cmbGrphType);
        const QSignalBlocker hoursBlocker(cmbGrpHrs);
        cmbGrphType->setCurrentIndex(0);
        cmbGrpHrs->setCurrentIndex(Hours72);
    }
    cmbGrphType->setEnabled(false);
    cmbGrpHrs->setEnabled(false);
    placeLabel(lblMinMax[0], QStringLiteral("Wait....Downloading Data"), kStatusLeft);
    placeLabel(lblMinMax[1], QString(), 1);
    cmdWlinks->setEnabled(false);
    cmdClose->setEnabled(false);
}

void frmGraph::clearDrawing()
{
    for (const auto& labels : {lblMinMax, lblDateTime, lblDisp}) {
        for (QLabel* label : labels)
            label->clear();
    }
    picCanvas->clear();
    plot_ = GraphPlot{};
}

void frmGraph::showNoData()
{
    drawn_.clear();
    clearDrawing();
    // Nothing of any station is on show, so the caption names none.
    setWindowTitle(spanCaption(cmbGrpHrs->currentIndex()));
    cmbGrphType->setEnabled(false);
    cmbGrpHrs->setEnabled(false);
    placeLabel(lblMinMax[0], QStringLiteral("No data found"), kStatusLeft);
    cmdWlinks->setEnabled(true);
    cmdClose->setEnabled(true);
}

void frmGraph::enableChoices()
{
    cmdWlinks->setEnabled(true);
    cmdClose->setEnabled(true);
    cmbGrphType->setEnabled(true);
    cmbGrpHrs->setEnabled(true);
}

void frmGraph::showDrawing()
{
    picCanvas->setEnabled(true);
    lblMinMax[0]->clear();
    cmbGrphType->setFocus();
    drawGraph();
}

void frmGraph::drawGraph()
{
    const int column = cmbGrphType->currentIndex() < 0 ? -1 : cmbGrphType->currentData().toInt();
    stat_ = graphStatOf(layout_, column);
    drawn_ = source_ ? source_(cmbGrpHrs->currentIndex(), stat_.cell) : history_;
    plotDrawn();
}

void frmGraph::plotDrawn()
{
    clearDrawing();
    const int span = cmbGrpHrs->currentIndex();
    const GraphPlot plot = plotGraph(drawn_, stat_.cell, span, picCanvas->plotArea());
    setWindowTitle(spanCaption(span) + QStringLiteral(" - ") + station_);
    if (!plot.range.found) {
        placeLabel(lblMinMax[0], QStringLiteral("No values found"), kStatusLeft);
        return;
    }
    plot_ = plot;
    picCanvas->setPlot(plot_);

    const MinMax& range = plot_.range;
    const HistoryRow& maxEntry = drawn_.at(range.maxEntry);
    const HistoryRow& minEntry = drawn_.at(range.minEntry);
    // Each label ends at the x of its reading.
    const auto placeAtEntry = [this](QLabel* label, const QString& text, const HistoryRow& entry) {
        placeLabel(label, text, 0);
        moveLabel(label, GraphPlot::labelLeft(plot_.xOf(entry), label->width()));
    };
    placeAtEntry(lblMinMax[0], extremeText(range.max, stat_, maxEntry, true), maxEntry);
    // A calm minimum has no direction worth showing; a flat line has one value, labelled once.
    if (range.minEntry != range.maxEntry)
        placeAtEntry(lblMinMax[1], extremeText(range.min, stat_, minEntry, range.min != 0),
                     minEntry);

    // Beyond a week the weekday alone does not say which day.
    const bool withDate = span > Days7;
    lblDateTime[0]->setText(QStringLiteral("<<<< ") +
                            historyDateText(drawn_.at(plot_.lastEntry).observed, withDate));
    lblDateTime[1]->setText(historyDateText(drawn_.at(0).observed, withDate) +
                            QStringLiteral(" >>>>"));
    lblDisp[0]->setText(QStringLiteral("Max : ") + historyDateText(maxEntry.observed, withDate));
    lblDisp[1]->setText(QStringLiteral("Min : ") + historyDateText(minEntry.observed, withDate));
}

void frmGraph::showReadout(double plotX)
{
    const int entry = plot_.range.found ? plot_.entryAt(plotX) : -1;
    const QString text = entry < 0 ? QString() : readoutText(stat_, drawn_.at(entry));
    picCanvas->setToolTip(text);
    // A tooltip already showing follows the mouse; otherwise it appears after the usual pause.
    if (QToolTip::isVisible() && !text.isEmpty())
        QToolTip::showText(QCursor::pos(), text, picCanvas);
}

QString historyPageOf(const config::StateLayout& layout, const QString& historyUrl)
{
    const QString number = stationOfHistoryUrl(historyUrl, layout);
    if (layout.historyPageUrl.isEmpty() || number.isEmpty())
        return historyUrl;
    return QString(layout.historyPageUrl).replace(QStringLiteral("{wmo}"), number);
}

GraphPage::GraphPage(net::frmInet& inet, net::ErrorLog& log, QObject* parent)
    : QObject(parent), inet_(inet), log_(log), today_([] { return QDate::currentDate(); })
{}

GraphPage::~GraphPage() = default;

void GraphPage::setClock(std::function<QDate()> today)
{
    today_ = std::move(today);
}

void GraphPage::getGraphPage(const config::StateLayout& currentLayout,
                             const QString& currentHistoryUrl, const ListModel& graphList,
                             const QString& station, const QString& stationKey)
{
    if (busy_)
        return;
    busy_ = true;
    // Events run during the fetch and may replace what the arguments refer to.
    const config::StateLayout layout = currentLayout;
    const QString historyUrl = currentHistoryUrl;
    const int graphCount = int(graphList.entries.size());
    const int cellCount = graphCount + 1;

    Q_EMIT graphEntryEnabled(false);
    if (!window_) {
        window_ = std::make_unique<frmGraph>(history_);
        connect(window_.get(), &frmGraph::exportRequested, this, &GraphPage::exportRequested);
    }
    frmGraph& window = *window_;
    window.setSource(layout, graphList, historyPageOf(layout, historyUrl), station);
    window.show();
    window.raise();

    window.showDownloading();
    platform::pumpEvents();

    FeedFetch<HistoryTable> fetched =
        fetchHistory(inet_, layout, historyUrl, graphCount, log_, today_());
    HistoryTable feed = fetched.rows.value_or(HistoryTable());
    ObservationRecord* record = stationKey.isEmpty() ? nullptr : record_;
    if (record)
        record->store(stationKey, station, feed, layout);

    // The readings of a span: the history's with the record's, up to the newest of either.
    const auto readingsOf = [record, stationKey, layout, cellCount,
                             feed](int span, int cell) -> HistoryTable {
        if (!record)
            return feed;
        qint64 newest = feed.isEmpty() ? 0 : feed.first().observed.toSecsSinceEpoch();
        if (const std::optional<qint64> recorded = record->newestObserved(stationKey))
            newest = std::max(newest, *recorded);
        // The three-day spans read every cell, so the stat can change without a query.
        const bool longSpan = span > Hours72;
        // Beyond a month the readings outnumber the pixels: extremes per part are enough.
        return mergeHistories(
            feed, record->readings(stationKey, newest - spanSeconds(longSpan ? span : Hours72),
                                   newest, layout, cellCount, longSpan ? cell : -1,
                                   span > Days30 ? kGraphParts : 0));
    };
    history_ = readingsOf(Hours72, -1);
    window.setDataSource(readingsOf);

    Q_EMIT graphEntryEnabled(true);
    if (history_.isEmpty()) {
        window.showNoData();
    } else {
        window.enableChoices();
        window.showDrawing();
    }
    busy_ = false;
}

} // namespace engine
