// The tray display against a real X server with openbox and a tint2 panel (also at twice the
// scale): the docked ticker ends up inside the panel over its blank icons in the panel's own
// colour, follows a new tray, leaves no icon behind, and a tall panel takes the standard icon,
// whose hover ticker fits its text; a real hover shows the stats tip on either ticker.

#include "platform/tray_host.h"
#include "platform/x11/x11_tray.h"
#include "weather/shell/cls_tooltip.h"
#include "weather/shell/tray_display.h"
#include "x11_session.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QtTest>

// Two stats and the trend arrow: wider than the 3 cells the display starts with.
const shell::TickerContent kContent{QStringLiteral("21.0 °C / 84%"), true, 3};

class TestTrayX11 : public QObject
{
    Q_OBJECT
public:
    explicit TestTrayX11(X11Session& session) : x_(session) {}

private:
    X11Session& x_;

    std::unique_ptr<shell::TrayDisplay> display(platform::TrayHost& host, int cells)
    {
        auto d = std::make_unique<shell::TrayDisplay>(host);
        shell::TrayOptions options;
        options.useSysColor = true; // the docked ticker takes the panel's colour
        options.foreColor = Qt::white;
        options.backColor = QColor(0x80, 0x20, 0x20);
        options.noXpHelp = true;
        d->setOptions(options);
        d->setCellCount(cells);
        d->setContent(kContent, 1);
        d->startTrayDisplay();
        return d;
    }

    QList<xcb_window_t> blankIcons(int k, xcb_window_t top = 0) const
    {
        return x_.named(top ? top : x_.panelWindow(), QString::number(k) + QStringLiteral("KQ"));
    }

    // Waits until the ticker is a mapped child of the panel from its first blank icon's left
    // edge to its last one's right edge (and at most the tray's spacing beyond), with the cells
    // its text and arrow need, centred on the panel and painted in the panel's colour (tint2rc:
    // #2a5d8f).
    void waitDockedOverIcons(const shell::TrayDisplay& d,
                             const std::function<void()>& pump = pumpEvents)
    {
        QString why;
        const bool docked = X11Session::waitUntil(
            [&] {
                const xcb_window_t panel = x_.panelWindow();
                const xcb_window_t ticker = xcb_window_t(d.ticker()->winId());
                why = QStringLiteral("ticker not a mapped child of the panel");
                if (!panel || x_.parent(ticker) != panel || !x_.viewable(ticker))
                    return false;
                const int cells = d.state().cellCount;
                for (int k = 1; k <= cells; ++k) {
                    why = QStringLiteral("not one icon %1 in the panel").arg(k);
                    if (blankIcons(k).size() != 1)
                        return false;
                }
                const int s = X11Session::scale();
                const QRect first = x_.rootRect(blankIcons(1).first());
                const QRect last = x_.rootRect(blankIcons(cells).first());
                const QRect at = x_.rootRect(ticker);
                const QRect bar = x_.rootRect(panel);
                const int beyond = at.x() + at.width() - (last.x() + last.width());
                QDebug(&why) << "ticker" << at << "icons" << first << last << "panel" << bar
                             << "colour" << d.ticker()->background();
                return qAbs(at.x() - first.x()) < s && beyond >= 0 && beyond <= 2 + s &&
                       qAbs(at.center().y() - bar.center().y()) <= s &&
                       d.ticker()->background() == QColor(0x2a, 0x5d, 0x8f) &&
                       d.ticker()->textSize(kContent).width() <= d.ticker()->width();
            },
            15000, pump);
        QVERIFY2(docked, qPrintable(why));
    }

private Q_SLOTS:
    void initTestCase() { x_.startTestCase(); }

    void dockedTickerFollowsANewTray()
    {
        QVERIFY(x_.startPanel(X11Session::Panel::Bottom));
        auto host = platform::createTrayHost();
        QVERIFY(host->available());
        auto d = display(*host, 3);
        QVERIFY(d->state().tickerDocked);
        waitDockedOverIcons(*d);
        x_.saveScreenshot(QStringLiteral("docked-ticker.png"));
        shell::clsTooltip tips;
        tips.addTool(d->ticker()->textStrip(), QStringLiteral("Temperature 21.0"), {});
        QVERIFY(x_.hoverShowsTip(d->ticker()->textStrip(), QStringLiteral("Temperature 21.0"),
                                 QStringLiteral("docked-ticker-tip.png")));

        // In place, the check rests: the tray tells its changes. Another program's icon docking
        // right of ours (the tray sorts by name, and grows to the left) moves them, and the
        // ticker follows.
        QVERIFY(X11Session::waitUntil([&] { return !d->ticker()->checking(); }, 15000, pumpEvents));
        const int firstLeft = x_.rootRect(blankIcons(1).first()).x();
        const quint32 other = platform::x11::createTrayIcon(QStringLiteral("ZZ"));
        platform::x11::dockTrayIcon(x_.trayOwner(), other);
        QVERIFY(X11Session::waitUntil(
            [&] { return x_.rootRect(blankIcons(1).first()).x() != firstLeft; }, 10000,
            pumpEvents));
        waitDockedOverIcons(*d);
        platform::x11::destroyWindow(other);

        // The tray exits and another starts (MANAGER): the icons dock again, the ticker follows,
        // and no stray blank icon is left on the desktop.
        x_.stopPanel();
        QVERIFY(x_.startPanel(X11Session::Panel::Bottom));
        waitDockedOverIcons(*d);
        for (const xcb_window_t w : blankIcons(1, x_.root()))
            QVERIFY(x_.parent(w) != x_.root() || !x_.viewable(w));

        // Taken down: no blank icon is left in the panel.
        d->stopDockedTicker();
        QVERIFY(X11Session::waitUntil([&] { return blankIcons(1).isEmpty(); }, 10000, pumpEvents));
    }

    // What the tray tells (the icons docked and laid out) places the ticker: with its check
    // timer kept still, it still ends up over as many icons as its text needs.
    void theTrayTellsWhereTheTickerGoes()
    {
        QVERIFY(x_.startPanel(X11Session::Panel::Bottom));
        auto host = platform::createTrayHost();
        auto d = display(*host, 1);
        QVERIFY(d->state().tickerDocked);
        waitDockedOverIcons(*d, [&d] {
            d->ticker()->setChecking(false);
            pumpEvents();
        });
        QVERIFY(d->state().cellCount > 1);
        d->stopDockedTicker();
    }

    // The tray ends while the program is busy, and its next docking finds no tray before the
    // tray's end reaches it: the host still tells the change (else the ticker would wait for a
    // tray that never comes, and the main window never return).
    void trayEndFoundWhileDocking()
    {
        QVERIFY(x_.startPanel(X11Session::Panel::Bottom));
        auto host = platform::createTrayHost();
        host->addPlaceholders(1);
        QSignalSpy changed(host.get(), &platform::TrayHost::trayChanged);
        x_.stopPanel(); // handles none of our events meanwhile
        host->addPlaceholders(2);
        QVERIFY(X11Session::waitUntil([&] { return !changed.isEmpty(); }, 5000, pumpEvents));
        host->removePlaceholders();
    }

    void tallPanelTakesTheStandardIcon()
    {
        QVERIFY(x_.startPanel(X11Session::Panel::Left));
        auto host = platform::createTrayHost();
        auto d = display(*host, 3);
        QVERIFY(!d->state().tickerDocked);
        d->setStdTray();
        QVERIFY(X11Session::waitUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); },
                                      10000, pumpEvents));
        QVERIFY(d->stdIconShown());
        QVERIFY(blankIcons(1).isEmpty());

        // The icon's hover pops the ticker up beside the panel, wide enough for its text and
        // arrow, and resting on it shows the stats tip.
        d->trayIconHovered();
        shell::frmTicker* ticker = d->ticker();
        // (Qt may have made the window anew: its handle knows the current one.)
        QVERIFY(X11Session::waitUntil(
            [&] { return x_.viewable(xcb_window_t(ticker->windowHandle()->winId())); }, 10000,
            pumpEvents));
        const QFontMetrics metrics(ticker->textStrip()->font());
        QVERIFY(ticker->arrowShown());
        QVERIFY2(metrics.horizontalAdvance(QStringLiteral("21.0 °C / 84%")) + ticker->height() <=
                     ticker->width(),
                 qPrintable(QString::number(ticker->width())));
        // The pointer resting on it keeps it up (its five seconds start when the pointer leaves).
        // (Not where the tip's hover rests: Qt drops a move to where it saw the pointer last.)
        const QRect window = x_.rootRect(xcb_window_t(ticker->windowHandle()->winId()));
        x_.movePointer(window.topLeft() + QPoint(2, 2));
        QVERIFY(X11Session::waitUntil(
            [&] { return !d->findChild<QTimer*>("tmrMsonIcon")->isActive(); }, 10000, pumpEvents));
        QVERIFY(ticker->isVisible());
        shell::clsTooltip tips;
        tips.addTool(ticker->textStrip(), QStringLiteral("Humidity 84"), {});
        QVERIFY(x_.hoverShowsTip(ticker->textStrip(), QStringLiteral("Humidity 84"),
                                 QStringLiteral("free-ticker-tip.png")));
        QVERIFY(X11Session::waitUntil(
            [&] { return d->findChild<QTimer*>("tmrMsonIcon")->isActive(); }, 10000, pumpEvents));
        d->shutdown();
        QVERIFY(!d->state().trayActive);
    }

    // Without a panel (skipped or failed start) there is nothing to stop.
    void cleanupTestCase() { x_.stopPanel(); }
};

int main(int argc, char** argv)
{
    X11Session session;
    session.startForTest();
    QApplication app(argc, argv);
    TestTrayX11 test(session);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_tray_x11.moc"
