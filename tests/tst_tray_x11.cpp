// The tray display against a real X server with openbox and a tint2 panel: the docked ticker
// ends up inside the panel over its blank icons, follows a new tray, and a tall panel takes the
// standard icon.

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
        return d;
    }

    // The ticker lies inside the panel over the leftmost blank icon, as wide as the icons.
    bool dockedOverIcons(const shell::TrayDisplay& d, int cells, QString* why)
    {
        const xcb_window_t panel = x_.panelWindow();
        const QList<xcb_window_t> first = x_.named(panel, QStringLiteral("1KQ"));
        if (!panel || first.size() != 1) {
            *why = QStringLiteral("no single 1KQ in the panel");
            return false;
        }
        const xcb_window_t ticker = xcb_window_t(d.ticker()->winId());
        if (x_.parent(ticker) != panel || !x_.viewable(ticker)) {
            *why = QStringLiteral("ticker not a mapped child of the panel");
            return false;
        }
        const QRect icon = x_.rootRect(first.first());
        const QRect at = x_.rootRect(ticker);
        const QRect panelRect = x_.rootRect(panel);
        for (int k = 2; k <= cells; ++k) {
            if (x_.named(panel, QString::number(k) + QStringLiteral("KQ")).size() != 1) {
                *why = QStringLiteral("icon %1 missing").arg(k);
                return false;
            }
        }
        const int centre = panelRect.y() + panelRect.height() / 2;
        *why = QStringLiteral("ticker %1,%2 %3x%4, icon %5,%6 %7x%8")
                   .arg(at.x())
                   .arg(at.y())
                   .arg(at.width())
                   .arg(at.height())
                   .arg(icon.x())
                   .arg(icon.y())
                   .arg(icon.width())
                   .arg(icon.height());
        return at.x() == icon.x() && at.width() == icon.width() * cells &&
               qAbs(at.center().y() - centre) <= 1;
    }

private Q_SLOTS:
    void initTestCase() { x_.startTestCase(); }

    void dockedTickerOverTheBlankIcons()
    {
        QVERIFY(x_.startPanel(X11Session::Panel::Bottom));
        auto host = platform::createTrayHost();
        QVERIFY(host->available());
        auto d = display(*host, 5);
        d->startTrayDisplay();
        QVERIFY(d->state.tickerDocked);
        QString why;
        QVERIFY2(
            X11Session::waitUntil([&] { return dockedOverIcons(*d, 5, &why); }, 15000, pumpEvents),
            qPrintable(why));
        pumpEvents();
        QVERIFY(x_.screenshot(QStringLiteral("docked-ticker.png")));

        // Taken down: no blank icon is left in the panel.
        d->stopDockedTicker();
        QVERIFY(X11Session::waitUntil(
            [&] { return x_.named(x_.panelWindow(), QStringLiteral("1KQ")).isEmpty(); }, 10000,
            pumpEvents));
    }

    void newTrayDocksAgain()
    {
        QVERIFY(x_.startPanel(X11Session::Panel::Bottom));
        auto host = platform::createTrayHost();
        auto d = display(*host, 2);
        d->startTrayDisplay();
        QString why;
        QVERIFY2(
            X11Session::waitUntil([&] { return dockedOverIcons(*d, 2, &why); }, 15000, pumpEvents),
            qPrintable(why));

        // The tray exits and another starts (MANAGER): the icons dock again, the ticker follows.
        x_.stopPanel();
        QVERIFY(x_.startPanel(X11Session::Panel::Bottom));
        QVERIFY2(
            X11Session::waitUntil([&] { return dockedOverIcons(*d, 2, &why); }, 15000, pumpEvents),
            qPrintable(why));
        // No stray blank icon was left behind on the desktop.
        for (const xcb_window_t w : x_.named(x_.root(), QStringLiteral("1KQ")))
            QVERIFY(x_.parent(w) != x_.root() || !x_.viewable(w));
        d->shutdown();
    }

    void tallPanelTakesTheStandardIcon()
    {
        QVERIFY(x_.startPanel(X11Session::Panel::Left));
        auto host = platform::createTrayHost();
        auto d = display(*host, 3);
        d->startTrayDisplay();
        QVERIFY(!d->state.tickerDocked);
        d->setStdTray();
        QVERIFY(X11Session::waitUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); },
                                      10000, pumpEvents));
        QVERIFY(d->stdIconShown());
        QVERIFY(x_.named(x_.panelWindow(), QStringLiteral("1KQ")).isEmpty());
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
