// The desk banner against a real X server with openbox and a tint2 panel: the work area shrinks
// by the banner's strip and comes back when the banner closes and when its program is killed,
// and the banner follows the panel from the bottom to the top.

#include "weather/shell/frm_desk.h"
#include "x11_session.h"

#include <QApplication>
#include <QtTest>

#include <iostream>

namespace {

const char kChildSwitch[] = "--banner-child";

// The work area's bottom (y + height) and top.
int workBottom(const X11Session& x)
{
    const QList<quint32> a = x.workArea();
    return a.size() < 4 ? -1 : int(a[1] + a[3]);
}
int workTop(const X11Session& x)
{
    const QList<quint32> a = x.workArea();
    return a.size() < 4 ? -1 : int(a[1]);
}

// The banner at the bottom of the screen (above the panel when the panel is there).
void showAtBottom(shell::frmDesk& desk)
{
    desk.bannerTop = false;
    desk.initBanner();
    desk.showBanner();
}

QString longText()
{
    QString text = QStringLiteral("  ");
    for (const char* stat : {"Temp:21.4C", "Feels Like:19.8C", "Dew Point:11.2C", "Rel Hum:53%",
                             "Wind Dir:SSW", "Wind Spd km/h:17", "Press hPa:1016.2"})
        text += QStringLiteral("    ") + QLatin1String(stat) + QStringLiteral("    ");
    return text;
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

    // Waits (handling the banner's events) until the work area ends at `bottom`.
    bool workBottomBecomes(int bottom) const
    {
        return X11Session::waitUntil([&] { return workBottom(x_) == bottom; }, 10000, pumpEvents);
    }

private Q_SLOTS:
    void initTestCase() { x_.startTestCase(); }

    void reservesItsStripAndGivesItBack()
    {
        QVERIFY(x_.startPanel(X11Session::Panel::Bottom));
        QCOMPARE(workBottom(x_), 770);
        shell::frmDesk desk;
        desk.setText(longText(), true, QPixmap());
        desk.setLook(Qt::white, QColor(0x20, 0x50, 0x20), QFont());
        showAtBottom(desk);
        const int h = desk.height();
        // Above the panel, across the work area, the strip above the panel reserved.
        QVERIFY(workBottomBecomes(770 - h - 2));
        const QRect at = x_.rootRect(xcb_window_t(desk.winId()));
        QCOMPARE(at, QRect(0, 770 - h, 1280, h));
        pumpEvents();
        QVERIFY(x_.screenshot(QStringLiteral("banner-bottom.png")));

        desk.closeBanner();
        QVERIFY(workBottomBecomes(770));
    }

    void followsThePanelToTheTop()
    {
        QVERIFY(x_.startPanel(X11Session::Panel::Bottom));
        shell::frmDesk desk;
        desk.setText(QStringLiteral("  Temp:21.4C"), false, QPixmap());
        showAtBottom(desk);
        const int h = desk.height();
        QVERIFY(workBottomBecomes(770 - h - 2));

        QVERIFY(x_.startPanel(X11Session::Panel::Top));
        // The banner drops to the screen's bottom and keeps only its own strip; the panel's
        // strip is at the top now.
        QVERIFY(X11Session::waitUntil(
            [&] {
                return x_.rootRect(xcb_window_t(desk.winId())).y() == 800 - h &&
                       workBottom(x_) == 800 - h - 2 && workTop(x_) == 30;
            },
            15000, pumpEvents));
        pumpEvents();
        QVERIFY(x_.screenshot(QStringLiteral("banner-after-panel-moved.png")));
        desk.closeBanner();
        QVERIFY(workBottomBecomes(800));
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
        QVERIFY(X11Session::waitUntil([&] { return workBottom(x_) < 770; }, 10000));
        child->kill();
        QVERIFY(child->waitForFinished(10000));
        QVERIFY(X11Session::waitUntil([&] { return workBottom(x_) == 770; }, 10000));
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
