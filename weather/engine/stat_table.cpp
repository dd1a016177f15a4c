#include "weather/engine/stat_table.h"

#include "common/number.h"
#include "weather/engine/state_feed.h"

#include <QStringBuilder>
#include <QTime>

#include <algorithm>

namespace engine {

namespace {

const QString kNotFound = QStringLiteral("N/F");

QString valueText(const QString& cell, const QString& sign)
{
    if (sign.isEmpty() || cell == kNotFound)
        return cell;
    return cell % u' ' % sign;
}

} // namespace

QStringList headersOf(const config::StateLayout& layout)
{
    QStringList headers;
    headers.reserve(layout.columns.size());
    for (const config::LayoutColumn& column : layout.columns)
        headers.append(column.header);
    return headers;
}

NotFoundTexts notFoundTexts(const QString& savedStationName)
{
    const QString named = u"Station named - " % savedStationName;
    return NotFoundTexts{
        QStringLiteral("NoStn"),
        named % u" was NOT found at B.O.M. on last scan\r\n"
                u"See Error Log if enabled in program About window.",
        named % u" was NOT found at B.O.M. on last scan. "
                u"If no error indicated with connection the Station should return when Data is "
                u"available for it\r\n"
                u"Wait for more stats or reselect another station, the station name may have "
                u"changed at BOM.",
        named % u" NOT found.",
        savedStationName % u" was NOT found at B.O.M. on last scan, see Popup Tip.",
    };
}

QString obsTimeOf(QStringView cell)
{
    const QStringView text = cell.right(7);
    const bool shaped = text.size() == 7 && common::isAsciiDigits(text.first(2)) &&
                        text[2] == u':' && common::isAsciiDigits(text.sliced(3, 2)) &&
                        text[6].toLower() == u'm';
    const QChar half = shaped ? text[5].toLower() : QChar();
    if (!shaped || (half != u'a' && half != u'p'))
        return text.toString();
    const int hour = text.first(2).toInt();
    const int minute = text.sliced(3, 2).toInt();
    if (hour > 12 || minute > 59)
        return text.toString();
    const QTime time(hour % 12 + (half == u'p' ? 12 : 0), minute);
    return QLocale::c().toString(time, QStringLiteral("hh:mm AP"));
}

QString normalizedCell(QStringView cell)
{
    // An empty cell would otherwise leave its column without a value; it reads as not found.
    if (cell.isEmpty() || cell == u"-" || cell == u"&nbsp;" || cell == u"&nbsp")
        return kNotFound;
    return cell.toString();
}

int levelIconFor(double value, int iconLow, int iconHigh)
{
    if (value > iconHigh)
        return LevelHot;
    if (value >= iconLow)
        return LevelMild;
    return LevelCold;
}

int trendArrowFor(QStringView current, QStringView previous)
{
    if (previous.isEmpty())
        return TrendNone;
    const double now = common::roundToCurrency(common::readNumber(current));
    const double before = common::roundToCurrency(common::readNumber(previous));
    if (now > before)
        return TrendRising;
    if (now < before)
        return TrendFalling;
    return TrendSteady;
}

StatPassResult fillStatTable(StatTable& table, const RowTable& rows,
                             const config::StateLayout& layout, const StatPassOptions& options)
{
    StatPassResult result;

    if (!options.stationChosen) {
        result.outcome = StatPassOutcome::NotChosen;
        table.values.clear();
        table.levelIcon = LevelNoStation;
        table.trendArrow = TrendNone;
        table.values.append(QStringLiteral("Station not found"));
        result.notFound = notFoundTexts(options.savedStationName);
        return result;
    }

    // The row of exactly that station: never another whose name contains it ("Cobar" is not
    // "Cobar Airport"); the station list is made of these names.
    const auto found = std::find_if(rows.cbegin(), rows.cend(), [&](const ObservationRow& row) {
        return stationNameOf(row.name) == options.station;
    });
    if (found == rows.cend())
        return result;
    const ObservationRow& row = *found;
    table.values.clear();
    result.rowIndex = int(found - rows.cbegin());
    result.outcome = StatPassOutcome::Shown;
    result.historyUrl = stationHistoryUrl(row, layout, options.bureauRoot);

    AlarmTests alarmTests(options.alarm, options.scanBusy, options.locale);
    const config::LayoutColumn noColumn;
    const qsizetype columnCount = table.headers.size();
    table.values.reserve(columnCount);
    for (int c = 0; c < columnCount; ++c) {
        // A row read with an older layout may be shorter; its missing cells read as not found.
        const QString cell = normalizedCell(c < row.cells.size() ? row.cells[c] : QString());
        const config::LayoutColumn& column =
            c < layout.columns.size() ? layout.columns[c] : noColumn;
        if (c == 0) {
            table.obsTime = obsTimeOf(cell);
            if (!row.otherDay.isEmpty())
                table.obsTime = row.otherDay % u' ' % table.obsTime;
            table.obsOld = row.old;
            table.values.append(cell);
        } else if (c == 1) {
            alarmTests.testValue(c, cell, column.header, column.sign);
            table.levelIcon =
                levelIconFor(common::readNumber(cell), options.iconLow, options.iconHigh);
            if (options.showTrend) {
                table.trendArrow = trendArrowFor(cell, table.trendPrevious);
                table.trendPrevious = cell;
            }
            table.values.append(valueText(cell, column.sign));
        } else if (c + 1 == layout.windDirColumn) {
            alarmTests.testWindDirection(cell);
            table.values.append(cell);
        } else {
            alarmTests.testValue(c, cell, column.header, column.sign);
            table.values.append(valueText(cell, column.sign));
            alarmTests.testCalm(cell);
        }
    }
    result.alarm = alarmTests.findings();
    return result;
}

} // namespace engine
