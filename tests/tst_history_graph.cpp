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

// A table whose cell 0 holds the given values (default: 0 … count - 1), newest first.
HistoryTable valueTable(QStringList values, const QStringList& times = {}, int count = 0)
{
    for (int k = 0; k < count; ++k)
        values.append(QString::number(k));
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
        // "time|cell 0|…" or times only ("*": any); empty: no block
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
        // Each row on the hour stays, and for each hour the oldest row between it and the next
        // older hour.
        const QStringList tenMinuteEntries{"07/03:10pm|20.3|SE|13|0.0", "07/03:00pm|20.4|N|14|0.0",
                                           "07/02:10pm|20.9|NE|19|0.0", "07/02:00pm|21.0|E|20|0.0",
                                           "07/01:50pm|21.1|SE|21|0.0"};
        QTest::newRow("every 10 minutes, one cell per line, CR LF")
            << QString(tenMinute).replace(u'\n', QStringLiteral("\r\n")) << plain
            << tenMinuteEntries;
        QTest::newRow("block without rows")
            << QStringLiteral("<table id=\"t1\"></table>") << plain << QStringList{"|"};

        QTest::newRow("59 and 01 count as on the hour")
            << historyPage({"07/03:30pm", "07/03:20pm", "07/02:59pm", "07/02:40pm", "07/02:30pm",
                            "07/02:01pm", "07/01:50pm", "07/01:40pm"})
            << plain
            << QStringList{"07/03:20pm", "07/02:59pm", "07/02:30pm", "07/02:01pm", "07/01:40pm"};
        // The minutes are two characters three before the end; a time of four characters or
        // fewer has none, so nothing is on the hour and every row overwrites the one entry.
        QTest::newRow("times of four characters")
            << historyPage({"1:30", "1:00", "0:30", "0:00"}) << plain << QStringList{"0:00"};

        // At a skip position one cell is read and dropped; position 0 is never one.
        const auto skipping = [](const QList<int>& skip) {
            config::StateLayout layout = sampleLayout();
            for (int i = 0; i < 5; ++i)
                layout.historySkipCells[i] = qint16(skip.at(i));
            return layout;
        };
        const QString wide = historyPage({"t"}, {"v0,v1,v2,v3,v4,v5,v6"});
        QTest::newRow("1 and 3") << wide << skipping({1, 3, 0, 0, 0})
                                 << QStringList{"t|v0|v2|v3|v5"};
        QTest::newRow("past the last cell")
            << wide << skipping({9, 0, 0, 0, 0}) << QStringList{"t|v0|v1|v2|v3"};

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
            << halfHourly << markers("<table id=\"t1\"", "", "<span>") << times + QStringList{"*"};
    }

    void readHistoryPage()
    {
        QFETCH(QString, page);
        QFETCH(config::StateLayout, layout);
        QFETCH(QStringList, entries);
        const std::optional<HistoryTable> table =
            engine::readHistoryPage(page, layout, kGraphCount);
        QCOMPARE(table.has_value(), !entries.isEmpty());
        QStringList read = describe(table.value_or(HistoryTable()));
        if (!entries.value(0).contains(u'|'))
            read.replaceInStrings(QRegularExpression(QStringLiteral("\\|.*")), QString());
        for (qsizetype i = 0; i < entries.size(); ++i) {
            if (entries.at(i) == u"*")
                read[i] = entries.at(i);
        }
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
            QCOMPARE(row.cells.at(layout.windDirColumn - 2), expected(demo::WindDir));
            QCOMPARE(row.cells.at(11), expected(demo::RainSince9am));
        }
    }

    void drawnRange_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("hours");
        QTest::addColumn<int>("drawn");

        QTest::newRow("144 entries, 12 Hrs") << 144 << int(engine::Hours12) << 24;
        QTest::newRow("30 entries, 12 Hrs") << 30 << int(engine::Hours12) << 24;
        QTest::newRow("2 entries, 12 Hrs") << 2 << int(engine::Hours12) << 2;
    }

    void drawnRange()
    {
        QFETCH(int, entries);
        QFETCH(int, hours);
        QFETCH(int, drawn);
        const engine::GraphPlot plot =
            engine::plotGraph(valueTable({}, {}, entries), 0, hours, QSizeF(460, 200));
        QCOMPARE(plot.points.size(), drawn);
        QCOMPARE(plot.lastEntry, drawn - 1);
        // The oldest drawn entry at the left, entry 0 (the newest) at the right edge; the scale
        // spans the drawn entries only.
        QCOMPARE(plot.points.first().x(), 0.0);
        QCOMPARE(plot.points.last().x(), 460.0);
        QCOMPARE(plot.range.max, double(drawn - 1));
    }

    void findMinMax_data()
    {
        QTest::addColumn<QStringList>("values"); // newest first
        QTest::addColumn<int>("first");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("extremes"); // "max@entry min@entry"; empty: none

        // Scanning runs from the oldest entry: of equal extremes the oldest is kept.
        QTest::newRow("equal extremes")
            << QStringList{"5", "9", "1", "9", "1"} << 0 << true << "9@3 1@4";
        QTest::newRow("gaps are skipped")
            << QStringList{"N/F", "3", "N/F", "-2.5", "N/F"} << 0 << true << "3@1 -2.5@3";
        QTest::newRow("only the drawn range")
            << QStringList{"1", "2", "99"} << 1 << true << "2@1 1@0";
        QTest::newRow("four decimal places")
            << QStringList{"1.00001", "1.00004"} << 0 << false << "1@1 1@1";
        QTest::newRow("all N/F") << QStringList{"N/F", "N/F"} << 0 << false << "";
        QTest::newRow("one entry") << QStringList{"7"} << 0 << false << "";
        // Values beyond ±2000 are values like any other.
        QTest::newRow("below -2000")
            << QStringList{"-2500", "-2600"} << 0 << true << "-2500@0 -2600@1";
    }

    void findMinMax()
    {
        QFETCH(QStringList, values);
        QFETCH(int, first);
        QFETCH(bool, found);
        QFETCH(QString, extremes);
        const engine::MinMax r = engine::findMinMax(valueTable(values), 0, first);
        QCOMPARE(r.found, found);
        if (!extremes.isEmpty())
            QCOMPARE(
                QStringLiteral("%1@%2 %3@%4").arg(r.max).arg(r.maxEntry).arg(r.min).arg(r.minEntry),
                extremes);
    }

    void plotGraph_data()
    {
        QTest::addColumn<QStringList>("values");  // newest first
        QTest::addColumn<QStringList>("times");   // newest first; empty: all on one day
        QTest::addColumn<QList<double>>("ys");    // oldest first
        QTest::addColumn<QList<int>>("dayMarks"); // point indices, oldest first

        // Height 100 spans min 10 (y = 100) to max 20 (y = 0).
        QTest::newRow("scaled") << QStringList{"20", "15", "10"} << QStringList()
                                << QList<double>{100, 50, 0} << QList<int>{};
        // A gap stays level with the value before it; a leading gap takes the level of the first
        // value of the range, not 0.
        QTest::newRow("gap in the middle") << QStringList{"20", "N/F", "N/F", "10"} << QStringList()
                                           << QList<double>{100, 100, 100, 0} << QList<int>{};
        QTest::newRow("leading gap") << QStringList{"20", "10", "15", "N/F"} << QStringList()
                                     << QList<double>{50, 50, 100, 0} << QList<int>{};
        QTest::newRow("24-hour times mark 00:00")
            << QStringList{"20", "15", "10"} << QStringList{"08/00:30", "08/00:00", "07/23:30"}
            << QList<double>{100, 50, 0} << QList<int>{1};
    }

    void plotGraph()
    {
        QFETCH(QStringList, values);
        QFETCH(QStringList, times);
        QFETCH(QList<double>, ys);
        QFETCH(QList<int>, dayMarks);
        const engine::GraphPlot plot =
            engine::plotGraph(valueTable(values, times), 0, engine::Hours72, QSizeF(300, 100));
        QVERIFY(plot.range.found);
        QList<double> got;
        for (const QPointF& p : plot.points)
            got.append(p.y());
        QCOMPARE(got, ys);
        QCOMPARE(plot.xStep, 300.0 / (values.size() - 1));
        QCOMPARE(plot.dayChanges, dayMarks);
    }

    void labelTexts()
    {
        const config::StateLayout layout = sampleLayout();
        const engine::GraphStat rain = engine::graphStatOf(layout, 4);
        const HistoryRow entry{QStringLiteral("06/03:30pm"), {"21.5", "NNE", "15", "N/F"}};
        QCOMPARE(engine::readoutText(rain, entry), QStringLiteral("N/F @ 3:30 PM on 6th"));
        QCOMPARE(engine::graphNumberText(-0.00001), QStringLiteral("0"));
        // The knot sign of the shipped layout counts as a wind speed too.
        config::StateLayout knots = layout;
        knots.columns[3].sign = QStringLiteral("kts");
        QVERIFY(engine::graphStatOf(knots, 3).windSpeed);
    }

    void dateTexts_data()
    {
        QTest::addColumn<QString>("time");
        QTest::addColumn<QDate>("today"); // null: the readout's "time on day" text
        QTest::addColumn<QString>("text");
        const QDate march6(2024, 3, 6);
        QTest::newRow("same day") << "06/03:30pm" << march6 << "Wednesday @ 3:30 PM";
        QTest::newRow("previous month")
            << "28/11:00pm" << QDate(2024, 3, 2) << "Wednesday @ 11:00 PM";
        QTest::newRow("previous year") << "31/12:00am" << QDate(2025, 1, 1) << "Tuesday @ 12:00 AM";
        // April has no 31st: the nearest earlier month that has one.
        QTest::newRow("day the previous month lacks")
            << "31/09:00am" << QDate(2024, 5, 1) << "Sunday @ 9:00 AM";
        QTest::newRow("not a history time") << " abc " << march6 << "abc";

        QTest::newRow("1st") << "01/12:00am" << QDate() << "12:00 AM on 1st";
        for (const QString day : {"2nd", "3rd", "11th", "12th", "13th", "21st", "22nd", "23rd"}) {
            QTest::newRow(qPrintable(day))
                << QStringLiteral("%1/01:00pm").arg(day.chopped(2).toInt(), 2, 10, QChar(u'0'))
                << QDate() << QStringLiteral("1:00 PM on %1").arg(day);
        }
        QTest::newRow("garbage") << "N/F" << QDate() << "N/F";
    }

    void dateTexts()
    {
        QFETCH(QString, time);
        QFETCH(QDate, today);
        QFETCH(QString, text);
        QCOMPARE(today.isNull() ? engine::dayTimeText(time) : engine::historyDateText(time, today),
                 text);
    }
};

QTEST_GUILESS_MAIN(TestHistoryGraph)
#include "tst_history_graph.moc"
