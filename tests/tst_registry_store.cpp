#include "platform/registry_store.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using platform::RegistryStore;

class TestRegistryStore : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

private Q_SLOTS:
    void roundTrips_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("string") << "S" << QVariant(QStringLiteral("Comic Sans MS"));
        QTest::newRow("string with breaks and blanks")
            << "s" << QVariant(QStringLiteral("  a\\b\r\nc\u00e9 \0z "));
        QTest::newRow("long string") << "S" << QVariant(QString(600, QLatin1Char('x')));
        QTest::newRow("empty string") << "S" << QVariant(QString());
        QTest::newRow("dword") << "D" << QVariant(quint32(20));
        QTest::newRow("dword max") << "d" << QVariant(quint32(0xFFFFFFFFu));
        QTest::newRow("true") << "B" << QVariant(true);
        QTest::newRow("false") << "b" << QVariant(false);
    }

    void roundTrips()
    {
        QFETCH(QString, kind);
        QFETCH(QVariant, value);
        const RegistryStore store(dir_.filePath("sub/registry.ini"));
        QCOMPARE(store.regWrite(QStringLiteral("hkcu"),
                                QStringLiteral("Software\\Nimbulo\\ScreenSaver"),
                                QStringLiteral("V"), kind, value),
                 RegistryStore::kOk);
        QVariant read;
        QCOMPARE(store.regRead(QStringLiteral("HKCU"),
                               QStringLiteral("software\\nimbulo\\screensaver"),
                               QStringLiteral("v"), kind, read),
                 RegistryStore::kOk);
        QCOMPARE(read, value);
    }

    void errors()
    {
        const RegistryStore store(dir_.filePath("errors.ini"));
        QVariant v = 7;
        QCOMPARE(store.regRead(QStringLiteral("HKXX"), QStringLiteral("k"), QStringLiteral("v"),
                               QStringLiteral("S"), v),
                 RegistryStore::kUnknownRoot);
        QCOMPARE(store.regRead(QStringLiteral("HKCU"), QStringLiteral("Control Panel\\Desktop"),
                               QStringLiteral("ScreenSaveUsePassword"), QStringLiteral("D"), v),
                 RegistryStore::kNotFound);
        QCOMPARE(v, QVariant(7)); // untouched on failure
        store.regWrite(QStringLiteral("HKCU"), QStringLiteral("k"), QStringLiteral("n"),
                       QStringLiteral("S"), QStringLiteral("text"));
        QCOMPARE(store.regRead(QStringLiteral("HKCU"), QStringLiteral("k"), QStringLiteral("n"),
                               QStringLiteral("D"), v),
                 RegistryStore::kWrongType);
        QCOMPARE(store.regWrite(QStringLiteral("HKLM"), QStringLiteral("k"), QStringLiteral("n"),
                                QStringLiteral("S"), QStringLiteral("x")),
                 RegistryStore::kAccessDenied);
        QCOMPARE(RegistryStore::regRoot(QStringLiteral("hkcr")), QStringLiteral("HKCR"));
        QCOMPARE(RegistryStore::regRoot(QStringLiteral("HKEY")), QString());
    }

    void keysStayApart()
    {
        const RegistryStore store(dir_.filePath("apart.ini"));
        store.regWrite(QStringLiteral("HKCU"), QStringLiteral("A"), QStringLiteral("n"),
                       QStringLiteral("D"), 1u);
        store.regWrite(QStringLiteral("HKCU"), QStringLiteral("B"), QStringLiteral("n"),
                       QStringLiteral("D"), 2u);
        store.regWrite(QStringLiteral("HKCU"), QStringLiteral("A"), QStringLiteral("m"),
                       QStringLiteral("D"), 3u);
        store.regWrite(QStringLiteral("HKCU"), QStringLiteral("A"), QStringLiteral("n"),
                       QStringLiteral("D"), 4u);
        QVariant a, b, m;
        store.regRead(QStringLiteral("HKCU"), QStringLiteral("A"), QStringLiteral("n"),
                      QStringLiteral("D"), a);
        store.regRead(QStringLiteral("HKCU"), QStringLiteral("B"), QStringLiteral("n"),
                      QStringLiteral("D"), b);
        store.regRead(QStringLiteral("HKCU"), QStringLiteral("A"), QStringLiteral("m"),
                      QStringLiteral("D"), m);
        QCOMPARE(a.toUInt(), 4u);
        QCOMPARE(b.toUInt(), 2u);
        QCOMPARE(m.toUInt(), 3u);
    }
};

QTEST_GUILESS_MAIN(TestRegistryStore)
#include "tst_registry_store.moc"
