#include "weather/shell/frm_desk.h"
#include "weather/shell/level_images.h"

#include <QPushButton>
#include <QRegion>
#include <QtTest>

using shell::frmDesk;

namespace {

// A 30-pixel panel at the top or bottom or a 40-pixel one at the left of a 1280 x 800 screen;
// the work area leaves out its strip while it is kept on top.
platform::DesktopState desktopWith(int edge, bool onTop)
{
    const QRect panel = edge == platform::EdgeTop    ? QRect(0, 0, 1280, 30)
                        : edge == platform::EdgeLeft ? QRect(0, 0, 40, 800)
                                                     : QRect(0, 770, 1280, 30);
    platform::DesktopState d;
    d.screen = QRect(0, 0, 1280, 800);
    d.work = onTop ? QRegion(d.screen).subtracted(panel).boundingRect() : d.screen;
    d.panel = platform::PanelState{edge, onTop, panel};
    return d;
}

// A text far wider than a 300-pixel banner.
QString longLine()
{
    QString text;
    for (int i = 0; i < 20; ++i)
        text += QStringLiteral("    Value%1:%1.5    ").arg(i);
    return text;
}

} // namespace

class TestBanner : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void places_data()
    {
        QTest::addColumn<bool>("top");
        QTest::addColumn<int>("edge");
        QTest::addColumn<bool>("onTop");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("strip");
        // A banner 20 high.
        QTest::newRow("bottom on a bottom panel") << false << 3 << true << 750 << 52;
        QTest::newRow("bottom, panel auto-hides") << false << 3 << false << 780 << 22;
        QTest::newRow("bottom, panel at the top") << false << 1 << true << 780 << 22;
        QTest::newRow("top under a top panel") << true << 1 << true << 30 << 52;
        QTest::newRow("top, panel at the bottom") << true << 3 << true << 0 << 22;
        QTest::newRow("top, panel auto-hides") << true << 1 << false << 0 << 22;
    }

    void places()
    {
        QFETCH(bool, top);
        QFETCH(int, edge);
        QFETCH(bool, onTop);
        QFETCH(int, y);
        QFETCH(int, strip);
        const platform::DesktopState d = desktopWith(edge, onTop);
        QCOMPARE(shell::bannerTopFor(top, 20, d), y);
        QCOMPARE(shell::bannerStrip(top, y, 20, d.screen), strip);
    }

    void tail_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("room");
        QTest::addColumn<QString>("tail");
        QTest::newRow("drops the head") << "abcdefgh" << 3 << "fgh";
        QTest::newRow("one left") << "abcdefgh" << 1 << "h";
        QTest::newRow("nothing fits") << "abc" << 0 << "";
    }

    void tail()
    {
        QFETCH(QString, text);
        QFETCH(int, room);
        QFETCH(QString, tail);
        QCOMPARE(shell::bannerTail(text, [room](const QString& s) { return s.size() <= room; }),
                 tail);
    }

    // Across the work area beside a left panel; then it follows the panel (bottom, top, a left
    // one that stops keeping its strip) and reserves the strip beside it.
    void followsThePanel()
    {
        platform::DesktopState now = desktopWith(platform::EdgeLeft, true);
        frmDesk desk;
        desk.setDesktopSource([&now] { return now; });
        desk.initBanner(false);
        const int h = desk.height();
        QCOMPARE(desk.geometry(), QRect(40, 800 - h, 1240, h));
        QCOMPARE(desk.reservedStrip(), h + 2);
        const auto panelTo = [&](int edge, bool onTop) {
            now = desktopWith(edge, onTop);
            desk.tmrPosTick(); // moves
            desk.tmrPosTick(); // then reserves
        };
        panelTo(platform::EdgeBottom, true);
        QCOMPARE(desk.y(), 770 - h);
        QCOMPARE(desk.reservedStrip(), 30 + h + 2);
        panelTo(platform::EdgeTop, true);
        QCOMPARE(desk.y(), 800 - h);
        QCOMPARE(desk.reservedStrip(), h + 2);
        panelTo(platform::EdgeLeft, false);
        QCOMPARE(desk.x(), 0);

        desk.closeBanner();
        QCOMPARE(desk.reservedStrip(), 0);
        QVERIFY(!desk.findChild<QTimer*>("tmrPos")->isActive());
    }

    void showsTheTailForAWhile()
    {
        frmDesk desk;
        desk.setDesktopSource([] { return desktopWith(platform::EdgeBottom, true); });
        desk.resize(300, desk.height());
        desk.setText(QStringLiteral("  Temp:20.1C"), false, QPixmap());
        desk.prtBanner();
        auto* moveLeft = desk.findChild<QPushButton*>("cmdMoveLeft");
        QVERIFY(!moveLeft->isVisibleTo(&desk));
        QCOMPARE(desk.printed(), QStringLiteral("  Temp:20.1C"));

        const QString longText = longLine();
        desk.setText(longText, false, QPixmap());
        desk.prtBanner();
        QVERIFY(moveLeft->isVisibleTo(&desk));
        QCOMPARE(moveLeft->text(), QStringLiteral("<"));
        moveLeft->click();
        QCOMPARE(moveLeft->text(), QStringLiteral(">"));
        QVERIFY(desk.findChild<QTimer*>("tmrLeft")->isActive());
        QVERIFY(desk.printed().endsWith(QStringLiteral("19.5         ")));
        QVERIFY(longText.endsWith(desk.printed().chopped(5)));
        // A second click brings the head back at once.
        moveLeft->click();
        QCOMPARE(desk.printed(), longText);
        QCOMPARE(moveLeft->text(), QStringLiteral("<"));
    }

    // A text longer than the strip ends in "…" before the stale mark and the trend arrow, which
    // keep the right end; a right click opens the menu, a double-click asks for the window.
    void endsVisiblyAndAnswersTheMouse()
    {
        frmDesk desk;
        desk.setDesktopSource([] { return desktopWith(platform::EdgeBottom, true); });
        desk.setLook(Qt::black, Qt::white, QFont());
        desk.resize(300, desk.height());
        const QString longText = longLine();
        desk.setText(longText, true, shell::trendArrow(3, 16), shell::PanelMark::Stale);
        desk.prtBanner();
        const QImage strip = desk.textStrip()->grab().toImage();
        QVERIFY2(desk.drawn().endsWith(QChar(0x2026)), qPrintable(desk.drawn()));
        bool red = false;
        for (int x = strip.width() - 16; x < strip.width(); ++x) {
            for (int y = 0; y < strip.height(); ++y) {
                const QColor c = strip.pixelColor(x, y);
                QVERIFY(c != QColor(Qt::black)); // no text under the arrow
                red = red || (c.red() > 200 && c.green() < 100);
            }
        }
        QVERIFY(red);

        QSignalSpy menu(&desk, &frmDesk::popupMenuRequested);
        QSignalSpy restore(&desk, &frmDesk::restoreRequested);
        QTest::mouseClick(desk.textStrip(), Qt::RightButton);
        QTest::mouseDClick(desk.textStrip(), Qt::LeftButton);
        QCOMPARE(menu.count(), 1);
        QCOMPARE(restore.count(), 1);
    }
};

QTEST_MAIN(TestBanner)
#include "tst_banner.moc"
