#include "platform/global_hotkey.h"
#include "weather/engine/monitor.h"
#include "weather/net/error_log.h"
#include "weather/shell/frm_menu.h"
#include "weather/shell/hot_key.h"

#include <QApplication>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <cstring>

namespace {

// The helper mode of this program (`--hold MAIN MODIFIER`): another X client that takes a
// combination and keeps it until its input closes, printing "held" or "refused".
int holdKey(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    auto key = platform::GlobalHotKey::create();
    const bool held =
        key->grab(QString::fromLatin1(argv[2]).toInt(), QString::fromLatin1(argv[3]).toInt());
    std::printf("%s\n", held ? "held" : "refused");
    std::fflush(stdout);
    char line[16];
    while (std::fgets(line, sizeof line, stdin)) {
    }
    return 0;
}

// Presses and releases `keys` (xdotool's names, "ctrl+F8") as the user would.
bool press(const QString& keys)
{
    return QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), keys}) == 0;
}

} // namespace

class TestHotKeyX11 : public QObject
{
    Q_OBJECT

    QProcess holder_;

    // Starts the helper client holding the combination; true when it got it.
    bool holdElsewhere(int mainKey, int modifier)
    {
        holder_.start(
            QCoreApplication::applicationFilePath(),
            {QStringLiteral("--hold"), QString::number(mainKey), QString::number(modifier)});
        if (!holder_.waitForStarted() || !holder_.waitForReadyRead(20000))
            return false;
        return holder_.readLine().trimmed() == "held";
    }

    void stopHolder()
    {
        holder_.closeWriteChannel();
        holder_.waitForFinished(20000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server");
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("needs xdotool");
    }

    void cleanup() { stopHolder(); }

    // Main key, modifier, its press, another press that must not count.
    void pressActivates_data()
    {
        QTest::addColumn<QString>("row");
        QTest::newRow("Ctrl+F8") << "119 17 ctrl+F8 F8";
        QTest::newRow("Alt+W") << "87 18 alt+w ctrl+w";
        QTest::newRow("Shift+Page Up") << "33 16 shift+Prior shift+KP_Prior";
        QTest::newRow("Windows+Insert") << "45 91 super+Insert Insert";
        QTest::newRow("Ctrl+Up") << "38 17 ctrl+Up ctrl+Down";
    }

    void pressActivates()
    {
        QFETCH(QString, row);
        const QStringList part = row.split(' ');
        auto key = platform::GlobalHotKey::create();
        QSignalSpy activated(key.get(), &platform::GlobalHotKey::activated);
        QVERIFY(key->grab(part[0].toInt(), part[1].toInt()));
        QVERIFY(key->isGrabbed());

        // Another combination goes by; the press of ours is reported once, its release not.
        QVERIFY(press(part[3]) && press(part[2]));
        QTRY_COMPARE(activated.size(), 1);
        QVERIFY(press(part[2]));
        QTRY_COMPARE(activated.size(), 2);

        key->release();
        QVERIFY(!key->isGrabbed());
        QVERIFY(press(part[2]));
        QTest::qWait(200); // the released combination must stay silent
        QCOMPARE(activated.size(), 2);
    }

    void locksDoNotMatter_data()
    {
        QTest::addColumn<QStringList>("locks");
        QTest::newRow("Caps Lock") << QStringList{"Caps_Lock"};
        QTest::newRow("Num Lock") << QStringList{"Num_Lock"};
        QTest::newRow("both") << QStringList{"Caps_Lock", "Num_Lock"};
    }

    void locksDoNotMatter()
    {
        QFETCH(QStringList, locks);
        auto key = platform::GlobalHotKey::create();
        QSignalSpy activated(key.get(), &platform::GlobalHotKey::activated);
        QVERIFY(key->grab(119, 17));
        // Locks on, Ctrl+F8, locks back to the state before.
        for (const QString& k : locks + QStringList{"ctrl+F8"} + locks)
            QVERIFY(press(k));
        QTRY_COMPARE(activated.size(), 1);
    }

    void sharedWithOtherPrograms()
    {
        auto key = platform::GlobalHotKey::create();
        QVERIFY(!key->grab(0, 17)); // unknown keys are refused
        QVERIFY(!key->grab(255, 18));

        // Held by another program: refused; another combination is still free.
        QVERIFY(holdElsewhere(120, 17)); // Ctrl+F9
        QVERIFY(!key->grab(120, 17));
        QVERIFY(!key->isGrabbed());
        QVERIFY(key->grab(120, 18));
        stopHolder();
        QVERIFY(key->grab(120, 17));

        // Ours is refused to others until released.
        QVERIFY(key->grab(121, 18)); // Alt+F10
        QVERIFY(!holdElsewhere(121, 18));
        stopHolder();
        key->release();
        QVERIFY(holdElsewhere(121, 18));
    }

    void hotKeyPopsUpTheMenu()
    {
        QTemporaryDir dir;
        net::ErrorLog log;
        engine::Monitor monitor(dir.filePath("weather.ini"), dir.filePath("wsetting.ini"), log,
                                [](const QString& text) { return int(text.size() * 15); });
        shell::frmMenu menu(monitor);
        shell::HotKey hotKey;
        QObject::connect(&hotKey, &shell::HotKey::pressed, &menu, [&menu] { menu.popUp(); });
        QVERIFY(hotKey.setHotKey(119, QStringLiteral("17")));
        QVERIFY(press(QStringLiteral("ctrl+F8")));
        QTRY_VERIFY(menu.trayMenu()->isVisible());
        menu.trayMenu()->close();
        hotKey.clearHotKey();
        QVERIFY(!hotKey.hotKeyOn());
    }
};

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--hold") == 0)
        return holdKey(argc, argv);
    QApplication app(argc, argv);
    TestHotKeyX11 test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hotkey_x11.moc"
