#include "weather/shell/alarm_scroll.h"
#include "weather/shell/frm_alert.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using shell::AlarmScroll;
using shell::frmAlert;

class TestAlarmWindow : public QObject
{
    Q_OBJECT

    static QWidget* strip(const frmAlert& w) { return w.findChild<QWidget*>("picTicker"); }

    static std::unique_ptr<frmAlert> window(bool sound, const QString& file = QString())
    {
        frmAlert::Options options;
        options.playSound = sound;
        options.soundFile = file;
        auto w = std::make_unique<frmAlert>([] { return QStringLiteral("Wind is CALM"); }, options);
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        w->show();
        return w;
    }

private Q_SLOTS:
    // The text goes round: a character leads until it has moved out (a wide one over several
    // steps, a narrow one in one), then the next; after the last the first leads again.
    void scrollsRound()
    {
        AlarmScroll scroll;
        QStringList shown;
        for (const int leadWidth : {100, 100, 100, 30, 30}) {
            scroll.step(leadWidth, 3);
            shown << scroll.visibleText(QStringLiteral("abc"));
        }
        QCOMPARE(shown, QStringList({"abca", "abca", "bcab", "cabc", "abca"}));
        QCOMPARE(shell::alarmScrollText(QString()), QString(12, QLatin1Char(' ')));
        QCOMPARE(AlarmScroll().visibleText(QString()), QString());
    }

    // A click, space or enter closes the window; any other key (a lone Shift too) closes it and
    // switches all alarms off.
    void closing_data()
    {
        QTest::addColumn<int>("key"); // 0: a click
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("alarmsOff");
        QTest::newRow("click") << 0 << int(Qt::NoModifier) << false;
        QTest::newRow("space") << int(Qt::Key_Space) << int(Qt::NoModifier) << false;
        QTest::newRow("enter") << int(Qt::Key_Return) << int(Qt::NoModifier) << false;
        QTest::newRow("shift+a") << int(Qt::Key_A) << int(Qt::ShiftModifier) << true;
        QTest::newRow("ctrl+x") << int(Qt::Key_X) << int(Qt::ControlModifier) << true;
        QTest::newRow("lone shift") << int(Qt::Key_Shift) << int(Qt::NoModifier) << true;
        QTest::newRow("lone alt") << int(Qt::Key_Alt) << int(Qt::NoModifier) << true;
    }

    void closing()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, alarmsOff);
        auto w = window(false);
        QSignalSpy closed(w.get(), &frmAlert::closed);
        QSignalSpy off(w.get(), &frmAlert::alarmsOffRequested);
        if (key)
            QTest::keyClick(strip(*w), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        else
            QTest::mouseClick(strip(*w), Qt::LeftButton);
        QCOMPARE(closed.size(), 1);
        QCOMPARE(off.size(), alarmsOff ? 1 : 0);
        QVERIFY(!w->isVisible());
        QVERIFY(!w->findChild<QTimer*>("tmrTicker")->isActive());
    }

    // The sound plays at once and then on the sound timer, only when asked for and only from a
    // file that exists.
    void sound()
    {
        QTemporaryDir dir;
        QFile ding(dir.filePath("Ding.wav"));
        QVERIFY(ding.open(QIODevice::WriteOnly) && ding.write("RIFF") == 4);
        ding.close();
        const auto silent = window(false, ding.fileName());
        const auto missing = window(true, dir.filePath("none.wav"));
        const auto loud = window(true, ding.fileName());
        QVERIFY(!silent->findChild<QTimer*>("tmrSound")->isActive());
        QVERIFY(missing->findChild<QTimer*>("tmrSound")->isActive());
        QCOMPARE(silent->soundsPlayed() + missing->soundsPlayed(), 0);
        QCOMPARE(loud->soundsPlayed(), 1);
    }

    void scrollsWhileShown()
    {
        auto w = window(false);
        QCOMPARE(w->windowTitle(), QStringLiteral("Alert"));
        QTRY_VERIFY(w->scroll().first > 0 || w->scroll().offset > 40);
        QVERIFY(strip(*w)->toolTip().startsWith(QStringLiteral("Click here or press space bar")));
    }
};

QTEST_MAIN(TestAlarmWindow)
#include "tst_alarm_window.moc"
