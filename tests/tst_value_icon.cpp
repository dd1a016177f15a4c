// The tray's value icon as hosts ask for it: legible digits at every panel size, on light and
// dark panels, in the alarm colours, faded with the stale mark, the trend arrow where it fits.

#include "weather/shell/value_icon.h"

#include <QPainter>
#include <QtTest>

using shell::ValueIconFace;

namespace {

bool near(const QColor& c, const QColor& colour)
{
    return c.alpha() > 160 && qAbs(c.red() - colour.red()) < 60 &&
           qAbs(c.green() - colour.green()) < 60 && qAbs(c.blue() - colour.blue()) < 60;
}

// The glyphs of the value: runs of columns holding pixels of `colour`, each its ink's box.
QList<QRect> glyphBoxes(const QImage& image, const QColor& colour)
{
    QList<QRect> boxes;
    QRect box;
    for (int x = 0; x < image.width(); ++x) {
        QRect column;
        for (int y = 0; y < image.height(); ++y) {
            if (near(image.pixelColor(x, y), colour))
                column |= QRect(x, y, 1, 1);
        }
        if (column.isValid())
            box |= column;
        if ((!column.isValid() || x == image.width() - 1) && box.isValid()) {
            boxes.append(box);
            box = QRect();
        }
    }
    return boxes;
}

double luma(const QColor& c)
{
    return 0.299 * c.redF() + 0.587 * c.greenF() + 0.114 * c.blueF();
}

// The icon over a panel of `panel`, as a host shows it.
QImage onPanel(const QImage& icon, const QColor& panel)
{
    QImage out(icon.size(), QImage::Format_ARGB32_Premultiplied);
    out.fill(panel);
    QImage pixels = icon;
    pixels.setDevicePixelRatio(1); // pixel over pixel
    QPainter p(&out);
    p.drawImage(0, 0, pixels);
    return out;
}

ValueIconFace faceOf(const QString& text, const QColor& foreground = QColor(0x10, 0x10, 0x10))
{
    ValueIconFace face;
    face.tickerText = text;
    face.foreground = foreground;
    return face;
}

} // namespace

class TestValueIcon : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsAtPanelSizes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("digits"); // digits of the short form
        QTest::addColumn<int>("size");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QColor>("ink");
        const QList<std::pair<QString, int>> values{{QStringLiteral("24.6 \u00B0C"), 2},
                                                    {QStringLiteral("-12.3 \u00B0C"), 2},
                                                    {QStringLiteral("1009.8 hPa"), 4},
                                                    {QStringLiteral("100 %"), 3}};
        for (const auto& [text, digits] : values) {
            for (const int size : {16, 22, 24, 32}) {
                for (const qreal ratio : {1.0, 2.0}) {
                    for (const QColor& ink : {QColor(0x10, 0x10, 0x10), QColor(Qt::white)}) {
                        QTest::addRow("%s %d@%g %s", qPrintable(text), size, ratio,
                                      ink.lightness() > 128 ? "light" : "dark")
                            << text << digits << size << ratio << ink;
                    }
                }
            }
        }
    }

    void readsAtPanelSizes()
    {
        QFETCH(QString, text);
        QFETCH(int, digits);
        QFETCH(int, size);
        QFETCH(qreal, ratio);
        QFETCH(QColor, ink);
        const QImage image = shell::drawValueIcon(faceOf(text, ink), size, ratio);
        QCOMPARE(image.size(), QSize(qRound(size * ratio), qRound(size * ratio)));
        QCOMPARE(image.devicePixelRatio(), ratio);
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0); // the panel shows through

        // Each digit its own glyph, tall enough to read.
        const int least = size == 16 ? 10 : size < 32 ? 13 : 12;
        int tall = 0;
        const QList<QRect> glyphs = glyphBoxes(image, ink);
        for (const QRect& glyph : glyphs)
            tall += glyph.height() >= least * ratio ? 1 : 0;
        QVERIFY2(tall >= digits,
                 qPrintable(QStringLiteral("%1 glyphs of %2 px").arg(tall).arg(least * ratio)));

        // On a light and a dark panel each glyph stands out of the panel over its height.
        for (const QColor& panel : {QColor(0xee, 0xee, 0xee), QColor(0x22, 0x22, 0x22)}) {
            const QImage shown = onPanel(image, panel);
            for (const QRect& glyph : glyphs) {
                QRect rows;
                for (int y = glyph.top() - 2; y <= glyph.bottom() + 2; ++y) {
                    for (int x = glyph.left() - 2; x <= glyph.right() + 2; ++x) {
                        if (shown.rect().contains(x, y) &&
                            qAbs(luma(shown.pixelColor(x, y)) - luma(panel)) >= 0.6)
                            rows |= QRect(glyph.left(), y, 1, 1);
                    }
                }
                QVERIFY2(rows.height() >= glyph.height(), qPrintable(panel.name()));
            }
        }
    }

    void showsAlarmStaleAndTrend_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<qreal>("ratio");
        for (const int size : {16, 24, 32, 48}) {
            for (const qreal ratio : {1.0, 2.0})
                QTest::addRow("%d@%g", size, ratio) << size << ratio;
        }
    }

    void showsAlarmStaleAndTrend()
    {
        QFETCH(int, size);
        QFETCH(qreal, ratio);
        const int device = qRound(size * ratio);
        ValueIconFace face = faceOf(QStringLiteral("21.4 \u00B0C"));
        const QImage fresh = shell::drawValueIcon(face, size, ratio);
        const int inked = glyphBoxes(fresh, face.foreground).size();

        // An alarm: white on red.
        face.alarm = true;
        const QImage alarm = shell::drawValueIcon(face, size, ratio);
        QCOMPARE(alarm.pixelColor(0, 0), shell::kAlarmBackground);
        QCOMPARE(glyphBoxes(alarm, shell::kAlarmForeground).size(), inked);

        // Stale: the value faded (little left in the full colour but the marks), the dotted
        // line under it.
        face.alarm = false;
        face.marks = shell::PanelMark::Stale;
        const QImage stale = shell::drawValueIcon(face, size, ratio);
        const auto fullColour = [&](const QImage& image) {
            int n = 0;
            for (int y = 0; y < device; ++y) {
                for (int x = 0; x < device; ++x)
                    n += near(image.pixelColor(x, y), face.foreground) ? 1 : 0;
            }
            return n;
        };
        QVERIFY(fullColour(stale) * 3 < fullColour(fresh));
        int dots = 0;
        for (int y = device / 2; y < device; ++y) {
            int run = 0;
            for (int x = 0; x < device; ++x)
                run += near(stale.pixelColor(x, y), face.foreground) ? 1 : 0;
            dots = qMax(dots, run);
        }
        QVERIFY2(dots >= device / 8, "no dotted line");

        // The trend arrow takes the right quarter from 32 pixels on; smaller icons keep the
        // room for the digits.
        face.marks = {};
        face.showTrend = true;
        face.trendArrow = 3;
        const QImage rising = shell::drawValueIcon(face, size, ratio);
        const QImage right = rising.copy(device * 3 / 4, 0, device / 4, device);
        bool red = false;
        for (int y = 0; y < right.height() && !red; ++y) {
            for (int x = 0; x < right.width() && !red; ++x)
                red = near(right.pixelColor(x, y), QColor(0xd9, 0x3b, 0x2b));
        }
        QCOMPARE(red, size >= shell::kFullTextFrom);
    }

    void shortensWhatDoesNotFit()
    {
        const auto drawn = [](const QString& text, int size) {
            return shell::drawValueIcon(faceOf(text), size, 1);
        };
        // Small icons: whole units; large ones the value as published, less its unit where that
        // would not stay legible.
        QCOMPARE(drawn(QStringLiteral("24.6 \u00B0C"), 16), drawn(QStringLiteral("25\u00B0"), 16));
        QCOMPARE(drawn(QStringLiteral("1009.8 hPa"), 22), drawn(QStringLiteral("1010"), 22));
        QCOMPARE(drawn(QStringLiteral("-0.4 \u00B0C"), 24), drawn(QStringLiteral("0\u00B0"), 24));
        QCOMPARE(drawn(QStringLiteral("84 %"), 16), drawn(QStringLiteral("84%"), 16));
        QCOMPARE(drawn(QStringLiteral("100 %"), 16), drawn(QStringLiteral("100"), 16));
        QCOMPARE(drawn(QStringLiteral("21.4 \u00B0C"), 48), drawn(QStringLiteral("21.4"), 48));
        QVERIFY(drawn(QStringLiteral("21.4 \u00B0C"), 48) != drawn(QStringLiteral("21"), 48));
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
        // The rest of the ground stays the alarm's red, or the panel's own (transparent).
        const QColor bottomRight = image.pixelColor(edge - 1, edge - 1);
        QCOMPARE(bottomRight, alarm ? shell::kAlarmBackground : QColor(Qt::transparent));
        face.warning = false;
        QCOMPARE(amber(drawValueIcon(face, size, ratio)), 0);
    }
};

QTEST_MAIN(TestValueIcon)
#include "tst_value_icon.moc"
