#include "common/scramble.h"
#include "platform/registry_store.h"
#include "saver/saver_settings.h"

#include <QTemporaryDir>
#include <QtTest>

using platform::RegistryStore;

namespace {

const QString kRoot = QStringLiteral("HKCU");
const QString kKey = QLatin1String(saver::kSaverKeyPath);

} // namespace

class TestSaverSettings : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    int fileNumber_ = 0;

    // A fresh store for each case.
    RegistryStore freshStore()
    {
        return RegistryStore(dir_.filePath(QStringLiteral("r%1.ini").arg(++fileNumber_)));
    }

private Q_SLOTS:
    void imageTimeBounds_data()
    {
        QTest::addColumn<QVariant>("stored"); // invalid = absent
        QTest::addColumn<int>("loaded");
        QTest::newRow("absent") << QVariant() << 3;
        QTest::newRow("0") << QVariant(quint32(0)) << 3;
        QTest::newRow("2") << QVariant(quint32(2)) << 3;
        QTest::newRow("3") << QVariant(quint32(3)) << 3;
        QTest::newRow("11") << QVariant(quint32(11)) << 11;
        QTest::newRow("20") << QVariant(quint32(20)) << 20;
        QTest::newRow("25") << QVariant(quint32(25)) << 20;
        QTest::newRow("largest DWORD") << QVariant(quint32(0xFFFFFFFFu)) << 20;
    }

    void imageTimeBounds()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, loaded);
        const RegistryStore store = freshStore();
        if (stored.isValid())
            QCOMPARE(store.regWrite(kRoot, kKey, QStringLiteral("ImageTime"), "D", stored), 0);
        saver::SaverSettings s;
        s.imageTime = 99;
        saver::loadSaverSettings(store, s);
        QCOMPARE(s.imageTime, loaded);
    }

    void displayType_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("loaded");
        QTest::newRow("absent") << QVariant() << 0;
        QTest::newRow("pairs") << QVariant(quint32(0)) << 0;
        QTest::newRow("vertical") << QVariant(quint32(1)) << 1;
        QTest::newRow("unknown style shows pairs") << QVariant(quint32(7)) << 0;
    }

    void displayType()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, loaded);
        const RegistryStore store = freshStore();
        if (stored.isValid())
            store.regWrite(kRoot, kKey, QStringLiteral("DisplayType"), "D", stored);
        saver::SaverSettings s;
        s.displayType = 5;
        saver::loadSaverSettings(store, s);
        QCOMPARE(s.displayType, loaded);
    }

    void emptyStoreKeepsTheDesign()
    {
        const RegistryStore store = freshStore();
        saver::SaverSettings s;
        saver::loadSaverSettings(store, s);
        QCOMPARE(s.tickerColor, saver::designColor());
        QCOMPARE(s.tickerFont.family(), QStringLiteral("Comic Sans MS"));
        QCOMPARE(s.tickerFont.pointSizeF(), 27.75);
        QVERIFY(s.tickerFont.bold());
        QVERIFY(!s.tickerFont.italic());
        QVERIFY(!s.tickerFont.underline());
        QVERIFY(!s.tickerFont.strikeOut());
        QVERIFY(s.saverPassword.isEmpty());
    }

    void foreColor_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QColor>("loaded");
        QTest::newRow("red") << "255" << QColor(255, 0, 0);
        QTest::newRow("green") << "65280" << QColor(0, 255, 0);
        QTest::newRow("blue") << "16711680" << QColor(0, 0, 255);
        QTest::newRow("mixed") << "1193046" << QColor(0x56, 0x34, 0x12);
        QTest::newRow("empty keeps the design") << "" << saver::designColor();
        QTest::newRow("not a number is black") << "x" << QColor(0, 0, 0);
    }

    void foreColor()
    {
        QFETCH(QString, stored);
        QFETCH(QColor, loaded);
        const RegistryStore store = freshStore();
        store.regWrite(kRoot, kKey, QStringLiteral("ForeColor"), "S", stored);
        saver::SaverSettings s;
        saver::loadSaverSettings(store, s);
        QCOMPARE(s.tickerColor, loaded);
    }

    void fontValuesReadOneByOne()
    {
        const RegistryStore store = freshStore();
        store.regWrite(kRoot, kKey, QStringLiteral("FontName"), "S", QStringLiteral("DejaVu Sans"));
        store.regWrite(kRoot, kKey, QStringLiteral("FontItalic"), "B", true);
        store.regWrite(kRoot, kKey, QStringLiteral("FontUL"), "B", true);
        // Stored in the wrong type: this one keeps the design.
        store.regWrite(kRoot, kKey, QStringLiteral("FontBold"), "D", quint32(0));
        // A size that cannot be drawn keeps the design.
        store.regWrite(kRoot, kKey, QStringLiteral("FontSize"), "S", QStringLiteral("-4"));
        saver::SaverSettings s;
        saver::loadSaverSettings(store, s);
        QCOMPARE(s.tickerFont.family(), QStringLiteral("DejaVu Sans"));
        QVERIFY(s.tickerFont.italic());
        QVERIFY(s.tickerFont.underline());
        QVERIFY(!s.tickerFont.strikeOut());
        QVERIFY(s.tickerFont.bold());
        QCOMPARE(s.tickerFont.pointSizeF(), 27.75);
    }

    void saveThenLoad()
    {
        const RegistryStore store = freshStore();
        saver::SaverSettings saved;
        saved.imageTime = 12;
        saved.displayType = 1;
        saved.tickerColor = QColor(10, 20, 30);
        saved.tickerFont = QFont(QStringLiteral("DejaVu Serif"));
        saved.tickerFont.setPointSizeF(14.5);
        saved.tickerFont.setBold(false);
        saved.tickerFont.setStrikeOut(true);
        saved.saverPassword = QStringLiteral("not written by this");
        saver::saveSaverSettings(store, saved);

        QVariant value;
        QCOMPARE(store.regRead(kRoot, kKey, QStringLiteral("ForeColor"), "S", value), 0);
        QCOMPARE(value.toString(), QStringLiteral("1971210"));
        QCOMPARE(store.regRead(kRoot, kKey, QStringLiteral("FontSize"), "S", value), 0);
        QCOMPARE(value.toString(), QStringLiteral("14.5"));
        QCOMPARE(store.regRead(kRoot, kKey, QStringLiteral("Password"), "S", value),
                 RegistryStore::kNotFound);

        saver::SaverSettings loaded;
        saver::loadSaverSettings(store, loaded);
        QCOMPARE(loaded.imageTime, 12);
        QCOMPARE(loaded.displayType, 1);
        QCOMPARE(loaded.tickerColor, QColor(10, 20, 30));
        QCOMPARE(loaded.tickerFont.family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(loaded.tickerFont.pointSizeF(), 14.5);
        QVERIFY(!loaded.tickerFont.bold());
        QVERIFY(loaded.tickerFont.strikeOut());
        QVERIFY(!loaded.tickerFont.italic());
        QVERIFY(loaded.saverPassword.isEmpty());
    }

    void scramblingRoundTripsEveryByte()
    {
        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all.append(char(i));
        const QByteArray scrambled = common::scramble(all, common::kSaverKey);
        QCOMPARE(scrambled.size(), all.size());
        QVERIFY(scrambled != all);
        QCOMPARE(common::unscramble(scrambled, common::kSaverKey), all);
    }

    void keyOrder_data()
    {
        QTest::addColumn<int>("position"); // 1-based
        QTest::addColumn<char>("keyChar");
        // Position i is combined with key character (i mod 7) + 1.
        QTest::newRow("first with the second") << 1 << 'X';
        QTest::newRow("second with the third") << 2 << 'T';
        QTest::newRow("sixth with the seventh") << 6 << 'M';
        QTest::newRow("seventh with the first") << 7 << 'Q';
        QTest::newRow("eighth with the second again") << 8 << 'X';
    }

    void keyOrder()
    {
        QFETCH(int, position);
        QFETCH(char, keyChar);
        const QByteArray text(position, char(0xF0));
        const QByteArray scrambled = common::scramble(text, common::kSaverKey);
        // Wraps round modulo 256.
        QCOMPARE(quint8(scrambled[position - 1]), quint8((0xF0 + keyChar) & 0xFF));
    }

    void passwordRoundTrips_data()
    {
        QTest::addColumn<QString>("password");
        QString latin;
        for (int i = 1; i < 256; ++i)
            latin.append(QChar(i));
        QTest::newRow("plain") << "Secret";
        QTest::newRow("trailing blank") << "pass ";
        QTest::newRow("code points 1..255") << latin;
        QTest::newRow("beyond the code page") << QStringLiteral("h\u0142\u20ac\u4e2d");
        QTest::newRow("empty") << QString();
    }

    void passwordRoundTrips()
    {
        QFETCH(QString, password);
        const RegistryStore store = freshStore();
        saver::savePassword(store, password);
        QVariant stored;
        QCOMPARE(store.regRead(kRoot, kKey, QStringLiteral("Password"), "S", stored), 0);
        if (!password.isEmpty())
            QVERIFY(stored.toString() != password);
        saver::SaverSettings s;
        s.saverPassword = QStringLiteral("old");
        saver::loadSaverSettings(store, s);
        QCOMPARE(s.saverPassword, password);
    }

    void passwordIsStoredScrambledWithTheFixedKey()
    {
        QCOMPARE(saver::scramblePassword(QStringLiteral("AAAAAAAA")),
                 QString::fromLatin1(QByteArray("\x99\x95\x93\x86\x8D\x8E\x92\x99")));
    }

    void usePassword_data()
    {
        QTest::addColumn<QString>("kind"); // empty = absent
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("used");
        QTest::newRow("absent") << "" << QVariant() << false;
        QTest::newRow("dword 1") << "D" << QVariant(quint32(1)) << true;
        QTest::newRow("dword 0") << "D" << QVariant(quint32(0)) << false;
        QTest::newRow("text 1") << "S" << QVariant(QStringLiteral("1")) << true;
        QTest::newRow("text 0") << "S" << QVariant(QStringLiteral("0")) << false;
    }

    void usePassword()
    {
        QFETCH(QString, kind);
        QFETCH(QVariant, value);
        QFETCH(bool, used);
        const RegistryStore store = freshStore();
        if (!kind.isEmpty())
            store.regWrite(kRoot, QStringLiteral("Control Panel\\Desktop"),
                           QStringLiteral("ScreenSaveUsePassword"), kind, value);
        QCOMPARE(saver::readUsePassword(store), used);
    }
};

QTEST_MAIN(TestSaverSettings)
#include "tst_saver_settings.moc"
