// The tray's value icon as hosts ask for it: every size from 16 to 48 pixels at 1x and 2x, one
// value or two, in the alarm colours, with the trend arrow where it fits.

#include "weather/shell/value_icon.h"

#include <QtTest>

using shell::ValueIconFace;

namespace {

// Pixels in `area` whose colour is near `colour` (the antialiased edges excluded).
int pixelsNear(const QImage& image, const QRect& area, const QColor& colour)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 200 && qAbs(c.red() - colour.red()) < 40 &&
                qAbs(c.green() - colour.green()) < 40 && qAbs(c.blue() - colour.blue()) < 40)
                ++n;
        }
    }
    return n;
}

} // namespace

class TestValueIcon : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void drawsTheValue_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("alarm");
        QTest::addColumn<int>("arrow");
        const QString one = QStringLiteral("21.4 \u00B0C");
        const QString two = QStringLiteral("-3.5 \u00B0C / 100 %");
        for (const int size : {16, 22, 24, 32, 48}) {
            for (const qreal ratio : {1.0, 2.0}) {
                const QByteArray at = QByteArray::number(size) + "@" + QByteArray::number(ratio);
                QTest::newRow(at + " one") << size << ratio << one << false << 4;
                QTest::newRow(at + " two, alarm") << size << ratio << two << true << 4;
                QTest::newRow(at + " one, rising") << size << ratio << one << false << 3;
                QTest::newRow(at + " two, falling, alarm") << size << ratio << two << true << 1;
            }
        }
    }

    void drawsTheValue()
    {
        QFETCH(int, size);
        QFETCH(qreal, ratio);
        QFETCH(QString, text);
        QFETCH(bool, alarm);
        QFETCH(int, arrow);
        ValueIconFace face;
        face.tickerText = text;
        face.alarm = alarm;
        face.showTrend = true;
        face.trendArrow = arrow;
        face.foreground = QColor(0x10, 0x10, 0x10);
        const QImage image = shell::drawValueIcon(face, size, ratio);
        const int device = qRound(size * ratio);
        QCOMPARE(image.size(), QSize(device, device));
        QCOMPARE(image.devicePixelRatio(), ratio);

        // Alarm: white on red; else the panel shows through.
        const QColor ink = alarm ? shell::kAlarmForeground : face.foreground;
        if (alarm)
            QCOMPARE(image.pixelColor(0, 0), shell::kAlarmBackground);
        else
            QCOMPARE(image.pixelColor(0, 0).alpha(), 0);

        // Nothing is cut: the outermost device pixels carry no ink.
        const QRect all = image.rect();
        for (const QRect& edge : {QRect(0, 0, device, 1), QRect(0, device - 1, device, 1),
                                  QRect(0, 0, 1, device), QRect(device - 1, 0, 1, device)})
            QCOMPARE(pixelsNear(image, edge, ink), 0);

        // Each value has ink on its own line; a value that is too long drops its unit but
        // never vanishes.
        const int width = arrow < 4 && size >= 22 ? device * 3 / 4 : device;
        const bool twoLines = text.contains(QStringLiteral(" / "));
        const QRect top(0, 0, width, twoLines ? device / 2 : device);
        QVERIFY2(pixelsNear(image, top, ink) >= device / 4, "no ink for the first value");
        if (twoLines)
            QVERIFY(pixelsNear(image, QRect(0, device / 2, width, device / 2), ink) >= device / 4);

        // The arrow sits in the right quarter where the picture is 22 pixels or more.
        const QColor arrowColour = arrow == 3 ? QColor(0xd9, 0x3b, 0x2b) : QColor(0x2f, 0x6f, 0xd6);
        const int arrowPixels = pixelsNear(image, all, arrowColour);
        if (arrow < 4 && size >= 22)
            QVERIFY(pixelsNear(image, QRect(device * 3 / 4, 0, device / 4, device), arrowColour) >
                    0);
        else if (!alarm)
            QCOMPARE(arrowPixels, 0);
    }

    void shortensWhatDoesNotFit()
    {
        // In a square "21.4 °C" loses its unit; at 16 pixels its decimal too (or squeezed in).
        const auto drawn = [](const QString& text, int size) {
            ValueIconFace face;
            face.tickerText = text;
            return shell::drawValueIcon(face, size, 1);
        };
        const QString full = QStringLiteral("21.4 \u00B0C");
        const QImage small = drawn(full, 16);
        QVERIFY(small == drawn(QStringLiteral("21"), 16) ||
                small == drawn(QStringLiteral("21.4"), 16));
        QCOMPARE(drawn(full, 48), drawn(QStringLiteral("21.4"), 48));
        QVERIFY(drawn(full, 48) != drawn(QStringLiteral("21"), 48));
    }

    // A warning puts an amber mark in the top left corner at every size and ratio, on the
    // panel's colours and on the alarm's red alike, and leaves the value's side clear.
    void marksAWarning_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<bool>("alarm");
        QTest::newRow("16 px") << 16 << 1.0 << false;
        QTest::newRow("16 px at 2x") << 16 << 2.0 << false;
        QTest::newRow("16 px with the alarm") << 16 << 1.0 << true;
        QTest::newRow("48 px") << 48 << 1.0 << false;
    }
    void marksAWarning()
    {
        QFETCH(int, size);
        QFETCH(qreal, ratio);
        QFETCH(bool, alarm);
        ValueIconFace face;
        face.tickerText = QStringLiteral("21.0 \u00B0C");
        face.background = Qt::darkBlue;
        face.alarm = alarm;
        face.warning = true;
        const QImage image = drawValueIcon(face, size, ratio);
        const int edge = int(size * ratio);
        // A solid amber mark of some size in the corner (a fifth of its box at least).
        const int side = int(qMax(6.0, edge * 0.45));
        const auto amber = [side](const QImage& icon) {
            int n = 0;
            for (int y = 0; y < side; ++y)
                for (int x = 0; x < side; ++x)
                    n += icon.pixelColor(x, y) == shell::kWarningFill;
            return n;
        };
        QVERIFY2(amber(image) * 5 >= side * side, qPrintable(QString::number(amber(image))));
        const QColor bottomRight = image.pixelColor(edge - 1, edge - 1);
        QCOMPARE(bottomRight, alarm ? shell::kAlarmBackground : QColor(Qt::darkBlue));
        face.warning = false;
        QCOMPARE(amber(drawValueIcon(face, size, ratio)), 0);
    }
};

QTEST_MAIN(TestValueIcon)
#include "tst_value_icon.moc"
