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
    using Kind = config::ColumnKind;
    layout.columns = {{"Date/Time", "", Kind::Other},
                      {"Temp", QStringLiteral("°C"), Kind::Temperature},
                      {"Wind Dir", "", Kind::Other},
                      {"Wind Spd", "km/h", Kind::SpeedKmh},
                      {"Press", "hPa", Kind::Pressure}};
    return layout;
}

const RowTable kRows{
    {"<a href=\"/products/IDN60901/IDN60901.94767.shtml\">Sydney Airport</a>",
     {"06/03:30pm", "21.0", "SSE", "17", "1013.2"}},
    {"<a href=\"products/IDN60901/IDN60901.94768.shtml\">Sydney - Observatory Hill</a>",
     {"06/03:00pm", "22.4", "CALM", "CALM", "-"}},
    {"<a>Newcastle</a>", {"06/02:30pm", "", "&nbsp;", "&nbsp", ""}},
    {"<a href=\"products/IDN60901/IDN60901.94769.shtml\">Sydney</a>",
     {"06/02:45pm", "20.5", "S", "9", "1012.0"}},
    {"<a>No link</a>", {"06/02:00pm", "1"}},
};

StatPassOptions chosen(const QString& station = QStringLiteral("Here"))
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

// One pass over `rows` (default: one row "Here" with the given cells) into `table`.
engine::StatPassResult pass(StatTable& table, const StatPassOptions& options,
                            const QStringList& cells, const RowTable& rows = {})
{
    if (table.headers.isEmpty())
        table.headers = engine::headersOf(testLayout());
    const RowTable one{{"<a>Here</a>", cells}};
    return engine::fillStatTable(table, rows.isEmpty() ? one : rows, testLayout(), options);
}

// A row of the layout whose temperature reads `temperature`.
QStringList temperatureCells(const QString& temperature)
{
    return {"06/03:30pm", temperature, "N", "5", "1000"};
}

} // namespace

class TestStatTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void values_data()
    {
        QTest::addColumn<QString>("station");
        QTest::addColumn<QStringList>("values"); // empty: no row found
        QTest::addColumn<QString>("historyUrl");
        const QStringList airport{"06/03:30pm", "21.0 °C", "SSE", "17 km/h", "1013.2 hPa"};
        const QString airportUrl = "http://host/products/IDN60901/IDN60901.94767.shtml";
        // The row named exactly so wins over an earlier one that contains the name.
        QTest::newRow("equal name after a containing one")
            << "Sydney" << QStringList{"06/02:45pm", "20.5 °C", "S", "9 km/h", "1012.0 hPa"}
            << "http://host/products/IDN60901/IDN60901.94769.shtml";
        // No equal name: another station whose name contains it is not taken.
        QTest::newRow("contained in a longer name") << "Sydney Air" << QStringList() << "";
        QTest::newRow("equal name") << "Sydney Airport" << airport << airportUrl;
        // "-" and the non-breaking space read N/F, without a unit sign.
        QTest::newRow("calm and dash")
            << "Sydney - Observatory Hill"
            << QStringList{"06/03:00pm", "22.4 °C", "CALM", "CALM km/h", "N/F"}
            << "http://host/products/IDN60901/IDN60901.94768.shtml";
        // Empty cells read N/F too, in every column; so do the cells a short row lacks.
        QTest::newRow("empty cells")
            << "Newcastle" << QStringList{"06/02:30pm", "N/F", "N/F", "N/F", "N/F"} << "";
        QTest::newRow("short row")
            << "No link" << QStringList{"06/02:00pm", "1 °C", "N/F", "N/F", "N/F"} << "";
        QTest::newRow("case matters") << "sydney" << QStringList() << "";
    }

    void values()
    {
        QFETCH(QString, station);
        QFETCH(QStringList, values);
        QFETCH(QString, historyUrl);
        StatTable table;
        table.values = QStringList{"last values"};
        const auto result = pass(table, chosen(station), {}, kRows);
        QCOMPARE(result.outcome,
                 values.isEmpty() ? StatPassOutcome::RowMissing : StatPassOutcome::Shown);
        // A station the rows lack keeps its last values.
        QCOMPARE(table.values, values.isEmpty() ? QStringList{"last values"} : values);
        QCOMPARE(result.historyUrl, historyUrl);
    }

    void obsTime_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("obsTime");
        QTest::newRow("day and afternoon") << QStringLiteral("06/03:30pm") << "03:30 PM";
        QTest::newRow("midnight hour") << QStringLiteral("12:10am") << "12:10 AM";
        QTest::newRow("noon hour") << QStringLiteral("12:45pm") << "12:45 PM";
        QTest::newRow("not found") << QStringLiteral("N/F") << "N/F";
        QTest::newRow("hour out of range") << QStringLiteral("13:30pm") << "13:30pm";
        // Otherwise the last 7 characters.
        QTest::newRow("one-digit hour") << QStringLiteral("06/3:30pm") << "/3:30pm";
    }

    void obsTime()
    {
        QFETCH(QString, cell);
        QFETCH(QString, obsTime);
        // The table keeps the cell itself as value 0.
        StatTable table;
        pass(table, chosen(), {cell, "1"});
        QCOMPARE(table.obsTime, obsTime);
        QCOMPARE(table.values.value(0), cell);
    }

    void levelIcon_data()
    {
        QTest::addColumn<QString>("temperature");
        QTest::addColumn<int>("icon");
        QTest::newRow("9.9") << "9.9" << int(engine::LevelCold);
        QTest::newRow("10") << "10" << int(engine::LevelMild);
        // The level icon reads the number unrounded.
        QTest::newRow("30.00001") << "30.00001" << int(engine::LevelHot);
        QTest::newRow("N/F counts as 0") << "-" << int(engine::LevelCold);
    }

    void levelIcon()
    {
        QFETCH(QString, temperature);
        QFETCH(int, icon);
        StatTable table;
        pass(table, chosen(), temperatureCells(temperature));
        QCOMPARE(table.levelIcon, icon);
    }

    void trend_data()
    {
        // Passes of column-1 values, each "value" or "value/off" (trend arrows switched off);
        // "|" empties trendPrevious as a station pick does. Then the arrow after each pass.
        QTest::addColumn<QStringList>("passes");
        QTest::addColumn<QList<int>>("arrows");
        QTest::addColumn<QString>("previous");
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
        StatTable table;
        QList<int> seen;
        for (const QString& step : passes) {
            if (step == u"|") {
                table.trendPrevious.clear();
                continue;
            }
            StatPassOptions options = chosen();
            options.showTrend = !step.endsWith(u"/off");
            pass(table, options, temperatureCells(step.section(u'/', 0, 0)));
            seen.append(table.trendArrow);
        }
        QCOMPARE(seen, arrows);
        QCOMPARE(table.trendPrevious, previous);
    }

    void notChosen()
    {
        StatTable table;
        table.trendArrow = engine::TrendRising;
        StatPassOptions options = chosen("Sydney");
        options.stationChosen = false;
        options.savedStationName = "Sydney Airport";
        options.scanBusy = options.alarm.armed = options.alarm.above = true;
        options.alarm.column = 1;
        const auto result = pass(table, options, {}, kRows);

        QCOMPARE(result.outcome, StatPassOutcome::NotChosen);
        QCOMPARE(table.values, QStringList{"Station not found"});
        QCOMPARE(table.levelIcon, int(engine::LevelNoStation));
        QCOMPARE(table.trendArrow, int(engine::TrendNone));
        QVERIFY(result.alarm.alarmText.isEmpty());

        const engine::NotFoundTexts& texts = result.notFound;
        QCOMPARE(texts.tickerText, QStringLiteral("NoStn"));
        QCOMPARE(texts.tickerTip,
                 QStringLiteral("Station named - Sydney Airport was NOT found at B.O.M. on last "
                                "scan\r\nSee Error Log if enabled in program About window."));
        QCOMPARE(texts.errorLogText,
                 QStringLiteral("Station named - Sydney Airport was NOT found at B.O.M. on last "
                                "scan. If no error indicated with connection the Station should "
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
        // The value test runs on column 1 and the plain stat columns, the direction test on the
        // wind-direction column only, the calm test on the plain stat columns only; column 0 is
        // never tested. The texts follow the column order.
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("wind");
        QTest::addColumn<QString>("windCells"); // direction and speed
        QTest::addColumn<bool>("scanBusy");
        QTest::addColumn<QString>("alarmText");
        const QString temp = "Current Temp is 31 °C - Alarm set to notify above 0 °C";
        const QString press = "Current Press is 1000 hPa - Alarm set to notify above 0 hPa";
        const QString calm = " - Wind is CALM ";
        QTest::newRow("column 1") << 1 << 0 << "NNE,CALM" << true << temp;
        QTest::newRow("column 0 never") << 0 << 0 << "NNE,CALM" << true << "";
        QTest::newRow("direction and pressure")
            << 4 << 1 << "NNE,CALM" << true << "Wind direction is NNE  - " + press;
        QTest::newRow("calm after the value") << 1 << 5 << "NNE,CALM" << true << temp + calm;
        QTest::newRow("calm direction is no calm test") << 1 << 5 << "CALM,5" << true << temp;
        QTest::newRow("no scan, no tests") << 1 << 5 << "NNE,CALM" << false << "";
    }

    void alarmTestsPerColumn()
    {
        QFETCH(int, column);
        QFETCH(int, wind);
        QFETCH(QString, windCells);
        QFETCH(bool, scanBusy);
        QFETCH(QString, alarmText);
        StatTable table;
        StatPassOptions options = chosen();
        options.scanBusy = scanBusy;
        options.alarm.armed = options.alarm.above = true;
        options.alarm.column = column;
        options.alarm.wind = engine::AlarmWind(wind);
        const auto result =
            pass(table, options,
                 QStringList{"06/03:30pm", "31"} + windCells.split(u',') + QStringList{"1000"});
        QCOMPARE(result.alarm.alarmText, alarmText);
        QCOMPARE(result.alarm.windAlarm, alarmText.contains(u"Wind"));
    }
};

QTEST_GUILESS_MAIN(TestStatTable)
#include "tst_stat_table.moc"
