#include "weather/shell/tray_display.h"
#include "weather/shell/tray_locator.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using platform::TrayIconRect;
using shell::TrayDisplay;

namespace {

// A notification area of a given height that docks the blank icons in a row at `firstLeft`
// with a pitch of 24, among other icons; a test moves, hides or resizes it.
class FakeTray : public platform::TrayHost
{
public:
    bool running = true;
    int height = 30;
    int firstLeft = 100;
    bool hidden = false; // the tray hides the blank icons
    int searches = 0;
    int docked = 0;
    bool embedded = false;
    QColor colour = QColor(0x33, 0x66, 0x99);

    bool available() override { return running; }
    QSize areaSize() override { return running ? QSize(1280, height) : QSize(); }
    void addPlaceholders(int count) override { docked = running ? count : 0; }
    void removePlaceholders() override { docked = 0; }
    QList<TrayIconRect> iconRects() override
    {
        ++searches;
        QList<TrayIconRect> list{{QStringLiteral("clock"), 10, 32}};
        // The tray sorts by name: the markers come out of order in the tree.
        for (int k = docked; k >= 1 && !hidden; --k) {
            const int left = firstLeft + 24 * (k - 1);
            list.append({QString::number(k) + QStringLiteral("KQ"), left, left + 22});
        }
        return list;
    }
    bool embed(QWidget*) override { return embedded = running; }
    void release(QWidget*) override { embedded = false; }
    QColor sampleColor(QPoint) override { return running ? colour : QColor(); }
    void announce() { Q_EMIT trayChanged(); }
};

platform::DesktopState bottomPanelDesktop()
{
    platform::DesktopState d;
    d.screen = QRect(0, 0, 1280, 800);
    d.work = QRect(0, 0, 1280, 770);
    d.panel = platform::PanelState{platform::EdgeBottom, true, QRect(0, 770, 1280, 30)};
    return d;
}

struct Fixture
{
    FakeTray tray;
    TrayDisplay display{tray};

    explicit Fixture(int cells = 3, bool noXpHelp = true)
    {
        display.setDesktopSource(bottomPanelDesktop);
        display.setAutoTraySource([] { return std::optional<bool>(false); });
        shell::TrayOptions options;
        options.noXpHelp = noXpHelp;
        display.setOptions(options);
        display.state.cellCount = cells;
        display.setContent({QStringLiteral("22.5"), false, 4}, 1);
    }

    // Runs `ticks` ticks of the check timer and returns how many searches they made.
    int tick(int ticks)
    {
        const int before = tray.searches;
        for (int i = 0; i < ticks; ++i)
            display.trayCheckTick();
        return tray.searches - before;
    }
};

} // namespace

class TestTrayDisplay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void markers_data()
    {
        QTest::addColumn<QList<TrayIconRect>>("icons");
        QTest::addColumn<int>("cells");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("right");
        const TrayIconRect clock{QStringLiteral("clock"), 5, 27};
        const TrayIconRect one{QStringLiteral("1KQ"), 300, 322};
        const TrayIconRect two{QStringLiteral("2KQ"), 324, 346};
        const TrayIconRect three{QStringLiteral("3KQ"), 348, 370};
        QTest::newRow("in order") << QList{clock, one, two, three} << 3 << 300 << 322;
        QTest::newRow("leftmost wins")
            << QList{one, TrayIconRect{QStringLiteral("2KQ"), 200, 222}} << 2 << 200 << 222;
        QTest::newRow("none") << QList{clock} << 3 << shell::kSearchStartLeft << 0;
        // Far right in a wide panel is still found.
        QTest::newRow("far right")
            << QList{TrayIconRect{QStringLiteral("1KQ"), 1250, 1272}} << 1 << 1250 << 1272;
        // Markers beyond the cell count are not looked at.
        QTest::newRow("stops at the count")
            << QList{one, TrayIconRect{QStringLiteral("2KQ"), 10, 32}} << 1 << 300 << 322;
    }

    void markers()
    {
        QFETCH(QList<TrayIconRect>, icons);
        QFETCH(int, cells);
        QFETCH(int, left);
        QFETCH(int, right);
        const shell::TrayPlace place = shell::findMarkers(icons, cells);
        QCOMPARE(place.placeLeft, left);
        QCOMPARE(place.placeRight, right);
    }

    void sizes_data()
    {
        QTest::addColumn<int>("iconHeight");
        QTest::addColumn<int>("cells");
        QTest::addColumn<QSize>("tall");
        QTest::addColumn<int>("areaHeight");
        QTest::addColumn<int>("top");
        QTest::newRow("32, 3 cells") << 32 << 3 << QSize(53, 16) << 30 << 7;
        QTest::newRow("32, 5 cells") << 32 << 5 << QSize(88, 16) << 40 << 12;
        // 1.1 x 30 x 3 / 2 = 49.5 rounds to the even 50; 30 / 2 - 30 / 4 = 7.5 to 8.
        QTest::newRow("halves to even") << 30 << 3 << QSize(50, 15) << 30 << 8;
    }

    void sizes()
    {
        QFETCH(int, iconHeight);
        QFETCH(int, cells);
        QFETCH(QSize, tall);
        QFETCH(int, areaHeight);
        QFETCH(int, top);
        QCOMPARE(shell::tallTickerSize(iconHeight, cells), tall);
        QCOMPARE(shell::dockedTickerTop(areaHeight, iconHeight), top);
    }

    void floatingPlaces_data()
    {
        QTest::addColumn<int>("edge");
        QTest::addColumn<QRect>("panel");
        QTest::addColumn<QRect>("work");
        QTest::addColumn<QPoint>("at");
        const QRect screen(0, 0, 1280, 800);
        // Ticker 60 x 16 at 15 twips per pixel: offsets of 10 and 30 twips are 2/3 and 2 px.
        QTest::newRow("left") << 0 << QRect(0, 0, 40, 800) << QRect(40, 0, 1240, 800)
                              << QPoint(41, 768);
        QTest::newRow("top") << 1 << QRect(0, 0, 1280, 30) << QRect(0, 30, 1280, 770)
                             << QPoint(1148, 29);
        QTest::newRow("right") << 2 << QRect(1240, 0, 40, 800) << QRect(0, 0, 1240, 800)
                               << QPoint(1179, 768);
        QTest::newRow("bottom") << 3 << QRect(0, 770, 1280, 30) << QRect(0, 0, 1280, 770)
                                << QPoint(1148, 752);
    }

    void floatingPlaces()
    {
        QFETCH(int, edge);
        QFETCH(QRect, panel);
        QFETCH(QRect, work);
        QFETCH(QPoint, at);
        platform::DesktopState d;
        d.screen = QRect(0, 0, 1280, 800);
        d.work = work;
        d.panel = platform::PanelState{edge, true, panel};
        QCOMPARE(shell::floatingTickerPos(d, QSize(60, 16), 15.0), std::optional<QPoint>(at));
        // An auto-hidden panel (no strip kept) or none: nothing is moved.
        d.panel->onTop = false;
        QVERIFY(!shell::floatingTickerPos(d, QSize(60, 16), 15.0));
        d.panel.reset();
        QVERIFY(!shell::floatingTickerPos(d, QSize(60, 16), 15.0));
    }

    void docksOverTheBlankIcons()
    {
        Fixture f(3);
        f.display.startTrayDisplay();
        QVERIFY(f.display.state.tickerDocked);
        QVERIFY(f.display.state.trayActive);
        QCOMPARE(f.tray.docked, 3);
        QVERIFY(f.tray.embedded);
        QVERIFY(f.display.locator.remoteReady());
        shell::frmTicker* ticker = f.display.ticker();
        QCOMPARE(ticker->geometry(), QRect(100, 7, 22 * 3, 16));
        QVERIFY(ticker->isVisible());
        QVERIFY(ticker->tmrCheck->isActive());
        QVERIFY(!f.display.stdIcon());

        f.display.stopDockedTicker();
        QCOMPARE(f.tray.docked, 0);
        QVERIFY(!f.tray.embedded);
        QVERIFY(!f.display.state.trayActive);
        QVERIFY(!ticker->tmrCheck->isActive());
        QVERIFY(!f.display.locator.remoteReady());
    }

    void takesThePanelColour()
    {
        Fixture f(2);
        shell::TrayOptions options = f.display.options();
        options.useSysColor = true;
        f.display.setOptions(options);
        f.display.startTrayDisplay();
        QCOMPARE(f.display.ticker()->background(), f.tray.colour);
    }

    void autoHideButtonShiftsTheTicker()
    {
        Fixture f(2);
        f.display.setAutoTraySource([] { return std::optional<bool>(true); });
        f.display.startTrayDisplay();
        QCOMPARE(f.display.ticker()->x(), 118);
    }

    void tallTrayTakesTheStandardIcon()
    {
        Fixture f(3);
        f.tray.height = 600;
        f.display.startTrayDisplay();
        QVERIFY(!f.display.state.tickerDocked);
        QCOMPARE(f.tray.docked, 0);
        QVERIFY(!f.tray.embedded);
        QCOMPARE(f.display.ticker()->size(), QSize(53, 16));
        QVERIFY(!f.display.ticker()->isVisible());
    }

    void noTrayTakesTheStandardIcon()
    {
        Fixture f(3);
        f.tray.running = false;
        f.display.startTrayDisplay();
        QVERIFY(!f.display.state.tickerDocked);
        QCOMPARE(f.tray.docked, 0);
        f.display.setStdTray();
        QVERIFY(f.display.state.trayActive);
        // Offscreen there is no tray at all: the caller keeps the main window up.
        QVERIFY(!f.display.stdIconShown());
    }

    // The position is checked every second tick (once a second) for seven passes, then every
    // fourth tick; a change brings the fast checks back.
    void checkTimerSequence()
    {
        Fixture f(3);
        f.display.startTrayDisplay();
        QCOMPARE(f.tick(2), 0);
        QCOMPARE(f.tick(1), 1);
        QCOMPARE(f.tick(12), 6); // passes 2 ... 7
        QCOMPARE(f.tick(4), 1);  // slow now: one pass per four ticks
        QCOMPARE(f.tick(8), 2);
        QVERIFY(f.display.state.slowChecks);

        // The icons move (another icon joined on the left): the ticker follows.
        f.tray.firstLeft = 124;
        QCOMPARE(f.tick(4), 2); // the pass sees the move and places the ticker again
        QCOMPARE(f.display.ticker()->x(), 124);
        QVERIFY(!f.display.state.slowChecks);
        QCOMPARE(f.tick(2), 1); // fast again
    }

    void hidesWhileTheIconsAreMissing()
    {
        Fixture f(3, false);
        f.display.startTrayDisplay();
        f.tick(3);
        QVERIFY(f.display.ticker()->isVisible());

        f.tray.hidden = true;
        f.tick(2);
        QVERIFY(!f.display.ticker()->isVisible());
        QVERIFY(f.display.state.tickerHidden);
        // Hidden after a move: no hint yet.
        QVERIFY(!f.display.helpWindow());

        f.tray.hidden = false;
        f.tick(2);
        QVERIFY(f.display.ticker()->isVisible());
        QVERIFY(!f.display.state.tickerHidden);
        QCOMPARE(f.display.ticker()->x(), 100);
    }

    void hintWhenTheIconsNeverShow()
    {
        Fixture f(3, false);
        f.tray.hidden = true;
        f.display.startTrayDisplay();
        QVERIFY(!f.display.ticker()->isVisible());
        QSignalSpy chosen(&f.display, &TrayDisplay::noXpHelpChosen);
        f.tick(3);
        QVERIFY(f.display.helpWindow());
        QCOMPARE(f.display.helpWindow()->windowTitle(), QStringLiteral("XP Auto Hide help"));
        f.display.helpWindow()->chkNoShow->setChecked(true);
        f.display.helpWindow()->cmdClose->click();
        QCOMPARE(chosen.count(), 1);
        QVERIFY(f.display.options().noXpHelp);
        QTRY_VERIFY(!f.display.helpWindow());
        f.tick(8);
        QVERIFY(!f.display.helpWindow());
    }

    void tallerTrayRelaysOut()
    {
        Fixture f(3);
        f.display.startTrayDisplay();
        QVERIFY(f.display.state.tickerDocked);
        f.tray.height = 300;
        f.tick(1);
        QVERIFY(!f.display.state.tickerDocked);
        QCOMPARE(f.tray.docked, 0);
        QVERIFY(!f.tray.embedded);
        QVERIFY(!f.display.ticker()->tmrCheck->isActive());
        QVERIFY(f.display.stdIcon());

        // Back to one row: the next start docks again.
        f.tray.height = 30;
        f.display.closeStdTray();
        f.display.startTrayDisplay();
        QVERIFY(f.display.state.tickerDocked);
        QCOMPARE(f.tray.docked, 3);
    }

    void newTrayDocksAgain()
    {
        Fixture f(3);
        f.display.startTrayDisplay();
        shell::frmTicker* old = f.display.ticker();
        f.tray.running = false;
        f.tray.announce();
        QVERIFY(!f.display.state.tickerDocked);
        QCOMPARE(f.tray.docked, 0);

        f.tray.running = true;
        f.tray.announce();
        QVERIFY(f.display.state.tickerDocked);
        QCOMPARE(f.tray.docked, 3);
        QVERIFY(f.tray.embedded);
        QVERIFY(f.display.ticker() != old);
        QCOMPARE(f.display.ticker()->x(), 100);

        // Not in use (the main window is up): a new tray changes nothing.
        f.display.shutdown();
        f.tray.announce();
        QCOMPARE(f.tray.docked, 0);
    }

    void hoverPopsTheTickerUp()
    {
        Fixture f(3);
        f.tray.height = 600;
        f.display.startTrayDisplay();
        f.display.setStdTray();
        f.display.trayIconHovered();
        QVERIFY(f.display.state.hoverShown);
        QVERIFY(f.display.ticker()->isVisible());
        QVERIFY(f.display.ticker()->bordered());
        QCOMPARE(f.display.ticker()->pos(), QPoint(1280 - 117, 770 - 16 - 2));
        QVERIFY(f.display.tmrMsonIcon.isActive());
        // Each hover restarts the five seconds; their end hides the ticker.
        f.display.trayIconHovered();
        QVERIFY(f.display.tmrMsonIcon.isActive());
    }

    void standardIconMouse()
    {
        Fixture f(3);
        f.tray.height = 600;
        f.display.startTrayDisplay();
        f.display.setStdTray();
        QSignalSpy menu(&f.display, &TrayDisplay::popupMenuRequested);
        QSignalSpy restore(&f.display, &TrayDisplay::restoreRequested);
        // The free ticker's own right click opens nothing; the icon's opens the menu.
        f.display.trayIconHovered();
        QTest::mouseClick(f.display.ticker()->picTicker, Qt::RightButton);
        QCOMPARE(menu.count(), 0);
        f.display.trayIconRightClicked(QPoint(5, 5));
        QCOMPARE(menu.count(), 1);
        QVERIFY(!f.display.ticker()->isVisible());
        f.display.trayIconDoubleClicked();
        QCOMPARE(restore.count(), 1);
        QVERIFY(!f.display.state.trayActive);
    }

    void dockedTickerMouse()
    {
        Fixture f(3);
        f.display.startTrayDisplay();
        QSignalSpy menu(&f.display, &TrayDisplay::popupMenuRequested);
        QSignalSpy restore(&f.display, &TrayDisplay::restoreRequested);
        QTest::mouseClick(f.display.ticker()->picTicker, Qt::RightButton);
        QCOMPARE(menu.count(), 1);
        QTest::mouseDClick(f.display.ticker()->picTicker, Qt::LeftButton);
        QCOMPARE(restore.count(), 1);
        QVERIFY(!f.display.state.trayActive);
        QCOMPARE(f.tray.docked, 0);
        QVERIFY(!f.display.ticker()->isVisible());
    }

    void noDataSetsTheTip()
    {
        Fixture f(3);
        QSignalSpy noData(&f.display, &TrayDisplay::noDataShown);
        f.display.setContent({QString(), false, 4}, 3);
        f.display.paintTicker();
        QCOMPARE(noData.count(), 1);
    }
};

QTEST_MAIN(TestTrayDisplay)
#include "tst_tray_display.moc"
