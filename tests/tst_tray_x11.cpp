// The tray display against a real X server with openbox and a tint2 panel: the docked ticker
// ends up inside the panel over its blank icons, follows a new tray, leaves no icon behind, and
// a tall panel takes the standard icon.

#include "platform/tray_host.h"
#include "weather/shell/tray_display.h"
#include "x11_session.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QtTest>

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
        options.foreColor = Qt::white;
        options.backColor = QColor(0x80, 0x20, 0x20);
        options.noXpHelp = true;
        d->setOptions(options);
        d->state.cellCount = cells;
        d->setContent({QStringLiteral("22.5 / 61%"), true, 3}, 1);
        d->startTrayDisplay();
        return d;
    }

    QList<xcb_window_t> blankIcons(int k, xcb_window_t top = 0) const
    {
        return x_.named(top ? top : x_.panelWindow(), QString::number(k) + QStringLiteral("KQ"));
    }

    // Waits until the ticker is a mapped child of the panel over its leftmost blank icon, as
    // wide as all of them and centred on the panel.
    void waitDockedOverIcons(const shell::TrayDisplay& d, int cells)
    {
        QString why;
        const bool docked = X11Session::waitUntil(
            [&] {
                const xcb_window_t panel = x_.panelWindow();
                const xcb_window_t ticker = xcb_window_t(d.ticker()->winId());
                why = QStringLiteral("ticker not a mapped child of the panel");
                if (!panel || x_.parent(ticker) != panel || !x_.viewable(ticker))
                    return false;
                for (int k = 1; k <= cells; ++k) {
                    why = QStringLiteral("not one icon %1 in the panel").arg(k);
                    if (blankIcons(k).size() != 1)
                        return false;
                }
                const QRect icon = x_.rootRect(blankIcons(1).first());
                const QRect at = x_.rootRect(ticker);
                const QRect bar = x_.rootRect(panel);
                QDebug(&why) << "ticker" << at << "icon" << icon << "panel" << bar;
                return at.x() == icon.x() && at.width() == icon.width() * cells &&
                       qAbs(at.center().y() - bar.center().y()) <= 1;
            },
            15000, pumpEvents);
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
        QVERIFY(d->state.tickerDocked);
        waitDockedOverIcons(*d, 3);
        x_.saveScreenshot(QStringLiteral("docked-ticker.png"));

        // The tray exits and another starts (MANAGER): the icons dock again, the ticker follows,
        // and no stray blank icon is left on the desktop.
        x_.stopPanel();
        QVERIFY(x_.startPanel(X11Session::Panel::Bottom));
        waitDockedOverIcons(*d, 3);
        for (const xcb_window_t w : blankIcons(1, x_.root()))
            QVERIFY(x_.parent(w) != x_.root() || !x_.viewable(w));

        // Taken down: no blank icon is left in the panel.
        d->stopDockedTicker();
        QVERIFY(X11Session::waitUntil([&] { return blankIcons(1).isEmpty(); }, 10000, pumpEvents));
    }

    void tallPanelTakesTheStandardIcon()
    {
        QVERIFY(x_.startPanel(X11Session::Panel::Left));
        auto host = platform::createTrayHost();
        auto d = display(*host, 3);
        QVERIFY(!d->state.tickerDocked);
        d->setStdTray();
        QVERIFY(X11Session::waitUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); },
                                      10000, pumpEvents));
        QVERIFY(d->stdIconShown());
        QVERIFY(blankIcons(1).isEmpty());
        d->shutdown();
        QVERIFY(!d->state.trayActive);
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
