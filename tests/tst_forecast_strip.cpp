// The town forecast as the main window shows it: the icons we draw for the bureau's codes, at
// 1x and 2x on a light and a dark window, and the strip of days.

#include "weather/engine/forecast_watch.h"
#include "weather/shell/forecast_icons.h"
#include "weather/shell/forecast_strip.h"

#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QtTest>

using namespace shell;

namespace {

const QColor kLightWindow(0xef, 0xef, 0xef);
const QColor kDarkWindow(0x2a, 0x2a, 0x2e);

double luminance(const QColor& c)
{
    const auto linear = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

struct Coverage
{
    double drawn = 0;    // share of the square the picture covers
    double outlined = 0; // share that contrasts 3:1 or more with the window (its outlines)
};

// How a picture shows laid on `window`.
Coverage coverageOn(const QImage& icon, const QColor& window)
{
    QImage shown(icon.size(), QImage::Format_ARGB32);
    shown.fill(window);
    {
        QPainter p(&shown);
        p.drawImage(0, 0, icon);
    }
    const QImage alpha = icon.convertToFormat(QImage::Format_ARGB32);
    const double background = luminance(window);
    int drawn = 0;
    int outlined = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            if (qAlpha(alpha.pixel(x, y)) > 64)
                ++drawn;
            const double l = luminance(shown.pixelColor(x, y));
            const double ratio =
                (std::max(l, background) + 0.05) / (std::min(l, background) + 0.05);
            if (ratio >= 3)
                ++outlined;
        }
    }
    const double area = shown.width() * shown.height();
    return {drawn / area, outlined / area};
}

} // namespace

class TestForecastStrip : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Every code we draw covers a good part of its square with outlines that hold on a light and
    // on a dark window, at 1x and 2x, and each
    // code looks different from every other; other codes draw nothing.
    void icons_data()
    {
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<bool>("dark");
        QTest::newRow("1x light") << 1.0 << false;
        QTest::newRow("1x dark") << 1.0 << true;
        QTest::newRow("2x light") << 2.0 << false;
        QTest::newRow("2x dark") << 2.0 << true;
    }
    void icons()
    {
        QFETCH(qreal, ratio);
        QFETCH(bool, dark);
        const QColor window = dark ? kDarkWindow : kLightWindow;
        const QColor ink = dark ? QColor(0xee, 0xee, 0xee) : QColor(Qt::black);
        QList<QImage> drawn;
        for (int code = 0; code <= 20; ++code) {
            const QImage icon = drawForecastIcon(code, 32, ratio, ink);
            if (!engine::knownIconCode(code)) {
                QVERIFY2(icon.isNull(), qPrintable(QString::number(code)));
                continue;
            }
            QCOMPARE(icon.size(), QSize(32, 32) * ratio);
            QCOMPARE(icon.devicePixelRatio(), ratio);
            // A tenth of the square at least, with outlines that hold on the window's colour.
            const Coverage coverage = coverageOn(icon, window);
            QVERIFY2(coverage.drawn > 0.1 && coverage.outlined > 0.02,
                     qPrintable(QStringLiteral("code %1: drawn %2, outlined %3")
                                    .arg(code)
                                    .arg(coverage.drawn)
                                    .arg(coverage.outlined)));
            for (const QImage& other : drawn)
                QVERIFY2(other != icon, qPrintable(QString::number(code)));
            drawn.append(icon);
        }
        QCOMPARE(drawn.size(), 17);
    }

    // The strip of a forecast: a day per period ahead, its line as the tooltip; out of date it
    // says so and greys the days; without a forecast it says why.
    void strip_data()
    {
        QTest::addColumn<QString>("aac"); // empty: no forecast
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("days"); // day name and tooltip
        QTest::addColumn<bool>("current");
        const QDateTime issued = QDateTime::fromString("2024-10-27T04:50:00Z", Qt::ISODate);
        QTest::newRow("evening of issue")
            << "NSW_PT131" << issued.addSecs(3600)
            << "Forecast for Sydney, issued Sun 27/10 03:50 PM"
            << QStringList{"Sun|Sun 27/10: Clear. Rain 5 %",
                           "Mon|Mon 28/10: 14\u201325 \u00B0C, Becoming cloudy. Rain 30 % (0 to 1 "
                           "mm)",
                           "Tue|Tue 29/10: max 28 \u00B0C, Hot and gusty."}
            << true;
        QTest::newRow("next day, past periods gone")
            << "NSW_PT131" << issued.addSecs(33 * 3600)
            << "Forecast for Sydney, issued Sun 27/10 03:50 PM"
            << QStringList{"Tue|Tue 29/10: max 28 \u00B0C, Hot and gusty."} << true;
        QTest::newRow("36 hours and a minute")
            << "NSW_PT027" << issued.addSecs(36 * 3600 + 60)
            << "Forecast for Canberra out of date: issued Sun 27/10 03:50 PM"
            << QStringList{"Tue|Tue 29/10: 6\u201317 \u00B0C, Shower or two. Rain 60 %",
                           "Wed|Wed 30/10: -1\u201316 \u00B0C, Frost then sunny.",
                           "Thu|Thu 31/10: 3\u201322 \u00B0C, Sunny. Rain 0 %",
                           "Fri|Fri 01/11: 8\u201324 \u00B0C, Windy.",
                           "Sat|Sat 02/11: 10\u201318 \u00B0C, Rain. Rain 95 % (10 to 25 mm)",
                           "Sun|Sun 03/11: Snow on the ranges."}
            << false;
        QTest::newRow("none") << QString() << issued << "Town forecast not read yet."
                              << QStringList{} << true;
    }
    void strip()
    {
        QFETCH(QString, aac);
        QFETCH(QDateTime, now);
        QFETCH(QString, title);
        QFETCH(QStringList, days);
        QFETCH(bool, current);
        QFile sample(QStringLiteral(NIMBULO_TEST_DATA "/feed_precis_nsw.xml"));
        QVERIFY(sample.open(QIODevice::ReadOnly));
        const auto read = engine::readTownForecasts(sample.readAll(), "IDN11060");
        QVERIFY(read.rows);
        ForecastStrip strip;
        strip.showTown(read.rows->town(aac), read.rows->issued, "Town forecast not read yet.", now);
        QCOMPARE(strip.findChild<QLabel*>("lblForecastTitle")->text(), title);
        QStringList shown;
        for (int i = 0;; ++i) {
            const auto* cell = strip.findChild<QFrame*>(QStringLiteral("forecastDay_%1").arg(i));
            if (!cell)
                break;
            QCOMPARE(cell->isEnabled(), current);
            shown.append(cell->findChild<QLabel*>()->text() + '|' + cell->toolTip());
        }
        QCOMPARE(shown, days);
    }
};

QTEST_MAIN(TestForecastStrip)
#include "tst_forecast_strip.moc"
