#include "platform/global_hotkey.h"
#include "weather/config/frm_options.h"
#include "weather/shell/hot_key.h"

#include <QKeyEvent>
#include <QSignalSpy>
#include <QtTest>

namespace {

// A system-wide key that records what it was asked and can be told to refuse.
class FakeKey : public platform::GlobalHotKey
{
public:
    struct Log
    {
        QList<QPair<int, int>> grabs;
        int releases = 0;
        bool refuse = false;
        bool held = false;
    };
    explicit FakeKey(Log& log) : log_(log) {}
    bool grab(int mainKey, int modifierKey) override
    {
        log_.grabs.append({mainKey, modifierKey});
        log_.held = !log_.refuse;
        return log_.held;
    }
    void release() override
    {
        ++log_.releases;
        log_.held = false;
    }
    bool isGrabbed() const override { return log_.held; }
    void press() { Q_EMIT activated(); }

private:
    Log& log_;
};

} // namespace

class TestHotKey : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keyNames_data()
    {
        QTest::addColumn<int>("vk");
        QTest::addColumn<QString>("name");
        QTest::newRow("F8") << 119 << "F8";
        QTest::newRow("F1") << 112 << "F1";
        QTest::newRow("F24") << 135 << "F24";
        QTest::newRow("Page Up") << 33 << "Page Up";
        QTest::newRow("Page Down") << 34 << "Page Down";
        QTest::newRow("End") << 35 << "End";
        QTest::newRow("Home") << 36 << "Home";
        QTest::newRow("Left") << 37 << "Left";
        QTest::newRow("Up") << 38 << "Up";
        QTest::newRow("Right") << 39 << "Right";
        QTest::newRow("Down") << 40 << "Down";
        QTest::newRow("Insert") << 45 << "Insert";
        QTest::newRow("Delete") << 46 << "Delete";
        QTest::newRow("W") << 87 << "W";
        QTest::newRow("digit") << 55 << "7";
        QTest::newRow("number pad 7") << 103 << "Num 7";
        QTest::newRow("number pad star") << 106 << "Num *";
        QTest::newRow("semicolon") << 186 << ";";
        QTest::newRow("space") << 32 << "Space";
        QTest::newRow("unknown code") << 255 << "";
        QTest::newRow("negative code") << -5 << "";
    }

    void keyNames()
    {
        QFETCH(int, vk);
        QFETCH(QString, name);
        QCOMPARE(platform::keyName(vk), name);
    }

    void keysyms_data()
    {
        QTest::addColumn<int>("vk");
        QTest::addColumn<quint32>("keysym");
        QTest::newRow("W is the lower-case keysym") << 87 << quint32(0x77);
        QTest::newRow("F8") << 119 << quint32(0xffc5);
        QTest::newRow("Page Up is Prior") << 33 << quint32(0xff55);
        QTest::newRow("Insert, not KP_Insert") << 45 << quint32(0xff63);
        QTest::newRow("number pad 0") << 96 << quint32(0xffb0);
        QTest::newRow("unknown") << 7 << quint32(0);
    }

    void keysyms()
    {
        QFETCH(int, vk);
        QFETCH(quint32, keysym);
        QCOMPARE(platform::keysymOfVirtualKey(vk), keysym);
    }

    void virtualKeysOfKeyPresses_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("vk");
        QTest::newRow("Ctrl") << int(Qt::Key_Control) << int(Qt::ControlModifier) << 17;
        QTest::newRow("Alt") << int(Qt::Key_Alt) << int(Qt::AltModifier) << 18;
        QTest::newRow("Shift") << int(Qt::Key_Shift) << int(Qt::ShiftModifier) << 16;
        QTest::newRow("Windows key") << int(Qt::Key_Super_L) << int(Qt::MetaModifier) << 91;
        QTest::newRow("Meta") << int(Qt::Key_Meta) << int(Qt::MetaModifier) << 91;
        QTest::newRow("W") << int(Qt::Key_W) << int(Qt::ControlModifier) << 87;
        QTest::newRow("F8") << int(Qt::Key_F8) << 0 << 119;
        QTest::newRow("Shift+1 is the key 1")
            << int(Qt::Key_Exclam) << int(Qt::ShiftModifier) << 49;
        QTest::newRow("number pad 7") << int(Qt::Key_7) << int(Qt::KeypadModifier) << 103;
        QTest::newRow("number pad plus") << int(Qt::Key_Plus) << int(Qt::KeypadModifier) << 107;
        QTest::newRow("plus is the = key") << int(Qt::Key_Plus) << int(Qt::ShiftModifier) << 187;
        QTest::newRow("Page Up") << int(Qt::Key_PageUp) << 0 << 33;
        QTest::newRow("unknown") << int(Qt::Key_Launch0) << 0 << 0;
    }

    void virtualKeysOfKeyPresses()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, vk);
        const QKeyEvent event(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(platform::virtualKeyOf(event), vk);
    }

    void capture_data()
    {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("modifier");
        QTest::addColumn<int>("mainKey");
        QTest::addColumn<bool>("capturing");
        QTest::newRow("the later modifier wins")
            << QList<int>{17, 16, 119} << "SHIFT + F8" << 16 << 119 << false;
        QTest::newRow("Ctrl, Alt, W") << QList<int>{17, 18, 87} << "ALT + W" << 18 << 87 << false;
        QTest::newRow("Windows key and Insert")
            << QList<int>{91, 45} << "WIN + Insert" << 91 << 45 << false;
        QTest::newRow("a key alone") << QList<int>{33} << "Page Up" << 0 << 33 << false;
        QTest::newRow("a modifier only keeps capturing")
            << QList<int>{17} << "CTRL + " << 17 << 0 << true;
        QTest::newRow("keys after the main key are not taken")
            << QList<int>{17, 38, 18, 40} << "CTRL + Up" << 17 << 38 << false;
    }

    void capture()
    {
        QFETCH(QList<int>, keys);
        QFETCH(QString, text);
        QFETCH(int, modifier);
        QFETCH(int, mainKey);
        QFETCH(bool, capturing);
        config::HotKeyCapture c;
        QVERIFY(!c.keyDown(17)); // nothing is taken before the capture starts
        c.start();
        for (int k : keys)
            c.keyDown(k);
        QCOMPARE(c.text(), text);
        QCOMPARE(c.modifier(), modifier);
        QCOMPARE(c.mainKey(), mainKey);
        QCOMPARE(c.capturing(), capturing);
    }

    void captureStartsAfresh()
    {
        config::HotKeyCapture c;
        c.start();
        c.keyDown(17);
        c.keyDown(87);
        c.start();
        QVERIFY(c.text().isEmpty());
        QCOMPARE(c.modifier(), 0);
        QCOMPARE(c.mainKey(), 0);
    }

    void modifierText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("modifier");
        QTest::newRow("Alt") << "18" << 18;
        QTest::newRow("Shift") << "16" << 16;
        QTest::newRow("Ctrl") << "17" << 17;
        QTest::newRow("Windows") << "91" << 91;
        QTest::newRow("none") << "0" << 0;
        QTest::newRow("another key") << "65" << 0;
        QTest::newRow("padded") << " 18" << 0;
        QTest::newRow("empty") << "" << 0;
    }

    void modifierText()
    {
        QFETCH(QString, text);
        QFETCH(int, modifier);
        QCOMPARE(shell::modifierOfText(text), modifier);
    }

    void setAndClear()
    {
        FakeKey::Log log;
        auto key = std::make_unique<FakeKey>(log);
        FakeKey* raw = key.get();
        shell::HotKey hotKey(std::move(key));
        QSignalSpy pressed(&hotKey, &shell::HotKey::pressed);

        QVERIFY(hotKey.setHotKey(119, QStringLiteral("17")));
        QVERIFY(hotKey.hotKeyOn());
        QCOMPARE(log.grabs.last(), qMakePair(119, 17));
        raw->press();
        QCOMPARE(pressed.size(), 1);

        // Off and on again with the same key: released first, so no conflict with itself.
        hotKey.clearHotKey();
        QVERIFY(!hotKey.hotKeyOn());
        QVERIFY(!log.held);
        QVERIFY(hotKey.setHotKey(119, QStringLiteral("17")));
        QVERIFY(hotKey.hotKeyOn());

        log.refuse = true;
        QVERIFY(!hotKey.setHotKey(87, QStringLiteral("18")));
        QVERIFY(!hotKey.hotKeyOn());
    }

    void noX11NoHotKey()
    {
        // Offscreen there is no display whose keys could be taken.
        shell::HotKey hotKey;
        QVERIFY(!hotKey.setHotKey(119, QStringLiteral("17")));
        QVERIFY(!hotKey.hotKeyOn());
        hotKey.clearHotKey();
    }
};

QTEST_MAIN(TestHotKey)
#include "tst_hotkey.moc"
