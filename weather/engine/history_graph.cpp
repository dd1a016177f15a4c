#include "weather/engine/history_graph.h"

#include "common/number.h"
#include "weather/engine/observation_parser.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTime>

#include <algorithm>
#include <cmath>
#include <limits>

namespace engine {
namespace {

double cellNumber(QStringView cell)
{
    return common::roundToCurrency(common::readNumber(cell));
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

bool hasValue(QStringView cell)
{
    return !cell.isEmpty() && cell != kNoValue;
}

void HistoryKeeper::add(HistoryRow row)
{
    if (!row.observed.isValid() || std::none_of(row.cells.cbegin(), row.cells.cend(),
                                                [](const QString& c) { return hasValue(c); }))
        return;
    table_.append(std::move(row));
    // Settled now and then, so a feed of any length holds at most twice the bound.
    if (table_.size() >= 2 * kMaxHistoryRows)
        settle();
}

void HistoryKeeper::settle()
{
    // Stable: of readings with the same time the first met stays first.
    std::stable_sort(table_.begin(), table_.end(), [](const HistoryRow& a, const HistoryRow& b) {
        return a.observed.toSecsSinceEpoch() > b.observed.toSecsSinceEpoch();
    });
    const auto repeated =
        std::unique(table_.begin(), table_.end(), [](const HistoryRow& a, const HistoryRow& b) {
            return a.observed.toSecsSinceEpoch() == b.observed.toSecsSinceEpoch();
        });
    table_.erase(repeated, table_.end());
    if (table_.size() > kMaxHistoryRows)
        table_.resize(kMaxHistoryRows);
}

HistoryTable HistoryKeeper::take()
{
    settle();
    return std::move(table_);
}

HistoryTable mergeHistories(const HistoryTable& preferred, const HistoryTable& other)
{
    HistoryTable merged;
    merged.reserve(preferred.size() + other.size());
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < preferred.size() || j < other.size()) {
        const qint64 a = i < preferred.size() ? preferred.at(i).observed.toSecsSinceEpoch()
                                              : std::numeric_limits<qint64>::min();
        const qint64 b = j < other.size() ? other.at(j).observed.toSecsSinceEpoch()
                                          : std::numeric_limits<qint64>::min();
        if (a >= b) {
            merged.append(preferred.at(i++));
            if (a == b)
                ++j;
        } else {
            merged.append(other.at(j++));
        }
    }
    return merged;
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
                                            int graphCount, QDate today)
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
        row.observed = historyTimeOf(row.time, today);
        keeper.add(std::move(row));
    }
    return keeper.take();
}

QDate historyDate(int day, QDate today)
{
    if (day < 1 || day > 31 || !today.isValid())
        return {};
    QDate month(today.year(), today.month(), 1);
    if (day > today.day())
        month = month.addMonths(-1);
    // A day that the previous month lacks can only come from a clock that disagrees with the
    // page; the nearest earlier month that has it is the best guess.
    while (day > month.daysInMonth())
        month = month.addMonths(-1);
    return QDate(month.year(), month.month(), day);
}

QDateTime historyTimeOf(QStringView time, QDate today)
{
    const std::optional<DayAndTime> parts = splitHistoryTime(time);
    if (!parts)
        return {};
    const QDateTime local(historyDate(parts->day, today), parts->time);
    return local.isValid() ? local.toOffsetFromUtc(local.offsetFromUtc()) : QDateTime();
}

qint64 spanSeconds(int span)
{
    constexpr qint64 hour = 3600;
    switch (span) {
    case Hours12:
        return 12 * hour;
    case Hours24:
        return 24 * hour;
    case Hours48:
        return 48 * hour;
    case Days7:
        return 7 * 24 * hour;
    case Days30:
        return 30 * 24 * hour;
    case Year1:
        return 365 * 24 * hour;
    default:
        return 72 * hour;
    }
}

QString spanListText(int span)
{
    static const char* const kTexts[kSpanCount] = {"12 Hrs", "24 hrs",  "48 Hrs", "72 Hrs",
                                                   "7 Days", "30 Days", "1 Year"};
    return QLatin1String(kTexts[std::clamp(span, 0, kSpanCount - 1)]);
}

QString spanCaption(int span)
{
    static const char* const kCaptions[kSpanCount] = {
        "12 Hour Graph", "24 Hour Graph", "48 Hour Graph", "3 Day (72hr) Graph",
        "7 Day Graph",   "30 Day Graph",  "1 Year Graph"};
    return QLatin1String(kCaptions[std::clamp(span, 0, kSpanCount - 1)]);
}

namespace {

// The numbers of one cell of entries 0 … lastEntry, each read once; NaN where there is none.
QList<double> cellNumbers(const HistoryTable& table, int cell, int lastEntry)
{
    QList<double> numbers(std::min<qsizetype>(lastEntry + 1, table.size()));
    for (qsizetype k = 0; k < numbers.size(); ++k) {
        const QString value = table.at(k).cells.value(cell);
        numbers[k] = hasValue(value) ? cellNumber(value) : std::nan("");
    }
    return numbers;
}

MinMax minMaxOf(const QList<double>& numbers)
{
    MinMax result;
    bool any = false;
    for (qsizetype k = numbers.size() - 1; k >= 0; --k) {
        const double v = numbers.at(k);
        if (std::isnan(v))
            continue;
        if (!any || v > result.max) {
            result.max = v;
            result.maxEntry = int(k);
        }
        if (!any || v < result.min) {
            result.min = v;
            result.minEntry = int(k);
        }
        any = true;
    }
    result.found = any;
    return result;
}

} // namespace

MinMax findMinMax(const HistoryTable& table, int cell, int lastEntry)
{
    return minMaxOf(cellNumbers(table, cell, lastEntry));
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
           QStringLiteral(" @ ") + dayTimeText(entry.observed);
}

double GraphPlot::xOf(const HistoryRow& entry) const
{
    return double(entry.observed.toSecsSinceEpoch() - startSecs) / double(spanSecs) * width;
}

int GraphPlot::entryAt(double x) const
{
    if (points.isEmpty() || x < 0 || x > width)
        return -1;
    const auto right = std::lower_bound(points.cbegin(), points.cend(), x,
                                        [](const QPointF& p, double v) { return p.x() < v; });
    qsizetype i = right - points.cbegin();
    if (i == points.size() || (i > 0 && x - points.at(i - 1).x() < points.at(i).x() - x))
        --i;
    return pointEntries.at(i);
}

namespace {

// The time between readings above which two values are not joined.
qint64 gapLimit(QList<qint64> steps)
{
    constexpr qint64 kShortest = 3 * 3600;
    if (steps.isEmpty())
        return kShortest;
    const auto middle = steps.begin() + steps.size() / 2;
    std::nth_element(steps.begin(), middle, steps.end());
    return std::max(kShortest, *middle * 5 / 2);
}

// Keeps of each unit of x the first, lowest, highest and last point (in that order of x), so a
// run of many thousands of points draws as it would whole.
QPolygonF thinned(const QPolygonF& run)
{
    if (run.size() < 1024)
        return run;
    QPolygonF out;
    qsizetype i = 0;
    while (i < run.size()) {
        const double unit = std::floor(run.at(i).x());
        qsizetype low = i, high = i, j = i;
        for (; j < run.size() && std::floor(run.at(j).x()) == unit; ++j) {
            if (run.at(j).y() > run.at(low).y())
                low = j;
            if (run.at(j).y() < run.at(high).y())
                high = j;
        }
        out.append(run.at(i));
        for (qsizetype k : {std::min(low, high), std::max(low, high)}) {
            if (k != i && k != j - 1)
                out.append(run.at(k));
        }
        if (j - 1 != i)
            out.append(run.at(j - 1));
        i = j;
    }
    return out;
}

} // namespace

GraphPlot plotGraph(const HistoryTable& table, int cell, int span, QSizeF area)
{
    GraphPlot plot;
    if (table.isEmpty())
        return plot;
    const QDateTime newest = table.first().observed;
    plot.spanSecs = spanSeconds(span);
    plot.startSecs = newest.toSecsSinceEpoch() - plot.spanSecs;
    plot.lastEntry = int(table.size()) - 1;
    while (plot.lastEntry > 0 &&
           table.at(plot.lastEntry).observed.toSecsSinceEpoch() < plot.startSecs)
        --plot.lastEntry;
    const QList<double> numbers = cellNumbers(table, cell, plot.lastEntry);
    plot.range = minMaxOf(numbers);
    if (!plot.range.found)
        return plot;

    plot.width = area.width();
    plot.height = area.height();
    const double valueSpan = plot.range.max - plot.range.min;
    const auto yOf = [&](double v) {
        return valueSpan == 0 ? plot.height / 2
                              : plot.height - (v - plot.range.min) / valueSpan * plot.height;
    };

    QList<qint64> times;
    for (int k = plot.lastEntry; k >= 0; --k) {
        const HistoryRow& entry = table.at(k);
        if (std::isnan(numbers.at(k)))
            continue;
        plot.points.append(QPointF(plot.xOf(entry), yOf(numbers.at(k))));
        plot.pointEntries.append(k);
        times.append(entry.observed.toSecsSinceEpoch());
    }
    QList<qint64> steps;
    for (qsizetype i = 1; i < times.size(); ++i)
        steps.append(times.at(i) - times.at(i - 1));
    qint64 limit = gapLimit(steps);
    // Read by parts, neighbouring extremes may lie two parts apart without a reading missing.
    if (span > Days30)
        limit = std::max(limit, plot.spanSecs * 5 / 2 / kGraphParts);
    QPolygonF run;
    for (qsizetype i = 0; i < plot.points.size(); ++i) {
        if (i > 0 && times.at(i) - times.at(i - 1) > limit) {
            plot.lines.append(thinned(run));
            run.clear();
        }
        run.append(plot.points.at(i));
    }
    plot.lines.append(thinned(run));

    // Day marks at the station's midnights (month starts over a year), on its clock.
    const int offset = newest.offsetFromUtc();
    const QDateTime start =
        QDateTime::fromSecsSinceEpoch(plot.startSecs, Qt::OffsetFromUTC, offset);
    QDate day = start.date().addDays(1);
    if (span == Year1)
        day = QDate(day.year(), day.month(), 1).addMonths(1);
    for (;; day = span == Year1 ? day.addMonths(1) : day.addDays(1)) {
        const QDateTime mark(day, QTime(0, 0), Qt::OffsetFromUTC, offset);
        if (mark.toSecsSinceEpoch() > newest.toSecsSinceEpoch())
            break;
        plot.dayChanges.append(double(mark.toSecsSinceEpoch() - plot.startSecs) /
                               double(plot.spanSecs) * plot.width);
    }
    return plot;
}

QString historyDateText(const QDateTime& observed, bool withDate)
{
    if (!observed.isValid())
        return {};
    static const char* const kWeekdays[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                            "Friday", "Saturday", "Sunday"};
    const QDate date = observed.date();
    QString text = QLatin1String(kWeekdays[date.dayOfWeek() - 1]);
    if (withDate)
        text += QLatin1Char(' ') + QLocale::c().toString(date, QStringLiteral("d MMMM yyyy"));
    return text + QStringLiteral(" @ ") + clockText(observed.time());
}

QString dayTimeText(const QDateTime& observed)
{
    if (!observed.isValid())
        return {};
    const int day = observed.date().day();
    return clockText(observed.time()) + QStringLiteral(" on ") + QString::number(day) +
           ordinalSuffix(day);
}

} // namespace engine
