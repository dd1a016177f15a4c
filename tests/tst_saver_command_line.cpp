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

        const QString none;
        QTest::newRow("nothing") << QStringList() << none << Mode::Run << 0u;
        QTest::newRow("/s") << QStringList{"/s"} << none << Mode::Run << 0u;
        QTest::newRow("/S with blanks") << QStringList{"  /S  "} << none << Mode::Run << 0u;
        QTest::newRow("/p 1234") << QStringList{"/p", "1234"} << none << Mode::Preview << 1234u;
        QTest::newRow("/p:1234") << QStringList{"/p:1234"} << none << Mode::Preview << 1234u;
        QTest::newRow("/P 77 one word") << QStringList{"/P 77"} << none << Mode::Preview << 77u;
        QTest::newRow("/P without a window") << QStringList{"/P"} << none << Mode::Preview << 0u;
        QTest::newRow("/p number not at the end")
            << QStringList{"/p", "12", "x"} << none << Mode::Preview << 0u;
        QTest::newRow("/p longest tail")
            << QStringList{"/p", "1", "23"} << none << Mode::Preview << 23u;
        QTest::newRow("/p beyond 32 bits")
            << QStringList{"/p", "99999999999"} << none << Mode::Preview << 0u;
        QTest::newRow("/c") << QStringList{"/c"} << none << Mode::Settings << 0u;
        QTest::newRow("/c:5678 with its parent")
            << QStringList{"/c:5678"} << none << Mode::Settings << 0u;
        QTest::newRow("/A") << QStringList{"/A", "42"} << none << Mode::ChangePassword << 0u;
        QTest::newRow("/x") << QStringList{"/x"} << none << Mode::End << 0u;
        QTest::newRow("s without slash") << QStringList{"s"} << none << Mode::End << 0u;
        QTest::newRow("-root") << QStringList{"-root"} << none << Mode::Run << 0u;
        QTest::newRow("-root in xscreensaver's window")
            << QStringList{"-root"} << QStringLiteral("0x1e00007") << Mode::Preview << 0x1e00007u;
        QTest::newRow("-root with a bad window variable")
            << QStringList{"-root"} << QStringLiteral("junk") << Mode::Run << 0u;
        QTest::newRow("-window-id decimal")
            << QStringList{"-window-id", "4194311"} << none << Mode::Preview << 4194311u;
        QTest::newRow("-window-id hex")
            << QStringList{"-window-id", "0x400007"} << none << Mode::Preview << 0x400007u;
        QTest::newRow("-window-id=N")
            << QStringList{"-window-id=99"} << none << Mode::Preview << 99u;
        QTest::newRow("-window-id without a number")
            << QStringList{"-window-id"} << none << Mode::End << 0u;
        QTest::newRow("-window-id with junk")
            << QStringList{"-window-id", "12abc"} << none << Mode::End << 0u;
        QTest::newRow("-window-idx") << QStringList{"-window-idx", "5"} << none << Mode::End << 0u;
        QTest::newRow("-root and more") << QStringList{"-root", "-fps"} << none << Mode::End << 0u;
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
