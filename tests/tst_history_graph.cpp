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

// One text per entry, "time|cell 0|cell 1|...", so a whole table compares in one go.
QStringList describe(const HistoryTable& table)
{
    QStringList rows;
    for (const HistoryRow& row : table)
        rows.append((QStringList{row.time} + row.cells).join(u'|'));
    return rows;
}

QStringList timesOf(const HistoryTable& table)
{
    QStringList times;
    for (const HistoryRow& row : table)
        times.append(row.time);
    return times;
}

// A history block in the bureau's shape: one row per time, one cell per line.
QString historyPage(const QStringList& times, const QStringList& values = {})
{
    QString page = QStringLiteral("<table id=\"t1\" class=\"tabledata\">\n<tbody>\n");
    for (qsizetype i = 0; i < times.size(); ++i) {
        page += QStringLiteral("<tr>\n<td>%1</td>\n").arg(times.at(i));
        const QStringList cells = values.isEmpty()
                                      ? QStringList{QString::number(i), QStringLiteral("N"),
                                                    QString::number(i), QStringLiteral("0")}
                                      : values.at(i).split(u',');
        for (const QString& cell : cells)
            page += QStringLiteral("<td>%1</td>\n").arg(cell);
        page += QStringLiteral("</tr>\n");
    }
    return page + QStringLiteral("</tbody>\n</table>\n<div id=\"footer\">\n");
}

// A table of `count` half-hourly entries, newest first, whose cell 0 holds the entry's index.
HistoryTable indexedTable(int count)
{
    HistoryTable table;
    for (int k = 0; k < count; ++k)
        table.append(HistoryRow{QStringLiteral("07/01:00pm"), {QString::number(k)}});
    return table;
}

// A table whose cell 0 holds the given values, newest first.
HistoryTable valueTable(const QStringList& values, const QStringList& times = {})
{
    HistoryTable table;
    for (qsizetype k = 0; k < values.size(); ++k)
        table.append(HistoryRow{times.value(k, QStringLiteral("07/01:00pm")), {values.at(k)}});
    return table;
}

} // namespace

class TestHistoryGraph : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readGraphCell_data();
    void readGraphCell();
    void keepsRows_data();
    void keepsRows();
    void onTheHour_data();
    void onTheHour();
    void skipPositions_data();
    void skipPositions();
    void blockMarkers_data();
    void blockMarkers();
    void readsDemoBureauHistory();
    void drawnRange_data();
    void drawnRange();
    void findMinMax_data();
    void findMinMax();
    void plotBridgesGapsAndScales_data();
    void plotBridgesGapsAndScales();
    void dayChanges_data();
    void dayChanges();
    void entryUnderTheMouse();
    void labelTexts();
    void historyDateText_data();
    void historyDateText();
    void dayTimeText_data();
    void dayTimeText();
};

void TestHistoryGraph::readGraphCell_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cellEnd");
    QTest::addColumn<QStringList>("cells");

    QTest::newRow("cells on one line") << QStringLiteral("<td>1</td><td> 2 </td><td>3</td>\n")
                                       << QStringLiteral("</t") << QStringList{"1", "2", "3"};
    QTest::newRow("non-breaking space")
        << QStringLiteral("<td>&nbsp;</td><td>x&nbsp</td><td>5</td>") << QStringLiteral("</t")
        << QStringList{"N/F", "N/F", "5"};
    // A "!" anywhere ahead makes the reader go on line by line: the second cell of a line is
    // passed over.
    QTest::newRow("bang ahead") << QStringLiteral("<td>1</td><td>2</td>\n<td>3</td>\n<!-- -->\n")
                                << QStringLiteral("</t") << QStringList{"1", "3"};
    QTest::newRow("cells end at line breaks")
        << QStringLiteral("<b> a \r\n<b>b\n<b>c") << QString() << QStringList{"a", "b", "c"};
    QTest::newRow("missing cell end")
        << QStringLiteral("<td>1\n<td>2\n") << QStringLiteral("</t") << QStringList{"", "", ""};
    QTest::newRow("text used up") << QStringLiteral("<td>1</td>") << QStringLiteral("</t")
                                  << QStringList{"1", "", ""};
}

void TestHistoryGraph::readGraphCell()
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

void TestHistoryGraph::keepsRows_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("entries");

    // Every half-hourly row is an entry, newest first; missing values ("&nbsp;", "-") read as
    // N/F; the table before the history block and the one after its end are not read.
    QTest::newRow("half-hourly, cells on one line")
        << samplePageText(QStringLiteral("graph_half_hourly.html"))
        << QStringList{"07/03:30pm|21.5|NNE|15|0.2", "07/03:00pm|22.0|N|20|0.2",
                       "07/02:30pm|N/F|NW|10|0.0",   "07/02:00pm|23.1|W|N/F|0.0",
                       "07/01:30pm|20.4|SW|0|0.0",   "07/01:00pm|19.8|S|5|0.0"};
    // Each row on the hour stays, and for each hour the oldest row between it and the next
    // older hour.
    QTest::newRow("every 10 minutes, one cell per line")
        << samplePageText(QStringLiteral("graph_ten_minute.html"))
        << QStringList{"07/03:10pm|20.3|SE|13|0.0", "07/03:00pm|20.4|N|14|0.0",
                       "07/02:10pm|20.9|NE|19|0.0", "07/02:00pm|21.0|E|20|0.0",
                       "07/01:50pm|21.1|SE|21|0.0"};
    QString crLf = samplePageText(QStringLiteral("graph_ten_minute.html"));
    crLf.replace(u'\n', QStringLiteral("\r\n"));
    QTest::newRow("CR LF line breaks")
        << crLf
        << QStringList{"07/03:10pm|20.3|SE|13|0.0", "07/03:00pm|20.4|N|14|0.0",
                       "07/02:10pm|20.9|NE|19|0.0", "07/02:00pm|21.0|E|20|0.0",
                       "07/01:50pm|21.1|SE|21|0.0"};
    QTest::newRow("block without rows")
        << QStringLiteral("<table id=\"t1\"></table>") << QStringList{"|"};
}

void TestHistoryGraph::keepsRows()
{
    QFETCH(QString, page);
    QFETCH(QStringList, entries);
    const std::optional<HistoryTable> table =
        engine::readHistoryPage(page, sampleLayout(), kGraphCount);
    QVERIFY(table);
    QCOMPARE(describe(*table), entries);
}

void TestHistoryGraph::onTheHour_data()
{
    QTest::addColumn<QStringList>("times");
    QTest::addColumn<QStringList>("kept");

    QTest::newRow("59 and 01 count as on the hour")
        << QStringList{"07/03:30pm", "07/03:20pm", "07/02:59pm", "07/02:40pm",
                       "07/02:30pm", "07/02:01pm", "07/01:50pm", "07/01:40pm"}
        << QStringList{"07/03:20pm", "07/02:59pm", "07/02:30pm", "07/02:01pm", "07/01:40pm"};
    QTest::newRow("02 and 58 do not")
        << QStringList{"07/03:30pm", "07/03:02pm", "07/02:58pm", "07/02:30pm"}
        << QStringList{"07/02:30pm"};
    // The minutes are two characters three before the end; a time of four characters or fewer
    // has none, so nothing is on the hour and every row overwrites the one entry.
    QTest::newRow("times of four characters")
        << QStringList{"1:30", "1:00", "0:30", "0:00"} << QStringList{"0:00"};
    QTest::newRow("five characters")
        << QStringList{"01:00", "12:00", "11:30"} << QStringList{"11:30"};
}

void TestHistoryGraph::onTheHour()
{
    QFETCH(QStringList, times);
    QFETCH(QStringList, kept);
    const std::optional<HistoryTable> table =
        engine::readHistoryPage(historyPage(times), sampleLayout(), kGraphCount);
    QVERIFY(table);
    QCOMPARE(timesOf(*table), kept);
}

void TestHistoryGraph::skipPositions_data()
{
    QTest::addColumn<QList<int>>("skip");
    QTest::addColumn<QString>("entry");

    QTest::newRow("none") << QList<int>{0, 0, 0, 0, 0} << QStringLiteral("t|v0|v1|v2|v3");
    // At position 3 one cell is read and dropped, so cell 3 holds the fifth value cell.
    QTest::newRow("3,0,0,0,0") << QList<int>{3, 0, 0, 0, 0} << QStringLiteral("t|v0|v1|v2|v4");
    QTest::newRow("0 between") << QList<int>{0, 0, 3, 0, 0} << QStringLiteral("t|v0|v1|v2|v4");
    QTest::newRow("1 and 3") << QList<int>{1, 3, 0, 0, 0} << QStringLiteral("t|v0|v2|v3|v5");
    // Position 0 is never a skip position.
    QTest::newRow("only 0 entries") << QList<int>{0, 0, 0, 0, 0} << QStringLiteral("t|v0|v1|v2|v3");
    QTest::newRow("past the last cell")
        << QList<int>{9, 0, 0, 0, 0} << QStringLiteral("t|v0|v1|v2|v3");
}

void TestHistoryGraph::skipPositions()
{
    QFETCH(QList<int>, skip);
    QFETCH(QString, entry);
    config::StateLayout layout = sampleLayout();
    for (int i = 0; i < 5; ++i)
        layout.historySkipCells[i] = qint16(skip.at(i));
    const QString page =
        historyPage({QStringLiteral("t")}, {QStringLiteral("v0,v1,v2,v3,v4,v5,v6")});
    const std::optional<HistoryTable> table = engine::readHistoryPage(page, layout, kGraphCount);
    QVERIFY(table);
    QCOMPARE(describe(*table), QStringList{entry});
}

void TestHistoryGraph::blockMarkers_data()
{
    QTest::addColumn<QString>("historyBlockStart");
    QTest::addColumn<QString>("blockStart");
    QTest::addColumn<QString>("blockEnd");
    QTest::addColumn<int>("entries"); // -1: no block

    QTest::newRow("history start marker")
        << QStringLiteral("<table id=\"t1\"") << QStringLiteral("nowhere")
        << QStringLiteral("<div id") << 6;
    // Without a history marker the observation page's start marker is used.
    QTest::newRow("empty history marker")
        << QString() << QStringLiteral("<table id=\"t1\"") << QStringLiteral("<div id") << 6;
    QTest::newRow("marker compared exactly")
        << QStringLiteral("<TABLE ID=\"t1\"") << QString() << QStringLiteral("<div id") << -1;
    QTest::newRow("no start marker")
        << QString() << QStringLiteral("<table id=\"t9\"") << QStringLiteral("<div id") << -1;
    // Without the end marker the block runs to the end of the page: the row after it counts.
    QTest::newRow("no end marker")
        << QStringLiteral("<table id=\"t1\"") << QString() << QStringLiteral("<span>") << 7;
}

void TestHistoryGraph::blockMarkers()
{
    QFETCH(QString, historyBlockStart);
    QFETCH(QString, blockStart);
    QFETCH(QString, blockEnd);
    QFETCH(int, entries);
    config::StateLayout layout = sampleLayout();
    layout.historyBlockStart = historyBlockStart;
    layout.blockStart = blockStart;
    layout.blockEnd = blockEnd;
    const std::optional<HistoryTable> table = engine::readHistoryPage(
        samplePageText(QStringLiteral("graph_half_hourly.html")), layout, kGraphCount);
    if (entries < 0) {
        QVERIFY(!table);
        return;
    }
    QVERIFY(table);
    QCOMPARE(table->size(), entries);
}

// The shipped layout file read against the demo bureau's history page: every half-hourly row
// is an entry, and cell k holds the page's value of layout column k + 1 (the history page's
// extra QNH pressure is the dropped position 10).
void TestHistoryGraph::readsDemoBureauHistory()
{
    const QString layoutPath = QStringLiteral(NIMBULO_SOURCE_DIR "/data/weather.ini");
    const config::StateLayout layout = config::loadStateLayout(QStringLiteral("NSW"), layoutPath);
    QVERIFY(!layout.historyRowMarker.isEmpty());
    int graphCount = 0;
    for (int i = layout.fixedColumns + 1; i <= layout.columnCount; ++i)
        graphCount += i != layout.windDirColumn ? 1 : 0;

    const demo::Region& region = *demo::findRegion(u"nsw");
    const demo::Station& station = region.stations.first();
    const qint64 now = 1709699400; // 6 March 2024 04:30 UTC, on the half hour
    const QString page = QString::fromUtf8(demo::historyPage(region, station, now));
    const std::optional<HistoryTable> table = engine::readHistoryPage(page, layout, graphCount);
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
        QCOMPARE(row.cells.at(0), expected(demo::Temp));
        QCOMPARE(row.cells.at(layout.windDirColumn - 2), expected(demo::WindDir));
        QCOMPARE(row.cells.at(9), expected(demo::WindGustKts));
        QCOMPARE(row.cells.at(10), expected(demo::PressMsl));
        QCOMPARE(row.cells.at(11), expected(demo::RainSince9am));
    }
}

void TestHistoryGraph::drawnRange_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("hours");
    QTest::addColumn<int>("drawn");

    QTest::newRow("144 entries, 12 Hrs") << 144 << int(engine::Hours12) << 24;
    QTest::newRow("144 entries, 24 hrs") << 144 << int(engine::Hours24) << 48;
    QTest::newRow("144 entries, 48 Hrs") << 144 << int(engine::Hours48) << 96;
    QTest::newRow("144 entries, 72 Hrs") << 144 << int(engine::Hours72) << 144;
    QTest::newRow("30 entries, 24 hrs") << 30 << int(engine::Hours24) << 30;
    QTest::newRow("30 entries, 12 Hrs") << 30 << int(engine::Hours12) << 24;
    QTest::newRow("2 entries, 12 Hrs") << 2 << int(engine::Hours12) << 2;
}

void TestHistoryGraph::drawnRange()
{
    QFETCH(int, entries);
    QFETCH(int, hours);
    QFETCH(int, drawn);
    const HistoryTable table = indexedTable(entries);
    const engine::GraphPlot plot = engine::plotGraph(table, 0, hours, QSizeF(460, 200));
    QVERIFY(plot.range.found);
    QCOMPARE(plot.points.size(), drawn);
    QCOMPARE(plot.lastEntry, drawn - 1);
    // The oldest drawn entry at the left, entry 0 (the newest) at the right edge.
    QCOMPARE(plot.points.first().x(), 0.0);
    QCOMPARE(plot.points.last().x(), 460.0);
    QCOMPARE(plot.range.max, double(drawn - 1));
    QCOMPARE(plot.range.maxEntry, drawn - 1);
    QCOMPARE(plot.range.minEntry, 0);
}

void TestHistoryGraph::findMinMax_data()
{
    QTest::addColumn<QStringList>("values"); // newest first
    QTest::addColumn<int>("first");
    QTest::addColumn<bool>("found");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("min");
    QTest::addColumn<int>("maxEntry");
    QTest::addColumn<int>("minEntry");

    QTest::newRow("plain") << QStringList{"20.5", "18", "23.25", "19"} << 0 << true << 23.25 << 18.0
                           << 2 << 1;
    // Scanning runs from the oldest entry: of equal extremes the oldest is kept.
    QTest::newRow("equal extremes")
        << QStringList{"5", "9", "1", "9", "1"} << 0 << true << 9.0 << 1.0 << 3 << 4;
    QTest::newRow("gaps are skipped")
        << QStringList{"N/F", "3", "N/F", "-2.5", "N/F"} << 0 << true << 3.0 << -2.5 << 1 << 3;
    QTest::newRow("only the drawn range")
        << QStringList{"1", "2", "99"} << 1 << true << 2.0 << 1.0 << 1 << 0;
    QTest::newRow("four decimal places")
        << QStringList{"1.00001", "1.00004"} << 0 << false << 1.0 << 1.0 << 1 << 1;
    QTest::newRow("all equal") << QStringList{"0", "0", "0"} << 0 << false << 0.0 << 0.0 << 2 << 2;
    QTest::newRow("all N/F") << QStringList{"N/F", "N/F"} << 0 << false << 0.0 << 0.0 << -1 << -1;
    QTest::newRow("one value among gaps")
        << QStringList{"N/F", "7", "N/F"} << 0 << false << 7.0 << 7.0 << 1 << 1;
    QTest::newRow("one entry") << QStringList{"7"} << 0 << false << 0.0 << 0.0 << -1 << -1;
    // Values beyond ±2000 are values like any other.
    QTest::newRow("large values") << QStringList{"2500", "2600"} << 0 << true << 2600.0 << 2500.0
                                  << 1 << 0;
    QTest::newRow("below -2000") << QStringList{"-2500", "-2600"} << 0 << true << -2500.0 << -2600.0
                                 << 0 << 1;
}

void TestHistoryGraph::findMinMax()
{
    QFETCH(QStringList, values);
    QFETCH(int, first);
    QFETCH(bool, found);
    QFETCH(double, max);
    QFETCH(double, min);
    QFETCH(int, maxEntry);
    QFETCH(int, minEntry);
    const engine::MinMax range = engine::findMinMax(valueTable(values), 0, first);
    QCOMPARE(range.found, found);
    if (maxEntry < 0)
        return;
    QCOMPARE(range.max, max);
    QCOMPARE(range.min, min);
    QCOMPARE(range.maxEntry, maxEntry);
    QCOMPARE(range.minEntry, minEntry);
}

void TestHistoryGraph::plotBridgesGapsAndScales_data()
{
    QTest::addColumn<QStringList>("values"); // newest first
    QTest::addColumn<QList<double>>("ys");   // oldest first

    // Height 100 spans min 10 (y = 100) to max 20 (y = 0).
    QTest::newRow("scaled") << QStringList{"20", "15", "10"} << QList<double>{100, 50, 0};
    // A gap stays level with the value before it.
    QTest::newRow("gap in the middle")
        << QStringList{"20", "N/F", "N/F", "10"} << QList<double>{100, 100, 100, 0};
    // A leading gap takes the level of the first value of the range, not 0.
    QTest::newRow("leading gap") << QStringList{"20", "10", "15", "N/F"}
                                 << QList<double>{50, 50, 100, 0};
    QTest::newRow("negative values")
        << QStringList{"-5", "-10", "N/F", "-15"} << QList<double>{100, 100, 50, 0};
}

void TestHistoryGraph::plotBridgesGapsAndScales()
{
    QFETCH(QStringList, values);
    QFETCH(QList<double>, ys);
    const engine::GraphPlot plot =
        engine::plotGraph(valueTable(values), 0, engine::Hours72, QSizeF(300, 100));
    QVERIFY(plot.range.found);
    QList<double> got;
    for (const QPointF& p : plot.points)
        got.append(p.y());
    QCOMPARE(got, ys);
    QCOMPARE(plot.xStep, 300.0 / (values.size() - 1));
}

void TestHistoryGraph::dayChanges_data()
{
    QTest::addColumn<QStringList>("times"); // newest first
    QTest::addColumn<QList<int>>("marks");  // point indices, oldest first

    QTest::newRow("midnight between entries")
        << QStringList{"08/12:30am", "08/12:00am", "07/11:30pm", "07/11:00pm"} << QList<int>{2};
    QTest::newRow("two days") << QStringList{"09/01:00am", "08/01:00am", "07/01:00am"}
                              << QList<int>{1, 2};
    QTest::newRow("24-hour times mark 00:00")
        << QStringList{"08/00:30", "08/00:00", "07/23:30"} << QList<int>{1};
    QTest::newRow("one day") << QStringList{"07/03:00pm", "07/02:30pm"} << QList<int>{};
}

void TestHistoryGraph::dayChanges()
{
    QFETCH(QStringList, times);
    QFETCH(QList<int>, marks);
    QStringList values;
    for (qsizetype i = 0; i < times.size(); ++i)
        values.append(QString::number(i));
    const engine::GraphPlot plot =
        engine::plotGraph(valueTable(values, times), 0, engine::Hours72, QSizeF(300, 90));
    QVERIFY(plot.range.found);
    QCOMPARE(plot.dayChanges, marks);
}

void TestHistoryGraph::entryUnderTheMouse()
{
    const engine::GraphPlot plot =
        engine::plotGraph(indexedTable(11), 0, engine::Hours72, QSizeF(500, 100));
    QCOMPARE(plot.xStep, 50.0);
    QCOMPARE(plot.entryAt(500), 0);
    QCOMPARE(plot.entryAt(476), 0);
    QCOMPARE(plot.entryAt(474), 1);
    QCOMPARE(plot.entryAt(0), 10);
    QCOMPARE(plot.entryAt(-24), 10);
    QCOMPARE(plot.entryAt(-26), -1);
    QCOMPARE(plot.entryAt(526), -1);
    // Labels end at their entry and never start left of 1.
    QCOMPARE(plot.labelLeft(2, 60), 340.0);
    QCOMPARE(plot.labelLeft(10, 60), 1.0);
}

void TestHistoryGraph::labelTexts()
{
    const config::StateLayout layout = sampleLayout();
    const engine::GraphStat temp = engine::graphStatOf(layout, 1);
    QCOMPARE(temp.cell, 0);
    QCOMPARE(temp.sign, QStringLiteral("°C"));
    QVERIFY(!temp.windSpeed);
    const engine::GraphStat wind = engine::graphStatOf(layout, 3);
    QCOMPARE(wind.cell, 2);
    QVERIFY(wind.windSpeed);
    QCOMPARE(wind.windDirCell, 1);
    const engine::GraphStat rain = engine::graphStatOf(layout, 4);
    QVERIFY(!rain.windSpeed);

    const HistoryRow entry{QStringLiteral("06/03:30pm"), {"21.5", "NNE", "15", "N/F"}};
    QCOMPARE(engine::extremeText(21.5, temp, entry, true), QStringLiteral("21.5 °C"));
    QCOMPARE(engine::extremeText(15, wind, entry, true), QStringLiteral("15 km/h : NNE"));
    QCOMPARE(engine::extremeText(0, wind, entry, false), QStringLiteral("0 km/h"));
    QCOMPARE(engine::extremeText(1013.25, rain, entry, true), QStringLiteral("1013.25 mm"));
    QCOMPARE(engine::graphNumberText(-0.00001), QStringLiteral("0"));

    QCOMPARE(engine::readoutText(temp, entry), QStringLiteral("21.5 °C @ 3:30 PM on 6th"));
    QCOMPARE(engine::readoutText(wind, entry), QStringLiteral("15 km/h : NNE @ 3:30 PM on 6th"));
    QCOMPARE(engine::readoutText(rain, entry), QStringLiteral("N/F @ 3:30 PM on 6th"));

    // The knot sign of the shipped layout counts as a wind speed too.
    config::StateLayout knots = layout;
    knots.columns[3].sign = QStringLiteral("kts");
    QVERIFY(engine::graphStatOf(knots, 3).windSpeed);
}

void TestHistoryGraph::historyDateText_data()
{
    QTest::addColumn<QString>("time");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("text");

    QTest::newRow("same day") << QStringLiteral("06/03:30pm") << QDate(2024, 3, 6)
                              << QStringLiteral("Wednesday @ 3:30 PM");
    QTest::newRow("earlier this month")
        << QStringLiteral("04/11:00am") << QDate(2024, 3, 6) << QStringLiteral("Monday @ 11:00 AM");
    QTest::newRow("previous month") << QStringLiteral("28/11:00pm") << QDate(2024, 3, 2)
                                    << QStringLiteral("Wednesday @ 11:00 PM");
    QTest::newRow("previous year") << QStringLiteral("31/12:00am") << QDate(2025, 1, 1)
                                   << QStringLiteral("Tuesday @ 12:00 AM");
    QTest::newRow("noon") << QStringLiteral("31/12:30pm") << QDate(2025, 1, 2)
                          << QStringLiteral("Tuesday @ 12:30 PM");
    // April has no 31st: the nearest earlier month that has one.
    QTest::newRow("day the previous month lacks")
        << QStringLiteral("31/09:00am") << QDate(2024, 5, 1) << QStringLiteral("Sunday @ 9:00 AM");
    QTest::newRow("not a history time")
        << QStringLiteral(" abc ") << QDate(2024, 3, 6) << QStringLiteral("abc");
    QTest::newRow("day 0") << QStringLiteral("00/01:00pm") << QDate(2024, 3, 6)
                           << QStringLiteral("00/01:00pm");
}

void TestHistoryGraph::historyDateText()
{
    QFETCH(QString, time);
    QFETCH(QDate, today);
    QFETCH(QString, text);
    QCOMPARE(engine::historyDateText(time, today), text);
}

void TestHistoryGraph::dayTimeText_data()
{
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("text");

    QTest::newRow("1st") << QStringLiteral("01/12:00am") << QStringLiteral("12:00 AM on 1st");
    QTest::newRow("2nd") << QStringLiteral("02/09:30am") << QStringLiteral("9:30 AM on 2nd");
    QTest::newRow("3rd") << QStringLiteral("03/03:30pm") << QStringLiteral("3:30 PM on 3rd");
    QTest::newRow("4th") << QStringLiteral("04/11:59pm") << QStringLiteral("11:59 PM on 4th");
    QTest::newRow("11th") << QStringLiteral("11/01:00pm") << QStringLiteral("1:00 PM on 11th");
    QTest::newRow("12th") << QStringLiteral("12/01:00pm") << QStringLiteral("1:00 PM on 12th");
    QTest::newRow("13th") << QStringLiteral("13/01:00pm") << QStringLiteral("1:00 PM on 13th");
    QTest::newRow("21st") << QStringLiteral("21/01:00pm") << QStringLiteral("1:00 PM on 21st");
    QTest::newRow("22nd") << QStringLiteral("22/01:00pm") << QStringLiteral("1:00 PM on 22nd");
    QTest::newRow("23rd") << QStringLiteral("23/01:00pm") << QStringLiteral("1:00 PM on 23rd");
    QTest::newRow("30th") << QStringLiteral("30/01:00pm") << QStringLiteral("1:00 PM on 30th");
    QTest::newRow("31st") << QStringLiteral("31/01:00PM") << QStringLiteral("1:00 PM on 31st");
    QTest::newRow("garbage") << QStringLiteral("N/F") << QStringLiteral("N/F");
}

void TestHistoryGraph::dayTimeText()
{
    QFETCH(QString, time);
    QFETCH(QString, text);
    QCOMPARE(engine::dayTimeText(time), text);
}

QTEST_GUILESS_MAIN(TestHistoryGraph)
#include "tst_history_graph.moc"
