#include "platform/app_dir.h"
#include "platform/event_pump.h"
#include "platform/message_box.h"
#include "platform/sound.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using platform::MessageBox;

class TestPlatform : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void appDirOption_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("rest");
        QTest::addColumn<QString>("dir");
        QTest::newRow("separate") << QStringList{"weather", "--appdir", "/tmp/nim", "/s"}
                                  << QStringList{"weather", "/s"} << "/tmp/nim/";
        QTest::newRow("joined") << QStringList{"weather", "--appdir=/tmp/nim/"}
                                << QStringList{"weather"} << "/tmp/nim/";
        QTest::newRow("dangling option kept") << QStringList{"weather", "--appdir"}
                                              << QStringList{"weather", "--appdir"} << "/tmp/nim/";
    }

    void appDirOption()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, rest);
        QFETCH(QString, dir);
        QCOMPARE(platform::initAppDir(args), rest);
        QCOMPARE(platform::appDir(), dir);
    }

    void waitForEndsOnConditionOrGivesUp()
    {
        bool fired = false;
        QTimer::singleShot(20, [&] { fired = true; });
        QVERIFY(platform::waitFor([&] { return fired; }, 10000));
        QVERIFY(!platform::waitFor([] { return false; }, 30));
        // With nothing arriving the wait sleeps: the condition is looked at once per event
        // (here only the deadline's), not in a loop.
        int checks = 0;
        QVERIFY(!platform::waitFor([&] { return ++checks < 0; }, 500));
        QVERIFY2(checks < 10, qPrintable(QString::number(checks)));
    }

    void scriptedMessageBoxes()
    {
        MessageBox::script({MessageBox::Answer::No});
        QCOMPARE(MessageBox::show(nullptr, QStringLiteral("Restart?"), QStringLiteral("Nimbulo"),
                                  MessageBox::Buttons::YesNo),
                 MessageBox::Answer::No);
        // Past the script every box takes its default button.
        QCOMPARE(MessageBox::show(nullptr, QStringLiteral("Done"), QStringLiteral("Info")),
                 MessageBox::Answer::Ok);
        QCOMPARE(MessageBox::shownBoxes().size(), 2);
        QCOMPARE(MessageBox::shownBoxes().at(0).text, QStringLiteral("Restart?"));
        QCOMPARE(MessageBox::shownBoxes().at(1).title, QStringLiteral("Info"));
        MessageBox::unscript();
        QVERIFY(MessageBox::shownBoxes().isEmpty());
    }

    // The event-sound library comes into the program with its first sound, not at its start;
    // a file that does not play is no error (here there is no sound device either).
    void eventSoundsLoadWithTheFirstSound()
    {
        const auto loaded = [] {
            QFile maps(QStringLiteral("/proc/self/maps"));
            return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libcanberra");
        };
        QVERIFY(!loaded());
        QTemporaryDir dir;
        QVERIFY(!platform::playSoundFile(dir.filePath(QStringLiteral("none.wav"))));
        QVERIFY(loaded());
    }
};

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
