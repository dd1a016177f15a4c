#include "graph_sample.h"
#include "tools/demo-bureau/bureau_pages.h"
#include "weather/config/layout_file.h"
#include "weather/engine/history_graph.h"

#include <QtTest>

using engine::HistoryRow;
using engine::HistoryTable;

namespace {

// Columns: time, temperature, wind direction, wind speed, rain. The graph list holds the three
// columns after the time without the direction, so history rows have cells 0 … 3: temperature,
// direction, speed, rain.
constexpr int kGraphCount = 3;

QStringList describe(const HistoryTable& table)
{
    QStringList rows;
    for (const HistoryRow& row : table)
        rows.append((QStringList{row.time} + row.cells).join(u'|'));
    return rows;
}

// A history block in the bureau's shape: one row per time, one cell per line; without values
// the cells are "<index>,N,<index>,0".
QString historyPage(const QStringList& times, const QStringList& values = {})
{
    QString page = QStringLiteral("<table id=\"t1\" class=\"tabledata\">\n<tbody>\n");
    for (qsizetype i = 0; i < times.size(); ++i) {
        page += QStringLiteral("<tr>\n<td>%1</td>\n").arg(times.at(i));
        const QString cells = values.value(i, QStringLiteral("%1,N,%1,0").arg(i));
        for (const QString& cell : cells.split(u','))
            page += QStringLiteral("<td>%1</td>\n").arg(cell);
        page += QStringLiteral("</tr>\n");
    }
    return page + QStringLiteral("</tbody>\n</table>\n<div id=\"footer\">\n");
}

// 8 March 2024 01:00 at +10:00, the newest reading of the tables below.
const QDateTime kNewest(QDate(2024, 3, 8), QTime(1, 0), Qt::OffsetFromUTC, 10 * 3600);

// A table whose cell 0 holds the given values (default: 0 … count - 1), newest first, the
// readings `minutesApart` minutes apart (half-hourly by default).
HistoryTable valueTable(QStringList values, int count = 0, const QList<int>& minutesApart = {})
{
    for (int k = 0; k < count; ++k)
        values.append(QString::number(k));
    HistoryTable table;
    QDateTime at = kNewest;
    for (qsizetype k = 0; k < values.size(); ++k) {
        table.append(HistoryRow{QString(), {values.at(k)}, at});
        at = at.addSecs(-60 * minutesApart.value(k, 30));
    }
    return table;
}

} // namespace

class TestHistoryGraph : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readGraphCell_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("cellEnd");
        QTest::addColumn<QStringList>("cells");

        QTest::newRow("non-breaking space")
            << QStringLiteral("<td>&nbsp;</td><td>x&nbsp</td><td>5</td>") << QStringLiteral("</t")
            << QStringList{"N/F", "N/F", "5"};
        // A "!" anywhere ahead makes the reader go on line by line: the second cell of a line is
        // passed over.
        QTest::newRow("bang ahead")
            << QStringLiteral("<td>1</td><td>2</td>\n<td>3</td>\n<!-- -->\n")
            << QStringLiteral("</t") << QStringList{"1", "3"};
        QTest::newRow("cells end at line breaks")
            << QStringLiteral("<b> a \r\n<b>b\n<b>c") << QString() << QStringList{"a", "b", "c"};
        QTest::newRow("missing cell end")
            << QStringLiteral("<td>1\n<td>2\n") << QStringLiteral("</t") << QStringList{"", "", ""};
    }

    void readGraphCell()
    {
        QFETCH(QString, text);
        QFETCH(QString, cellEnd);
        QFETCH(QStringList, cells);
        engine::GraphCellReader reader(text, cellEnd);
        QStringList read;
        for (qsizetype i = 0; i < cells.size(); ++i)
            read.append(reader.readGraphCell());
        QCOMPARE(read, cells);
    }

    void readHistoryPage_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<config::StateLayout>("layout");
        // "time|cell 0|…" or times only; empty: no block; "-": a block without readings
        QTest::addColumn<QStringList>("entries");

        const config::StateLayout plain = sampleLayout();
        const QString halfHourly = samplePageText(QStringLiteral("graph_half_hourly.html"));
        const QString tenMinute = samplePageText(QStringLiteral("graph_ten_minute.html"));
        // Every half-hourly row is an entry, newest first; missing values ("&nbsp;", "-") read as
        // N/F; the table before the history block and the one after its end are not read.
        QTest::newRow("half-hourly, cells on one line")
            << halfHourly << plain
            << QStringList{"07/03:30pm|21.5|NNE|15|0.2", "07/03:00pm|22.0|N|20|0.2",
                           "07/02:30pm|N/F|NW|10|0.0",   "07/02:00pm|23.1|W|N/F|0.0",
                           "07/01:30pm|20.4|SW|0|0.0",   "07/01:00pm|19.8|S|5|0.0"};
        // Every reading is kept, whatever its cadence.
        QTest::newRow("every 10 minutes, one cell per line, CR LF")
            << QString(tenMinute).replace(u'\n', QStringLiteral("\r\n")) << plain
            << QStringList{"07/03:40pm", "07/03:30pm", "07/03:20pm", "07/03:10pm",
                           "07/03:00pm", "07/02:50pm", "07/02:40pm", "07/02:30pm",
                           "07/02:20pm", "07/02:10pm", "07/02:00pm", "07/01:50pm"};
        QTest::newRow("block without rows")
            << QStringLiteral("<table id=\"t1\"></table>") << plain << QStringList{"-"};
        // Readings are placed by their time, newest first (the 28th is last month's, seen on
        // the 8th): an off-cadence special between regular ones, a repeated time (the first
        // stays), a row without values and one without a time are left out.
        QTest::newRow("placed by time")
            << historyPage(
                   {"07/02:00pm", "28/11:00pm", "07/03:00pm", "07/02:41pm", "07/02:00pm",
                    "07/02:30pm", "yesterday"},
                   {"1,N,1,0", "2,N,2,0", "3,N,3,0", "4,N,4,0", "5,N,5,0", "-,-,-,-", "7,N,7,0"})
            << plain
            << QStringList{"07/03:00pm|3|N|3|0", "07/02:41pm|4|N|4|0", "07/02:00pm|1|N|1|0",
                           "28/11:00pm|2|N|2|0"};

        // At a skip position one cell is read and dropped; position 0 is never one.
        const auto skipping = [](const QList<int>& skip) {
            config::StateLayout layout = sampleLayout();
            for (int i = 0; i < 5; ++i)
                layout.historySkipCells[i] = qint16(skip.at(i));
            return layout;
        };
        const QString wide = historyPage({"07/01:00pm"}, {"v0,v1,v2,v3,v4,v5,v6"});
        QTest::newRow("1 and 3") << wide << skipping({1, 3, 0, 0, 0})
                                 << QStringList{"07/01:00pm|v0|v2|v3|v5"};
        QTest::newRow("past the last cell")
            << wide << skipping({9, 0, 0, 0, 0}) << QStringList{"07/01:00pm|v0|v1|v2|v3"};

        // Without a history marker the observation page's start marker is used; markers are
        // compared exactly; without the end marker the block runs to the end of the page.
        const auto markers = [](const QString& history, const QString& start, const QString& end) {
            config::StateLayout layout = sampleLayout();
            layout.historyBlockStart = history;
            layout.blockStart = start;
            layout.blockEnd = end;
            return layout;
        };
        const QStringList times{"07/03:30pm", "07/03:00pm", "07/02:30pm",
                                "07/02:00pm", "07/01:30pm", "07/01:00pm"};
        QTest::newRow("empty history marker")
            << halfHourly << markers("", "<table id=\"t1\"", "<div id") << times;
        QTest::newRow("marker compared exactly")
            << halfHourly << markers("<TABLE ID=\"t1\"", "", "<div id") << QStringList();
        QTest::newRow("no end marker")
            << halfHourly << markers("<table id=\"t1\"", "", "<span>") << times;
    }

    void readHistoryPage()
    {
        QFETCH(QString, page);
        QFETCH(config::StateLayout, layout);
        QFETCH(QStringList, entries);
        const std::optional<HistoryTable> table =
            engine::readHistoryPage(page, layout, kGraphCount, QDate(2024, 3, 8));
        QCOMPARE(table.has_value(), !entries.isEmpty());
        if (entries == QStringList{"-"}) { // a block without readings
            QVERIFY(table->isEmpty());
            return;
        }
        QStringList read = describe(table.value_or(HistoryTable()));
        if (!entries.value(0).contains(u'|'))
            read.replaceInStrings(QRegularExpression(QStringLiteral("\\|.*")), QString());
        QCOMPARE(read, entries);
    }

    void readsDemoBureauHistory()
    {
        const QString layoutPath = QStringLiteral(NIMBULO_SOURCE_DIR "/data/weather.ini");
        const config::StateLayout layout =
            config::loadStateLayout(QStringLiteral("NSW"), layoutPath);
        int graphCount = 0;
        for (int i = layout.fixedColumns + 1; i <= layout.columnCount; ++i)
            graphCount += i != layout.windDirColumn ? 1 : 0;

        const demo::Region& region = *demo::findRegion(u"nsw");
        const demo::Station& station = region.stations.first();
        const qint64 now = 1709699400; // 6 March 2024 04:30 UTC, on the half hour
        const QString page = QString::fromUtf8(demo::historyPage(region, station, now));
        const std::optional<HistoryTable> table =
            engine::readHistoryPage(page, layout, graphCount, QDate(2024, 3, 6));
        QVERIFY(table);
        QCOMPARE(table->size(), demo::kHistoryRows);

        for (int k = 0; k < demo::kHistoryRows; k += 17) {
            const demo::Reading reading = demo::readingAt(region, station, now - k * 1800);
            const HistoryRow& row = table->at(k);
            QCOMPARE(row.time, reading.dateTime);
            QCOMPARE(row.cells.size(), graphCount + 1);
            const auto expected = [&reading](demo::Quantity q) {
                const QString& value = reading.values[q];
                return value == u"-" ? QStringLiteral("N/F") : value;
            };
            QCOMPARE(row.cells.at(layout.windDirColumn - 2), expected(demo::WindDir));
            QCOMPARE(row.cells.at(11), expected(demo::RainSince9am));
        }
    }

    // Spans are times: "12 Hrs" of a half-hourly history draws its newest 25 readings (12 hours
    // inclusive), of a once-a-day station the one reading of those 12 hours.
    void drawnRange_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("minutesApart");
        QTest::addColumn<int>("span");
        QTest::addColumn<int>("drawn");
        QTest::addColumn<double>("left"); // the oldest drawn reading's x

        QTest::newRow("144 half hours, 12 Hrs") << 144 << 30 << int(engine::Hours12) << 25 << 0.0;
        QTest::newRow("144 half hours, 72 Hrs")
            << 144 << 30 << int(engine::Hours72) << 144 << 460.0 / 144;
        QTest::newRow("3 days, 12 Hrs") << 3 << 24 * 60 << int(engine::Hours12) << 1 << 460.0;
        QTest::newRow("3 days, 72 Hrs") << 3 << 24 * 60 << int(engine::Hours72) << 3 << 460.0 / 3;
    }

    void drawnRange()
    {
        QFETCH(int, entries);
        QFETCH(int, minutesApart);
        QFETCH(int, span);
        QFETCH(int, drawn);
        QFETCH(double, left);
        const HistoryTable table = valueTable({}, entries, QList<int>(entries, minutesApart));
        const engine::GraphPlot plot = engine::plotGraph(table, 0, span, QSizeF(460, 200));
        QCOMPARE(plot.points.size(), drawn);
        QCOMPARE(plot.lastEntry, drawn - 1);
        // The newest reading at the right edge, the span's start at the left; the scale spans
        // the drawn readings only.
        QCOMPARE(plot.points.last().x(), 460.0);
        QVERIFY(qAbs(plot.points.first().x() - left) < 1e-9);
        QCOMPARE(plot.range.max, double(drawn - 1));
    }

    void findMinMax_data()
    {
        QTest::addColumn<QStringList>("values"); // newest first
        QTest::addColumn<int>("lastEntry");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("extremes"); // "max@entry min@entry"; empty: none

        // Scanning runs from the oldest entry: of equal extremes the oldest is kept.
        QTest::newRow("equal extremes")
            << QStringList{"5", "9", "1", "9", "1"} << 4 << true << "9@3 1@4";
        QTest::newRow("gaps are skipped")
            << QStringList{"N/F", "3", "N/F", "-2.5", "N/F"} << 4 << true << "3@1 -2.5@3";
        QTest::newRow("only the drawn range")
            << QStringList{"1", "2", "99"} << 1 << true << "2@1 1@0";
        // A constant series is found: it draws a flat line.
        QTest::newRow("constant") << QStringList{"0.0", "0", "0.00001"} << 2 << true << "0@2 0@2";
        QTest::newRow("one reading") << QStringList{"7"} << 0 << true << "7@0 7@0";
        QTest::newRow("all N/F") << QStringList{"N/F", "N/F"} << 1 << false << "";
        // Values beyond ±2000 are values like any other.
        QTest::newRow("below -2000")
            << QStringList{"-2500", "-2600"} << 1 << true << "-2500@0 -2600@1";
    }

    void findMinMax()
    {
        QFETCH(QStringList, values);
        QFETCH(int, lastEntry);
        QFETCH(bool, found);
        QFETCH(QString, extremes);
        const engine::MinMax r = engine::findMinMax(valueTable(values), 0, lastEntry);
        QCOMPARE(r.found, found);
        if (!extremes.isEmpty())
            QCOMPARE(
                QStringLiteral("%1@%2 %3@%4").arg(r.max).arg(r.maxEntry).arg(r.min).arg(r.minEntry),
                extremes);
    }

    void plotGraph_data()
    {
        QTest::addColumn<QStringList>("values");         // newest first
        QTest::addColumn<QList<int>>("minutesApart");    // between each and the next older
        QTest::addColumn<QList<QList<double>>>("lines"); // ys of each joined run, oldest first

        // Height 100 spans min 10 (y = 100) to max 20 (y = 0).
        QTest::newRow("scaled") << QStringList{"20", "15", "10"} << QList<int>()
                                << QList<QList<double>>{{100, 50, 0}};
        // A reading without a value draws nothing; its neighbours are joined.
        QTest::newRow("value missing") << QStringList{"20", "N/F", "N/F", "10"} << QList<int>()
                                       << QList<QList<double>>{{100, 0}};
        // A constant series is a flat line at half height.
        QTest::newRow("constant") << QStringList{"0.0", "0.0", "0.0"} << QList<int>()
                                  << QList<QList<double>>{{50, 50, 50}};
        // Five silent hours among half-hourly readings are a gap, never bridged.
        QTest::newRow("gap") << QStringList{"20", "15", "10", "15"} << QList<int>{30, 300, 30}
                             << QList<QList<double>>{{50, 100}, {50, 0}};
        // Once a day is that station's cadence: joined.
        QTest::newRow("once a day") << QStringList{"20", "10", "15"} << QList<int>{1440, 1440}
                                    << QList<QList<double>>{{50, 100, 0}};
    }

    void plotGraph()
    {
        QFETCH(QStringList, values);
        QFETCH(QList<int>, minutesApart);
        QFETCH(QList<QList<double>>, lines);
        const engine::GraphPlot plot = engine::plotGraph(valueTable(values, 0, minutesApart), 0,
                                                         engine::Hours72, QSizeF(300, 100));
        QVERIFY(plot.range.found);
        QList<QList<double>> got;
        for (const QPolygonF& run : plot.lines) {
            got.append(QList<double>());
            for (const QPointF& p : run)
                got.last().append(p.y());
        }
        QCOMPARE(got, lines);
    }

    // Day marks stand at the station's midnights (here 8 March 00:00 at +10:00), month starts
    // over a year; a year of 10-minute readings draws thinned but with its extremes.
    void dayMarksAndLongSpans()
    {
        const engine::GraphPlot day =
            engine::plotGraph(valueTable({}, 6), 0, engine::Hours12, QSizeF(720, 100));
        QCOMPARE(day.dayChanges, QList<double>{720.0 - 60 * 1.0});

        HistoryTable year;
        for (int k = 0; k < 52560; ++k)
            year.append(
                HistoryRow{QString(), {QString::number(k % 500)}, kNewest.addSecs(-600LL * k)});
        const engine::GraphPlot plot = engine::plotGraph(year, 0, engine::Year1, QSizeF(600, 100));
        QCOMPARE(plot.dayChanges.size(), 12);
        QCOMPARE(plot.lines.size(), 1);
        QVERIFY(plot.lines.first().size() < 4 * 601);
        double low = 100, high = 0;
        for (const QPointF& p : plot.lines.first())
            low = std::min(low, p.y()), high = std::max(high, p.y());
        QCOMPARE(std::pair(low, high), std::pair(0.0, 100.0));
    }

    void labelTexts()
    {
        const config::StateLayout layout = sampleLayout();
        const engine::GraphStat rain = engine::graphStatOf(layout, 4);
        const HistoryRow entry{QStringLiteral("06/03:30pm"),
                               {"21.5", "NNE", "15", "N/F"},
                               QDateTime(QDate(2024, 3, 6), QTime(15, 30))};
        QCOMPARE(engine::readoutText(rain, entry), QStringLiteral("N/F @ 3:30 PM on 6th"));
        QCOMPARE(engine::graphNumberText(-0.00001), QStringLiteral("0"));
        // The knot sign of the shipped layout counts as a wind speed too.
        config::StateLayout knots = layout;
        knots.columns[3].sign = QStringLiteral("kts");
        QVERIFY(engine::graphStatOf(knots, 3).windSpeed);
    }

    // Dates come from the reading's own full date, not the computer's.
    void dateTexts_data()
    {
        QTest::addColumn<QDateTime>("observed");
        QTest::addColumn<bool>("withDate");
        QTest::addColumn<QString>("text");
        const QDateTime march6(QDate(2024, 3, 6), QTime(15, 30), Qt::OffsetFromUTC, 8 * 3600);
        QTest::newRow("weekday") << march6 << false << "Wednesday @ 3:30 PM";
        QTest::newRow("with date") << march6 << true << "Wednesday 6 March 2024 @ 3:30 PM";
        QTest::newRow("midnight") << QDateTime(QDate(2024, 12, 31), QTime(0, 0)) << false
                                  << "Tuesday @ 12:00 AM";
        QTest::newRow("no time") << QDateTime() << false << "";
    }

    void dateTexts()
    {
        QFETCH(QDateTime, observed);
        QFETCH(bool, withDate);
        QFETCH(QString, text);
        QCOMPARE(engine::historyDateText(observed, withDate), text);
    }

    // A page's day of the month is dated on the computer's date: last month's when later.
    void pageDates_data()
    {
        QTest::addColumn<int>("day");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDate>("date");
        QTest::newRow("same month") << 6 << QDate(2024, 3, 6) << QDate(2024, 3, 6);
        QTest::newRow("previous month") << 28 << QDate(2024, 3, 2) << QDate(2024, 2, 28);
        QTest::newRow("previous year") << 31 << QDate(2025, 1, 1) << QDate(2024, 12, 31);
        QTest::newRow("day the previous month lacks")
            << 31 << QDate(2024, 5, 1) << QDate(2024, 3, 31);
    }

    void pageDates()
    {
        QFETCH(int, day);
        QFETCH(QDate, today);
        QFETCH(QDate, date);
        QCOMPARE(engine::historyDate(day, today), date);
    }

    void readoutTexts_data()
    {
        QTest::addColumn<int>("day");
        QTest::addColumn<QString>("text");
        for (const QString day :
             {"1st", "2nd", "3rd", "11th", "12th", "13th", "21st", "22nd", "23rd", "31st"})
            QTest::newRow(qPrintable(day))
                << day.chopped(2).toInt() << QStringLiteral("1:05 PM on %1").arg(day);
    }

    void readoutTexts()
    {
        QFETCH(int, day);
        QFETCH(QString, text);
        QCOMPARE(engine::dayTimeText(QDateTime(QDate(2024, 1, day), QTime(13, 5))), text);
    }
};

QTEST_GUILESS_MAIN(TestHistoryGraph)
#include "tst_history_graph.moc"
