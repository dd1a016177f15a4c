#include "weather/shell/tray_display.h"
#include "weather/shell/tray_locator.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRegion>
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
    int late = 0;        // the last icons asked for, not docked yet
    int docked = 0;
    bool embedded = false;
    QColor colour = QColor(0x33, 0x66, 0x99);

    bool reports = false; // tells every change by layoutChanged()

    bool available() override { return running; }
    bool reportsLayoutChanges() const override { return reports; }
    QSize areaSize() override { return running ? QSize(1280, height) : QSize(); }
    void addPlaceholders(int count) override
    {
        docked = running ? count : 0;
        // The panel paints the new icons.
        if (docked)
            Q_EMIT areaColorChanged(colour);
    }
    void removePlaceholders() override { docked = 0; }
    QList<TrayIconRect> iconRects() override
    {
        QList<TrayIconRect> list{{QStringLiteral("clock"), 10, 32}};
        for (int k = 1; k <= docked - late && !hidden; ++k) {
            const int left = firstLeft + 24 * (k - 1);
            list.append({QString::number(k) + QStringLiteral("KQ"), left, left + 22});
        }
        return list;
    }
    bool embed(QWidget*) override { return embedded = running; }
    void release(QWidget*) override { embedded = false; }
    void announce() { Q_EMIT trayChanged(); }
};

// A 1280 x 800 screen with a panel kept on top at `edge`: 40 wide at the sides, 30 high at the
// top and bottom; the work area leaves out its strip.
platform::DesktopState desktopWith(int edge)
{
    const QRect panel[] = {QRect(0, 0, 40, 800), QRect(0, 0, 1280, 30), QRect(1240, 0, 40, 800),
                           QRect(0, 770, 1280, 30)};
    platform::DesktopState d;
    d.screen = QRect(0, 0, 1280, 800);
    d.work = QRegion(d.screen).subtracted(panel[edge]).boundingRect();
    d.panel = platform::PanelState{edge, true, panel[edge]};
    return d;
}

struct Fixture
{
    FakeTray tray;
    TrayDisplay display{tray};

    explicit Fixture(bool noXpHelp = true)
    {
        display.setDesktopSource([] { return desktopWith(platform::EdgeBottom); });
        display.setAutoTraySource([] { return std::optional<bool>(false); });
        shell::TrayOptions options;
        options.noXpHelp = noXpHelp;
        display.setOptions(options);
        display.setCellCount(3);
        display.setContent({QStringLiteral("22.5"), false, 4}, 1);
    }

    // Runs `ticks` ticks of the 500 ms check timer.
    void tick(int ticks)
    {
        for (int i = 0; i < ticks; ++i)
            display.trayCheckTick();
    }
};

} // namespace

class TestTrayDisplay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Icons are written "name@left", each 22 wide.
    void markers_data()
    {
        QTest::addColumn<QString>("icons");
        QTest::addColumn<int>("cells");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("right");
        // A cell takes its share of the spacing: 3 icons span 70 pixels, 24 per cell.
        QTest::newRow("in order") << "clock@5 1KQ@300 2KQ@324 3KQ@348" << 3 << 300 << 324;
        QTest::newRow("leftmost wins") << "1KQ@324 2KQ@300" << 2 << 300 << 323;
        QTest::newRow("none") << "clock@5" << 3 << shell::kSearchStartLeft << 0;
        // Markers beyond the cell count are not looked at.
        QTest::newRow("stops at the count") << "1KQ@300 2KQ@10" << 1 << 300 << 322;
    }

    void markers()
    {
        QFETCH(QString, icons);
        QFETCH(int, cells);
        QFETCH(int, left);
        QFETCH(int, right);
        QList<TrayIconRect> rects;
        for (const QString& icon : icons.split(QLatin1Char(' '))) {
            const int at = icon.section(QLatin1Char('@'), 1).toInt();
            rects.append({icon.section(QLatin1Char('@'), 0, 0), at, at + 22});
        }
        const shell::TrayPlace place = shell::findMarkers(rects, cells);
        QCOMPARE(place.placeLeft, left);
        QCOMPARE(place.placeRight, right);
    }

    void floatingPlaces_data()
    {
        QTest::addColumn<int>("edge");
        QTest::addColumn<QPoint>("at");
        // Ticker 60 x 16 at 15 twips per pixel: offsets of 10 and 30 twips are 2/3 and 2 px.
        QTest::newRow("left") << int(platform::EdgeLeft) << QPoint(41, 768);
        QTest::newRow("top") << int(platform::EdgeTop) << QPoint(1148, 29);
        QTest::newRow("right") << int(platform::EdgeRight) << QPoint(1179, 768);
        QTest::newRow("bottom") << int(platform::EdgeBottom) << QPoint(1148, 752);
    }

    void floatingPlaces()
    {
        QFETCH(int, edge);
        QFETCH(QPoint, at);
        platform::DesktopState d = desktopWith(edge);
        QCOMPARE(shell::floatingTickerPos(d, QSize(60, 16), 15.0), std::optional<QPoint>(at));
        // An auto-hidden panel (no strip kept) or none: nothing is moved.
        d.panel->onTop = false;
        QVERIFY(!shell::floatingTickerPos(d, QSize(60, 16), 15.0));
    }

    void start_data()
    {
        QTest::addColumn<bool>("running");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("autoHide");
        QTest::addColumn<bool>("sysColour");
        QTest::addColumn<QRect>("at"); // empty: not docked, only the size counts
        QTest::newRow("one row, panel colour")
            << true << 30 << false << true << QRect(100, 7, 72, 16);
        // The button that shows hidden icons sits left of them.
        QTest::newRow("auto-hide button") << true << 30 << true << false << QRect(118, 7, 72, 16);
        QTest::newRow("tall tray") << true << 600 << false << false << QRect(0, 0, 53, 16);
        QTest::newRow("no tray") << false << 30 << false << false << QRect(0, 0, 53, 16);
    }

    void start()
    {
        QFETCH(bool, running);
        QFETCH(int, height);
        QFETCH(bool, autoHide);
        QFETCH(bool, sysColour);
        QFETCH(QRect, at);
        Fixture f;
        f.tray.running = running;
        f.tray.height = height;
        f.display.setAutoTraySource([autoHide] { return std::optional<bool>(autoHide); });
        shell::TrayOptions options = f.display.options();
        options.useSysColor = sysColour;
        f.display.setOptions(options);
        f.display.startTrayDisplay();
        shell::frmTicker* ticker = f.display.ticker();
        const bool docked = at.x() > 0;
        QCOMPARE(f.tray.docked, docked ? 3 : 0);
        QCOMPARE(ticker->isVisible(), docked);
        QCOMPARE(ticker->background() == f.tray.colour, sysColour);
        if (!docked) {
            QCOMPARE(ticker->size(), at.size());
            // Offscreen there is no tray at all: the caller keeps the main window up.
            f.display.setStdTray();
            QVERIFY(!f.display.stdIconShown());
            return;
        }
        QCOMPARE(ticker->geometry(), at);
        f.display.stopDockedTicker();
        QVERIFY(!f.tray.embedded && f.tray.docked == 0);
        QVERIFY(!ticker->checking());
    }

    // Another icon joins the tray on the left of the blank icons, soon after the start or
    // long after: the ticker is over them again within four seconds, twice in a row.
    void tickerFollowsTheIcons_data()
    {
        QTest::addColumn<int>("settleTicks");
        QTest::newRow("soon after the start") << 3;
        QTest::newRow("in a settled tray") << 60;
    }

    void tickerFollowsTheIcons()
    {
        QFETCH(int, settleTicks);
        Fixture f;
        f.display.startTrayDisplay();
        f.tick(settleTicks);
        QCOMPARE(f.display.ticker()->x(), 100);
        for (const int left : {124, 148}) {
            f.tray.firstLeft = left;
            f.tick(8);
            QCOMPARE(f.display.ticker()->x(), left);
            QVERIFY(f.display.ticker()->isVisible());
        }
    }

    // Over a tray that tells its changes the check rests once the ticker is in place; a change
    // wakes it.
    void restingCheck()
    {
        Fixture f;
        f.tray.reports = true;
        f.display.startTrayDisplay();
        const shell::frmTicker* ticker = f.display.ticker();
        f.tick(3);
        QVERIFY(!ticker->checking());
        f.tray.firstLeft = 124;
        Q_EMIT f.tray.layoutChanged();
        QVERIFY(ticker->checking());
        f.tick(3);
        QCOMPARE(f.display.ticker()->x(), 124);
        QVERIFY(!ticker->checking());
        f.display.setContent({QStringLiteral("21.0 °C / 84% / 1012.5 hPa"), true, 3}, 1);
        f.display.paintTicker();
        QVERIFY(f.tray.docked > 3);
        // The new icons docked at once: the wider ticker shows without waiting for a check.
        QVERIFY(f.display.ticker()->isVisible());
    }

    void hidesWhileTheIconsAreMissing()
    {
        Fixture f(false);
        f.display.startTrayDisplay();
        f.tick(3);
        f.tray.hidden = true;
        f.tick(2);
        QVERIFY(!f.display.ticker()->isVisible());
        QVERIFY(!f.display.helpWindow()); // hidden after a move: no hint
        f.tray.hidden = false;
        f.tick(2);
        QVERIFY(f.display.ticker()->isVisible());
    }

    // The help comes once per start, whether or not it is wanted again; while it is up
    // nothing else is asked for, after it the main window stands in for the hidden ticker.
    void hintWhenTheIconsNeverShow_data()
    {
        QTest::addColumn<bool>("notAgain");
        QTest::newRow("closed") << false;
        QTest::newRow("not again") << true;
    }
    void hintWhenTheIconsNeverShow()
    {
        QFETCH(bool, notAgain);
        Fixture f(false);
        f.tray.hidden = true;
        f.display.startTrayDisplay();
        QSignalSpy chosen(&f.display, &TrayDisplay::noXpHelpChosen);
        QSignalSpy standIn(&f.display, &TrayDisplay::valueHidden);
        f.tick(3);
        QVERIFY(f.display.helpWindow());
        QCOMPARE(f.display.helpWindow()->windowTitle(),
                 QStringLiteral("Nimbulo: hidden panel icons"));
        f.tick(6);
        QCOMPARE(standIn.count(), 0);
        f.display.helpWindow()->findChild<QCheckBox*>("chkNoShow")->setChecked(notAgain);
        f.display.helpWindow()->findChild<QPushButton*>("cmdClose")->click();
        QCOMPARE(chosen.count(), int(notAgain)); // the caller saves the choice
        QTRY_VERIFY(!f.display.helpWindow());
        f.tick(6);
        QVERIFY(!f.display.helpWindow());
        QVERIFY(standIn.count() > 0);
    }

    // The tray grows taller than one row, or exits: the ticker leaves it. Back to one row, or
    // a new tray, and the ticker docks again.
    void relayout_data()
    {
        QTest::addColumn<bool>("newTray");
        QTest::newRow("taller tray") << false;
        QTest::newRow("new tray") << true;
    }

    void relayout()
    {
        QFETCH(bool, newTray);
        Fixture f;
        QSignalSpy lost(&f.display, &TrayDisplay::trayLost);
        f.display.startTrayDisplay();
        if (newTray) {
            // The tray goes and no other host shows anything: the program must come back.
            f.tray.running = false;
            f.tray.announce();
            QCOMPARE(lost.count(), 1);
        } else {
            f.tray.height = 300;
            f.tick(1);
            QVERIFY(f.display.stdIcon());
        }
        QVERIFY(!f.tray.embedded && f.tray.docked == 0);
        if (newTray) {
            f.tray.running = true;
            f.tray.announce();
        } else {
            f.tray.height = 30;
            f.display.closeStdTray();
            f.display.startTrayDisplay();
        }
        QVERIFY(f.tray.embedded && f.tray.docked == 3);
        QCOMPARE(lost.count(), newTray ? 1 : 0);
        // Not in use (the main window is up): a new tray changes nothing.
        f.display.shutdown();
        f.tray.announce();
        QCOMPARE(f.tray.docked, 0);
    }

    void chooseWay_data()
    {
        QTest::addColumn<bool>("xembed");
        QTest::addColumn<bool>("sni");
        QTest::addColumn<bool>("prefer");
        QTest::addColumn<bool>("tall");
        QTest::addColumn<int>("way");
        using W = shell::TrayWay;
        QTest::newRow("xembed only") << true << false << false << false << int(W::DockedTicker);
        QTest::newRow("both, default") << true << true << false << false << int(W::DockedTicker);
        QTest::newRow("both, value icon chosen")
            << true << true << true << false << int(W::SniValueIcon);
        QTest::newRow("chosen, no host yet")
            << true << false << true << false << int(W::DockedTicker);
        QTest::newRow("tall xembed") << true << true << false << true << int(W::StandardIcon);
        QTest::newRow("sni only") << false << true << false << false << int(W::SniValueIcon);
        QTest::newRow("nothing yet: wait for a host")
            << false << false << false << false << int(W::SniValueIcon);
    }

    void chooseWay()
    {
        QFETCH(bool, xembed);
        QFETCH(bool, sni);
        QFETCH(bool, prefer);
        QFETCH(bool, tall);
        QFETCH(int, way);
        QCOMPARE(int(shell::chooseTrayWay({xembed, sni, prefer, tall})), way);
    }

    void standardIconHoverAndMouse()
    {
        Fixture f;
        f.tray.height = 600;
        f.display.startTrayDisplay();
        f.display.setStdTray();
        QSignalSpy menu(&f.display, &TrayDisplay::popupMenuRequested);
        QSignalSpy restore(&f.display, &TrayDisplay::restoreRequested);
        f.display.trayIconHovered();
        QVERIFY(f.display.ticker()->isVisible() && f.display.ticker()->bordered());
        QCOMPARE(f.display.ticker()->pos(), QPoint(1280 - 117, 770 - 16 - 2));
        // The free ticker's own right click opens nothing; the icon's opens the menu.
        QTest::mouseClick(f.display.ticker()->textStrip(), Qt::RightButton);
        QCOMPARE(menu.count(), 0);
        f.display.trayIconRightClicked(QPoint(5, 5));
        QCOMPARE(menu.count(), 1);
        f.display.trayIconDoubleClicked();
        QCOMPARE(restore.count(), 1);
    }

    void dockedTickerMouse_data()
    {
        QTest::addColumn<bool>("twice");
        QTest::newRow("click") << false;
        QTest::newRow("double-click") << true;
    }

    // The right click opens the menu; a click (or a double-click) brings the window back once.
    void dockedTickerMouse()
    {
        QFETCH(bool, twice);
        Fixture f;
        f.display.startTrayDisplay();
        QSignalSpy menu(&f.display, &TrayDisplay::popupMenuRequested);
        QSignalSpy restore(&f.display, &TrayDisplay::restoreRequested);
        QTest::mouseClick(f.display.ticker()->textStrip(), Qt::RightButton);
        QCOMPARE(menu.count(), 1);
        if (twice)
            QTest::mouseDClick(f.display.ticker()->textStrip(), Qt::LeftButton);
        else
            QTest::mouseClick(f.display.ticker()->textStrip(), Qt::LeftButton);
        QCOMPARE(restore.count(), 1);
        QCOMPARE(f.tray.docked, 0);
    }

    void noDataSetsTheTip()
    {
        Fixture f;
        QSignalSpy noData(&f.display, &TrayDisplay::noDataShown);
        f.display.setContent({QString(), false, 4}, 3);
        f.display.paintTicker();
        QCOMPARE(noData.count(), 1);
    }
};

QTEST_MAIN(TestTrayDisplay)
#include "tst_tray_display.moc"
