#include "weather/app/frm_weather.h"

#include "common/elided_label.h"
#include "common/object_names.h"
#include "platform/app_dir.h"
#include "platform/desktop.h"
#include "platform/feed_box.h"
#include "platform/message_box.h"
#include "platform/save_file.h"
#include "weather/engine/frm_graph.h"
#include "weather/engine/monitor.h"
#include "weather/engine/observation_record.h"
#include "weather/shell/forecast_strip.h"
#include "weather/shell/frm_alert.h"
#include "weather/shell/level_images.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace app {
namespace {

using common::named;

QPushButton* button(const char* name, const QString& caption, QWidget* parent)
{
    return named(new QPushButton(caption, parent), name);
}

QLabel* statusLabel(const char* name, QLabel* made)
{
    auto* label = named(made, name);
    label->setStyleSheet(QStringLiteral("color: #b00020; font-weight: bold;"));
    label->hide();
    return label;
}

QLabel* statusLabel(const char* name, const QString& caption, QWidget* parent)
{
    return statusLabel(name, new QLabel(caption, parent));
}

// Fills a combo box from a list model without raising its user-action signals.
void fill(QComboBox* box, const engine::ListModel& model)
{
    const QSignalBlocker blocker(box);
    common::setComboEntries(box, model.entries, box->minimumContentsLength());
    box->setCurrentIndex(model.selected);
    box->setEnabled(model.enabled);
}

void fill(QListWidget* list, const engine::ListModel& model)
{
    const QSignalBlocker blocker(list);
    list->clear();
    list->addItems(model.entries);
    list->setCurrentRow(model.selected);
    list->setEnabled(model.enabled);
}

QString versionText()
{
    return QStringLiteral("%1.%2.%3")
        .arg(NIMBULO_VERSION_MAJOR)
        .arg(NIMBULO_VERSION_MINOR)
        .arg(NIMBULO_VERSION_PATCH);
}

} // namespace

frmWeather::frmWeather(engine::Monitor& monitor, QWidget* parent)
    : QWidget(parent), monitor_(monitor),
      graph_(std::make_unique<engine::GraphPage>(monitor.inet(), monitor.log()))
{
    setObjectName(QStringLiteral("frmWeather"));
    setWindowTitle(QStringLiteral("Nimbulo (Australia) ver ") + versionText());
    setWindowIcon(shell::levelIcon(engine::LevelCold));
    feed_ = std::make_unique<platform::FeedBox>(this);

    graph_->setRecord(monitor_.record());
    connect(graph_.get(), &engine::GraphPage::exportRequested, this,
            [this](int span) { exportRecord(span); });
    connectMonitor();
    askExportPath = [this](const QString& suggested) {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Export record"), suggested,
                                            QStringLiteral("CSV files (*.csv)"));
    };
    askExportSpan = [this]() -> std::optional<int> {
        QStringList spans;
        for (int span = engine::Hours24; span < engine::kSpanCount; ++span)
            spans.append(engine::spanListText(span));
        bool ok = false;
        const QString chosen =
            QInputDialog::getItem(this, QStringLiteral("Export record"),
                                  QStringLiteral("Readings of the last:"), spans, 1, false, &ok);
        if (!ok)
            return std::nullopt;
        return engine::Hours24 + int(spans.indexOf(chosen));
    };
}

frmWeather::~frmWeather()
{
    if (alarm_)
        delete alarm_.data();
}

const QString& frmWeather::txtScr() const
{
    return feed_->text();
}

void frmWeather::setVisible(bool visible)
{
    if (visible)
        makeControls();
    QWidget::setVisible(visible);
}

void frmWeather::makeControls()
{
    if (hasControls())
        return;
    cmbState = named(new QComboBox(this), "cmbState");
    cmbCurrStation = named(new QComboBox(this), "cmbCurrStation");
    cmbDisplay = named(new QComboBox(this), "cmbDisplay");
    cmbExtDisplay = named(new QComboBox(this), "cmbExtDisplay");
    chkShowExt = named(new QCheckBox(QStringLiteral("2nd value"), this), "chkShowExt");
    List1 = {named(new QListWidget(this), "List1_0"), named(new QListWidget(this), "List1_1")};
    lstForecast = named(new QListWidget(this), "lstForecast");
    lstRadar = named(new QListWidget(this), "lstRadar");
    cmdForecast = button("cmdForecast", QStringLiteral("Forecast"), this);
    cmdRadar = button("cmdRadar", QStringLiteral("Radar"), this);
    cmdMap = button("cmdMap", QStringLiteral("Map"), this);
    cmdRefresh = button("cmdRefresh", QStringLiteral("Refresh"), this);
    cmdClip = button("cmdClip", QStringLiteral("Clipboard"), this);
    cmdSettings = button("cmdSettings", QStringLiteral("Settings"), this);
    cmdAbout = button("cmdAbout", QStringLiteral("About"), this);
    cmdHide = button("cmdHide", QStringLiteral("Hide"), this);
    cmdClose = button("cmdClose", QStringLiteral("Close"), this);
    cmdGraph = button("cmdGraph", QStringLiteral("Graph"), this);
    cmdLinks = button("cmdLinks", QStringLiteral("Links"), this);
    chkAlarm = named(new QCheckBox(QStringLiteral("Alarm On/Off"), this), "chkAlarm");
    lblScanNow = statusLabel("lblScanNow", QStringLiteral("Scanning current stats"), this);
    // A refused product's reason can be long: the label never widens the window for it.
    lblScanErr =
        statusLabel("lblScanErr",
                    new common::ElidedLabel(QStringLiteral("No response on last scan"), this, 300));
    lblIsConnect = statusLabel("lblIsConnect", QStringLiteral("No Connection"), this);
    lblTrend = named(new QLabel(this), "lblTrend");
    lblStale = named(new common::ElidedLabel(QString(), this, 400), "lblStale");
    lblToday = named(new QLabel(this), "lblToday");
    fraForecast = new shell::ForecastStrip(this);
    lblWarnings = named(new QLabel(this), "lblWarnings");
    buildLayout();
    connectControls();

    // What the Monitor holds now.
    showRegionLists();
    showStationList();
    showStats();
    showScanState();
    showWarnings();
    fraForecast->showForecast(monitor_.forecast(), QDateTime::currentDateTimeUtc());
    Q_EMIT controlsMade();
}

void frmWeather::buildLayout()
{
    auto* choice = new QGridLayout;
    choice->addWidget(new QLabel(QStringLiteral("Region"), this), 0, 0);
    choice->addWidget(cmbState, 0, 1);
    choice->addWidget(new QLabel(QStringLiteral("Observation Station"), this), 1, 0);
    choice->addWidget(cmbCurrStation, 1, 1);
    choice->addWidget(new QLabel(QStringLiteral("Display"), this), 2, 0);
    auto* displayRow = new QHBoxLayout;
    displayRow->addWidget(cmbDisplay, 1);
    displayRow->addWidget(lblTrend);
    displayRow->addWidget(chkShowExt);
    displayRow->addWidget(cmbExtDisplay, 1);
    choice->addLayout(displayRow, 2, 1);
    choice->setColumnStretch(1, 1);
    // Long region, station and stat names are cut in the boxes (their lists and tooltips show
    // them whole), so the window never outgrows the screen.
    for (QComboBox* box : {cmbState, cmbCurrStation})
        box->setMinimumContentsLength(24);
    for (QComboBox* box : {cmbDisplay, cmbExtDisplay})
        box->setMinimumContentsLength(12);

    auto* values = new QHBoxLayout;
    values->setSpacing(0);
    for (QListWidget* list : List1) {
        list->setSelectionMode(QAbstractItemView::NoSelection);
        list->setFocusPolicy(Qt::NoFocus);
        values->addWidget(list);
    }
    List1[0]->setMaximumWidth(200);

    auto* pages = new QGroupBox(QStringLiteral("Bureau pages"), this);
    auto* pagesLayout = new QGridLayout(pages);
    pagesLayout->addWidget(lstForecast, 0, 0);
    pagesLayout->addWidget(cmdForecast, 1, 0);
    pagesLayout->addWidget(lstRadar, 2, 0);
    pagesLayout->addWidget(cmdRadar, 3, 0);
    pagesLayout->addWidget(cmdMap, 4, 0);
    lstForecast->setMaximumHeight(110);
    lstRadar->setMaximumHeight(80);

    auto* middle = new QHBoxLayout;
    middle->addLayout(values, 2);
    middle->addWidget(pages, 1);

    auto* status = new QHBoxLayout;
    status->addWidget(lblScanNow);
    status->addWidget(lblScanErr);
    status->addWidget(lblIsConnect);
    status->addWidget(lblStale, 1);
    lblStale->hide();
    status->addWidget(lblToday);
    status->addStretch();
    status->addWidget(chkAlarm);

    auto* buttons = new QGridLayout;
    const QList<QPushButton*> row1 = {cmdRefresh, cmdGraph, cmdClip, cmdLinks};
    const QList<QPushButton*> row2 = {cmdSettings, cmdAbout, cmdHide, cmdClose};
    for (int i = 0; i < row1.size(); ++i) {
        buttons->addWidget(row1[i], 0, i);
        buttons->addWidget(row2[i], 1, i);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choice);
    layout->addLayout(middle, 1);
    lblWarnings->setWordWrap(true);
    lblWarnings->setTextFormat(Qt::RichText);
    lblWarnings->setTextInteractionFlags(Qt::TextBrowserInteraction);
    lblWarnings->setOpenExternalLinks(false);
    lblWarnings->hide();
    layout->addWidget(lblWarnings);
    layout->addWidget(fraForecast);
    layout->addLayout(status);
    layout->addLayout(buttons);
    // A window of one size (its minimum and maximum equal), so a tiling compositor floats it
    // rather than stretching it over the screen with empty room.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    List1[0]->setMinimumSize(180, 300);
    List1[1]->setMinimumSize(240, 300);
    describeControls();
}

void frmWeather::describeControls()
{
    const struct
    {
        QWidget* control;
        const char* name;
        const char* description;
    } controls[] = {
        {cmbState, "Region", "The region whose stations are listed"},
        {cmbCurrStation, "Observation station", "The station whose values are shown"},
        {cmbDisplay, "Display value", "The value shown in the panel"},
        {chkShowExt, "Second value", "Show a second value in the panel"},
        {cmbExtDisplay, "Second display value", "The second value shown in the panel"},
        {lblTrend, "Temperature trend", nullptr},
        {List1[0], "Stat names", nullptr},
        {List1[1], "Stat values", "The station's latest values"},
        {lstForecast, "Forecast pages", "The forecast page the Forecast button opens"},
        {lstRadar, "Radar pages", "The radar page the Radar button opens"},
        {chkAlarm, "Alarm on or off", "Switches all alarms on or off"},
        {lblWarnings, "Warnings", "The warnings in force for the station's district"},
    };
    for (const auto& c : controls) {
        c.control->setAccessibleName(QString::fromUtf8(c.name));
        if (c.description)
            c.control->setAccessibleDescription(QString::fromUtf8(c.description));
    }
    // Tab follows the window from top to bottom, left to right.
    const QList<QWidget*> order = {
        cmbState, cmbCurrStation, cmbDisplay, chkShowExt, cmbExtDisplay, lstForecast, cmdForecast,
        lstRadar, cmdRadar,       cmdMap,     chkAlarm,   cmdRefresh,    cmdGraph,    cmdClip,
        cmdLinks, cmdSettings,    cmdAbout,   cmdHide,    cmdClose};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void frmWeather::showWarnings()
{
    const QString summary = monitor_.warningsText();
    lblWarnings->setVisible(!summary.isEmpty());
    // The first lines are the headlines in force: they become links; the rest (none, the
    // district, the age) stay plain text.
    QStringList lines = summary.split(u'\n');
    const engine::WarningList& inForce = monitor_.warnings();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i >= inForce.size()) {
            lines[i] = lines[i].toHtmlEscaped();
            continue;
        }
        const engine::Warning& w = inForce.at(i);
        lines[i] = QStringLiteral("\u26A0 <a href=\"%1\">%2</a> <small>(<a href=\"details:%3\">"
                                  "details</a>)</small>")
                       .arg(w.page.toString(QUrl::FullyEncoded).toHtmlEscaped(),
                            w.headline.toHtmlEscaped(), w.id);
    }
    lblWarnings->setText(QStringLiteral("<b>Warnings</b><br>") +
                         lines.join(QStringLiteral("<br>")));
}

void frmWeather::openWarningLink(const QString& link)
{
    if (!link.startsWith(QLatin1String("details:"))) {
        platform::openUrl(link);
        return;
    }
    // The full product is read only now, when the user asks for it.
    const QString id = link.mid(8);
    const auto product = monitor_.warningProduct(id);
    QString text;
    if (product) {
        for (const auto& [type, body] : product->texts)
            text += body + QStringLiteral("\n\n");
    } else {
        text = QStringLiteral("The warning's product %1 could not be read; the error log says why.")
                   .arg(id);
    }
    platform::MessageBox::show(this, text.trimmed(), QStringLiteral("Warning ") + id,
                               platform::MessageBox::Buttons::Ok,
                               platform::MessageBox::Icon::Information);
}

void frmWeather::connectMonitor()
{
    engine::Monitor& m = monitor_;
    connect(&m, &engine::Monitor::published, this, &frmWeather::published);
    connect(&m, &engine::Monitor::showAlarmWindow, this, &frmWeather::openAlarmWindow);
    connect(&m, &engine::Monitor::closeAlarmWindow, this, [this] {
        if (alarm_)
            alarm_->close();
    });
}

void frmWeather::connectControls()
{
    engine::Monitor& m = monitor_;
    connect(cmbState, &QComboBox::activated, &m, &engine::Monitor::selectRegion);
    connect(cmbCurrStation, &QComboBox::activated, &m, &engine::Monitor::pickStation);
    connect(cmbDisplay, &QComboBox::activated, &m, &engine::Monitor::pickDisplay);
    connect(cmbExtDisplay, &QComboBox::activated, &m, &engine::Monitor::pickSecondDisplay);
    connect(chkShowExt, &QCheckBox::clicked, &m, &engine::Monitor::setSecondValue);
    connect(lstForecast, &QListWidget::currentRowChanged, &m, &engine::Monitor::selectForecast);
    connect(lstRadar, &QListWidget::currentRowChanged, &m, &engine::Monitor::selectRadar);
    connect(chkAlarm, &QCheckBox::clicked, &m, &engine::Monitor::alarmCheckClicked);
    connect(cmdRefresh, &QPushButton::clicked, &m, &engine::Monitor::refresh);
    for (QListWidget* list : List1)
        connect(list, &QListWidget::itemClicked, this, [this] {
            for (QListWidget* l : List1)
                l->clearSelection();
        });

    connect(cmdForecast, &QPushButton::clicked, this, [this] {
        const QString url = monitor_.forecastUrl();
        if (url.isEmpty())
            return;
        platform::openUrl(url);
    });
    connect(cmdRadar, &QPushButton::clicked, this, [this] {
        const QString url = monitor_.radarUrl();
        if (url.isEmpty())
            return;
        platform::openUrl(url);
    });
    connect(cmdMap, &QPushButton::clicked, this, [this] {
        if (!monitor_.layout().mapUrl.isEmpty())
            platform::openUrl(monitor_.layout().mapUrl);
    });
    connect(cmdClip, &QPushButton::clicked, this, &frmWeather::copyToClipboard);
    connect(cmdGraph, &QPushButton::clicked, this, &frmWeather::getGraphPage);
    connect(graph_.get(), &engine::GraphPage::graphEntryEnabled, cmdGraph, [this](bool enabled) {
        cmdGraph->setEnabled(enabled && monitor_.texts().graphEnabled);
    });
    connect(cmdAbout, &QPushButton::clicked, this, &frmWeather::aboutRequested);
    connect(cmdSettings, &QPushButton::clicked, this, &frmWeather::settingsRequested);
    connect(cmdLinks, &QPushButton::clicked, this, &frmWeather::linksRequested);
    connect(cmdClose, &QPushButton::clicked, this, &frmWeather::quit);
    connect(cmdHide, &QPushButton::clicked, this, &frmWeather::hideRequested);

    connect(&m, &engine::Monitor::regionLoaded, this, &frmWeather::showRegionLists);
    connect(&m, &engine::Monitor::stationListChanged, this, &frmWeather::showStationList);
    connect(&m, &engine::Monitor::displayChoiceChanged, this, &frmWeather::showDisplayChoice);
    connect(&m, &engine::Monitor::pageChoiceChanged, lstForecast, [this] {
        const QSignalBlocker blocker(lstForecast);
        lstForecast->setCurrentRow(monitor_.forecasts().selected);
    });
    connect(&m, &engine::Monitor::forecastChanged, fraForecast, [this] {
        fraForecast->showForecast(monitor_.forecast(), QDateTime::currentDateTimeUtc());
    });
    connect(&m, &engine::Monitor::warningsChanged, this, &frmWeather::showWarnings);
    connect(lblWarnings, &QLabel::linkActivated, this, &frmWeather::openWarningLink);
    connect(&m, &engine::Monitor::scanningChanged, lblScanNow, &QWidget::setVisible);
    connect(&m, &engine::Monitor::scanFailedChanged, lblScanErr, [this](bool failed) {
        if (failed)
            lblScanErr->setText(monitor_.texts().scanError);
        lblScanErr->setVisible(failed);
    });
    connect(&m, &engine::Monitor::scanStarted, lblIsConnect, &QWidget::hide);
    connect(&m, &engine::Monitor::refreshEnabledChanged, cmdRefresh, &QWidget::setEnabled);
    connect(&m, &engine::Monitor::staleChanged, lblStale, [this](const QString& text) {
        lblStale->setText(text);
        lblStale->setVisible(!text.isEmpty());
    });
    connect(&m, &engine::Monitor::regionListEnabledChanged, cmbState, &QWidget::setEnabled);
    connect(&m, &engine::Monitor::alarmCheckChanged, chkAlarm, &QCheckBox::setChecked);
}

void frmWeather::showScanState()
{
    const bool scanning = monitor_.scanBusy();
    lblScanNow->setVisible(scanning);
    if (monitor_.scanFailed())
        lblScanErr->setText(monitor_.texts().scanError);
    lblScanErr->setVisible(monitor_.scanFailed());
    lblStale->setText(monitor_.texts().staleText);
    lblStale->setVisible(!monitor_.texts().staleText.isEmpty());
    // A scan's fetch holds the region box (and a refresh asked for, the button) until it ends.
    cmbState->setEnabled(!scanning);
    const QSignalBlocker blocker(chkAlarm);
    chkAlarm->setChecked(!monitor_.alarmState().alarmOff);
}

void frmWeather::showRegionLists()
{
    {
        const QSignalBlocker blocker(cmbState);
        if (cmbState->count() != monitor_.regionList().displayNames.size()) {
            common::setComboEntries(cmbState, monitor_.regionList().displayNames,
                                    cmbState->minimumContentsLength());
        }
        cmbState->setCurrentIndex(monitor_.regionIndex());
    }
    fill(lstForecast, monitor_.forecasts());
    fill(lstRadar, monitor_.radars());
    cmdForecast->setEnabled(monitor_.forecasts().enabled);
    cmdRadar->setEnabled(monitor_.radars().enabled);
    cmdMap->setEnabled(!monitor_.layout().mapUrl.isEmpty());

    List1[0]->clear();
    List1[0]->addItems(monitor_.stats().headers);
    List1[1]->clear();
    showDisplayChoice();
}

void frmWeather::showStationList()
{
    fill(cmbCurrStation, monitor_.stations());
}

void frmWeather::showDisplayChoice()
{
    fill(cmbDisplay, monitor_.displays());
    fill(cmbExtDisplay, monitor_.displays2());
    const QSignalBlocker blocker(chkShowExt);
    chkShowExt->setChecked(monitor_.secondValue());
    // A switched-off second list takes the window's background, so it reads as absent.
    cmbExtDisplay->setEnabled(monitor_.displays2().enabled);
}

void frmWeather::published()
{
    setWindowIcon(shell::levelIcon(monitor_.stats().levelIcon));
    feed_->setText(monitor_.texts().screenText);
    if (hasControls())
        showStats();
}

void frmWeather::showStats()
{
    const engine::StatTable& stats = monitor_.stats();
    List1[1]->clear();
    List1[1]->addItems(stats.values);
    lblTrend->setPixmap(shell::trendArrow(stats.trendArrow));
    lblToday->setText(monitor_.texts().todayText);
    cmdGraph->setEnabled(graphAvailable());
    if (cmbCurrStation->currentIndex() != monitor_.stations().selected)
        fill(cmbCurrStation, monitor_.stations());
}

void frmWeather::getGraphPage()
{
    // The record follows the monitor's, which a test may open after the window was made.
    graph_->setRecord(monitor_.record());
    graph_->getGraphPage(monitor_.layout(), monitor_.texts().historyUrl, monitor_.alarmTypes(),
                         monitor_.stations().currentText(), monitor_.texts().stationKey);
}

bool frmWeather::graphAvailable() const
{
    return monitor_.texts().graphEnabled && !graph_->busy();
}

bool frmWeather::graphUsable() const
{
    return hasControls() ? cmdGraph->isEnabled() : graphAvailable();
}

void frmWeather::requestGraph()
{
    if (graphUsable())
        getGraphPage();
}

void frmWeather::selectForecastPage(int row)
{
    if (hasControls())
        lstForecast->setCurrentRow(row); // the list tells the monitor
    else
        monitor_.selectForecast(row);
}

void frmWeather::selectRadarPage(int row)
{
    if (hasControls())
        lstRadar->setCurrentRow(row);
    else
        monitor_.selectRadar(row);
}

void frmWeather::askForStation()
{
    makeControls();
    cmbCurrStation->setFocus();
    connect(
        &monitor_, &engine::Monitor::stationListChanged, this,
        [this] {
            if (cmbCurrStation->isVisible() && cmbCurrStation->isEnabled())
                showPassingNote(QStringLiteral("Pick your observation station here."),
                                cmbCurrStation->mapToGlobal(QPoint(0, cmbCurrStation->height())),
                                8000);
        },
        Qt::SingleShotConnection);
}

void frmWeather::exportRecord(std::optional<int> span)
{
    const engine::ObservationRecord* record = monitor_.record();
    const QString station = monitor_.texts().stationKey;
    const auto tell = [this](const QString& text) {
        platform::MessageBox::show(this, text, QStringLiteral("Export record"),
                                   platform::MessageBox::Buttons::Ok,
                                   platform::MessageBox::Icon::Warning);
    };
    std::optional<qint64> newest;
    if (record && !station.isEmpty())
        newest = record->newestObserved(station);
    if (!newest) {
        tell(QStringLiteral("There is no record of the shown station to export yet."));
        return;
    }
    if (!span)
        span = askExportSpan();
    if (!span)
        return;
    const QString suggested = QDir::home().filePath(
        QStringLiteral("%1-%2.csv")
            .arg(monitor_.stations().currentText().isEmpty() ? station
                                                             : monitor_.stations().currentText(),
                 QDate::currentDate().toString(Qt::ISODate)));
    const QString path = askExportPath(suggested);
    if (path.isEmpty())
        return;
    const QString csv = record->csv(station, *newest - engine::spanSeconds(*span), *newest);
    if (!platform::saveFileAtomically(path, csv.toUtf8()))
        tell(QStringLiteral("The record could not be written to ") + path +
             QStringLiteral(". Make sure the folder can be written and the disk is not full."));
}

void frmWeather::openAlarmWindow()
{
    if (alarm_) {
        alarm_->show();
        return;
    }
    const config::AppSettings& s = monitor_.settings();
    shell::frmAlert::Options options;
    options.playSound = s.alarm.playSound;
    options.soundFile = platform::appDir() + QStringLiteral("Media/Ding.wav");
    if (!s.useSysColor) {
        options.foreColor = s.foreColor;
        options.backColor = s.backColor;
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        options.twipsPerPixel = 1440.0 / screen->logicalDotsPerInchX();
    alarm_ = new shell::frmAlert([this] { return monitor_.alarmFindings().alarmText; }, options);
    connect(alarm_, &shell::frmAlert::closed, &monitor_, &engine::Monitor::alarmWindowClosed);
    connect(alarm_, &shell::frmAlert::alarmsOffRequested, this, [this] {
        if (chkAlarm)
            chkAlarm->setChecked(false);
        monitor_.alarmCheckClicked(false);
    });
    monitor_.alarmWindowOpened();
    alarm_->show();
}

void frmWeather::copyToClipboard()
{
    // Qt offers the text as both STRING and UTF8_STRING, so 8-bit and Unicode readers get it.
    QGuiApplication::clipboard()->setText(monitor_.clipboardText(QDate::currentDate().year()));
    showPassingNote(QStringLiteral("Stats Saved to Clipboard, select Paste in any text, "
                                   "document or spreadsheet program"),
                    cmdClip->mapToGlobal(QPoint(0, cmdClip->height())), 4000);
}

void showPassingNote(const QString& text, const QPoint& at, int msecs)
{
    // A tooltip of its own: Qt's tooltip goes as soon as any window is (de)activated, which
    // hiding the main window does.
    static QPointer<QLabel> note;
    if (note)
        note->close();
    note = new QLabel(text, nullptr, Qt::ToolTip);
    note->setObjectName(QStringLiteral("passingNote"));
    note->setAttribute(Qt::WA_DeleteOnClose);
    note->setAttribute(Qt::WA_ShowWithoutActivating);
    note->setForegroundRole(QPalette::ToolTipText);
    note->setBackgroundRole(QPalette::ToolTipBase);
    note->setAutoFillBackground(true);
    note->setFrameShape(QFrame::Box);
    note->setMargin(4);
    note->adjustSize();
    // On the screen of `at`, whole.
    QRect place(at, note->size());
    if (const QScreen* screen = QGuiApplication::screenAt(at))
        place.moveTopLeft(
            QPoint(qMin(place.left(), screen->availableGeometry().right() - place.width()),
                   qMin(place.top(), screen->availableGeometry().bottom() - place.height())));
    note->move(place.topLeft());
    note->show();
    QTimer::singleShot(msecs, note.data(), &QWidget::close);
}

void frmWeather::quit()
{
    quitting_ = true;
    close();
}

void frmWeather::closeEvent(QCloseEvent* event)
{
    if (!quitting_ && closeToPanel && closeToPanel()) {
        event->ignore();
        return;
    }
    Q_EMIT closing();
    QWidget::closeEvent(event);
}

} // namespace app
