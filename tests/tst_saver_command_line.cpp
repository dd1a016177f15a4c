#include "saver/command_line.h"

#include <QtTest>

using saver::Mode;

Q_DECLARE_METATYPE(saver::Mode)

class TestSaverCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("xscreensaverWindow");
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<quint32>("window");
        // The arguments are separated by "|".
        const auto row = [](const char* name, const char* arguments, Mode mode, quint32 window,
                            const char* xscreensaverWindow = "") {
            QTest::newRow(name) << QString::fromLatin1(arguments).split('|', Qt::SkipEmptyParts)
                                << QString::fromLatin1(xscreensaverWindow) << mode << window;
        };
        row("nothing", "", Mode::Run, 0);
        row("/s", "/s", Mode::Run, 0);
        row("/S with blanks", "  /S  ", Mode::Run, 0);
        row("/p 1234", "/p|1234", Mode::Preview, 1234);
        row("/p:1234", "/p:1234", Mode::Preview, 1234);
        row("/P 77 one word", "/P 77", Mode::Preview, 77);
        row("/P without a window", "/P", Mode::Preview, 0);
        row("/p number not at the end", "/p|12|x", Mode::Preview, 0);
        row("/p longest tail", "/p|1|23", Mode::Preview, 23);
        row("/p beyond 32 bits", "/p|99999999999", Mode::Preview, 0);
        row("/c", "/c", Mode::Settings, 0);
        row("/c:5678 with its parent", "/c:5678", Mode::Settings, 0);
        row("/A", "/A|42", Mode::ChangePassword, 0);
        row("/x", "/x", Mode::End, 0);
        row("s without slash", "s", Mode::End, 0);
        row("-root", "-root", Mode::Run, 0);
        row("--root", "--root", Mode::Run, 0);
        row("-root in xscreensaver's window", "-root", Mode::Preview, 0x1e00007, "0x1e00007");
        row("---root", "---root", Mode::End, 0);
        row("-root with a bad window variable", "-root", Mode::Run, 0, "junk");
        row("-window-id decimal", "-window-id|4194311", Mode::Preview, 4194311);
        row("-window-id hex", "-window-id|0x400007", Mode::Preview, 0x400007);
        row("-window-id=N", "-window-id=99", Mode::Preview, 99);
        row("--window-id", "--window-id|0x400007", Mode::Preview, 0x400007);
        row("-window-id without a number", "-window-id", Mode::End, 0);
        row("-window-id with junk", "-window-id|12abc", Mode::End, 0);
        row("-window-idx", "-window-idx|5", Mode::End, 0);
        row("-root and more", "-root|-fps", Mode::End, 0);
    }

    void parse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, xscreensaverWindow);
        QFETCH(Mode, mode);
        QFETCH(quint32, window);
        const saver::CommandLine parsed = saver::parseCommandLine(arguments, xscreensaverWindow);
        QCOMPARE(parsed.mode, mode);
        QCOMPARE(parsed.window, window);
    }
};

QTEST_GUILESS_MAIN(TestSaverCommandLine)
#include "tst_saver_command_line.moc"
