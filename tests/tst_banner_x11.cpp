// The desk banner against a real X server with openbox and a tint2 panel (also at twice the
// scale, where X counts device pixels): the work area shrinks by the banner's strip, the banner
// follows the panel from the bottom to the top, its tips show on a real hover, and the strip
// comes back when the banner closes and when its program is killed.

#include "weather/shell/cls_tooltip.h"
#include "weather/shell/frm_desk.h"
#include "x11_session.h"

#include <QApplication>
#include <QToolButton>
#include <QtTest>

#include <iostream>

namespace {

const char kChildSwitch[] = "--banner-child";

// The banner at the bottom of the screen (above the panel when the panel is there).
void showAtBottom(shell::frmDesk& desk)
{
    desk.initBanner(false);
    desk.showBanner();
}

// A banner of another process, killed by the test: it reports "ready" once shown.
int runChild(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    shell::frmDesk desk;
    showAtBottom(desk);
    QTimer::singleShot(0, [] { std::cout << "ready" << std::endl; });
    return QApplication::exec();
}

} // namespace

class TestBannerX11 : public QObject
{
    Q_OBJECT
public:
    explicit TestBannerX11(X11Session& session, QString self) : x_(session), self_(self) {}

private:
    X11Session& x_;
    QString self_;

    // Waits (handling the banner's events) until the work area spans from `top` to `bottom`.
    bool workAreaBecomes(int top, int bottom) const
    {
        return X11Session::waitUntil(
            [&] {
                const QList<quint32> a = x_.workArea();
                return a.size() == 4 && int(a[1]) == top && int(a[1] + a[3]) == bottom;
            },
            15000, pumpEvents);
    }

private Q_SLOTS:
    void initTestCase() { x_.startTestCase(); }

    void reservesItsStripAndFollowsThePanel()
    {
        // In device pixels: the screen is 1280 x 800, the panel 30 x s high.
        const int s = X11Session::scale();
        const int panelTop = 800 - 30 * s;
        QVERIFY(x_.startPanel(X11Session::Panel::Bottom));
        QVERIFY(workAreaBecomes(0, panelTop));
        shell::frmDesk desk;
        QString text = QStringLiteral("  ");
        for (int i = 0; i < 7; ++i)
            text += QStringLiteral("    Value%1:%1.5    ").arg(i);
        desk.setText(text, true, QPixmap());
        desk.setLook(Qt::white, QColor(0x20, 0x50, 0x20), QFont());
        showAtBottom(desk);
        const int h = desk.height() * s;
        const auto bannerRect = [&] { return x_.rootRect(xcb_window_t(desk.winId())); };
        // Above the panel, across the work area, the strip above the panel reserved.
        QVERIFY(workAreaBecomes(0, panelTop - h - 2 * s));
        QCOMPARE(bannerRect(), QRect(0, panelTop - h, 1280, h));
        x_.saveScreenshot(QStringLiteral("banner-bottom.png"));

        // The stats tip on the text strip and the menu button's help tip show on a real hover,
        // though the banner never becomes the active window.
        shell::ToolTipHelp tips;
        tips.setToolTips({&desk});
        tips.setStatTip(desk.textStrip());
        tips.updateStatTip(desk.textStrip(), QStringLiteral("Temperature 21.0"));
        QVERIFY(x_.hoverShowsTip(desk.textStrip(), QStringLiteral("Temperature 21.0"),
                                 QStringLiteral("banner-stats-tip.png")));
        QVERIFY(x_.hoverShowsTip(desk.findChild<QToolButton*>("cmdMenu"),
                                 QStringLiteral("Banner display menu:"),
                                 QStringLiteral("banner-menu-tip.png")));

        // The banner drops to the screen's bottom and keeps only its own strip; the panel's
        // strip is at the top now.
        QVERIFY(x_.startPanel(X11Session::Panel::Top));
        QVERIFY(workAreaBecomes(30 * s, 800 - h - 2 * s));
        QVERIFY(
            X11Session::waitUntil([&] { return bannerRect().y() == 800 - h; }, 15000, pumpEvents));
        x_.saveScreenshot(QStringLiteral("banner-after-panel-moved.png"));
        desk.closeBanner();
        QVERIFY(workAreaBecomes(30 * s, 800));
    }

    // A strut dies with its window: killing the program gives the strip back.
    void killedProgramGivesTheStripBack()
    {
        QVERIFY(x_.startPanel(X11Session::Panel::Bottom));
        QProcess* child = x_.spawn(self_, {QLatin1String(kChildSwitch)});
        QVERIFY(X11Session::waitUntil(
            [&] {
                child->waitForReadyRead(50);
                return child->canReadLine() || child->state() == QProcess::NotRunning;
            },
            20000));
        QCOMPARE(child->readLine().trimmed(), QByteArray("ready"));
        const int panelTop = 800 - 30 * X11Session::scale();
        QVERIFY(
            X11Session::waitUntil([&] { return int(x_.workArea().value(3)) < panelTop; }, 10000));
        child->kill();
        QVERIFY(child->waitForFinished(10000));
        QVERIFY(workAreaBecomes(0, panelTop));
    }
};

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], kChildSwitch) == 0)
        return runChild(argc, argv);
    X11Session session;
    session.startForTest();
    QApplication app(argc, argv);
    TestBannerX11 test(session, QCoreApplication::applicationFilePath());
    return QTest::qExec(&test, argc, argv);
}

#include "tst_banner_x11.moc"
