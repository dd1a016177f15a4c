// The desk banner against a real X server with openbox and a tint2 panel: the work area shrinks
// by the banner's strip, the banner follows the panel from the bottom to the top, and the strip
// comes back when the banner closes and when its program is killed.

#include "weather/shell/frm_desk.h"
#include "x11_session.h"

#include <QApplication>
#include <QtTest>

#include <iostream>

namespace {

const char kChildSwitch[] = "--banner-child";

// The banner at the bottom of the screen (above the panel when the panel is there).
void showAtBottom(shell::frmDesk& desk)
{
    desk.bannerTop = false;
    desk.initBanner();
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
        QVERIFY(x_.startPanel(X11Session::Panel::Bottom));
        QVERIFY(workAreaBecomes(0, 770));
        shell::frmDesk desk;
        QString text = QStringLiteral("  ");
        for (int i = 0; i < 7; ++i)
            text += QStringLiteral("    Value%1:%1.5    ").arg(i);
        desk.setText(text, true, QPixmap());
        desk.setLook(Qt::white, QColor(0x20, 0x50, 0x20), QFont());
        showAtBottom(desk);
        const int h = desk.height();
        const auto bannerRect = [&] { return x_.rootRect(xcb_window_t(desk.winId())); };
        // Above the panel, across the work area, the strip above the panel reserved.
        QVERIFY(workAreaBecomes(0, 770 - h - 2));
        QCOMPARE(bannerRect(), QRect(0, 770 - h, 1280, h));
        x_.saveScreenshot(QStringLiteral("banner-bottom.png"));

        // The banner drops to the screen's bottom and keeps only its own strip; the panel's
        // strip is at the top now.
        QVERIFY(x_.startPanel(X11Session::Panel::Top));
        QVERIFY(workAreaBecomes(30, 800 - h - 2));
        QVERIFY(
            X11Session::waitUntil([&] { return bannerRect().y() == 800 - h; }, 15000, pumpEvents));
        x_.saveScreenshot(QStringLiteral("banner-after-panel-moved.png"));
        desk.closeBanner();
        QVERIFY(workAreaBecomes(30, 800));
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
        QVERIFY(X11Session::waitUntil([&] { return x_.workArea().value(3) < 770; }, 10000));
        child->kill();
        QVERIFY(child->waitForFinished(10000));
        QVERIFY(workAreaBecomes(0, 770));
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
