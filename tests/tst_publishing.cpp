#include "weather/engine/publishing.h"

#include <QFile>
#include <QFontMetrics>
#include <QTemporaryDir>
#include <QtTest>

using engine::StatTable;
using engine::TransLabels;

namespace {

// Widths in twips by text; texts not listed measure 0.
engine::TextWidth widths(const QHash<QString, int>& table)
{
    return [table](const QString& text) { return table.value(text); };
}

StatTable sydneyTable()
{
    StatTable table;
    table.headers = QStringList{"Date/Time", "Temp", "Rel Hum", "Rain since 9am", "Wind Dir"};
    table.values = QStringList{"06/03:30pm", QString::fromUtf8("21.0 °C"), "N/F", "", "SSE"};
    table.obsTime = "03:30 PM";
    return table;
}

} // namespace

class TestPublishing : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

    // A layout file whose [Trans] section gives "Temp" the label "T" and "Rel Hum" an empty one.
    QString transLayout()
    {
        const QString path = dir_.filePath("weather.ini");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write %s", qPrintable(path));
        file.write("[COMMON]\nheaders=2\n[Trans]\nTemp=T\nRel Hum=\n[FixedSetting]\nver=1\n");
        return path;
    }

private Q_SLOTS:
    void tickerText_data()
    {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<int>("display");
        QTest::addColumn<bool>("showSecond");
        QTest::addColumn<int>("second");
        QTest::addColumn<QString>("text"); // "<kept>": the previous text stays
        const QStringList values{"06/03:30pm", QString::fromUtf8("21.0 °C"), "", "17 km/h"};
        QTest::newRow("main value") << values << 1 << false << 3 << QString::fromUtf8("21.0 °C");
        QTest::newRow("with the second value")
            << values << 1 << true << 3 << QString::fromUtf8("21.0 °C / 17 km/h");
        QTest::newRow("empty main value") << values << 2 << true << 3 << "No Data";
        QTest::newRow("empty second value")
            << values << 1 << true << 2 << QString::fromUtf8("21.0 °C / ");
        QTest::newRow("no selection") << values << -1 << false << 3 << "<kept>";
        QTest::newRow("beyond the values") << values << 7 << false << 3 << "<kept>";
        QTest::newRow("second beyond the values") << values << 1 << true << 9 << "<kept>";
        QTest::newRow("second unused")
            << values << 1 << false << -1 << QString::fromUtf8("21.0 °C");
    }

    void tickerText()
    {
        QFETCH(QStringList, values);
        QFETCH(int, display);
        QFETCH(bool, showSecond);
        QFETCH(int, second);
        QFETCH(QString, text);
        const auto result = engine::tickerTextOf(values, display, showSecond, second);
        QCOMPARE(result.value_or("<kept>"), text);
    }

    void leaders_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("tipLine");
        QTest::addColumn<QString>("feedLine");
        QTest::newRow("0") << 0 << "Temp - - - - - - >   1\r\n"
                           << "\r\nTemp - - - - >   1";
        QTest::newRow("459") << 459 << "Temp - - - - - - >   1\r\n"
                             << "\r\nTemp - - - - >   1";
        QTest::newRow("460") << 460 << "Temp - - - >   1\r\n"
                             << "\r\nTemp - - - - >   1";
        QTest::newRow("619") << 619 << "Temp - - - >   1\r\n"
                             << "\r\nTemp - - - - >   1";
        QTest::newRow("620") << 620 << "Temp - >   1\r\n"
                             << "\r\nTemp - - - - >   1";
        QTest::newRow("849") << 849 << "Temp - >   1\r\n"
                             << "\r\nTemp - - - - >   1";
        QTest::newRow("850") << 850 << "Temp - >   1\r\n"
                             << "\r\nTemp - - >   1";
        QTest::newRow("1129") << 1129 << "Temp - >   1\r\n"
                              << "\r\nTemp - - >   1";
        QTest::newRow("1130") << 1130 << "Temp - >   1\r\n"
                              << "\r\nTemp > 1";
    }

    void leaders()
    {
        QFETCH(int, width);
        QFETCH(QString, tipLine);
        QFETCH(QString, feedLine);
        StatTable table;
        table.headers = QStringList{"Time", "Temp"};
        table.values = QStringList{"06/03:30pm", "1"};
        table.obsTime = "03:30 PM";
        const auto texts =
            engine::statTexts(table, "Here", TransLabels(), widths({{"Temp", width}}));
        QCOMPARE(texts.tickerTip,
                 tipLine + "\r\nLast observation at 03:30 PM\r\nStation is Here\r\n");
        QCOMPARE(texts.feedText, "Here at: 03:30 PM" + feedLine);
    }

    void statTextsWithTransLabels()
    {
        // The tooltip shows the Trans label and measures it; the feed shows and measures the
        // header. Column 0 is in neither.
        const StatTable table = sydneyTable();
        const TransLabels labels = TransLabels::load(transLayout(), table.headers);
        const auto width = widths({{"T", 100},
                                   {"Temp", 900},
                                   {"Rel Hum", 500},
                                   {"Rain since 9am", 1200},
                                   {"Wind Dir", 700}});
        const auto texts = engine::statTexts(table, "Sydney Airport", labels, width);
        QCOMPARE(texts.tickerTip, QString::fromUtf8("T - - - - - - >   21.0 °C\r\n"
                                                    "Rel Hum - - - >   N/F\r\n"
                                                    "Rain since 9am - >   \r\n"
                                                    "Wind Dir - >   SSE\r\n"
                                                    "\r\nLast observation at 03:30 PM\r\n"
                                                    "Station is Sydney Airport\r\n"));
        QCOMPARE(texts.feedText, QString::fromUtf8("Sydney Airport at: 03:30 PM\r\n"
                                                   "Temp - - >   21.0 °C\r\n"
                                                   "Rel Hum - - - - >   N/F\r\n"
                                                   "Rain since 9am > \r\n"
                                                   "Wind Dir - - - - >   SSE"));
    }

    void transLabels_data()
    {
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("label");
        QTest::newRow("label") << "Temp"
                               << "T";
        QTest::newRow("empty label: the header") << "Rel Hum"
                                                 << "Rel Hum";
        QTest::newRow("no entry: the header") << "Wind Dir"
                                              << "Wind Dir";
        QTest::newRow("not asked for when loaded") << "Press"
                                                   << "Press";
    }

    void transLabels()
    {
        QFETCH(QString, header);
        QFETCH(QString, label);
        const TransLabels labels =
            TransLabels::load(transLayout(), QStringList{"Temp", "Rel Hum", "Wind Dir"});
        QCOMPARE(labels.labelOf(header), label);
        // Without a layout file every header is its own label.
        QCOMPARE(TransLabels::load(dir_.filePath("missing.ini"), {header}).labelOf(header), header);
    }

    void screenFeed()
    {
        QCOMPARE(engine::screenFeedText(true, "Here at: 03:30 PM\r\nTemp > 1"),
                 QStringLiteral("Nimbulo\r\nALERT"));
        QCOMPARE(engine::screenFeedText(false, "Here at: 03:30 PM\r\nTemp > 1"),
                 QStringLiteral("Here at: 03:30 PM\r\nTemp > 1"));
    }

    void bannerText_data()
    {
        QTest::addColumn<QStringList>("headers");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("noData");
        const StatTable sydney = sydneyTable();
        // Time and date columns and empty values are left out; "Temp" shows its Trans label.
        QTest::newRow("stats") << sydney.headers << sydney.values
                               << QString::fromUtf8("      T:21.0 °C        Rel Hum:N/F    "
                                                    "    Wind Dir:SSE    ")
                               << false;
        QTest::newRow("time and date headers")
            << QStringList{"Time", "Obs Date", "time", "Temp"} << QStringList{"1", "2", "3", "4"}
            << "      time:3        T:4    " << false;
        QTest::newRow("no values")
            << sydney.headers << QStringList() << "      No Data Found" << true;
        QTest::newRow("empty value 0")
            << sydney.headers << QStringList{"", "1"} << "      No Data Found" << true;
        // After a pass that found no station the values hold one text only.
        QTest::newRow("station not found")
            << sydney.headers << QStringList{"Station not found"} << "  " << false;
    }

    void bannerText()
    {
        QFETCH(QStringList, headers);
        QFETCH(QStringList, values);
        QFETCH(QString, text);
        QFETCH(bool, noData);
        StatTable table;
        table.headers = headers;
        table.values = values;
        const auto banner = engine::bannerTextOf(table, TransLabels::load(transLayout(), headers));
        QCOMPARE(banner.text, text);
        QCOMPARE(banner.noData, noData);
    }

    void bannerTip()
    {
        QCOMPARE(engine::bannerTipOf("03:30 PM", "Sydney Airport"),
                 QStringLiteral("Last observation at 03:30 PM\r\nStation: Sydney Airport\r\n"));
    }

    void cellCount_data()
    {
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("trend");
        QTest::addColumn<bool>("showSecond");
        QTest::addColumn<int>("cells");
        QTest::newRow("Temp") << "Temp"
                              << "Temp" << true << false << 2;
        QTest::newRow("Temp, no trend") << "Temp"
                                        << "Temp" << false << false << 1;
        QTest::newRow("Rain") << "Rain since 9am"
                              << "Temp" << true << false << 3;
        QTest::newRow("Wind") << "Wind Spd km/h"
                              << "Temp" << true << false << 3;
        QTest::newRow("Wind Dir") << "Wind Dir"
                                  << "Temp" << true << false << 2;
        QTest::newRow("Wind Nau") << "Wind Spd Nau"
                                  << "Temp" << true << false << 2;
        QTest::newRow("Bar") << "Bar hPa"
                             << "Temp" << true << false << 4;
        QTest::newRow("Bar, no trend") << "Bar hPa"
                                       << "Temp" << false << false << 3;
        QTest::newRow("Rain and Bar: Bar wins") << "Rain Bar"
                                                << "Temp" << true << false << 4;
        QTest::newRow("Wind Dir, no trend") << "Wind Dir"
                                            << "Temp" << false << false << 1;
        QTest::newRow("second Temp") << "Temp"
                                     << "Temp" << true << true << 4;
        QTest::newRow("second Rain") << "Temp"
                                     << "Rain since 9am" << true << true << 5;
        QTest::newRow("second Wind") << "Temp"
                                     << "Wind Gust km/h" << true << true << 5;
        QTest::newRow("second Wind Dir") << "Temp"
                                         << "Wind Dir" << true << true << 4;
        QTest::newRow("second Bar") << "Temp"
                                    << "Bar hPa" << true << true << 6;
        QTest::newRow("both Bar, no trend") << "Bar"
                                            << "Bar" << false << true << 7;
        QTest::newRow("case matters") << "rain"
                                      << "BAR" << true << true << 4;
    }

    void cellCount()
    {
        QFETCH(QString, display);
        QFETCH(QString, second);
        QFETCH(bool, trend);
        QFETCH(bool, showSecond);
        QFETCH(int, cells);
        QCOMPARE(engine::displayCellCount(display, second, trend, showSecond), cells);
    }

    void twipsWidth()
    {
        QFont font;
        font.setPixelSize(13);
        const QFontMetrics metrics(font);
        const QString text = QStringLiteral("Rain since 9am");
        QVERIFY2(metrics.horizontalAdvance(text) > 0, "no font to measure with");
        // 15 twips per pixel at 96 DPI, 10 at 144 DPI.
        QCOMPARE(engine::twipsWidth(font, 96)(text), metrics.horizontalAdvance(text) * 15);
        QCOMPARE(engine::twipsWidth(font, 144)(text), metrics.horizontalAdvance(text) * 10);
        QCOMPARE(engine::twipsWidth(font, 96)(QString()), 0);
    }
};

QTEST_MAIN(TestPublishing)
#include "tst_publishing.moc"
