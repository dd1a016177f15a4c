#include "weather/engine/monitor.h"

#include "common/number.h"
#include "common/station_cache.h"
#include "platform/event_pump.h"
#include "platform/heap.h"
#include "weather/engine/feed_source.h"
#include "weather/engine/observation_record.h"
#include "weather/engine/state_feed.h"
#include "weather/net/error_log.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QTime>

namespace engine {
namespace {

// The first line of the newest error-log entry, without its time stamp.
QString newestEntryLine(const QString& log)
{
    const qsizetype start = log.lastIndexOf(QStringLiteral("\r\n\r\n"));
    QString entry = start < 0 ? log : log.mid(start + 4);
    const qsizetype stamp = entry.indexOf(QStringLiteral(" : "));
    if (stamp >= 0)
        entry.remove(0, stamp + 3);
    return entry.section(QLatin1Char('\n'), 0, 0).trimmed();
}

} // namespace

bool ListModel::select(int index)
{
    if (index == -1)
        selected = -1;
    if (index < 0 || index >= entries.size())
        return false;
    selected = index;
    return true;
}

void selectOrFirst(ListModel& list, int index)
{
    if (!list.select(index))
        list.select(0);
}

Monitor::Monitor(QString layoutPath, QString settingsPath, net::ErrorLog& log, TextWidth width,
                 QObject* parent)
    : QObject(parent), layoutPath_(std::move(layoutPath)), settingsFile_(std::move(settingsPath)),
      log_(log), width_(std::move(width)), inet_(fetch_, settings_.proxy, log),
      forecast_(inet_, log), warnings_(inet_, log)
{
    // Beside the settings, in the program folder: the monitor and `--print` share it.
    inet_.setCacheFile(QFileInfo(settingsFile_.path()).absolutePath() + QLatin1Char('/') +
                       net::kProductCacheFileName.toString());
    tmrTripLookup_.setObjectName(QStringLiteral("tmrTripLookup"));
    tmrTripLookup_.setSingleShot(true);
    tmrTripLookup_.setInterval(600);
    connect(&tmrTripLookup_, &QTimer::timeout, this, &Monitor::tripLookupTick);

    connect(&scanTimer_, &QTimer::timeout, this, &Monitor::scanTimerTick);

    tmrAlert_.setObjectName(QStringLiteral("tmrAlert"));
    tmrAlert_.setInterval(1000);
    connect(&tmrAlert_, &QTimer::timeout, this, [this] {
        tmrAlert_.stop();
        const AlertTick tick = alarmState_.alertTick(settings_.alarm);
        if (tick.enableMailTimer)
            tmrMail_.start();
        if (tick.showWindow) {
            setAlarming(true);
            Q_EMIT showAlarmWindow();
        }
    });

    tmrMail_.setObjectName(QStringLiteral("tmrMail"));
    tmrMail_.setInterval(5000);
    connect(&tmrMail_, &QTimer::timeout, this, [this] {
        tmrMail_.stop(); // one mail per enabling
        const bool endOfAlarm = alarmState_.alarmOffMail;
        if (endOfAlarm)
            alarmState_.alarmOffMail = false;
        else
            alarmState_.alarmMailSent = true;
        Q_EMIT mailDue(endOfAlarm);
    });

    stats_.values.clear();
    // No region yet: no page to open.
    forecasts_.enabled = false;
    radars_.enabled = false;
}

Monitor::~Monitor() = default;

void Monitor::openRecord(const QString& path)
{
    record_ = std::make_unique<ObservationRecord>(path, log_);
}

void Monitor::loadSettings()
{
    texts_.tickerText = QStringLiteral("Busy.....");
    config::loadSettings(settingsFile_, settings_, *this);
    forecast_.setChosenTown(settings_.forecastTown);
    // The alarm box is as the user left it at the last close (the region's load cleared it).
    alarmCheckClicked(settings_.alarmChecked);
    Q_EMIT alarmCheckChanged(settings_.alarmChecked);
}

void Monitor::shutdown()
{
    fetch_.appClosing = true;
    scanTimer_.stop();
    tmrTripLookup_.stop();
    tmrAlert_.stop();
    tmrMail_.stop();
    saveSelection();
}

void Monitor::saveSelection() const
{
    config::Selection selection;
    selection.state = regionIndex_;
    selection.station = stations_.selected;
    selection.stationName = stations_.currentText();
    if (stations_.entries.isEmpty()) {
        // No scan has listed the stations yet (the bureau out since start): the saved choice
        // stays, rather than being replaced by none.
        selection.station = common::readInteger(settingsFile_.text("station"));
        selection.stationName = settingsFile_.text("station_name");
    }
    selection.forecast = forecasts_.selected;
    selection.display = displays_.selected;
    selection.display2 = displays2_.selected;
    selection.secondValue = secondValue_;
    selection.checkDate = settings_.checkDate;
    selection.alarmChecked = !alarmState_.alarmOff;
    config::saveSelection(settingsFile_, selection);
}

// --- settings load steps -------------------------------------------------------------------

void Monitor::loadRegionList()
{
    regionList_ = config::loadRegionList(layoutPath_);
}

void Monitor::selectStation(int index)
{
    // The list is usually still empty here; the first scan restores the station for real.
    stations_.select(index);
}

void Monitor::selectDisplays(int display, int display2)
{
    selectOrFirst(displays_, display);
    selectOrFirst(displays2_, display2);
    Q_EMIT displayChoiceChanged();
}

void Monitor::showSecondValue(bool on)
{
    setSecondValue(on);
}

void Monitor::setHelpTips(bool on)
{
    Q_EMIT helpTipsRequested(on);
}

void Monitor::setUpStatTips()
{
    Q_EMIT statTipsRequested();
}

void Monitor::registerHotKey()
{
    Q_EMIT hotKeyRequested();
}

void Monitor::applyAlarmType(int alarmListIndex)
{
    alarmTypes_.select(alarmListIndex);
    settings_.alarm.column = alarmTypes_.columns.value(alarmListIndex, settings_.alarm.column);
}

void Monitor::startScanTimer(int minutes)
{
    scanTimer_.start(minutes * 60000);
}

void Monitor::restartScanTimer(int minutes)
{
    scanTimer_.stop();
    platform::pumpEvents();
    startScanTimer(minutes);
}

void Monitor::holdScans()
{
    scanTimer_.stop();
    tmrTripLookup_.stop();
}

void Monitor::setExtraFetches(bool forecasts, bool warnings)
{
    fetchForecasts_ = forecasts;
    fetchWarnings_ = warnings;
}

void Monitor::chooseNoXpHelp()
{
    settings_.noXpHelp = true;
    settingsFile_.write(QStringLiteral("no_xp_help"), QStringLiteral("1"));
}

// --- selection ------------------------------------------------------------------------------

void Monitor::selectRegion(int index)
{
    if (regionList_.sections.isEmpty())
        return;
    // A saved region outside the list (-1 written while the layout file was missing, or a
    // layout update that dropped regions) falls back to the first.
    if (index < 0 || index >= regionList_.sections.size())
        index = 0;
    tmrTripLookup_.stop();
    alarmCheckClicked(false);
    Q_EMIT alarmCheckChanged(false);

    // A town the user chose is one of the old region's product.
    if (regionIndex_ >= 0 && index != regionIndex_ && !settings_.forecastTown.isEmpty())
        chooseForecastTown(QString());
    regionIndex_ = index;
    layout_ = config::loadStateLayout(regionList_.sections.at(index), layoutPath_);
    forecast_.setLayout(layout_);
    warnings_.setLayout(layout_);
    followWarnings(false);

    displays_ = {};
    displays2_ = {};
    alarmTypes_ = {};
    for (int i = 1; i <= layout_.columnCount; ++i) {
        const QString& header = layout_.columns.at(i - 1).header;
        if (i <= layout_.fixedColumns)
            continue;
        displays_.entries.append(header);
        displays_.columns.append(i - 1);
        displays2_.entries.append(header);
        displays2_.columns.append(i - 1);
        if (i != layout_.windDirColumn) {
            alarmTypes_.entries.append(header);
            alarmTypes_.columns.append(i - 1);
        }
    }
    stats_.headers = headersOf(layout_);
    stats_.values.clear();
    labels_ = TransLabels::load(layoutPath_, stats_.headers);
    reapplyAlarmChoices();

    displays_.enabled = !displays_.entries.isEmpty();
    displays2_.enabled = displays_.enabled && secondValue_;

    forecasts_ = {};
    for (const config::LayoutPage& page : layout_.forecastPages)
        forecasts_.entries.append(page.name);
    forecasts_.enabled = !forecasts_.entries.isEmpty();
    forecasts_.select(0);

    radars_ = {};
    for (const config::LayoutPage& page : layout_.radarPages)
        radars_.entries.append(page.name);
    radars_.enabled = !radars_.entries.isEmpty();
    radars_.select(0);

    Q_EMIT regionLoaded();
    if (!scanBusy_)
        tmrTripLookup_.start();
}

void Monitor::reapplyAlarmChoices()
{
    config::readAlarmChoices(settingsFile_, settings_);
    applyAlarmType(settings_.alarm.type);
}

QStringList Monitor::stationNames() const
{
    QStringList names;
    for (const ObservationRow& row : rows_) {
        if (!row.name.isEmpty())
            names.append(stationNameOf(row.name));
    }
    return names;
}

void Monitor::buildStationList(bool keepChosen)
{
    // Within a region the station on show stays chosen, even while the rows lack it.
    const QString chosen = keepChosen && stationChosen_ ? stations_.currentText() : QString();
    stations_ = {};
    stations_.entries = stationNames();
    stations_.enabled = !stations_.entries.isEmpty();
    // The installer offers the region's stations from this list.
    if (stations_.enabled && stations_.entries != cachedStations_) {
        cachedStations_ = stations_.entries;
        common::saveStationCache(QFileInfo(settingsFile_.path()).absolutePath() + u'/',
                                 layout_.sectionName, stations_.entries);
    }
    if (!stations_.enabled)
        stations_.entries.append(QStringLiteral("Stations not found"));

    if (chosen.isEmpty() || !stations_.enabled) {
        const config::SettingsFile::ReadOnce once(settingsFile_);
        restoreStationSelection();
        restoreDisplays();
    } else {
        if (!stations_.entries.contains(chosen))
            stations_.entries.append(chosen);
        stationChosen_ = stations_.select(int(stations_.entries.indexOf(chosen)));
    }
    Q_EMIT stationListChanged();
}

void Monitor::restoreStationSelection()
{
    const QString savedState = settingsFile_.raw("state");
    const QString savedStation = settingsFile_.raw("station");
    const int n = common::readInteger(savedStation);
    const bool sameRegion =
        !savedState.isEmpty() && common::readInteger(savedState) == regionIndex_;

    if (!sameRegion || savedStation.isEmpty() || n == -1) {
        stationChosen_ = stations_.select(0);
        return;
    }
    const QString name = settingsFile_.text("station_name");
    // The saved index still names the saved station, or the name is searched for: the bureau
    // may have reordered its page since.
    int index =
        stations_.entries.value(n) == name ? n : static_cast<int>(stations_.entries.indexOf(name));
    // The feeds and the pages write some names differently ("Sydney - Observatory Hill").
    if (index < 0)
        index = indexOfStation(stations_.entries, name);
    stationChosen_ = stations_.select(index);
}

void Monitor::restoreDisplays()
{
    selectOrFirst(displays_, settingsFile_.integer("display"));
    selectOrFirst(displays2_, settingsFile_.integer("display_2"));
    Q_EMIT displayChoiceChanged();
}

void Monitor::pickStation(int index)
{
    stations_.select(index);
    if (scanBusy_ || tmrTripLookup_.isActive())
        return; // the scan that runs or is about to run shows it
    stats_.trendPrevious.clear();
    stationChosen_ = true;
    showStats();
    // The last scan's rows hold the picked station: its values are as fresh as that scan.
    if (lastPassShown_ && rowsScanned_.isValid()) {
        lastGoodScan_ = rowsScanned_;
        scansSinceGood_ = 0;
        scanStaleText_.clear();
        showStale();
    }
    followForecast(false);
}

void Monitor::pickDisplay(int index)
{
    displays_.select(index);
    Q_EMIT displayChoiceChanged();
}

void Monitor::pickSecondDisplay(int index)
{
    displays2_.select(index);
    Q_EMIT displayChoiceChanged();
}

void Monitor::setSecondValue(bool on)
{
    secondValue_ = on;
    displays2_.enabled = on && !displays2_.entries.isEmpty();
    Q_EMIT displayChoiceChanged();
}

void Monitor::selectForecast(int index)
{
    forecasts_.select(index);
    Q_EMIT pageChoiceChanged();
}

void Monitor::selectRadar(int index)
{
    radars_.select(index);
}

void Monitor::chooseForecastTown(const QString& aac)
{
    settings_.forecastTown = aac;
    settingsFile_.write(QStringLiteral("fc_town"), aac);
    forecast_.setChosenTown(aac);
    republish();
    Q_EMIT forecastChanged();
}

QString Monitor::forecastUrl() const
{
    return forecasts_.selected < 0 ? QString()
                                   : layout_.forecastPages.value(forecasts_.selected).url;
}

QString Monitor::radarUrl() const
{
    return radars_.selected < 0 ? QString() : layout_.radarPages.value(radars_.selected).url;
}

// --- scan cycle -----------------------------------------------------------------------------

void Monitor::scanTimerTick()
{
    // A tick while a fetch runs is lost, not queued; so is one before the Retry-After of the
    // observations' server.
    if (!fetch_.fetchBusy && !fetch_.holdsOff(layout_.obsUrl))
        tmrScan();
}

void Monitor::tmrScan()
{
    if (settings_.autoUpdate && config::todayText() != settings_.checkDate) {
        settings_.checkDate = config::todayText();
        Q_EMIT versionCheckDue();
        return;
    }
    tmrTripLookup_.start();
}

void Monitor::refresh()
{
    Q_EMIT refreshEnabledChanged(false);
    if (!scanBusy_)
        tmrTripLookup_.start();
}

void Monitor::tripLookupTick()
{
    tmrTripLookup_.stop();
    if (scanBusy_)
        return;
    scanBusy_ = true;
    Q_EMIT scanningChanged(true);
    platform::pumpEvents();
    scanFailed_ = false;
    Q_EMIT scanFailedChanged(false);
    Q_EMIT scanStarted();
    scanOnce();
    // The product's bytes, its rows and the pages made from them are gone until the next scan.
    inet_.endScan();
    platform::giveBackFreedMemory();
    scanBusy_ = false;
    Q_EMIT scanningChanged(false);
    platform::pumpEvents();
}

void Monitor::scanOnce()
{
    const bool listStale =
        layout_.obsUrl != lastScanUrl_ || stations_.entries.isEmpty() || !stationChosen_;
    lastScanUrl_ = layout_.obsUrl;
    Q_EMIT regionListEnabledChanged(false);

    const QString logBefore = log_.text();
    inet_.newScan();
    FeedFetch<RowTable> fetched = fetchObservations(inet_, layout_, log_);

    Q_EMIT refreshEnabledChanged(true);
    Q_EMIT regionListEnabledChanged(true);

    bool cut = false;
    rowsScanned_ = QTime();
    if (fetched.rows) {
        rows_ = std::move(*fetched.rows);
        rowsScanned_ = QTime::currentTime();
        cut = true;
        // Stations come and go (portable fire-weather stations through a season).
        if (listStale || stations_.entries != stationNames())
            buildStationList(!listStale);
    }
    // What went wrong, for the stale mark and the status label: the first line of what this
    // scan logged, else that nothing came.
    const auto reasonNow = [&] {
        return log_.text() != logBefore ? newestEntryLine(log_.text())
                                        : QStringLiteral("No response on last scan");
    };
    // No product at all: what failed is said, not that the station is missing.
    noProductReason_ = !fetched.arrived && rows_.isEmpty() ? reasonNow() : QString();
    showStats();
    // The chosen station is missing from this scan's rows: its last values stay, marked old.
    if (cut && stationChosen_ && !lastPassShown_)
        log_.writeTxt(QStringLiteral("Station ") + stations_.currentText() +
                      QStringLiteral(" was not found on last scan"));

    const QString reason = reasonNow();
    if (!fetched.arrived) {
        texts_.scanError = reason;
        scanFailed_ = true;
        Q_EMIT scanFailedChanged(true);
    }
    noteScan(cut && lastPassShown_, reason);
    // Only a fresh row of the chosen station goes into the record.
    if (cut && lastPassShown_)
        recordShownRow();
    // After the scan's own outcome, so that a forecast's failure is not taken for the scan's.
    followForecast(true);
    followWarnings(true);
}

void Monitor::recordShownRow()
{
    if (!record_ || shownRow_ < 0 || shownRow_ >= rows_.size())
        return;
    const ObservationRow& row = rows_.at(shownRow_);
    HistoryRow reading;
    reading.time = row.cells.value(0);
    reading.observed =
        row.observed.isValid() ? row.observed : historyTimeOf(reading.time, QDate::currentDate());
    for (qsizetype c = 1; c < row.cells.size(); ++c)
        reading.cells.append(normalizedCell(row.cells.at(c)));
    record_->store(texts_.stationKey, stations_.currentText(), {reading}, layout_);
    record_->applyRetention(settings_.recordYears, QDateTime::currentDateTime());

    texts_.todayText.clear();
    if (const auto day = record_->todaysTemperatures(texts_.stationKey)) {
        const auto clock = [](const QDateTime& at) {
            return QLocale::c().toString(at.time(), QStringLiteral("h:mm AP"));
        };
        texts_.todayText = QStringLiteral("Today: high %1 \u00B0C at %2, low %3 \u00B0C at %4")
                               .arg(graphNumberText(day->high), clock(day->highAt),
                                    graphNumberText(day->low), clock(day->lowAt));
    }
    Q_EMIT published();
}

QString Monitor::shownDistrict() const
{
    const QString station = stations_.currentText();
    for (const ObservationRow& row : rows_) {
        if (!row.name.isEmpty() && stationNameOf(row.name) == station)
            return row.district;
    }
    return QString();
}

void Monitor::followWarnings(bool fetchWhenDue)
{
    warnings_.setDistrict(shownDistrict());
    if (fetchWhenDue && fetchWarnings_)
        warnings_.scan();
    WarningList inForce = warnings_.inForce(QDateTime::currentDateTimeUtc());
    const bool same = inForce == inForce_;
    inForce_ = std::move(inForce);
    const QString shown = warningsText();
    if (same && shown == warningsShown_)
        return;
    warningsShown_ = shown;
    republish();
    Q_EMIT warningsChanged(inForce_);
}

QString Monitor::warningsText() const
{
    const QString district = warnings_.district();
    QString name = district;
    for (const ForecastDistrict& d : forecast_.product().districts) {
        if (d.aac == district)
            name = d.name;
    }
    for (const Warning& w : inForce_) {
        if (name == district && !w.districtName.isEmpty())
            name = w.districtName;
    }
    // Its code ("VIC_PW001") means nothing to a user.
    if (name == district && !district.isEmpty())
        name = QStringLiteral("the station's district");
    return warningsSummary(warnings_, inForce_, name, regionList_.displayNames.value(regionIndex_));
}

void Monitor::followForecast(bool fetchWhenDue)
{
    const QString station = stations_.currentText();
    const QString district = shownDistrict();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QString tipBefore = forecastTipText(forecast_, now);
    forecast_.setStation(station, district);
    if (fetchWhenDue && fetchForecasts_ && forecast_.due())
        forecast_.fetch();
    if (forecastTipText(forecast_, now) != tipBefore)
        republish();
    Q_EMIT forecastChanged();
}

void Monitor::noteScan(bool fresh, const QString& reason)
{
    if (fresh) {
        lastGoodScan_ = rowsScanned_;
        scansSinceGood_ = 0;
        scanStaleText_.clear();
    } else if (lastGoodScan_.isValid()) {
        ++scansSinceGood_;
        scanStaleText_ = QStringLiteral("Last good scan %1; %2 scans since failed: %3")
                             .arg(lastGoodScan_.toString(QStringLiteral("hh:mm AP")))
                             .arg(scansSinceGood_)
                             .arg(reason);
    }
    showStale();
}

void Monitor::showStale()
{
    if (!scanStaleText_.isEmpty())
        texts_.staleText = scanStaleText_;
    else if (lastPassShown_ && stats_.obsOld)
        texts_.staleText = QStringLiteral("Old observation: not updated since ") + stats_.obsTime;
    else
        texts_.staleText.clear();
    Q_EMIT staleChanged(texts_.staleText);
}

void Monitor::showStats()
{
    StatPassOptions options;
    options.station = stations_.currentText();
    options.stationChosen = stationChosen_;
    options.savedStationName = settings_.stationName;
    options.iconLow = settings_.iconLow;
    options.iconHigh = settings_.iconHigh;
    options.showTrend = settings_.showTrend;
    options.scanBusy = scanBusy_;
    options.alarm = settings_.alarm;
    options.bureauRoot = config::bureauRoot();
    const StatPassResult result = fillStatTable(stats_, rows_, layout_, options);
    lastPassShown_ = result.outcome == StatPassOutcome::Shown;

    switch (result.outcome) {
    case StatPassOutcome::RowMissing:
        return; // every published text keeps its content
    case StatPassOutcome::NotChosen:
        texts_.graphEnabled = false;
        texts_.tickerText = result.notFound.tickerText;
        texts_.tickerTip =
            noProductReason_.isEmpty() ? result.notFound.tickerTip : noProductReason_;
        // Only a station looked for in rows can be missing: not after a failed download.
        if (!stationNames().isEmpty())
            log_.writeTxt(result.notFound.errorLogText);
        texts_.feedText = noProductReason_.isEmpty() ? result.notFound.feedText : noProductReason_;
        if (settings_.banner)
            texts_.bannerTip =
                noProductReason_.isEmpty() ? result.notFound.bannerTip : noProductReason_;
        Q_EMIT published();
        return;
    case StatPassOutcome::Shown:
        break;
    }

    texts_.historyUrl = result.historyUrl;
    shownRow_ = result.rowIndex;
    // Another station's extremes are not this one's: they wait for its first recorded scan.
    if (const QString key = stationKeyOf(rows_.at(shownRow_)); key != texts_.stationKey) {
        texts_.stationKey = key;
        texts_.todayText.clear();
    }
    texts_.graphEnabled = !texts_.historyUrl.isEmpty();
    // Only a scan's pass tests the alarm: a pass between scans (a station picked, the panel
    // display restarted by Hide) keeps what the last scan found, which the alarm window shows.
    if (scanBusy_) {
        findings_ = result.alarm;
        const AlarmDecision decision = alarmState_.decide(findings_, settings_.alarm, scanBusy_);
        if (!alarmState_.alarmOff && !decision.enableAlertTimer)
            setAlarming(false);
        applyDecision(decision);
    }
    publish();
}

void Monitor::republish()
{
    if (lastPassShown_)
        publish();
}

void Monitor::applyDecision(const AlarmDecision& decision)
{
    if (decision.closeWindow)
        Q_EMIT closeAlarmWindow();
    if (decision.enableMailTimer)
        tmrMail_.start();
    if (decision.enableAlertTimer)
        tmrAlert_.start();
}

void Monitor::publish()
{
    if (const auto text = tickerTextOf(stats_.values, displays_.currentColumn(), secondValue_,
                                       displays2_.currentColumn()))
        texts_.tickerText = *text;
    const QString station = stations_.currentText();
    const StatTexts texts = statTexts(stats_, station, labels_, width_);
    QString forecastTip = forecastTipText(forecast_, QDateTime::currentDateTimeUtc());
    if (!forecastTip.isEmpty())
        forecastTip.prepend(QStringLiteral("\r\n"));
    QString warningTip = warningTipText(warnings_, inForce_);
    if (!warningTip.isEmpty())
        warningTip.prepend(QStringLiteral("\r\n"));
    texts_.tickerTip = texts.tickerTip + warningTip + forecastTip;
    texts_.feedText = texts.feedText;
    texts_.screenText = screenFeedText(findings_.valueAlarm, texts_.feedText);
    if (settings_.banner) {
        texts_.bannerText = bannerTextOf(stats_, labels_).text;
        texts_.bannerTip = bannerTipOf(stats_.obsTime, station) + warningTip + forecastTip;
    }
    if (!scanBusy_)
        showStale(); // a station picked between scans; a scan shows it when it ends
    Q_EMIT published();
}

// --- alarm ----------------------------------------------------------------------------------

void Monitor::alarmCheckClicked(bool ticked)
{
    if (alarmState_.alarmCheckClicked(ticked))
        Q_EMIT closeAlarmWindow();
    if (!ticked)
        setAlarming(false);
}

void Monitor::setAlarming(bool alarming)
{
    if (std::exchange(alarming_, alarming) != alarming)
        Q_EMIT alarmingChanged(alarming);
}

void Monitor::alarmWindowOpened()
{
    alarmState_.alarmWindowOpen = true;
    findings_.valueAlarm = false;
}

void Monitor::alarmWindowClosed()
{
    alarmState_.alarmWindowOpen = false;
}

// --- export ---------------------------------------------------------------------------------

QString Monitor::clipboardText(int year) const
{
    const QString crlf = QStringLiteral("\r\n");
    QString root = config::bureauRoot();
    if (root.endsWith(QLatin1Char('/')))
        root.chop(1);
    QString text = QStringLiteral("BUREAU OF METEOROLOGY") + crlf + root + crlf + crlf +
                   stations_.currentText() + crlf;
    for (qsizetype i = 0; i < stats_.headers.size(); ++i) {
        const QString& header = stats_.headers.at(i);
        const QString tabs = header.size() > 16 ? QStringLiteral("\t") : QStringLiteral("\t\t");
        text += header + tabs + stats_.values.value(i) + crlf;
    }
    text += crlf + QStringLiteral("\u00A9 Copyright Commonwealth of Australia ") +
            QString::number(year) + QStringLiteral(", Bureau of Meteorology.") + crlf;
    return text;
}

} // namespace engine
