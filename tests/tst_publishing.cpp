#include "weather/engine/publishing.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

using engine::StatTable;
using engine::TextWidth;
using engine::TransLabels;

namespace {

// Widths in twips by text; texts not listed measure 0.
StatTable sydneyTable()
{
    StatTable table;
    table.headers = QStringList{"Date/Time", "Temp", "Rel Hum", "Rain since 9am", "Wind Dir"};
    table.values = QStringList{"06/03:30pm", "21.0 °C", "N/F", "", "SSE"};
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
        QTest::addColumn<int>("display");
        QTest::addColumn<bool>("showSecond");
        QTest::addColumn<int>("second");
        QTest::addColumn<QString>("text"); // "<kept>": the previous text stays
        QTest::newRow("main value") << 1 << false << 3 << "21.0 °C";
        QTest::newRow("with the second value") << 1 << true << 3 << "21.0 °C / 17 km/h";
        QTest::newRow("empty main value") << 2 << true << 3 << "No Data";
        QTest::newRow("empty second value") << 1 << true << 2 << "21.0 °C / ";
        QTest::newRow("second unused") << 1 << false << -1 << "21.0 °C";
        QTest::newRow("no selection") << -1 << false << 3 << "<kept>";
        QTest::newRow("beyond the values") << 7 << false << 3 << "<kept>";
        QTest::newRow("second beyond the values") << 1 << true << 9 << "<kept>";
    }

    void tickerText()
    {
        QFETCH(int, display);
        QFETCH(bool, showSecond);
        QFETCH(int, second);
        QFETCH(QString, text);
        const QStringList values{"06/03:30pm", "21.0 °C", "", "17 km/h"};
        const auto result = engine::tickerTextOf(values, display, showSecond, second);
        QCOMPARE(result.value_or("<kept>"), text);
    }

    void leadersLineUpTheValues_data()
    {
        QTest::addColumn<QString>("family"); // empty: a terminal's fixed pitch
        QTest::newRow("terminal") << QString();
        QTest::newRow("DejaVu Sans") << "DejaVu Sans";
        QTest::newRow("DejaVu Serif") << "DejaVu Serif";
    }

    void leadersLineUpTheValues()
    {
        // In the font the texts are measured in, every value starts at the same place (within
        // a space of a proportional font), in the tip and in the feed.
        QFETCH(QString, family);
        const TextWidth width = family.isEmpty() ? TextWidth(&engine::characterWidth)
                                                 : engine::twipsWidth(QFont(family, 9), 96);
        const StatTable table = sydneyTable();
        const auto texts = engine::statTexts(table, "Sydney Airport", TransLabels(), width);
        const int slack = family.isEmpty() ? 0 : width(QStringLiteral(" "));
        for (const QString& text : {texts.tickerTip, texts.feedText}) {
            QList<int> starts;
            for (const QString& line : text.split(QStringLiteral("\r\n"))) {
                if (const qsizetype end = line.indexOf(QStringLiteral(" >   ")); end > 0)
                    starts.append(width(line.left(end + 5)));
            }
            QCOMPARE(starts.size(), table.headers.size() - 1);
            const auto [least, most] = std::minmax_element(starts.cbegin(), starts.cend());
            QVERIFY2(*most - *least <= slack, qPrintable(text));
        }
    }

    void statTextsWithTransLabels()
    {
        // The tooltip shows the Trans label and measures it; the feed shows and measures the
        // header. Column 0 is in neither.
        const StatTable table = sydneyTable();
        const TransLabels labels = TransLabels::load(transLayout(), table.headers);
        const auto texts =
            engine::statTexts(table, "Sydney Airport", labels, TextWidth(&engine::characterWidth));
        QCOMPARE(texts.tickerTip, QString::fromUtf8("T - - - - - - -  >   21.0 °C\r\n"
                                                    "Rel Hum - - - -  >   N/F\r\n"
                                                    "Rain since 9am - >   \r\n"
                                                    "Wind Dir - - - - >   SSE\r\n"
                                                    "\r\nLast observation at 03:30 PM\r\n"
                                                    "Station is Sydney Airport\r\n"));
        QCOMPARE(texts.feedText, QString::fromUtf8("Sydney Airport at: 03:30 PM\r\n"
                                                   "Temp - - - - - - >   21.0 °C\r\n"
                                                   "Rel Hum - - - -  >   N/F\r\n"
                                                   "Rain since 9am - >   \r\n"
                                                   "Wind Dir - - - - >   SSE"));
    }

    void transLabelsAndSmallTexts()
    {
        // An empty label or none at all gives the header; so does a header not asked for when
        // the labels were loaded, and a missing layout file.
        const TransLabels labels =
            TransLabels::load(transLayout(), QStringList{"Temp", "Rel Hum", "Wind Dir"});
        const TransLabels none = TransLabels::load(dir_.filePath("missing.ini"), {"Temp"});
        QCOMPARE(labels.labelOf("Temp"), QStringLiteral("T"));
        for (const QString header : {"Rel Hum", "Wind Dir", "Press"})
            QCOMPARE(labels.labelOf(header), header);
        QCOMPARE(none.labelOf("Temp"), QStringLiteral("Temp"));

        const QString feed = "Here at: 03:30 PM\r\nTemp > 1";
        QCOMPARE(engine::screenFeedText(true, feed), QStringLiteral("Nimbulo\r\nALERT"));
        QCOMPARE(engine::screenFeedText(false, feed), feed);
        QCOMPARE(engine::bannerTipOf("03:30 PM", "Sydney Airport"),
                 QStringLiteral("Last observation at 03:30 PM\r\nStation: Sydney Airport\r\n"));
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

    void cellCount_data()
    {
        QTest::addColumn<QString>("display");
        QTest::addColumn<bool>("trend");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("showSecond");
        QTest::addColumn<int>("cells");
        QTest::newRow("Temp") << "Temp" << true << "Temp" << false << 2;
        QTest::newRow("Temp, no trend") << "Temp" << false << "Temp" << false << 1;
        QTest::newRow("Rain") << "Rain since 9am" << true << "Temp" << false << 3;
        QTest::newRow("Wind") << "Wind Spd km/h" << true << "Temp" << false << 3;
        QTest::newRow("Wind Dir") << "Wind Dir" << true << "Temp" << false << 2;
        QTest::newRow("Wind Nau") << "Wind Spd Nau" << true << "Temp" << false << 2;
        QTest::newRow("Bar") << "Bar hPa" << true << "Temp" << false << 4;
        QTest::newRow("Bar, no trend") << "Bar hPa" << false << "Temp" << false << 3;
        QTest::newRow("Rain and Bar: Bar wins") << "Rain Bar" << true << "Temp" << false << 4;
        QTest::newRow("second Temp") << "Temp" << true << "Temp" << true << 4;
        QTest::newRow("second Rain") << "Temp" << true << "Rain since 9am" << true << 5;
        QTest::newRow("second Wind") << "Temp" << true << "Wind Gust km/h" << true << 5;
        QTest::newRow("second Wind Dir") << "Temp" << true << "Wind Dir" << true << 4;
        QTest::newRow("second Bar") << "Temp" << true << "Bar hPa" << true << 6;
        QTest::newRow("both Bar, no trend") << "Bar" << false << "Bar" << true << 7;
        QTest::newRow("case matters") << "rain" << true << "BAR" << true << 4;
    }

    void cellCount()
    {
        QFETCH(QString, display);
        QFETCH(bool, trend);
        QFETCH(QString, second);
        QFETCH(bool, showSecond);
        QFETCH(int, cells);
        QCOMPARE(engine::displayCellCount(display, second, trend, showSecond), cells);
    }
};

QTEST_MAIN(TestPublishing)
#include "tst_publishing.moc"
