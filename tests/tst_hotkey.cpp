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
    QList<QPair<int, int>> grabs;
    bool refuse = false;
    bool held = false;

    bool grab(int mainKey, int modifierKey) override
    {
        grabs.append({mainKey, modifierKey});
        return held = !refuse;
    }
    void release() override { held = false; }
    bool isGrabbed() const override { return held; }
    void press() { Q_EMIT activated(); }
};

QList<int> numbers(const QString& text)
{
    QList<int> list;
    for (const QString& n : text.split(' '))
        list.append(n.toInt());
    return list;
}

} // namespace

class TestHotKey : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Virtual-key code:name:X keysym it is grabbed as (0: none).
    void keyNames_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::newRow("function keys") << "112:F1:0xffbe,119:F8:0xffc5,135:F24:0xffd5";
        QTest::newRow("navigation") << "33:Page Up:0xff55,34:Page Down:0xff56,35:End:0xff57,"
                                       "36:Home:0xff50,37:Left:0xff51,38:Up:0xff52,39:Right:0xff53,"
                                       "40:Down:0xff54,45:Insert:0xff63,46:Delete:0xffff";
        QTest::newRow("letter is lower case, digit") << "87:W:0x77,55:7:0x37";
        QTest::newRow("number pad") << "96:Num 0:0xffb0,103:Num 7:0xffb7,106:Num *:0xffaa";
        QTest::newRow("semicolon, space") << "186:;:0x3b,32:Space:0x20";
        QTest::newRow("unknown codes") << "255::0,-5::0,7::0";
    }

    void keyNames()
    {
        QFETCH(QString, keys);
        for (const QString& key : keys.split(',')) {
            const int vk = key.section(':', 0, 0).toInt();
            QCOMPARE(platform::keyName(vk), key.section(':', 1, 1));
            QCOMPARE(platform::keysymOfVirtualKey(vk), key.section(':', 2, 2).toUInt(nullptr, 0));
        }
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
        QTest::newRow("Shift+1 is 1") << int(Qt::Key_Exclam) << int(Qt::ShiftModifier) << 49;
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

    // Keys pressed | text shown | modifier, main key, still capturing.
    void capture_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::newRow("the later modifier wins") << "17 16 119|SHIFT + F8|16 119 0";
        QTest::newRow("Ctrl, Alt, W") << "17 18 87|ALT + W|18 87 0";
        QTest::newRow("Windows key and Insert") << "91 45|WIN + Insert|91 45 0";
        QTest::newRow("a key alone") << "33|Page Up|0 33 0";
        QTest::newRow("a modifier only keeps capturing") << "17|CTRL + |17 0 1";
        QTest::newRow("keys after the main key are not taken") << "17 38 18 40|CTRL + Up|17 38 0";
    }

    void capture()
    {
        QFETCH(QString, keys);
        config::HotKeyCapture c;
        QVERIFY(!c.keyDown(17)); // nothing is taken before the capture starts
        c.start();
        for (int k : numbers(keys.section('|', 0, 0)))
            c.keyDown(k);
        QCOMPARE(c.text(), keys.section('|', 1, 1));
        QCOMPARE((QList<int>{c.modifier(), c.mainKey(), c.capturing()}),
                 numbers(keys.section('|', 2, 2)));
        c.start(); // a new capture starts afresh
        QCOMPARE((QList<int>{c.modifier(), c.mainKey()}), (QList<int>{0, 0}));
        QVERIFY(c.text().isEmpty());
    }

    void modifierText()
    {
        // Only the exact numbers of the four modifiers count.
        const QList<QPair<QString, int>> cases = {{"18", 18}, {"16", 16}, {"17", 17}, {"91", 91},
                                                  {"0", 0},   {"65", 0},  {" 18", 0}, {"", 0}};
        for (const auto& [text, modifier] : cases)
            QCOMPARE(text + '=' + QString::number(shell::modifierOfText(text)),
                     text + '=' + QString::number(modifier));
    }

    void setAndClear()
    {
        auto key = std::make_unique<FakeKey>();
        FakeKey* raw = key.get();
        shell::HotKey hotKey(std::move(key));
        QSignalSpy pressed(&hotKey, &shell::HotKey::pressed);

        QVERIFY(hotKey.setHotKey(119, QStringLiteral("17")));
        QCOMPARE(raw->grabs.last(), qMakePair(119, 17));
        raw->press();
        QCOMPARE(pressed.size(), 1);

        // Off and on again with the same key: released first, so no conflict with itself.
        hotKey.clearHotKey();
        QVERIFY(!hotKey.hotKeyOn() && !raw->held);
        QVERIFY(hotKey.setHotKey(119, QStringLiteral("17")));
        QVERIFY(hotKey.hotKeyOn());
        raw->refuse = true;
        QVERIFY(!hotKey.setHotKey(87, QStringLiteral("18")));
        QVERIFY(!hotKey.hotKeyOn());

        // Offscreen there is no display whose keys could be taken.
        shell::HotKey offscreen;
        QVERIFY(!offscreen.setHotKey(119, QStringLiteral("17")));
        QVERIFY(!offscreen.hotKeyOn());
        offscreen.clearHotKey();
    }
};

QTEST_MAIN(TestHotKey)
#include "tst_hotkey.moc"
