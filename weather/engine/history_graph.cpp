#include "weather/engine/history_graph.h"

#include "common/number.h"
#include "weather/engine/observation_parser.h"

#include <QRegularExpression>
#include <QTime>

#include <algorithm>
#include <cmath>

namespace engine {
namespace {

bool hasValue(QStringView cell)
{
    return !cell.isEmpty() && cell != kNoValue;
}

double cellNumber(QStringView cell)
{
    return common::roundToCurrency(common::readNumber(cell));
}

bool onTheHour(QStringView time)
{
    if (time.size() <= 4)
        return false;
    // The minutes of a time written "hh:mmam".
    const QStringView minute = time.sliced(time.size() - 4, 2);
    return minute == u"00" || minute == u"01" || minute == u"59";
}

struct DayAndTime
{
    int day = 0;
    QTime time;
};

// "06/03:30pm": the day from the first two characters, the time from the last seven.
std::optional<DayAndTime> splitHistoryTime(QStringView text)
{
    bool ok = false;
    const int day = text.left(2).trimmed().toInt(&ok);
    if (!ok || day < 1 || day > 31)
        return std::nullopt;
    static const QRegularExpression clock(QStringLiteral("(\\d{1,2}):(\\d{2})\\s*([ap])m$"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = clock.match(text.right(7).trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const int hour12 = m.capturedView(1).toInt();
    const int minute = m.capturedView(2).toInt();
    if (hour12 < 1 || hour12 > 12 || minute > 59)
        return std::nullopt;
    const bool pm = m.capturedView(3).compare(u"p", Qt::CaseInsensitive) == 0;
    return DayAndTime{day, QTime(hour12 % 12 + (pm ? 12 : 0), minute)};
}

// "3:30 PM"
QString clockText(QTime time)
{
    const int hour12 = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
    return QStringLiteral("%1:%2 %3")
        .arg(hour12)
        .arg(time.minute(), 2, 10, QLatin1Char('0'))
        .arg(time.hour() < 12 ? QLatin1String("AM") : QLatin1String("PM"));
}

QString ordinalSuffix(int day)
{
    switch (day) {
    case 1:
    case 21:
    case 31:
        return QStringLiteral("st");
    case 2:
    case 22:
        return QStringLiteral("nd");
    case 3:
    case 23:
        return QStringLiteral("rd");
    default:
        return QStringLiteral("th");
    }
}

QString valueWithSign(const QString& value, const GraphStat& stat)
{
    if (stat.sign.isEmpty() || !hasValue(value))
        return value;
    return value + QLatin1Char(' ') + stat.sign;
}

QString withDirection(const QString& text, const GraphStat& stat, const HistoryRow& entry)
{
    if (!stat.windSpeed || stat.windDirCell < 0)
        return text;
    return text + QStringLiteral(" : ") + entry.cells.value(stat.windDirCell);
}

} // namespace

QString historyValue(QString cell)
{
    // The bureau writes a missing value as "-" or leaves the cell blank: no value, not 0.
    if (cell.isEmpty() || cell == u"-")
        return kNoValue.toString();
    return cell;
}

void HistoryKeeper::add(HistoryRow row)
{
    const bool onHour = onTheHour(row.time);
    // An on-hour row and the row after it open entries.
    const bool opensEntry = onHour || afterHour_;
    afterHour_ = onHour;
    if (opensEntry && stored_)
        table_.append(std::move(row));
    else
        table_.last() = std::move(row);
    stored_ = true;
}

GraphCellReader::GraphCellReader(QStringView text, QStringView cellEnd)
    : text_(text), cellEnd_(cellEnd), lastTagEnd_(text.lastIndexOf(u'>')),
      lastBang_(text.lastIndexOf(u'!')), cellEndSearch_(text, cellEnd)
{}

bool GraphCellReader::nextRow(QStringView marker)
{
    const qsizetype from = std::max(pos_, rowFloor_);
    if (marker.isEmpty() || from >= text_.size())
        return false;
    const qsizetype hit = text_.indexOf(marker, from);
    if (hit < 0)
        return false;
    // Each row starts behind the previous one, so the row loop ends whatever the cells do.
    rowFloor_ = hit + 1;
    const qsizetype behind = hit + marker.size();
    const QStringView rest = text_.sliced(behind);
    const bool lineBreakBehind =
        (rest.startsWith(u'\n') || rest.startsWith(u"\r\n")) && !marker.contains(u'\n');
    pos_ = lineBreakBehind ? behind : hit;
    return true;
}

QString GraphCellReader::readGraphCell()
{
    const qsizetype tagEnd = pos_ <= lastTagEnd_ ? text_.indexOf(u'>', pos_) : -1;
    const qsizetype start = tagEnd < 0 ? pos_ : tagEnd + 1;
    if (start >= text_.size()) {
        pos_ = text_.size();
        return {};
    }

    // -1 only when the cell end is set and missing: the value is then empty.
    const qsizetype cellEndAt = cellEndSearch_.find(start);
    const qsizetype end = cellEndAt < 0 ? start : cellEndAt;
    QStringView value = text_.sliced(start, end - start);
    QString cell = value.contains(u"&nbsp") ? kNoValue.toString() : value.trimmed().toString();

    const bool tagAhead = tagEnd >= 0;
    const bool bangAhead = lastBang_ >= pos_;
    if (!cellEnd_.isEmpty() && tagAhead && !bangAhead) {
        // Without a cell end nothing more can be read this way: the text is used up.
        pos_ = cellEndAt < 0 ? text_.size() : std::min(cellEndAt + 5, text_.size());
    } else {
        const qsizetype lineBreak = text_.indexOf(u'\n', start);
        pos_ = lineBreak < 0 ? text_.size() : lineBreak;
    }
    return cell;
}

std::optional<HistoryTable> readHistoryPage(QStringView page, const config::StateLayout& layout,
                                            int graphCount)
{
    const QString& startMarker =
        layout.historyBlockStart.isEmpty() ? layout.blockStart : layout.historyBlockStart;
    const std::optional<QStringView> block =
        findDataBlock(page, startMarker, layout.blockEnd, Qt::CaseSensitive);
    if (!block)
        return std::nullopt;

    const int cellCount = std::max(graphCount, 0) + 1;
    HistoryKeeper keeper;
    GraphCellReader reader(*block, layout.cellEnd);
    while (reader.nextRow(layout.historyRowMarker)) {
        HistoryRow row;
        row.time = reader.readGraphCell();
        row.cells.resize(cellCount);
        for (int i = 0; i < cellCount; ++i) {
            if (i != 0 && std::find(layout.historySkipCells.begin(), layout.historySkipCells.end(),
                                    i) != layout.historySkipCells.end())
                reader.readGraphCell();
            row.cells[i] = historyValue(reader.readGraphCell());
        }
        keeper.add(std::move(row));
    }
    return keeper.take();
}

int firstDrawnOffset(int upperBound, int hoursIndex)
{
    // Half-hourly entries: 12 hours are 24 entries, and so on.
    int entries;
    switch (hoursIndex) {
    case Hours12:
        entries = 24;
        break;
    case Hours24:
        entries = 48;
        break;
    case Hours48:
        entries = 96;
        break;
    default:
        return 0;
    }
    return upperBound > entries ? upperBound - (entries - 1) : 0;
}

MinMax findMinMax(const HistoryTable& table, int cell, int first)
{
    MinMax result;
    if (table.size() < 2)
        return result;
    const int n = int(table.size()) - 1;
    bool any = false;
    for (int k = std::clamp(n - first, 0, n); k >= 0; --k) {
        const QString value = table.at(k).cells.value(cell);
        if (!hasValue(value))
            continue;
        const double v = cellNumber(value);
        // The first value sets both, so values beyond any fixed bound count too.
        if (!any || v > result.max) {
            result.max = v;
            result.maxEntry = k;
        }
        if (!any || v < result.min) {
            result.min = v;
            result.minEntry = k;
        }
        any = true;
    }
    result.found = any && result.max != result.min;
    return result;
}

GraphStat graphStatOf(const config::StateLayout& layout, int column)
{
    GraphStat stat;
    stat.cell = column - 1;
    stat.sign = layout.columns.value(column).sign;
    stat.windSpeed = stat.sign.contains(u"kt") || stat.sign.contains(u"km/h");
    stat.windDirCell = layout.windDirColumn >= 2 ? layout.windDirColumn - 2 : -1;
    return stat;
}

QString graphNumberText(double value)
{
    QString text = QString::number(common::roundToCurrency(value), 'f', 4);
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.'))
        text.chop(1);
    return text == u"-0" ? QStringLiteral("0") : text;
}

QString extremeText(double value, const GraphStat& stat, const HistoryRow& entry,
                    bool withDirectionText)
{
    const QString text = valueWithSign(graphNumberText(value), stat);
    return withDirectionText ? withDirection(text, stat, entry) : text;
}

QString readoutText(const GraphStat& stat, const HistoryRow& entry)
{
    return withDirection(valueWithSign(entry.cells.value(stat.cell), stat), stat, entry) +
           QStringLiteral(" @ ") + dayTimeText(entry.time);
}

int GraphPlot::entryAt(double x) const
{
    if (xStep <= 0)
        return -1;
    const long entry = std::lround((width - x) / xStep);
    return entry < 0 || entry > lastEntry ? -1 : int(entry);
}

double GraphPlot::labelLeft(int entry, double labelWidth) const
{
    return std::max(1.0, xOf(entry) - labelWidth);
}

GraphPlot plotGraph(const HistoryTable& table, int cell, int hoursIndex, QSizeF area)
{
    GraphPlot plot;
    const int n = int(table.size()) - 1;
    plot.first = firstDrawnOffset(n, hoursIndex);
    plot.range = findMinMax(table, cell, plot.first);
    if (!plot.range.found)
        return plot;

    // found implies two entries at least, so the drawn range spans one step or more, and a
    // range with max ≠ min has a height to scale to.
    plot.lastEntry = n - plot.first;
    plot.width = area.width();
    plot.height = area.height();
    plot.xStep = plot.width / plot.lastEntry;
    const double span = plot.range.max - plot.range.min;

    // A leading gap is drawn at the level of the first value of the range.
    double level = plot.range.min;
    for (int k = plot.lastEntry; k >= 0; --k) {
        const QString value = table.at(k).cells.value(cell);
        if (hasValue(value)) {
            level = cellNumber(value);
            break;
        }
    }

    QStringView previousDay;
    for (int j = 0; j <= plot.lastEntry; ++j) {
        const HistoryRow& entry = table.at(plot.lastEntry - j);
        const QString value = entry.cells.value(cell);
        if (hasValue(value))
            level = cellNumber(value);
        plot.points.append(
            QPointF(j * plot.xStep, plot.height - (level - plot.range.min) / span * plot.height));
        const QStringView day = QStringView(entry.time).left(2);
        if (entry.time.contains(u"00:00") || (j > 0 && day != previousDay))
            plot.dayChanges.append(j);
        previousDay = day;
    }
    return plot;
}

QString historyDateText(QStringView time, QDate today)
{
    const std::optional<DayAndTime> parts = splitHistoryTime(time);
    if (!parts || !today.isValid())
        return time.trimmed().toString();
    QDate month(today.year(), today.month(), 1);
    if (parts->day > today.day())
        month = month.addMonths(-1);
    // A day that the previous month lacks can only come from a clock that disagrees with the
    // page; the nearest earlier month that has it is the best guess.
    while (parts->day > month.daysInMonth())
        month = month.addMonths(-1);
    static const char* const kWeekdays[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                            "Friday", "Saturday", "Sunday"};
    const QDate date(month.year(), month.month(), parts->day);
    return QLatin1String(kWeekdays[date.dayOfWeek() - 1]) + QStringLiteral(" @ ") +
           clockText(parts->time);
}

QString dayTimeText(QStringView time)
{
    const std::optional<DayAndTime> parts = splitHistoryTime(time);
    if (!parts)
        return time.trimmed().toString();
    return clockText(parts->time) + QStringLiteral(" on ") + QString::number(parts->day) +
           ordinalSuffix(parts->day);
}

} // namespace engine
