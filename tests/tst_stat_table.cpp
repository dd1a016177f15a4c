#include "weather/engine/stat_table.h"

#include <QtTest>

using engine::ObservationRow;
using engine::RowTable;
using engine::StatPassOptions;
using engine::StatPassOutcome;
using engine::StatTable;

namespace {

// Time, temperature, wind direction (column 3, 1-based), wind speed, pressure.
config::StateLayout testLayout()
{
    config::StateLayout layout;
    layout.columnCount = 5;
    layout.windDirColumn = 3;
    layout.fixedColumns = 1;
    layout.columns = {{"Date/Time", "", 0},
                      {"Temp", QString::fromUtf8("°C"), 1},
                      {"Wind Dir", "", 0},
                      {"Wind Spd", "km/h", 2},
                      {"Press", "hPa", 3}};
    return layout;
}

ObservationRow row(const QString& name, const QStringList& cells)
{
    return ObservationRow{name, cells};
}

const RowTable kRows{
    row("<a href=\"/products/IDN60901/IDN60901.94767.shtml\">Sydney Airport</a>",
        {"06/03:30pm", "21.0", "SSE", "17", "1013.2"}),
    row("<a href=\"products/IDN60901/IDN60901.94768.shtml\">Sydney - Observatory Hill</a>",
        {"06/03:00pm", "22.4", "CALM", "CALM", "-"}),
    row("<a>Newcastle</a>", {"06/02:30pm", "", "&nbsp;", "&nbsp", ""}),
    row("No link", {"06/02:00pm", "1"}),
};

StatTable tableFor(const config::StateLayout& layout)
{
    StatTable table;
    table.headers = engine::headersOf(layout);
    return table;
}

StatPassOptions chosen(const QString& station)
{
    StatPassOptions options;
    options.station = station;
    options.stationChosen = true;
    options.savedStationName = station;
    options.iconLow = 10;
    options.iconHigh = 30;
    options.bureauRoot = "http://host/";
    options.locale = QLocale::c();
    return options;
}

// A one-row table whose column 1 reads `temperature`.
RowTable temperatureRow(const QString& temperature)
{
    return {row("<a>Here</a>", {"06/03:30pm", temperature, "N", "5", "1000"})};
}

} // namespace

class TestStatTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lookup_data()
    {
        QTest::addColumn<QString>("station");
        QTest::addColumn<QString>("obsTime"); // identifies the row found; empty: none
        // Contained in two names: the first row in block order.
        QTest::newRow("contained in two names") << "Sydney"
                                                << "03:30 PM";
        QTest::newRow("later row") << "Observatory Hill"
                                   << "03:00 PM";
        QTest::newRow("empty station text matches the first row") << ""
                                                                  << "03:30 PM";
        QTest::newRow("case matters") << "sydney"
                                      << "";
        QTest::newRow("missing") << "Perth"
                                 << "";
    }

    void lookup()
    {
        QFETCH(QString, station);
        QFETCH(QString, obsTime);
        const config::StateLayout layout = testLayout();
        StatTable table = tableFor(layout);
        table.obsTime = "before";
        table.values = QStringList{"old"};
        table.levelIcon = engine::LevelHot;
        const auto result = engine::fillStatTable(table, kRows, layout, chosen(station));
        if (obsTime.isEmpty()) {
            // No row: the values are emptied and nothing else changes.
            QCOMPARE(result.outcome, StatPassOutcome::RowMissing);
            QVERIFY(table.values.isEmpty());
            QCOMPARE(table.obsTime, QStringLiteral("before"));
            QCOMPARE(table.levelIcon, int(engine::LevelHot));
            QVERIFY(result.historyUrl.isEmpty());
        } else {
            QCOMPARE(result.outcome, StatPassOutcome::Shown);
            QCOMPARE(table.obsTime, obsTime);
        }
    }

    void values_data()
    {
        QTest::addColumn<QString>("station");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("historyUrl");
        QTest::newRow("full row") << "Airport"
                                  << QStringList{"06/03:30pm", QString::fromUtf8("21.0 °C"), "SSE",
                                                 "17 km/h", "1013.2 hPa"}
                                  << "http://host/products/IDN60901/IDN60901.94767.shtml";
        // "-" and the non-breaking space read N/F, without a unit sign.
        QTest::newRow("calm and dash")
            << "Observatory"
            << QStringList{"06/03:00pm", QString::fromUtf8("22.4 °C"), "CALM", "CALM km/h", "N/F"}
            << "http://host/products/IDN60901/IDN60901.94768.shtml";
        // Empty cells read N/F too, in every column.
        QTest::newRow("empty cells")
            << "Newcastle" << QStringList{"06/02:30pm", "N/F", "N/F", "N/F", "N/F"} << "";
        // A row shorter than the layout: the missing cells read N/F.
        QTest::newRow("short row")
            << "No link"
            << QStringList{"06/02:00pm", QString::fromUtf8("1 °C"), "N/F", "N/F", "N/F"} << "";
    }

    void values()
    {
        QFETCH(QString, station);
        QFETCH(QStringList, values);
        QFETCH(QString, historyUrl);
        const config::StateLayout layout = testLayout();
        StatTable table = tableFor(layout);
        const auto result = engine::fillStatTable(table, kRows, layout, chosen(station));
        QCOMPARE(result.outcome, StatPassOutcome::Shown);
        QCOMPARE(table.values, values);
        QCOMPARE(result.historyUrl, historyUrl);
    }

    void obsTime_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("obsTime");
        QTest::newRow("day and afternoon") << "06/03:30pm"
                                           << "03:30 PM";
        QTest::newRow("morning") << "21/09:05am"
                                 << "09:05 AM";
        QTest::newRow("midnight hour") << "12:10am"
                                       << "12:10 AM";
        QTest::newRow("noon hour") << "12:45pm"
                                   << "12:45 PM";
        QTest::newRow("capitals") << "06/03:30PM"
                                  << "03:30 PM";
        QTest::newRow("not found") << "N/F"
                                   << "N/F";
        QTest::newRow("hour out of range") << "13:30pm"
                                           << "13:30pm";
        QTest::newRow("minute out of range") << "11:60am"
                                             << "11:60am";
        QTest::newRow("one-digit hour: last 7 characters") << "06/3:30pm"
                                                           << "/3:30pm";
        QTest::newRow("other text: last 7 characters") << "Tuesday noon"
                                                       << "ay noon";
    }

    void obsTime()
    {
        QFETCH(QString, cell);
        QFETCH(QString, obsTime);
        QCOMPARE(engine::obsTimeOf(cell), obsTime);
        // The table keeps the cell itself as value 0.
        const config::StateLayout layout = testLayout();
        StatTable table = tableFor(layout);
        engine::fillStatTable(table, {row("<a>X</a>", {cell, "1"})}, layout, chosen("X"));
        QCOMPARE(table.obsTime, obsTime);
        QCOMPARE(table.values.value(0), cell);
    }

    void levelIcon_data()
    {
        QTest::addColumn<QString>("temperature");
        QTest::addColumn<int>("icon");
        QTest::newRow("9.9") << "9.9" << int(engine::LevelCold);
        QTest::newRow("10") << "10" << int(engine::LevelMild);
        QTest::newRow("30") << "30" << int(engine::LevelMild);
        QTest::newRow("30.1") << "30.1" << int(engine::LevelHot);
        // The level icon reads the number unrounded.
        QTest::newRow("30.00001") << "30.00001" << int(engine::LevelHot);
        QTest::newRow("N/F counts as 0") << "-" << int(engine::LevelCold);
    }

    void levelIcon()
    {
        QFETCH(QString, temperature);
        QFETCH(int, icon);
        const config::StateLayout layout = testLayout();
        StatTable table = tableFor(layout);
        engine::fillStatTable(table, temperatureRow(temperature), layout, chosen("Here"));
        QCOMPARE(table.levelIcon, icon);
    }

    void trend_data()
    {
        // Passes of column-1 values, each "value" or "value/off" (trend arrows switched off);
        // "|" empties trendPrevious as a station pick does. Then the arrow after each pass.
        QTest::addColumn<QStringList>("passes");
        QTest::addColumn<QList<int>>("arrows");
        QTest::addColumn<QString>("previous");
        QTest::newRow("steady") << QStringList{"21.0", "21.0"} << QList<int>{4, 2} << "21.0";
        QTest::newRow("falling") << QStringList{"21.0", "20.95"} << QList<int>{4, 1} << "20.95";
        QTest::newRow("rising") << QStringList{"20.95", "21"} << QList<int>{4, 3} << "21";
        QTest::newRow("equal at four decimals")
            << QStringList{"20.95", "20.95004"} << QList<int>{4, 2} << "20.95004";
        QTest::newRow("N/F is kept as reference and counts as 0")
            << QStringList{"-", "0.0", "-0.5"} << QList<int>{4, 2, 1} << "-0.5";
        QTest::newRow("station pick: no arrow")
            << QStringList{"21.0", "|", "22.0", "21.0"} << QList<int>{4, 4, 1} << "21.0";
        // Without trend arrows neither the arrow nor the reference changes.
        QTest::newRow("switched off") << QStringList{"21.0", "25.0/off", "20.0/off", "22.0"}
                                      << QList<int>{4, 4, 4, 3} << "22.0";
    }

    void trend()
    {
        QFETCH(QStringList, passes);
        QFETCH(QList<int>, arrows);
        QFETCH(QString, previous);
        const config::StateLayout layout = testLayout();
        StatTable table = tableFor(layout);
        QList<int> seen;
        for (const QString& pass : passes) {
            if (pass == u"|") {
                table.trendPrevious.clear();
                continue;
            }
            StatPassOptions options = chosen("Here");
            options.showTrend = !pass.endsWith(u"/off");
            const QString value = pass.section(u'/', 0, 0);
            engine::fillStatTable(table, temperatureRow(value), layout, options);
            seen.append(table.trendArrow);
        }
        QCOMPARE(seen, arrows);
        QCOMPARE(table.trendPrevious, previous);
    }

    void notChosen()
    {
        const config::StateLayout layout = testLayout();
        StatTable table = tableFor(layout);
        table.obsTime = "03:30 PM";
        table.trendPrevious = "21.0";
        table.trendArrow = engine::TrendRising;
        StatPassOptions options = chosen("Sydney");
        options.stationChosen = false;
        options.savedStationName = "Sydney Airport";
        options.scanBusy = true;
        options.alarm.armed = true;
        options.alarm.above = true;
        options.alarm.column = 1;
        const auto result = engine::fillStatTable(table, kRows, layout, options);

        QCOMPARE(result.outcome, StatPassOutcome::NotChosen);
        QCOMPARE(table.values, QStringList{"Station not found"});
        QCOMPARE(table.levelIcon, int(engine::LevelNoStation));
        QCOMPARE(table.trendArrow, int(engine::TrendNone));
        QCOMPARE(table.trendPrevious, QStringLiteral("21.0"));
        QCOMPARE(table.obsTime, QStringLiteral("03:30 PM"));
        QVERIFY(!result.alarm.valueAlarm);
        QVERIFY(result.alarm.alarmText.isEmpty());

        const engine::NotFoundTexts& texts = result.notFound;
        QCOMPARE(texts.tickerText, QStringLiteral("NoStn"));
        QCOMPARE(texts.tickerTip,
                 QStringLiteral("Station named - Sydney Airport was NOT found at B.O.M. on last "
                                "scan\r\nSee Error Log if enabled in program About window."));
        QCOMPARE(texts.errorLogText,
                 QStringLiteral("Station named - Sydney Airport was NOT found at B.O.M. on last "
                                "scan.If no error indicated with connection the Station should "
                                "return when Data is available for it\r\nWait for more stats or "
                                "reselect another station, the station name may have changed at "
                                "BOM."));
        QCOMPARE(texts.feedText, QStringLiteral("Station named - Sydney Airport NOT found."));
        QCOMPARE(texts.bannerTip,
                 QStringLiteral("Sydney Airport was NOT found at B.O.M. on last scan, see Popup "
                                "Tip."));
    }

    void alarmTestsPerColumn_data()
    {
        // Which test runs on which column: the value test on column 1 and the plain stat
        // columns, the direction test on the wind-direction column only, the calm test on the
        // plain stat columns only; column 0 is never tested.
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("wind");
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<bool>("scanBusy");
        QTest::addColumn<QString>("alarmText");
        const QStringList cells{"06/03:30pm", "31", "NNE", "CALM", "1000"};
        QTest::newRow("column 1") << 1 << 0 << cells << true
                                  << QString::fromUtf8(
                                         "Current Temp is 31 °C - Alarm set to notify above 0 °C");
        QTest::newRow("column 0 never") << 0 << 0 << cells << true << "";
        QTest::newRow("direction column has no value test") << 2 << 0 << cells << true << "";
        QTest::newRow("direction and pressure")
            << 4 << 1 << cells << true
            << "Wind direction is NNE  - Current Press is 1000 hPa - Alarm set to notify above "
               "0 hPa";
        // The texts follow the column order; the calm text always starts with " - ".
        QTest::newRow("calm after the value")
            << 1 << 5 << cells << true
            << QString::fromUtf8("Current Temp is 31 °C - Alarm set to notify above 0 °C - Wind "
                                 "is CALM ");
        QTest::newRow("calm before the value") << 4 << 5 << cells << true
                                               << " - Wind is CALM  - Current Press is 1000 hPa "
                                                  "- Alarm set to notify above 0 hPa";
        QTest::newRow("calm direction is no calm test")
            << 1 << 5 << QStringList{"06/03:30pm", "31", "CALM", "5", "1000"} << true
            << QString::fromUtf8("Current Temp is 31 °C - Alarm set to notify above 0 °C");
        QTest::newRow("no scan, no tests") << 1 << 5 << cells << false << "";
    }

    void alarmTestsPerColumn()
    {
        QFETCH(int, column);
        QFETCH(int, wind);
        QFETCH(QStringList, cells);
        QFETCH(bool, scanBusy);
        QFETCH(QString, alarmText);
        const config::StateLayout layout = testLayout();
        StatTable table = tableFor(layout);
        StatPassOptions options = chosen("Here");
        options.scanBusy = scanBusy;
        options.alarm.armed = true;
        options.alarm.above = true;
        options.alarm.column = column;
        options.alarm.setPoint = 0;
        options.alarm.wind = wind;
        const auto result =
            engine::fillStatTable(table, {row("<a>Here</a>", cells)}, layout, options);
        QCOMPARE(result.alarm.alarmText, alarmText);
        QCOMPARE(result.alarm.valueAlarm, alarmText.contains(u"Current"));
        QCOMPARE(result.alarm.windAlarm, alarmText.contains(u"Wind"));
    }
};

QTEST_GUILESS_MAIN(TestStatTable)
#include "tst_stat_table.moc"
